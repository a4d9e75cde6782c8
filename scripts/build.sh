#!/usr/bin/env bash
# Configures (once) and builds one build tree. Usage: scripts/build.sh DIR [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
if [[ ! -f "$dir/build.ninja" ]]; then
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
fi
# One build at a time on this machine: parallel trees (a developer's and a helper's) take turns.
lock=${PENVO_BUILD_LOCK:-/tmp/penvo-build.lock}
if command -v flock >/dev/null; then
  flock "$lock" cmake --build "$dir" -- -j"$(nproc)"
else
  cmake --build "$dir" -- -j"$(nproc)"
fi
