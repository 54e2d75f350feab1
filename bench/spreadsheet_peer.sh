#!/usr/bin/env bash
# Runs bench_spreadsheet and its peer, python3-openpyxl doing the same work, in one run, and
# prints both figures with the ratio. $1: the bench build folder.
set -euo pipefail
build="$1"
here="$(cd "$(dirname "$0")" && pwd)"
python=/usr/bin/python3 # the Debian interpreter has python3-openpyxl
[ -x "$python" ] || python=python3
# Both write their files to memory-backed storage, so neither figure is a disk's flush time.
[ -d /dev/shm ] && export TMPDIR=/dev/shm
result="$(mktemp)"
trap 'rm -f "$result"' EXIT
"$build/bench/bench_spreadsheet" --benchmark_out="$result" --benchmark_out_format=json
"$python" "$here/spreadsheet_peer.py" "$result"
