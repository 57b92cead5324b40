#!/usr/bin/env bash
# Builds the clock tool and starts it.
#   ./run.sh                the Linux build, on this display; without a display it runs
#                           under a private Xvfb, saves build/screenshot.png and stops it
#   ./run.sh --allow-clock  the same, but as root the program keeps the right to set the
#                           clock (without it, root runs the program with CAP_SYS_TIME dropped)
#   ./run.sh windows        the Windows build (tools/run-windows)
set -euo pipefail
cd "$(dirname "$0")"

usage() { echo "usage: ./run.sh [--allow-clock] | ./run.sh windows [ARGS...]" >&2; }

allow_clock=0
case "${1:-}" in
  windows)
    shift
    if [ -x tools/run-windows ]; then exec tools/run-windows "$@"; fi
    echo "run.sh: the Windows build is not available yet" >&2
    exit 1 ;;
  --allow-clock) allow_clock=1; shift ;;
  "") ;;
  *) usage; exit 2 ;;
esac
[ $# -eq 0 ] || { usage; exit 2; }

tools/install-deps
mkdir -p build
cmake --preset linux >build/linux-configure.log 2>&1 || { cat build/linux-configure.log; exit 1; }
cmake --build --preset linux --target clocktool ole32_standin wininet_standin >build/linux-build.log 2>&1 ||
  { tail -n 60 build/linux-build.log; exit 1; }
program=$PWD/build/linux/bin/clocktool

# The command that starts the program. As root, unless --allow-clock: setpriv drops
# CAP_SYS_TIME, and a shell checks that bit 25 is clear in CapBnd and CapEff before it
# execs the program; if it is not, the program does not start (fail closed). Each step
# execs the next, so the PID of the started command is the program's.
guard='for set in CapBnd CapEff; do
  hex=$(sed -n "s/^$set:[[:space:]]*//p" /proc/self/status)
  [ -n "$hex" ] || { echo "run.sh: cannot read $set; not starting the program" >&2; exit 1; }
  if [ $(( (0x$hex >> 25) & 1 )) -ne 0 ]; then
    echo "run.sh: CAP_SYS_TIME still held ($set=$hex); not starting the program" >&2; exit 1
  fi
done
exec "$@"'
if [ "$(id -u)" -eq 0 ] && [ "$allow_clock" -eq 0 ]; then
  start=(setpriv --bounding-set=-sys_time --inh-caps=-sys_time -- /bin/sh -c "$guard" run.sh "$program")
else
  start=("$program")
fi

if [ -n "${DISPLAY:-}" ]; then
  exec "${start[@]}"
fi

# No display: a private Xvfb (-displayfd picks a free display), a screenshot, then stop.
work=$(mktemp -d)
xvfb_pid= app_pid=
cleanup() {
  local status=$?
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null; wait "$app_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && grep -q . "$work/display" && break
  kill -0 "$xvfb_pid" 2>/dev/null || { echo "run.sh: Xvfb did not start" >&2; exit 1; }
  sleep 0.1
done
[ -s "$work/display" ] || { echo "run.sh: Xvfb did not report its display" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"
echo "run.sh: no display; running the program under Xvfb on $DISPLAY"

"${start[@]}" &
app_pid=$!
window=
for _ in $(seq 100); do
  kill -0 "$app_pid" 2>/dev/null || { wait "$app_pid"; echo "run.sh: the program ended with $?" >&2; app_pid=; exit 1; }
  window=$(xdotool search --onlyvisible --name '^BrindlecoveOsk_Velmar$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "run.sh: the window did not appear" >&2; exit 1; }
sleep 0.5   # let it paint
import -window root build/screenshot.png
echo "run.sh: the window is up; screenshot saved to build/screenshot.png; stopping the program"
