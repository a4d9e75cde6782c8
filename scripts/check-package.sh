#!/usr/bin/env bash
# Checks the Debian package that scripts/package.sh made: lintian, the desktop entry, the
# AppStream metainfo, and a real installation that runs /usr/bin/penvo --version, after which
# the package is removed again. One line per check, "package: NAME ok" or "package: NAME
# FAILED"; the exit status is non-zero when a check failed. Needs root (or sudo) to install.
# Usage: scripts/check-package.sh [PACKAGE.deb]
set -uo pipefail
cd "$(dirname "$0")/.."

failed=0
log=$(mktemp)
extract=$(mktemp -d)
trap 'rm -rf "$log" "$extract"' EXIT
report() {  # report NAME STATUS: prints the line, and the log of a failure
  if (($2 == 0)); then
    echo "package: $1 ok"
  else
    tail -n 30 "$log"
    echo "package: $1 FAILED"
    failed=$((failed + 1))
  fi
}

debs=("${1:-}")
[[ -n "${debs[0]}" ]] || debs=(dist/penvo_*.deb)
deb=${debs[0]}
if [[ ${#debs[@]} -ne 1 || ! -f "$deb" ]]; then
  echo "check-package: no single dist/penvo_*.deb (run scripts/package.sh first)" >&2
  echo "package: deb FAILED"
  exit 1
fi
[[ "$deb" == /* ]] || deb=./$deb  # apt-get takes a file for a package only as a path
version=$(dpkg-deb -f "$deb" Version)
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)

# lintian: errors fail, warnings are shown. Run as root it wants to be told that it may.
lintian --allow-root --fail-on error --tag-display-limit 0 "$deb" >"$log" 2>&1
status=$?
grep -E '^[EW]: ' "$log" | sed 's/^/  /'
report lintian "$status"

dpkg-deb -x "$deb" "$extract"
desktop-file-validate "$extract/usr/share/applications/penvo.desktop" >"$log" 2>&1
status=$?
((status == 0)) && sed 's/^/  /' "$log"  # its hints
report desktop-file-validate "$status"

appstreamcli validate --no-net "$extract"/usr/share/metainfo/*.metainfo.xml >"$log" 2>&1
report appstream "$?"

# Installed for real, with the packages it depends on but without those it only recommends,
# and removed again afterwards together with every package the installation brought in, so
# the machine is left as it was (on a machine with the build's packages there are none).
installed() { dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" {print $2}' | sort; }
was_installed=$(dpkg-query -W -f='${Status}' penvo 2>/dev/null || true)
before=$(installed)
export DEBIAN_FRONTEND=noninteractive
if "${sudo[@]}" apt-get install -y -qq --no-install-recommends "$deb" >"$log" 2>&1; then
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/penvo --version 2>>"$log")
  status=$?
  [[ $status -eq 0 && "$(head -n 1 <<<"$out")" == "penvo $version" && "$out" == *"MIT licence"* ]] ||
    { echo "printed '$out'" >>"$log"; status=1; }
  report install "$status"
  if [[ "$was_installed" == "install ok installed" ]]; then
    echo "check-package: penvo was installed before; it stays installed, now from $deb"
    report remove 0
  else
    mapfile -t added < <(comm -13 <(echo "$before") <(installed))
    ((${#added[@]} > 1)) && echo "check-package: the installation brought in ${added[*]}"
    "${sudo[@]}" apt-get purge -y -qq "${added[@]}" >"$log" 2>&1
    status=$?
    [[ ! -e /usr/bin/penvo && "$(installed)" == "$before" ]] || status=1
    report remove "$status"
  fi
else
  report install 1
fi

((failed == 0))
