# What an installed kuerumi must hold, for the install and package tests to
# source. check_layout ROOT PREFIX SOURCE_DIR: the files lie under
# ROOT/PREFIX, and the launcher and the desktop entry name PREFIX, where
# they will be found once ROOT is the system's own root. PREFIX ends in
# /usr, so that ROOT/PREFIX/.. is a tree as AppStream tools see one. Each
# fault found counts in $failures.

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# A key of the desktop entry.
entry_key() {
  sed -n "s/^$2=//p" "$1"
}

# The words of the entry's Exec, with the double quotes of a path that
# holds blanks undone, one to a line.
entry_command() {
  xargs -n1 printf '%s\n' <<<"$(entry_key "$1" Exec)"
}

# The manual pages as man shows them in a terminal, without a word from
# groff, which would land among the reader's commands: the English page in
# the C locale of a fresh login, where groff sets ASCII only and the window's
# labels stand as their English glosses, and in a UTF-8 locale, where they
# stand in Japanese beside them; the Japanese page in a UTF-8 locale.
check_manual() { # check_manual ENGLISH_PAGE JAPANESE_PAGE
  local english=$1 japanese=$2 shown
  shown=$(mktemp -d)
  # render LOCALE PAGE: into $shown/page, as one line with its words apart
  # by one blank wherever lines broke and however they were justified, and
  # $shown/warnings.
  render() {
    env -i PATH="$PATH" ${1:+LANG="$1"} MANWIDTH=80 man --warnings -l "$2" 2>"$shown/warnings" \
      | tr -s '\n ' '  ' >"$shown/page" || fail "man ${1:-in the C locale} fails on $2"
    [[ ! -s $shown/warnings ]] || fail "man ${1:-in the C locale} warns on $2: $(head -3 "$shown/warnings")"
  }
  render "" "$english"
  LC_ALL=C grep -q '[^[:print:][:space:]]' "$shown/page" && fail "$english in the C locale is not plain ASCII"
  [[ $(cat "$shown/page") == *'The button "show cards", also in the "file" menu'* ]] \
    || fail "$english in the C locale lacks the English glosses: $(head -c 600 "$shown/page")"
  render C.UTF-8 "$english"
  [[ $(cat "$shown/page") == *"The button カード表示 (show cards), also in the ファイル (file) menu"* ]] \
    || fail "$english in UTF-8 lacks the Japanese labels: $(head -c 600 "$shown/page")"
  render C.UTF-8 "$japanese"
  [[ $(cat "$shown/page") == *"「カード表示」ボタン"* ]] || fail "$japanese lacks its text: $(head -c 600 "$shown/page")"
  rm -rf "$shown"
}

check_layout() {
  local root=$1 prefix=$2 source=$3
  local files=$root$prefix

  # The command is a launcher script; the program itself keeps its file
  # name, from which its error box takes its caption.
  local launcher=$files/games/kuerumi program=$files/lib/games/kuerumi/kuerumi
  if [[ ! -f $launcher || ! -x $launcher ]]; then
    fail "games/kuerumi is not an installed command"
  elif [[ $(head -c 10 "$launcher") != '#!/bin/sh'* ]] || ! sh -n "$launcher"; then
    fail "games/kuerumi is no sound sh script"
  fi
  [[ -f $program && -x $program && $(head -c 4 "$program") == $'\x7fELF' ]] \
    || fail "lib/games/kuerumi/kuerumi is not the installed program"
  # Its picture decoder beside it, where it looks, with no Qt library in it.
  local decoder=$files/lib/games/kuerumi/kuerumi-decoder
  if [[ ! -f $decoder || ! -x $decoder || $(head -c 4 "$decoder") != $'\x7fELF' ]]; then
    fail "lib/games/kuerumi/kuerumi-decoder is not the installed decoder"
  elif readelf -d "$decoder" | grep -q 'NEEDED.*libQt'; then
    fail "the decoder links Qt: $(readelf -d "$decoder" | grep NEEDED)"
  fi

  # The whole deck, the icon at every size.
  diff -r "$source/cardimages" "$files/share/games/kuerumi/cardimages" >&2 \
    || fail "share/games/kuerumi/cardimages differs from the shipped deck"
  local size icon
  for size in 16 32 48 64 128 256; do
    icon=$files/share/icons/hicolor/${size}x${size}/apps/kuerumi.png
    if [[ ! -f $icon ]]; then
      fail "no ${size}x${size} icon"
    elif [[ $(identify -format '%m %wx%h' "$icon") != "PNG ${size}x${size}" ]]; then
      fail "$icon is not a ${size}x${size} PNG: $(identify -format '%m %wx%h' "$icon")"
    fi
  done
  for page in man/man6/kuerumi.6.gz man/ja/man6/kuerumi.6.gz; do
    [[ -f $files/share/$page ]] || fail "no manual page share/$page"
  done
  check_manual "$files/share/man/man6/kuerumi.6.gz" "$files/share/man/ja/man6/kuerumi.6.gz"

  # The desktop entry: valid, named in Japanese, starting the launcher in
  # the folder of its deck.
  local entry=$files/share/applications/org.kuerumi.Kuerumi.desktop
  [[ -f $entry ]] || { fail "no desktop entry"; return; }
  desktop-file-validate "$entry" || fail "desktop-file-validate rejects the entry"
  [[ $(entry_key "$entry" 'Name\[ja\]') == くえるみ ]] || fail "Name[ja] is '$(entry_key "$entry" 'Name\[ja\]')'"
  [[ -n $(entry_key "$entry" Name) ]] || fail "no plain Name"
  [[ -n $(entry_key "$entry" Comment) ]] || fail "no Comment"
  [[ $(entry_key "$entry" Type) == Application ]] || fail "Type is '$(entry_key "$entry" Type)'"
  [[ ";$(entry_key "$entry" Categories)" == *";Game;"* ]] \
    || fail "Categories '$(entry_key "$entry" Categories)' has no Game"
  icon=$(entry_key "$entry" Icon)
  [[ -f $files/share/icons/hicolor/48x48/apps/$icon.png ]] || fail "Icon=$icon names no installed icon"
  local path
  path=$(entry_key "$entry" Path)
  [[ $path == "$prefix/share/games/kuerumi" ]] || fail "Path=$path is not the installed deck's folder"
  local -a command
  mapfile -t command < <(entry_command "$entry")
  [[ ${#command[@]} -eq 1 && ${command[0]} == "$prefix/games/kuerumi" ]] \
    || fail "Exec=${command[*]} is not the installed launcher"
  [[ $(entry_key "$entry" TryExec) == "$prefix/games/kuerumi" ]] || fail "TryExec is not the launcher"

  # The AppStream metadata: valid, and about the same application as the
  # entry, which it finds by the entry's file name.
  local metainfo=$files/share/metainfo/org.kuerumi.Kuerumi.metainfo.xml
  [[ -f $metainfo ]] || { fail "no AppStream metadata"; return; }
  local report
  report=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli rejects the metadata: $report"
  report=$(appstreamcli validate-tree --no-net --strict "${files%/usr}" 2>&1) \
    || fail "appstreamcli rejects the installed tree (metadata and entry): $report"
  [[ $(sed -n 's:.*<icon type="stock">\(.*\)</icon>.*:\1:p' "$metainfo") == "$icon" ]] \
    || fail "the metadata's icon is not the entry's Icon=$icon"
}
