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
# Sets number, or leaves it empty when this Xvfb ended or gave none.
start_xvfb() {
  number=""
  : >"$scratch/display"
  Xvfb -displayfd 3 -screen 0 "${WITH_DISPLAY_SCREEN:-1024x768x24}" -nolisten tcp -noreset \
    3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 300); do
    if grep -q '^[0-9][0-9]*$' "$scratch/display" 2>/dev/null; then
      number="$(tr -dc '0-9' < "$scratch/display")"
      return
    fi
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then
      wait "$xvfb_pid" 2>/dev/null || true
      xvfb_pid=""
      return
    fi
    sleep 0.05
  done
}

# A display number can be taken between Xvfb's choice and its claim (another test starting one at
# the same moment): try a few times before giving up.
for attempt in 1 2 3; do
  start_xvfb
  [ -n "$number" ] && break
  echo "with-display: Xvfb did not start (attempt $attempt):" >&2
  cat "$scratch/xvfb.log" >&2
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
  sleep 1
done
if [ -z "$number" ]; then
  echo "with-display: no display" >&2
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
