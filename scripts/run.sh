#!/usr/bin/env bash
# Builds Penvo (installing what is missing) and starts it: build/penvo, with its help file
# build/penvo.html beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
scripts/build.sh build
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "run: built build/penvo; it needs a desktop (no DISPLAY is set here), so it is not started."
  exit 0
fi
exec build/penvo
