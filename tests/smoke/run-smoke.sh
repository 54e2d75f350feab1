#!/usr/bin/env bash
# Smoke test of the window program: --help and --version need no display; then start it on a
# private X server of a school laptop's size (1366 x 768), find its main window by caption, check
# that the whole window is on the screen and shows something, close it the way a window manager
# would and expect a clean exit.
# Usage: run-smoke.sh <path of sigcfg>; SIG_SMOKE_SHOT=<file.png> keeps the screenshot.
set -u

SIGCFG=${1:-}
CAPTION='Конфигуратор таймера сигнала'

fail() {
    echo "ui_smoke: FAIL: $*" >&2
    if [ -s "${WORK:-/nonexistent}/sigcfg.log" ]; then
        echo "--- sigcfg output:" >&2
        cat "$WORK/sigcfg.log" >&2
    fi
    exit 1
}

[ -n "$SIGCFG" ] && [ -x "$SIGCFG" ] || fail "no executable given (usage: run-smoke.sh <sigcfg>)"
for tool in Xvfb xdotool xwd python3; do
    command -v "$tool" >/dev/null || fail "$tool is not installed"
done

# Without a display: --help and --version in Russian, a wrong call as one line and exit status 2.
while IFS='|' read -r option status expected; do
    OUT=$(env -u DISPLAY -u WAYLAND_DISPLAY "$SIGCFG" $option 2>&1)
    [ $? -eq "$status" ] || fail "sigcfg $option: exit status other than $status: $OUT"
    [ "$(head -1 <<<"$OUT")" == "$expected" ] || fail "sigcfg $option printed: $OUT"
done <<'EOF_CALLS'
--help|0|Использование: sigcfg [ФАЙЛ]
--version|0|sigcfg 1.4.0.0
--bogus|2|sigcfg: неизвестный параметр «--bogus»; см. sigcfg --help
a b|2|sigcfg: можно открыть только один файл; см. sigcfg --help
EOF_CALLS

WORK=$(mktemp -d)
XVFB_PID=
APP_PID=
cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && wait "$XVFB_PID" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Not blank: the window's pixels in the xwd dump hold at least 16 distinct values (an unpainted
# window is one flat colour). With a second argument the picture is also written as a PNG.
check_shot() {
    python3 - "$@" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
h = struct.unpack(">25I", data[:100])
header_size, width, height, byte_order = h[0], h[4], h[5], h[7]
bpp, bpl, masks, ncolors = h[11], h[12], h[14:17], h[19]
if bpp not in (24, 32) or width == 0 or height == 0:
    sys.exit("unexpected xwd image: %d bits per pixel, %dx%d" % (bpp, width, height))
start = header_size + 12 * ncolors
step = bpp // 8
order = "little" if byte_order == 0 else "big"
rows = [data[start + y * bpl:start + y * bpl + width * step] for y in range(height)]
distinct = set()
for row in rows:
    distinct.update(row[i:i + step] for i in range(0, len(row), step))
if len(sys.argv) > 2 and sys.argv[2]:
    def channel(v, mask):
        shift = (mask & -mask).bit_length() - 1
        return (v & mask) >> shift
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for i in range(0, len(row), step):
            v = int.from_bytes(row[i:i + step], order)
            raw += bytes(channel(v, m) for m in masks)
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b"")
    open(sys.argv[2], "wb").write(png)
print("%dx%d, %d colours" % (width, height, len(distinct)))
sys.exit(0 if len(distinct) >= 16 else 1)
PY
}

# Sends WM_DELETE_WINDOW, the close request of a window manager (the server runs none).
close_window() {
    python3 - "$1" <<'PY'
import ctypes, sys
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]

class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

display = x.XOpenDisplay(None)
if not display:
    sys.exit("cannot open the display")
event = Event()
event.xclient.type = 33  # ClientMessage
event.xclient.window = int(sys.argv[1])
event.xclient.message_type = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
event.xclient.format = 32
event.xclient.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
event.xclient.data[1] = 0  # CurrentTime
if not x.XSendEvent(display, event.xclient.window, 0, 0, ctypes.byref(event)):
    sys.exit("XSendEvent failed")
x.XFlush(display)
x.XCloseDisplay(display)
PY
}

# -displayfd lets the server pick a free display and tells us once it accepts clients, so
# parallel runs never fight over a number.
Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp 3>"$WORK/display" 2>"$WORK/xvfb.log" &
XVFB_PID=$!
for _ in $(seq 1 100); do
    [ -s "$WORK/display" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
    sleep 0.1
done
NUMBER=$(tr -dc '0-9' <"$WORK/display")
[ -n "$NUMBER" ] || fail "Xvfb did not report a display"
export DISPLAY=":$NUMBER" QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
unset WAYLAND_DISPLAY

"$SIGCFG" >"$WORK/sigcfg.log" 2>&1 &
APP_PID=$!

WINDOW=
for _ in $(seq 1 100); do
    WINDOW=$(xdotool search --onlyvisible --name "^${CAPTION}\$" 2>/dev/null | head -n 1)
    [ -n "$WINDOW" ] && break
    if ! kill -0 "$APP_PID" 2>/dev/null; then
        wait "$APP_PID"
        STATUS=$?
        APP_PID=
        fail "sigcfg ended (exit code $STATUS) before its window appeared"
    fi
    sleep 0.2
done
[ -n "$WINDOW" ] || fail "no visible window captioned \"$CAPTION\" appeared"

# The whole window is on the screen: menu bar, pages, log and status bar (the server runs no window
# manager, so the window has no frame).
eval "$(xdotool getwindowgeometry --shell "$WINDOW")"
[ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ $((X + WIDTH)) -le 1366 ] && [ $((Y + HEIGHT)) -le 768 ] ||
    fail "the window ${WIDTH}x${HEIGHT} at $X,$Y does not fit the 1366x768 screen"

# The window is mapped before it is painted: look again for a moment until it shows content.
SHOT_OK=
for _ in $(seq 1 30); do
    if xwd -id "$WINDOW" -silent >"$WORK/window.xwd" 2>/dev/null &&
        check_shot "$WORK/window.xwd" "${SIG_SMOKE_SHOT:-}" >"$WORK/check.log" 2>&1; then
        SHOT_OK=1
        break
    fi
    sleep 0.2
done
[ -n "$SHOT_OK" ] || fail "the window stays blank: $(cat "$WORK/check.log")"

# Painted without an SVG renderer: its icons were drawn at build time, and nothing at start asks
# Qt's image plugins to guess a format.
! grep -qi svg "/proc/$APP_PID/maps" || fail "an SVG renderer was loaded for the first window: $(grep -i svg "/proc/$APP_PID/maps" | awk '{print $6}' | sort -u | tr '\n' ' ')"

# Ask the window to close as a window manager would; an unmodified project asks nothing.
close_window "$WINDOW" || fail "could not send the close request"
STATUS=
for _ in $(seq 1 50); do
    if ! kill -0 "$APP_PID" 2>/dev/null; then
        wait "$APP_PID"
        STATUS=$?
        break
    fi
    sleep 0.2
done
[ -n "$STATUS" ] || fail "sigcfg did not end after the close request"
APP_PID=
[ "$STATUS" -eq 0 ] || fail "sigcfg ended with exit code $STATUS"

echo "ui_smoke: OK: window \"$CAPTION\" ${WIDTH}x${HEIGHT} at $X,$Y shown ($(cat "$WORK/check.log")), closed, exit code 0"
