#!/usr/bin/env bash
# Installs the program into a temporary root, checks the installed layout,
# the desktop entry and the AppStream metadata, starts the launcher from a
# terminal's folders, and starts the installed program in an X server of
# its own the way a desktop starts it from its entry.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
sources=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A prefix with a blank, as a home folder may have, and a quote, which the
# launcher's shell must take as it stands.
prefix="$work/it's with blanks/usr"
source "$here/layout.sh"

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; exit 1; }
check_layout "" "$prefix" "$sources"

# The launcher, as a terminal starts it: the program runs in the installed
# deck's folder when started from a folder without a cardimages/ of its
# own, and in the folder itself when it has one; never with the arguments
# given to the launcher.
program=$prefix/lib/games/kuerumi/kuerumi
launch_from() { # launch_from FOLDER EXPECTED_FOLDER
  local folder=$1 expected pid
  expected=$(cd "$2" && pwd -P)
  (cd "$folder" && QT_QPA_PLATFORM=offscreen exec "$prefix/games/kuerumi" --help "$folder") \
    >"$work/launcher.log" 2>&1 &
  pid=$!
  for _ in $(seq 100); do
    [[ $(readlink "/proc/$pid/exe" 2>/dev/null) == "$program" ]] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [[ $(readlink "/proc/$pid/exe" 2>/dev/null) != "$program" ]]; then
    fail "started from $folder, the launcher did not run the program: $(cat "$work/launcher.log")"
  else
    local cwd arguments
    cwd=$(readlink "/proc/$pid/cwd")
    [[ $cwd == "$expected" ]] || fail "started from $folder, the program runs in $cwd, not in $expected"
    arguments=$(tr '\0' '\n' <"/proc/$pid/cmdline" | tail -n +2)
    [[ -z $arguments ]] || fail "the launcher passed on arguments: $arguments"
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
if [[ -x $prefix/games/kuerumi ]]; then
  mkdir -p "$work/no deck" "$work/own deck/cardimages"
  launch_from "$work/no deck" "$prefix/share/games/kuerumi"
  launch_from "$work/own deck" "$work/own deck"
fi

if ((failures == 0)); then
  XDG_RUNTIME_DIR=$work/runtime "$here/../support/with-xvfb" "$here/start_from_entry.sh" \
    "$prefix/share/applications/org.kuerumi.Kuerumi.desktop" "$work" \
    || fail "the program did not open its window as the desktop entry starts it"
  diff -r "$sources/cardimages" "$prefix/share/games/kuerumi/cardimages" >/dev/null || fail "the program changed its deck"
fi

if ((failures > 0)); then
  echo "$failures failed" >&2
  exit 1
fi
echo "installed layout, desktop entry, metadata, launcher and start from the entry: all passed"
