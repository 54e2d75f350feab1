#!/usr/bin/env bash
# Peer comparison for the worst check report written into a file: `sigcfg-tool check` of the
# project with the most clashes against `cat` of the same report bytes into a file of the same
# folder, in one run. cat copies with copy_file_range, the kernel's own copy: that is the floor.
# Usage: bash bench/check_peer.sh <build folder> [rounds]   (the folder of $TMPDIR is the one written)
set -euo pipefail
build="$1"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
python3 "$here/check_peer.py" "$build/sigcfg-tool" "$work" "${2:-9}"
