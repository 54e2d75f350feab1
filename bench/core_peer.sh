#!/usr/bin/env bash
# Peer comparison for a whole conversion of the largest project file (the maximal project that
# bench_core writes): our tool against Python's configparser, both loading and saving, in one run.
# Usage: bash bench/core_peer.sh <bench build folder>
set -euo pipefail
build="$1"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

SIG_BENCH_PROJECT_FILE="$work/maximal.vlpj" "$build/bench/bench_core" --benchmark_filter=none >/dev/null
python3 "$here/core_peer.py" "$build/sigcfg-tool" "$work/maximal.vlpj" "$work" "$build/bench/file_floor"
