#!/usr/bin/env bash
# In an X server: starts the program as the desktop entry says (in the entry's
# Path, with its Exec) and checks that its window opens with the placeholder
# picture where the Hexagram, the spread it opens with, puts slot 7.
# Usage: start_from_entry.sh ENTRY WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
entry=$1
work=$2
key() { sed -n "s/^$1=//p" "$entry"; }
path=$(key Path)
# Exec's words, with the double quotes of a path that holds blanks undone.
mapfile -t command < <(xargs -n1 printf '%s\n' <<<"$(key Exec)")
command=("${command[@]/%%[fFuUick]/}") # field codes give nothing here

mkdir -p -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
(cd "$path" && exec "${command[@]}") >"$work/program.log" 2>&1 &
program=$!
trap 'kill "$program" 2>/dev/null || true' EXIT

window=
for _ in $(seq 150); do
  window=$(xdotool search --onlyvisible --pid "$program" 2>/dev/null || true)
  window=${window%%$'\n'*}
  [[ -n $window ]] && break
  kill -0 "$program" 2>/dev/null || { echo "the program ended:"; cat "$work/program.log"; exit 1; }
  sleep 0.1
done
[[ -n $window ]] || { echo "the program opened no window"; cat "$work/program.log"; exit 1; }

# Slot 7 of the Hexagram lies at left 280, top 350 of the client area, which
# starts below the menu bar; the window lies at the screen's top left.
convert "$path/cardimages/cut_tarot_00_150.jpg" -depth 8 "$work/back.ppm"
for _ in $(seq 20); do
  import -window root -depth 8 "$work/screen.ppm"
  if top=$(/usr/bin/python3 "$here/findpicture.py" "$work/screen.ppm" "$work/back.ppm" 280 351 410 2>"$work/find.log"); then
    echo "the card back lies in slot 7, the client area starting $((top - 350)) pixels down"
    # A desktop matches the window to the entry by its class, and shows its icon.
    class=$(xprop -id "$window" WM_CLASS)
    [[ $class == *"\"$(key StartupWMClass)\""* ]] || { echo "the window's $class does not match the entry"; exit 1; }
    # The program sets its icon once its first frame is out.
    for _ in $(seq 20); do
      icons=$(xprop -id "$window" _NET_WM_ICON)
      [[ $icons == *"Icon (48 x 48)"* ]] && exit 0
      sleep 0.1
    done
    echo "the window carries no 48 x 48 icon"
    exit 1
  fi
  sleep 0.25
done
echo "slot 7 does not show the card back:"
cat "$work/find.log" "$work/program.log"
exit 1
