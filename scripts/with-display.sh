#!/usr/bin/env bash
# Runs a command with an X display: the caller's when DISPLAY is set, else a private Xvfb on a free
# display number that is stopped (by its PID) when the command has ended. The command's exit status
# is passed on.
#   scripts/with-display.sh COMMAND [ARGS...]
# Environment: WITH_DISPLAY_SCREEN (default 1024x768x24).
set -uo pipefail

if [ "$#" -eq 0 ]; then
  echo "usage: with-display.sh COMMAND [ARGS...]" >&2
  exit 2
fi

if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi

scratch="$(mktemp -d /tmp/with-display.XXXXXX)"
xvfb_pid=""

cleanup() {
  if [ -n "$xvfb_pid" ]; then
    # Wine programs of this run keep a connection to the display until their wineserver has gone:
    # let them finish (bounded) before the display disappears under them.
    # One that is still there after that would outlive its display and break the next run in the
    # same prefix: stop it.
    if command -v wineserver >/dev/null 2>&1; then
      prefix="${WINEPREFIX:-/tmp/pelorane-wine}"
      if ! WINEPREFIX="$prefix" timeout 30 wineserver -w 2>/dev/null; then
        echo "with-display: Wine programs still running after 30 s; stopping the prefix's wineserver" >&2
        WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
      fi
    fi
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# -displayfd: Xvfb picks a free display number itself and writes it once it accepts connections.
: >"$scratch/display"
Xvfb -displayfd 3 -screen 0 "${WITH_DISPLAY_SCREEN:-1024x768x24}" -nolisten tcp -noreset \
  3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
xvfb_pid=$!

number=""
for _ in $(seq 300); do
  number="$(tr -dc '0-9' < "$scratch/display" 2>/dev/null || true)"
  if [ -n "$number" ] && grep -q $'\n' "$scratch/display" 2>/dev/null; then
    break
  fi
  if ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "with-display: Xvfb did not start:" >&2
    cat "$scratch/xvfb.log" >&2
    xvfb_pid=""
    exit 1
  fi
  sleep 0.05
done
if [ -z "$number" ]; then
  echo "with-display: Xvfb gave no display number" >&2
  exit 1
fi

export DISPLAY=":$number"
# A wineserver still up from a run without this display (it lingers a few seconds) would hand this
# run's programs a desktop they cannot draw on: wait until it has gone.
if command -v wineserver >/dev/null 2>&1; then
  WINEPREFIX="${WINEPREFIX:-/tmp/pelorane-wine}" timeout 30 wineserver -w 2>/dev/null || true
fi
"$@"
status=$?
exit "$status"
