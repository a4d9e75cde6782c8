#!/usr/bin/env bash
# Builds the Debian package dist/penvo_<version>_amd64.deb from a Release tree of its own
# (build-pkg, without tests and benchmarks), and, when the Windows program build-win/penvo.exe
# has been built, dist/penvo-<version>-win64.zip with it and its help page.
# Usage: scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh package

# Debian's hardening flags, all of them (bindnow too), as a Debian build would use them. They
# are read when build-pkg is first configured.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! scripts/build.sh build-pkg -DCMAKE_BUILD_TYPE=Release -DPENVO_TESTS=OFF -DPENVO_BENCH=OFF \
       -DPENVO_DEBIAN_PACKAGE=ON >"$log" 2>&1; then
  tail -n 40 "$log"
  echo "package: the build in build-pkg failed"
  exit 1
fi

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-pkg/CMakeCache.txt)
arch=$(dpkg --print-architecture)
mkdir -p dist
rm -f "dist/penvo_${version}_${arch}.deb"
# Files are owned by root in the package whoever builds it; umask 022 keeps them 0644/0755.
(umask 022 && cd build-pkg && cpack -G DEB >cpack.log 2>&1) || { tail -n 30 build-pkg/cpack.log; exit 1; }
mv "build-pkg/penvo_${version}_${arch}.deb" dist/
echo "package: dist/penvo_${version}_${arch}.deb ($(stat -c %s "dist/penvo_${version}_${arch}.deb") bytes)"

zip="dist/penvo-${version}-win64.zip"
if [[ -f build-win/penvo.exe ]]; then
  stage=$(mktemp -d)
  trap 'rm -rf "$stage" "$log"' EXIT
  cp build-win/penvo.exe docs/penvo.html "$stage"/
  cp LICENSE "$stage/LICENSE.txt"
  # The build keeps its debugging information; the program people download does without.
  if command -v x86_64-w64-mingw32-strip >/dev/null; then x86_64-w64-mingw32-strip "$stage/penvo.exe"; fi
  rm -f "$zip"
  (cd "$stage" && cmake -E tar cf "$OLDPWD/$zip" --format=zip penvo.exe penvo.html LICENSE.txt)
  echo "package: $zip ($(stat -c %s "$zip") bytes)"
else
  echo "package: no build-win/penvo.exe yet, so no $zip"
fi
