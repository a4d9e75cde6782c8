#!/usr/bin/env bash
# Memory of the running program (resident set, MB) on a virtual display of each size: at idle
# after it came up, after a stroke and an undo, and after a redo and a clear. Each figure is
# the median of RUNS starts. Usage: bench/memory.sh PROGRAM [RUNS] [SIZES...]
#   e.g. bench/memory.sh build/penvo 5 1920x1080 3840x2160
set -uo pipefail
program=$(realpath "$1")
runs=${2:-5}
shift 2 || shift $#
sizes=("${@:-1920x1080 3840x2160}")
[[ ${#sizes[@]} -eq 1 ]] && read -ra sizes <<<"${sizes[0]}"

rss() { awk '/^VmRSS/ {printf "%.0f", $2 / 1024}' "/proc/$1/status"; }
median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
# The program has handled everything sent so far once its window has the keyboard again.
settle() {
  for _ in $(seq 100); do
    [[ $(xdotool getwindowfocus 2>/dev/null) == "$1" ]] && break
    sleep 0.05
  done
  sleep 0.5
}

one_run() {  # one_run WIDTHxHEIGHT: prints "idle undo clear"
  local size=$1 home disp pid wm xvfb window w h
  home=$(mktemp -d)
  exec 5> >(:)
  Xvfb -displayfd 6 -screen 0 "${size}x24" -nolisten tcp 6>"$home/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 100); do [[ -s $home/display ]] && break; sleep 0.05; done
  export DISPLAY=:$(cat "$home/display")
  HOME=$home openbox >/dev/null 2>&1 &
  wm=$!
  sleep 0.5
  HOME=$home XDG_CONFIG_HOME=$home/.config QINI_REGISTRY_DIR=$home/registry "$program" \
    >/dev/null 2>&1 &
  pid=$!
  window=$(xdotool search --sync --class TFormPenvo 2>/dev/null | head -1)
  settle "$window"
  local idle undo clear
  idle=$(rss "$pid")
  w=${size%x*} h=${size#*x}
  xdotool mousemove $((w / 4)) $((h / 2)) mousedown 1 mousemove $((w / 2)) $((h / 2)) \
    mousemove $((3 * w / 4)) $((h / 3)) mouseup 1
  xdotool key BackSpace
  settle "$window"
  undo=$(rss "$pid")
  xdotool key ctrl+BackSpace key c
  settle "$window"
  clear=$(rss "$pid")
  echo "$idle $undo $clear"
  kill "$pid" "$wm" "$xvfb" 2>/dev/null
  wait "$pid" "$wm" "$xvfb" 2>/dev/null
  rm -rf "$home"
}

for size in "${sizes[@]}"; do
  results=$(for _ in $(seq "$runs"); do one_run "$size"; done)
  idle=$(awk '{print $1}' <<<"$results" | median)
  undo=$(awk '{print $2}' <<<"$results" | median)
  clear=$(awk '{print $3}' <<<"$results" | median)
  echo "$size: idle $idle MB, after an undo $undo MB, after a redo and a clear $clear MB (median of $runs)"
done
