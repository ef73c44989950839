#!/usr/bin/env bash
# Starts an accessibility bus and the program on it, in the D-Bus session and
# X server that the caller gives it, and reads the program's accessibility
# tree with atspi_test.py.
# Usage: with-xvfb dbus-run-session -- atspi_test.sh PROGRAM DECK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$1
deck=$2
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

/usr/libexec/at-spi-bus-launcher --launch-immediately 2>"$work/bus.log" &
pids+=($!)
mkdir -m 700 "$work/runtime"
(cd "$deck" && QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work/runtime \
  exec "$program") >"$work/program.log" 2>&1 &
pids+=($!)
/usr/bin/python3 "$here/atspi_test.py" "$deck" "$!" || { cat "$work/program.log" "$work/bus.log"; exit 1; }
