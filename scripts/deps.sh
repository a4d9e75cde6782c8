#!/usr/bin/env bash
# Installs the Debian packages that Penvo's build and tests need; only the missing ones, so a
# second run does nothing. Usage: scripts/deps.sh build|test
set -euo pipefail

build_pkgs=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins
            libgtest-dev libgmock-dev libbenchmark-dev)
# The end-to-end tests drive the real program on a virtual X display with a window manager;
# clang builds the fuzzers.
test_pkgs=(xvfb xauth xdotool openbox x11-utils x11-apps imagemagick clang)

case "${1:-build}" in
  build) wanted=("${build_pkgs[@]}") ;;
  test) wanted=("${build_pkgs[@]}" "${test_pkgs[@]}") ;;
  *) echo "usage: $0 build|test" >&2; exit 2 ;;
esac

missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
((${#missing[@]} == 0)) && exit 0

echo "deps: installing ${missing[*]}"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
