#!/usr/bin/env bash
# Cross-builds the Windows program on this machine: leaves build-win/penvo.exe (one program,
# linked statically, needing only Windows' own DLLs) and its help page build-win/penvo.html.
# Installs mingw-w64 (and Wine, for the tests) first when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh windows
scripts/build.sh build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DPENVO_BENCH=OFF
ls -l build-win/penvo.exe build-win/penvo.html
