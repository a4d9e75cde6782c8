#!/usr/bin/env bash
# Installs the Debian packages that Penvo's build and tests need; only the missing ones, so a
# second run does nothing. Usage: scripts/deps.sh build|test|windows|package
set -euo pipefail

build_pkgs=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins
            libgtest-dev libgmock-dev libbenchmark-dev libx11-dev libxcb1-dev libxcb-shm0-dev libxtst-dev)
# The end-to-end tests drive the real program on a virtual X display with a window manager;
# clang builds the fuzzers; xclip reads the clipboard as another program would; xrandr and
# xrdb make several monitors and a desktop scale; Wine reads several monitors through Xinerama,
# whose library it loads only when it is there (Wine merely recommends it).
# The Wayland end-to-end tests run a headless sway with XWayland, its screenshot portal (the
# portal's screenshots of 1.16 need an access backend: -gtk) and PipeWire (the wlr backend ends
# without it), read the screen with grim and give input through a virtual pointer and keyboard
# of their own (built against libwayland and xkbcommon); Qt shows windows natively through
# qt6-wayland. They run a headless GNOME Shell too, with the portal's GNOME backend.
test_pkgs=(xvfb xdotool openbox x11-xserver-utils clang xclip libxinerama1
           sway swaybg grim xwayland dbus xdg-desktop-portal xdg-desktop-portal-wlr
           xdg-desktop-portal-gtk pipewire qt6-wayland libwayland-dev libxkbcommon-dev
           gnome-shell xdg-desktop-portal-gnome)
# The Debian package: CPack's dependency search (dpkg-shlibdeps, file) and the checks of
# scripts/check-package.sh.
package_pkgs=(dpkg-dev file lintian desktop-file-utils appstream)
# The Windows build: the mingw-w64 cross compiler, GoogleTest's sources to build with it, and
# Wine (64-bit) to run its tests.
windows_pkgs=(cmake ninja-build g++-mingw-w64-x86-64-posix googletest wine wine64)

case "${1:-build}" in
  build) wanted=("${build_pkgs[@]}") ;;
  test) wanted=("${build_pkgs[@]}" "${test_pkgs[@]}" "${windows_pkgs[@]}" "${package_pkgs[@]}") ;;
  windows) wanted=("${windows_pkgs[@]}") ;;
  package) wanted=("${build_pkgs[@]}" "${package_pkgs[@]}") ;;
  *) echo "usage: $0 build|test|windows|package" >&2; exit 2 ;;
esac

missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
# An installed package whose files were taken away (a slimmed image drops /usr/src) is put back.
reinstall=()
if [[ " ${wanted[*]} " == *" googletest "* && ! " ${missing[*]} " == *" googletest "* &&
      ! -f /usr/src/googletest/CMakeLists.txt ]]; then
  reinstall+=(googletest)
fi
((${#missing[@]} == 0 && ${#reinstall[@]} == 0)) && exit 0

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
if ((${#missing[@]} > 0)); then
  echo "deps: installing ${missing[*]}"
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if ((${#reinstall[@]} > 0)); then
  echo "deps: reinstalling ${reinstall[*]}"
  "${sudo[@]}" apt-get install -y -qq --reinstall "${reinstall[@]}" >/dev/null
fi
