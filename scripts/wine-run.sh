#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix (created on first use).
set -euo pipefail
export WINEPREFIX="${WINEPREFIX:-/tmp/pelorane-wine}"
# Quiet, except for a program that cannot be loaded at all.
export WINEDEBUG="${WINEDEBUG:--all,err+module}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# PELORANE_WINE_DPI: the screen's DPI in this prefix (Wine reads "LogPixels" when a program starts).
# Use a prefix of its own for each DPI, so that no prefix changes between runs. (A new prefix is
# made by this first run of wine; the set-up below still runs once.)
dpi="${PELORANE_WINE_DPI:-}"
if [ -n "$dpi" ] && [ "$(cat "$WINEPREFIX/.pelorane-dpi" 2>/dev/null)" != "$dpi" ]; then
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -w 2>/dev/null || true
  echo "$dpi" > "$WINEPREFIX/.pelorane-dpi"
fi
# Bumped whenever the set-up below changes, so that existing prefixes get it too.
setup_version=2
if [ "$(cat "$WINEPREFIX/.pelorane-ready" 2>/dev/null)" != "$setup_version" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  # The dialogs ask for "ＭＳ Ｐゴシック"; map it to the installed IPA font so Japanese shows
  # whatever the locale. The .reg file is UTF-16, as regedit expects for non-ASCII names.
  # The in-process dialog tests open and close dozens of dialogs; on a display without a window
  # manager Wine waits two seconds for one each time a managed window goes, so Wine frames their
  # windows itself ("Managed"="N" for that program only).
  reg="$WINEPREFIX/pelorane-setup.reg"
  python3 - "$reg" <<'PY'
import sys
text = ("Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"
        "\"\uff2d\uff33 \uff30\u30b4\u30b7\u30c3\u30af\"=\"IPAPGothic\"\r\n"
        "\"\uff2d\uff33 \u30b4\u30b7\u30c3\u30af\"=\"IPAGothic\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\settings_dialog_tests.exe\\X11 Driver]\r\n"
        "\"Managed\"=\"N\"\r\n")
open(sys.argv[1], "wb").write(b"\xff\xfe" + text.encode("utf-16-le"))
PY
  wine regedit /S "$reg" >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
  echo "$setup_version" > "$WINEPREFIX/.pelorane-ready"
fi
# Wine's own messages are off (WINEDEBUG), so say at least how a failing program ended
# (unless the caller explains the status itself, as the demo does: Pelorane ends with 2 normally).
status=0
wine "$@" || status=$?
if [ "$status" -ne 0 ] && [ -z "${PELORANE_CALLER_EXPLAINS_STATUS:-}" ]; then
  echo "wine-run: $(basename "$1") ended with status $status (prefix $WINEPREFIX, LANG=${LANG:-unset})" >&2
fi
exit "$status"
