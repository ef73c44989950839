#!/usr/bin/env bash
# Installs the program into a temporary root, checks the installed layout,
# the desktop entry and the AppStream metadata, starts the launcher from a
# terminal's folders, asks it for help and its version and starts it without
# a display, and starts the installed program in an X server of its own the
# way a desktop starts it from its entry. Then installs it for an account,
# as README.md says, and removes it with the README's own commands.
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
# own, and in the folder itself when it has one, never with an argument.
program=$prefix/lib/games/kuerumi/kuerumi
launch_from() { # launch_from FOLDER EXPECTED_FOLDER
  local folder=$1 expected pid
  expected=$(cd "$2" && pwd -P)
  (cd "$folder" && QT_QPA_PLATFORM=offscreen exec "$prefix/games/kuerumi") >"$work/launcher.log" 2>&1 &
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
# What the launcher answers without starting the program: its help and
# the package's version on the standard output, with status 0; a word on
# the standard error and status 1 without a display, and status 2 for an
# argument it does not know or one after the first, each named. The display
# it may be given is none that exists, so that a program started by mistake
# fails at once.
answers() { # answers STATUS OUTPUT ERROR [ENVIRONMENT...] -- ARGUMENTS...
  local status=$1 output=$2 error=$3 got=0
  shift 3
  local -a environment=()
  while [[ $1 != -- ]]; do environment+=("$1"); shift; done
  shift
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "${environment[@]}" timeout 20 "$prefix/games/kuerumi" "$@" \
    >"$work/out.log" 2>"$work/err.log" || got=$?
  ((got == status)) || fail "kuerumi $* ended with status $got, not $status"
  [[ $(cat "$work/out.log") == $output ]] || fail "kuerumi $* printed: $(cat "$work/out.log")"
  [[ $(cat "$work/err.log") == $error ]] || fail "kuerumi $* wrote to the standard error: $(cat "$work/err.log")"
}
version=$(sed -n 's/^project(kuerumi VERSION \([^ ]*\) .*/\1/p' "$sources/CMakeLists.txt")
answers 0 "kuerumi $version" "" -- --version
answers 0 "Usage: kuerumi*-h*--help*--version*$prefix/share/games/kuerumi*kuerumi(6)*" "" -- --help
answers 0 "Usage: kuerumi*" "" DISPLAY=:none -- --help
answers 0 "Usage: kuerumi*" "" DISPLAY=:none -- -h
answers 1 "" "kuerumi: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set)" --
answers 2 "" "kuerumi: unknown argument '--halp'*" DISPLAY=:none -- --halp
answers 2 "" "kuerumi: unknown argument ''*" DISPLAY=:none -- ""
answers 2 "" "kuerumi: unknown argument '--halp'*" DISPLAY=:none -- --halp --help
answers 2 "" "kuerumi: extra argument '--version' after --help*" DISPLAY=:none -- --help --version
answers 2 "" "kuerumi: extra argument '-h' after --version*" DISPLAY=:none -- --version -h

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

# For an account, as README.md says, and away again with the README's own
# commands, which leave nothing behind.
home=$work/home
mkdir -p "$home"
cmake --install "$build" --prefix "$home/.local" >"$work/install.log" || { cat "$work/install.log"; exit 1; }
[[ -x $home/.local/games/kuerumi ]] || fail "README: no command ~/.local/games/kuerumi"
removal=$(awk '/<!-- removal of a ~\/.local install -->/ {found = 1; next}
               found && /^```/ {if (inside) exit; inside = 1; next}
               inside {print}' "$sources/README.md")
[[ -n $removal ]] || fail "README.md holds no removal of a ~/.local install"
(cd "$work" && HOME=$home bash -euo pipefail -c "$removal") || fail "README's removal failed: $removal"
left=$(cd "$home" && find . -type f)
[[ -z $left ]] || fail "README's removal leaves files behind: $left"
left=$(cd "$home/.local" && find . -type d -name '*kuerumi*')
[[ -z $left ]] || fail "README's removal leaves folders behind: $left"

if ((failures > 0)); then
  echo "$failures failed" >&2
  exit 1
fi
echo "installed layout, desktop entry, metadata, launcher, start from the entry and removal: all passed"
