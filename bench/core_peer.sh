#!/usr/bin/env bash
# Peer comparison for the project file load: the maximal project file that bench_core loads is
# read by Python's configparser, and both times are printed from the same run.
# Usage: bash bench/core_peer.sh <bench build folder>
set -euo pipefail
build="$1"
here="$(cd "$(dirname "$0")" && pwd)"
bench="$build/bench/bench_core"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

SIG_BENCH_PROJECT_FILE="$work/maximal.vlpj" "$bench"
"$bench" --benchmark_filter='^BM_LoadProjectFile$' --benchmark_repetitions=5 \
    --benchmark_format=json >"$work/ours.json"
ours_us="$(python3 -c '
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}
print(min(r["cpu_time"] * scale[r["time_unit"]] for r in runs if r.get("run_type") == "iteration"))
' "$work/ours.json")"
python3 "$here/core_peer.py" "$work/maximal.vlpj" "$ours_us"
