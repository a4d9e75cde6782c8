#!/usr/bin/env bash
# Builds Penvo and runs every test: the unit and end-to-end tests, the same unit tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, the unit tests built for Windows and run under
# Wine against the Windows functions, and a short run of each fuzzer.
# Installs what is missing first. Ends with one line: "tests: N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."

passed=0
failed=0
digest=""
stage_failed() { echo "test: FAILED: $1"; failed=$((failed + 1)); digest+="stage $1"$'\n'; }

# Keeps where each failed GoogleTest case failed, to repeat at the end: a long run's log is
# often seen only by its first and last lines.
note_failures() {
  local dir=$1 out=$2 found
  found=$(grep -E -A4 ': Failure$|\*\*\*(Timeout|Exception)|^\[  FAILED  \] [A-Za-z_0-9/.]+ \(' <<<"$out" | grep -v '^--$' |
          head -n 60)
  [[ -n "$found" ]] && digest+="in $dir:"$'\n'"$found"$'\n'
}

# Runs CTest in a build tree and adds its counts to the totals.
run_ctest() {
  local dir=$1 out
  shift
  out=$(cd "$dir" && ctest --output-on-failure "$@" 2>&1)
  local status=$?
  echo "$out" | tail -n 40
  ((status != 0)) && note_failures "$dir" "$out"
  local summary
  summary=$(echo "$out" | grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' | tail -1)
  if [[ -z "$summary" ]]; then
    stage_failed "ctest in $dir printed no summary"
    return
  fi
  local bad total
  bad=$(echo "$summary" | sed -E 's/.*, ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
  total=$(echo "$summary" | sed -E 's/.*, ([0-9]+) tests? failed out of ([0-9]+).*/\2/')
  passed=$((passed + total - bad))
  failed=$((failed + bad))
  if ((status != 0 && bad == 0)); then stage_failed "ctest in $dir"; fi
}

scripts/deps.sh test || { echo "test: could not install the packages"; exit 1; }

echo "== build, unit tests and end-to-end tests"
if scripts/build.sh build; then run_ctest build -LE wine-e2e; else stage_failed "build"; fi

echo "== the same tests under AddressSanitizer and UndefinedBehaviorSanitizer"
if scripts/build.sh build-asan -DPENVO_SANITIZE=ON -DPENVO_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug; then
  # The end-to-end tests run the sanitized program itself: a leak or a fault in it fails them.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp run_ctest build-asan -LE wine-e2e
else
  stage_failed "sanitizer build"
fi

# Runs the Windows build's tests under Wine in a fresh prefix, holding the build lock (Wine is
# as heavy as a build). The Wine server is started first and kept running to the end, and the
# prefix is made before the tests, so that no test program pays for either.
# Usage: run_wine_tests DPI SCREEN [ctest arguments...]
run_wine_tests() {
  local dpi=$1 screen=$2 prefix log start=$SECONDS xvfb_pid display_file
  shift 2
  prefix=$(mktemp -d "${TMPDIR:-/tmp}/penvo-wine.XXXXXX")
  log=$(mktemp)
  exec 9>"${PENVO_BUILD_LOCK:-/tmp/penvo-build.lock}"
  flock 9
  echo "windows: waited $((SECONDS - start)) s for the build lock"
  start=$SECONDS
  export WINEPREFIX=$prefix
  # The widget tests' windows go to an X display of their own, there before the prefix is
  # made: Wine's desktop process keeps the display it starts with.
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$display_file" 2>>"$log" &
  xvfb_pid=$!
  for _ in $(seq 50); do [[ -s $display_file ]] && break; sleep 0.1; done
  export PENVO_WINE_DISPLAY=:$(head -n1 "$display_file")
  if wineserver -p60 >>"$log" 2>&1 && scripts/wine-run.sh wineboot --init >>"$log" 2>&1; then
    echo "windows: Wine prefix made in $((SECONDS - start)) s"
    # No window manager on that display: Wine must not wait for one at every show.
    scripts/wine-run.sh reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$log" 2>&1
    if ((dpi != 96)); then
      # The desktop's scale, read by each program as it starts; Wine's desktop process, made
      # with the prefix, goes, so that none of the prefix's processes keeps the old one.
      scripts/wine-run.sh reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
        /d "$dpi" /f >>"$log" 2>&1
      wineserver -k 2>/dev/null
      wineserver -w 2>/dev/null
      wineserver -p60 >>"$log" 2>&1
    fi
    # Wine ends its desktop process some seconds after the last program that used it; the next
    # program starts another, which holds that program's output open as long as it lingers, and
    # ctest waits for it (up to a minute a program). A program that waits for a key all stage
    # long keeps the desktop up; a short program run to its end (it reads the scale back, which
    # at 96 DPI is not set) makes sure the desktop is up before the first test.
    mkfifo "$prefix/keeper"
    scripts/wine-run.sh cmd /c pause <>"$prefix/keeper" >>"$log" 2>&1 &
    scripts/wine-run.sh reg query 'HKCU\Control Panel\Desktop' /v LogPixels >>"$log" 2>&1
    run_ctest build-win "$@"
  else
    tail -n 20 "$log"
    stage_failed "Wine prefix"
  fi
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  unset WINEPREFIX PENVO_WINE_DISPLAY
  flock -u 9
  exec 9>&-
  rm -rf "$prefix" "$log" "$display_file"
  echo "windows: Wine stage at $dpi DPI (prefix, tests, shutdown) took $((SECONDS - start)) s"
}

echo "== Windows build (mingw-w64) and unit tests under Wine"
start=$SECONDS
if scripts/build.sh build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
     -DPENVO_BENCH=OFF; then
  echo "windows: cross build took $((SECONDS - start)) s"
  run_wine_tests 96 1280x1024x24
  echo "== the Windows widget tests on a desktop at 200 %"
  # Twice the pixels, so that the desktop keeps 1280x1024 of the forms' own pixels.
  run_wine_tests 192 2560x2048x24 -L widget
  echo "== the Windows program under Wine, driven like the Linux one (end-to-end)"
  start=$SECONDS
  PENVO_REQUIRE_WINDOWS_PROGRAM=1 run_ctest build -L wine-e2e
  echo "windows: end-to-end tests took $((SECONDS - start)) s"
else
  stage_failed "Windows build"
fi

# Counts the "package: NAME ok|FAILED" lines of the packaging checks.
count_package_checks() {
  local out=$1
  passed=$((passed + $(grep -cE '^package: .* ok$' <<<"$out")))
  failed=$((failed + $(grep -cE '^package: .* FAILED$' <<<"$out")))
}

echo "== packages: the Debian package (built, checked, installed and removed) and the Windows zip"
if out=$(scripts/package.sh 2>&1); then
  echo "$out" | tail -n 5
  out=$(scripts/check-package.sh 2>&1)
  echo "$out" | tail -n 30
  count_package_checks "$out"
else
  echo "$out" | tail -n 30
  stage_failed "package build"
fi

if command -v clang++ >/dev/null; then
  echo "== fuzzers (20 s each)"
  if scripts/build.sh build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DPENVO_FUZZ=ON -DPENVO_TESTS=OFF \
       -DPENVO_BENCH=OFF -DPENVO_WITH_TOOLKIT=OFF; then
    for fuzzer in build-fuzz/tests/fuzz/fuzz_*; do
      name=$(basename "$fuzzer")
      corpus=$(mktemp -d)
      log=$(mktemp)
      cp tests/fuzz/corpus/"${name#fuzz_}"/* "$corpus"/ 2>/dev/null || true
      if (cd "$corpus" && "$OLDPWD/$fuzzer" -max_total_time=20 "$corpus" >"$log" 2>&1); then
        echo "fuzz: $name ok"
        passed=$((passed + 1))
      else
        tail -n 30 "$log"
        stage_failed "fuzzer $name"
      fi
      rm -rf "$corpus" "$log"
    done
  else
    stage_failed "fuzz build"
  fi
fi

if [[ -n "$digest" ]]; then
  echo "== what failed"
  echo -n "$digest"
fi
echo "tests: $passed passed, $failed failed"
((failed == 0))
