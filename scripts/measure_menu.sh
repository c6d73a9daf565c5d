#!/usr/bin/env bash
# Start-up and main-menu figures of an optimised build: the time from start to the main menu's
# first showing (several runs), then 10 s of the main menu: the whole process's processor time as
# a share of one core (every thread, the OpenGL rasteriser's included) and its peak resident
# memory. Each figure is printed with the machine's one-minute load average.
#
#   xvfb-run -a -s "-screen 0 1280x1024x24" scripts/measure_menu.sh build-rel [runs]
#
# The game starts in a fresh home folder (no profile: the name entry shows over the menu), without
# the splash, with audio on the dummy driver. Only the processes it starts are stopped, by pid.
set -u
B=$(realpath "$1")
N=${2:-5}
H=$(mktemp -d)
trap 'rm -rf "$H"' EXIT
load() { cut -d' ' -f1 /proc/loadavg; }
start() {
  mkdir -p "$H/home"
  (cd "$H" && HOME=$H/home XDG_DATA_HOME=$H/home SDL_AUDIODRIVER=dummy engineroot=$B/home \
     exec "$B/quorvane" --zelk.splashscreen=0 --engine.pauseonblur=0 > "$H/out.txt" 2>&1) &
  PID=$!
}
stop() { kill "$PID" 2>/dev/null; wait "$PID" 2>/dev/null; rm -rf "$H/home"; }

for i in $(seq 1 "$N"); do
  rm -f "$H/out.txt"
  s=$(date +%s.%N)
  start
  for _ in $(seq 1 1500); do grep -q "Main menu: shown" "$H/out.txt" 2>/dev/null && break; sleep 0.01; done
  e=$(date +%s.%N)
  printf 'start %i: %.2f s (load %s)\n' "$i" "$(echo "$e - $s" | bc)" "$(load)"
  stop
  sleep 1
done

start
sleep 3
l0=$(load)
t0=$(awk '{print $14 + $15}' "/proc/$PID/stat"); s0=$(date +%s.%N)
sleep 10
t1=$(awk '{print $14 + $15}' "/proc/$PID/stat"); s1=$(date +%s.%N)
rss=$(awk '/VmHWM/ {print $2}' "/proc/$PID/status")
printf 'menu: %.1f %% of one core, peak RSS %i MB (load %s -> %s)\n' \
  "$(echo "($t1 - $t0) / $(getconf CLK_TCK) / ($s1 - $s0) * 100" | bc -l)" "$((rss / 1024))" "$l0" "$(load)"
stop
