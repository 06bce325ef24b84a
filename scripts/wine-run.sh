#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix (created on first use).
set -euo pipefail
export WINEPREFIX="${WINEPREFIX:-/tmp/pelorane-wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
fi
exec wine "$@"
