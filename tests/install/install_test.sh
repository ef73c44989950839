#!/usr/bin/env bash
# Installs the program into a temporary root, checks the installed layout and
# the desktop entry, and starts the installed program in an X server of its
# own the way a desktop starts it from that entry.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
sources=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/with blanks/usr" # a prefix with a blank, as a home folder may have
source "$here/layout.sh"

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; exit 1; }
check_layout "" "$prefix" "$sources"

if ((failures == 0)); then
  XDG_RUNTIME_DIR=$work/runtime "$here/../support/with-xvfb" "$here/start_from_entry.sh" \
    "$prefix/share/applications/kuerumi.desktop" "$work" \
    || fail "the program did not open its window as the desktop entry starts it"
  diff -r "$sources/cardimages" "$prefix/share/kuerumi/cardimages" >/dev/null || fail "the program changed its deck"
fi

if ((failures > 0)); then
  echo "$failures failed" >&2
  exit 1
fi
echo "installed layout, desktop entry and start from it: all passed"
