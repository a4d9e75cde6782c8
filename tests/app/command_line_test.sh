#!/usr/bin/env bash
# The built program answers --version and --help without a display, exits 0, and touches
# neither the settings nor the single-instance files.
# Usage: command_line_test.sh PROGRAM VERSION
set -uo pipefail
program=$1
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/home" "$scratch/tmp"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

run() {
  (cd "$scratch" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_CONFIG_HOME \
     -u QINI_REGISTRY_DIR HOME="$scratch/home" TMPDIR="$scratch/tmp" "$program" "$@")
}

out=$(run --version 2>"$scratch/err")
status=$?
[[ $status -eq 0 ]] || fail "--version exited with $status: $(cat "$scratch/err")"
[[ "$(head -n 1 <<<"$out")" == "penvo $version" ]] ||
  fail "--version printed '$out', not 'penvo $version' first"
grep -q "MIT licence" <<<"$out" || fail "--version does not name the licence: '$out'"

out=$(run --ignored --help --version 2>"$scratch/err")
status=$?
[[ $status -eq 0 ]] || fail "--help exited with $status: $(cat "$scratch/err")"
[[ "$(head -n 1 <<<"$out")" == "Usage: penvo [--help | --version]" ]] ||
  fail "--help began with '$(head -n 1 <<<"$out")'"
for text in "Ctrl+S" "Ctrl+C" "F1" "HKEY_CURRENT_USER/software/Ruvi/penvo/" \
            "Help page: $(dirname "$program")/penvo.html"; do
  grep -qF -- "$text" <<<"$out" || fail "--help does not tell '$text'"
done
[[ -s "$scratch/err" ]] && fail "--help wrote to stderr: $(cat "$scratch/err")"

left=$(cd "$scratch" && find home tmp -mindepth 1)
[[ -z "$left" ]] || fail "the answers left files behind: $left"
((failures == 0)) && echo "command line: ok"
((failures == 0))
