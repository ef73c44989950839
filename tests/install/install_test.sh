#!/usr/bin/env bash
# Installs the program into a temporary root, checks the installed layout and
# the desktop entry, and starts the installed program in an X server of its
# own the way a desktop starts it from that entry.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/usr
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; exit 1; }

# The program, the whole deck, the icon at every size.
[[ -x $prefix/bin/kuerumi ]] || fail "bin/kuerumi is not an installed program"
data=$prefix/share/kuerumi
diff -r "$source/cardimages" "$data/cardimages" || fail "share/kuerumi/cardimages differs from the shipped deck"
for size in 16 32 48 64 128 256; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/kuerumi.png
  if [[ ! -f $icon ]]; then
    fail "no ${size}x${size} icon"
  elif [[ $(identify -format '%m %wx%h' "$icon") != "PNG ${size}x${size}" ]]; then
    fail "$icon is not a ${size}x${size} PNG: $(identify -format '%m %wx%h' "$icon")"
  fi
done

# The desktop entry: valid, named in Japanese, and pointing into this root.
entry=$prefix/share/applications/kuerumi.desktop
[[ -f $entry ]] || { fail "no desktop entry"; exit 1; }
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the entry"
key() { sed -n "s/^$1=//p" "$entry"; }
[[ $(key 'Name\[ja\]') == くえるみ ]] || fail "Name[ja] is '$(key 'Name\[ja\]')'"
[[ -n $(key Name) ]] || fail "no plain Name"
[[ -n $(key Comment) ]] || fail "no Comment"
[[ $(key Type) == Application ]] || fail "Type is '$(key Type)'"
[[ ";$(key Categories)" == *";Game;"* ]] || fail "Categories '$(key Categories)' has no Game"
icon=$(key Icon)
[[ -f $prefix/share/icons/hicolor/48x48/apps/$icon.png ]] || fail "Icon=$icon names no installed icon"
path=$(key Path)
[[ $path == "$prefix"/* ]] || fail "Path=$path lies outside the installed root"
[[ -f $path/cardimages/carddata.csv ]] || fail "Path=$path holds no deck"
read -ra command <<<"$(key Exec)"
[[ ${command[0]} == "$prefix"/* && -x ${command[0]} ]] || fail "Exec=${command[*]} is not the installed program"

if ((failures == 0)); then
  XDG_RUNTIME_DIR=$work/runtime "$here/../support/with-xvfb" "$here/start_from_entry.sh" "$entry" "$work" \
    || fail "the program did not open its window as the desktop entry starts it"
  diff -r "$source/cardimages" "$data/cardimages" >/dev/null || fail "the program changed its deck"
fi

if ((failures > 0)); then
  echo "$failures failed" >&2
  exit 1
fi
echo "installed layout, desktop entry and start from it: all passed"
