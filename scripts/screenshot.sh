#!/usr/bin/env bash
# Starts the desktop program on a virtual X screen with the given pictures, lets it list
# and show them, and saves a picture of the whole screen, so that anyone can look at the
# window without a desktop at hand.
#
#   scripts/screenshot.sh OUTPUT.png [FILE...]
#
# FOTARIUM_PROGRAM names the program (default: the release build), FOTARIUM_WAIT the
# seconds to wait before the picture is taken (default 5), FOTARIUM_SCREEN the screen size.
# FOTARIUM_CLICKS="X,Y X,Y ..." (needs xdotool) clicks those points of the window one after
# the other, for example on the tabs, and saves OUTPUT-1.png, OUTPUT-2.png, ... after each.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$#" -lt 1 ]; then
  echo "usage: $0 OUTPUT.png [FILE...]" >&2
  exit 2
fi
out=$1
shift
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac
program=${FOTARIUM_PROGRAM:-build/release/app/fotarium}
wait_seconds=${FOTARIUM_WAIT:-5}
screen=${FOTARIUM_SCREEN:-1600x1000x24}

for tool in xvfb-run import; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (Debian: xvfb, imagemagick)" >&2; exit 1; }
done
[ -x "$program" ] || { echo "$program is not built" >&2; exit 1; }

# Inside the virtual display: start the program, wait, take the picture, end the program.
xvfb-run -a -s "-screen 0 $screen" bash -c '
  program=$1 wait_seconds=$2 out=$3 clicks=$4
  shift 4
  "$program" "$@" &
  pid=$!
  sleep "$wait_seconds"
  import -window root "$out"
  if [ -n "$clicks" ] && command -v xdotool >/dev/null; then
    window=$(xdotool search --sync --limit 1 --pid "$pid" 2>/dev/null | head -n 1)
    n=0
    for point in $clicks; do
      n=$((n + 1))
      xdotool mousemove --window "$window" "${point%,*}" "${point#*,}" click 1
      sleep 1
      import -window root "${out%.png}-$n.png"
    done
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
' screenshot "$program" "$wait_seconds" "$out" "${FOTARIUM_CLICKS:-}" "$@"
echo "$out"
