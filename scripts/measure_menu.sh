#!/usr/bin/env bash
# Start-up and main-menu figures of an optimised build: the time from start to the main menu's
# first showing (several runs) with the processor time the process spent until then and its
# resident memory at that moment, then 10 s of the main menu: the whole process's processor time
# as a share of one core (every thread, the OpenGL rasteriser's included), per frame shown (frames
# counted by scripts/frame_counter.c on the buffer swap), and its peak resident memory. Each figure
# is printed with the machine's one-minute load average.
#
#   xvfb-run -a -s "-screen 0 1280x1024x24" scripts/measure_menu.sh build-rel [runs]
#
# The game starts in a fresh home folder (no profile: the name entry shows over the menu), without
# the splash, with audio on the dummy driver; the last run has a player's profile in it, so the
# menu shows alone. Only the processes it starts are stopped, by pid.
set -u
B=$(realpath "$1")
N=${2:-5}
H=$(mktemp -d)
trap 'rm -rf "$H"' EXIT
HZ=$(getconf CLK_TCK)
PRELOAD=
if cc -O2 -shared -fPIC -o "$H/frame_counter.so" "$(dirname "$0")/frame_counter.c" -ldl 2>/dev/null; then
  PRELOAD=$H/frame_counter.so
fi
load() { cut -d' ' -f1 /proc/loadavg; }
cpu() { awk '{print $14 + $15}' "/proc/$PID/stat"; }
frames() { [ -s "$H/frames" ] && od -An -tu8 -N8 "$H/frames" | tr -d ' ' || echo 0; }
start() {
  mkdir -p "$H/home"
  rm -f "$H/frames"
  (cd "$H" && HOME=$H/home XDG_DATA_HOME=$H/home SDL_AUDIODRIVER=dummy engineroot=$B/home \
     QV_FRAME_COUNT_FILE=$H/frames LD_PRELOAD=$PRELOAD \
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
  c=$(cpu)
  rss=$(awk '/VmRSS/ {print $2}' "/proc/$PID/status")
  printf 'start %i: %.2f s, %.2f s of processor, %i MB resident (load %s)\n' "$i" "$(echo "$e - $s" | bc)" \
    "$(echo "$c / $HZ" | bc -l)" "$((rss / 1024))" "$(load)"
  stop
  sleep 1
done

# 10 s of the main menu: first as a new player meets it (the name entry over it), then as a
# returning player does (a profile on disk, nothing over the menu).
menu() {
  start
  sleep 3
  l0=$(load)
  t0=$(cpu); f0=$(frames); s0=$(date +%s.%N)
  sleep 10
  t1=$(cpu); f1=$(frames); s1=$(date +%s.%N)
  rss=$(awk '/VmHWM/ {print $2}' "/proc/$PID/status")
  per=n/a
  [ "$f1" -gt "$f0" ] && per=$(printf '%.1f ms a frame over %i frames' "$(echo "($t1 - $t0) * 1000 / $HZ / ($f1 - $f0)" | bc -l)" "$((f1 - f0))")
  printf '%s: %.1f %% of one core, %s, peak RSS %i MB (load %s -> %s)\n' "$1" \
    "$(echo "($t1 - $t0) / $HZ / ($s1 - $s0) * 100" | bc -l)" "$per" "$((rss / 1024))" "$l0" "$(load)"
  stop
}
menu "menu, new player"
player() {
  mkdir -p "$H/home/Brannoch/quorvane/profiles/profile_0"
  echo "profile.name = Ann" > "$H/home/Brannoch/quorvane/profiles/profile_0/profile.txt"
}
rm -rf "$H/home"; mkdir -p "$H/home"; player
# start() makes the home only when it is missing, so the profile stays for this run.
menu "menu, returning player"
