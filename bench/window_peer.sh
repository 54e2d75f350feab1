#!/usr/bin/env bash
# The window program's start against a bare Qt 6 main window on the same X server, in one run:
# from exec to the X map event of the first top-level window, median of 21 starts each.
# Usage: bash bench/window_peer.sh <bench build folder>
set -euo pipefail
build="$1"
ours="$build/ui/sigcfg"
peer="$build/bench/minimal_window"
timer="$build/bench/map_timer"
if [ ! -x "$ours" ] || [ ! -x "$peer" ]; then
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
# Interleaved rounds, so both see the same machine.
o=(); p=()
for _ in 1 2 3; do
    o+=("$("$timer" 7 "$ours")")
    p+=("$("$timer" 7 "$peer")")
done
median() { printf '%s\n' "$@" | awk '{print $1}' | sort -n | sed -n 2p; }
om="$(median "${o[@]}")"; pm="$(median "${p[@]}")"
echo "first map, exec to MapNotify (median of 3 x 7 starts):"
echo "  sigcfg             $om ms"
echo "  bare QMainWindow   $pm ms"
awk -v a="$om" -v b="$pm" 'BEGIN { printf "  sigcfg / bare: %.2fx\n", a / b }'
