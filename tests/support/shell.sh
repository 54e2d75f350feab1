# What every shell test shares: a scratch folder removed at exit, a failure count, the checks,
# and the closing verdict. Source it after `set -uo pipefail`; call `finish NAME` at the end.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_eq() { [ "$1" == "$2" ] || fail "$3: expected [$2], got [$1]"; }
# expect_has TEXT PART WHAT: PART is a fixed string.
expect_has() { grep -qF -- "$2" <<<"$1" || fail "$3: [$2] not in output:"$'\n'"$1"; }

# Windows-1251 with CR LF, as the project file of an older installation.
to_windows() { iconv -f UTF-8 -t CP1251 | sed 's/$/\r/'; }

# tone_wav FILE SECONDS: a mono tone at 8 kHz peaking at 6000 of 32767 (-14.7 dBFS), as a WAV file.
tone_wav() {
    python3 - "$1" "$2" <<'EOF_PY'
import math, struct, sys, wave
w = wave.open(sys.argv[1], "wb")
w.setnchannels(1); w.setsampwidth(2); w.setframerate(8000)
w.writeframes(b"".join(struct.pack("<h", int(6000 * math.sin(i / 3.0))) for i in range(int(sys.argv[2]) * 8000)))
w.close()
EOF_PY
}

# finish NAME: the exit status and the closing line of the test.
finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$1: $failures failure(s)"
        exit 1
    fi
    echo "$1: all passed"
    exit 0
}
