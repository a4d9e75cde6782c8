#!/usr/bin/env bash
# Builds Penvo (installing what is missing) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
scripts/build.sh build
if [[ -x build/penvo ]]; then
  exec build/penvo
fi
echo "run: the program is not built yet; ready: the foundation libraries (build/util,"
echo "     build/controls, build/platform), their tests (build/tests) and benchmarks (build/bench)."
