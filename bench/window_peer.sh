#!/usr/bin/env bash
# The window program's start against a bare Qt 6 main window on the same X server, in one run:
# from exec to the X map event of the first top-level window, median of 21 starts each.
# The peer shows no text, so it never reads the font configuration; any window with text must.
# A main window with a one-item menu bar is timed too, for reference: the floor for a window with text.
# Usage: bash bench/window_peer.sh <bench build folder>
set -euo pipefail
build="$1"
ours="${SIG_WINDOW_PROGRAM:-$build/ui/sigcfg}" # another build of the program may be named, to compare
peer="$build/bench/minimal_window"
text="$build/bench/text_window"
timer="$build/bench/map_timer"
if [ ! -x "$ours" ] || [ ! -x "$peer" ] || [ ! -x "$text" ]; then
    echo "window_peer: the window program is not built (SIG_BUILD_UI off); skipped"
    exit 0
fi
if [ -z "${DISPLAY:-}" ]; then
    # Xvfb picks a free display number itself and tells it on the given descriptor.
    exec 3<> <(:)
    Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill $xvfb 2>/dev/null' EXIT
    read -r -t 10 number <&3
    export DISPLAY=":$number"
    for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
fi
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
export QT_QPA_PLATFORM=xcb
# One start of each first, so that neither pays for reading its files from disk; then single
# starts taken in turn, so that both see the same machine from moment to moment, and the median of
# each side's 21 starts.
runs=21
"$timer" 1 "$ours" >/dev/null
"$timer" 1 "$peer" >/dev/null
"$timer" 1 "$text" >/dev/null
o=(); p=(); t=()
for _ in $(seq $runs); do
    o+=("$("$timer" 1 "$ours" | awk '{print $1}')")
    p+=("$("$timer" 1 "$peer" | awk '{print $1}')")
    t+=("$("$timer" 1 "$text" | awk '{print $1}')")
done
median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }
om="$(median "${o[@]}")"; pm="$(median "${p[@]}")"; tm="$(median "${t[@]}")"
echo "first map, exec to MapNotify (median of $runs starts each, taken in turn):"
echo "  sigcfg             $om ms"
echo "  bare QMainWindow   $pm ms"
awk -v a="$om" -v b="$pm" 'BEGIN { printf "  sigcfg / bare: %.2fx\n", a / b }'
awk -v t="$tm" -v b="$pm" -v a="$om" \
    'BEGIN { printf "  for reference, with a one-item menu bar: %.2f ms (%.2fx bare; sigcfg %.2fx it)\n", t, t / b, a / t }'
