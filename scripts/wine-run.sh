#!/usr/bin/env bash
# Runs a Windows program under Wine (64-bit) and passes on its exit code; ctest in a Windows
# build tree calls it for each test program. Usage: scripts/wine-run.sh PROGRAM.exe [ARGS...]
#
# Uses $WINEPREFIX when it is set (scripts/test.sh makes one fresh prefix for the whole run);
# otherwise a fresh prefix in a temporary folder for this one program, removed afterwards.
set -uo pipefail

# Debian's /usr/bin/wine picks the 32-bit loader when it is installed; our programs are 64-bit.
loader=/usr/lib/wine/wine64
[[ -x $loader ]] || loader=$(command -v wine64 || command -v wine)
export WINELOADER=$loader
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono and no Gecko: a fresh prefix would otherwise offer to install them.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# Wine's windows stay off any X display the caller may have; programs that show windows (the
# widget tests) get a display of their own, PENVO_WINE_DISPLAY (an Xvfb that scripts/test.sh
# starts before the prefix is made: Wine's desktop process keeps the display it started with).
if [[ -n ${PENVO_WINE_DISPLAY:-} ]]; then
  export DISPLAY=$PENVO_WINE_DISPLAY
else
  unset DISPLAY
fi
unset WAYLAND_DISPLAY

own_prefix=
if [[ -z ${WINEPREFIX:-} ]]; then
  own_prefix=$(mktemp -d "${TMPDIR:-/tmp}/penvo-wine.XXXXXX")
  export WINEPREFIX=$own_prefix
fi

"$loader" "$@"
status=$?

if [[ -n $own_prefix ]]; then
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  rm -rf "$own_prefix"
fi
exit $status
