# What an installed kuerumi must hold, for the install and package tests to
# source. check_layout ROOT PREFIX SOURCE_DIR: the files lie under
# ROOT/PREFIX, and the desktop entry names PREFIX, where they will be found
# once ROOT is the system's own root. Each fault found counts in $failures.

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# A key of the desktop entry.
entry_key() {
  sed -n "s/^$2=//p" "$1"
}

check_layout() {
  local root=$1 prefix=$2 source=$3
  local files=$root$prefix

  # The program, the whole deck, the icon at every size.
  [[ -f $files/bin/kuerumi && -x $files/bin/kuerumi ]] || fail "bin/kuerumi is not an installed program"
  diff -r "$source/cardimages" "$files/share/kuerumi/cardimages" >&2 \
    || fail "share/kuerumi/cardimages differs from the shipped deck"
  local size icon
  for size in 16 32 48 64 128 256; do
    icon=$files/share/icons/hicolor/${size}x${size}/apps/kuerumi.png
    if [[ ! -f $icon ]]; then
      fail "no ${size}x${size} icon"
    elif [[ $(identify -format '%m %wx%h' "$icon") != "PNG ${size}x${size}" ]]; then
      fail "$icon is not a ${size}x${size} PNG: $(identify -format '%m %wx%h' "$icon")"
    fi
  done

  # The desktop entry: valid, named in Japanese, starting the program in the
  # folder of its deck.
  local entry=$files/share/applications/kuerumi.desktop
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
  [[ $path == "$prefix"/* ]] || fail "Path=$path lies outside $prefix"
  [[ -f $root$path/cardimages/carddata.csv ]] || fail "Path=$path holds no deck"
  local -a command
  mapfile -t command < <(xargs -n1 printf '%s\n' <<<"$(entry_key "$entry" Exec)")
  [[ ${command[0]} == "$prefix"/* && -x $root${command[0]} ]] || fail "Exec=${command[*]} is not the installed program"
}
