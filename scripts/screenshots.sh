#!/usr/bin/env bash
# Renders every dialog of Pelorane.exe under Wine to PNG files for the documentation: the main
# dialog, the four settings dialogs, the reservation list with its timeline (against the recorder
# simulator, with a few sample reservations, then once more with clashing ones) and the remote control,
# on a 96-DPI screen and again on a 144-DPI one (OUTPUT_DIR/144dpi).
#   scripts/screenshots.sh [BUILD_DIR] [OUTPUT_DIR]
# BUILD_DIR is a Windows build (default build/windows; built here when ui_screenshots.exe is missing),
# OUTPUT_DIR defaults to docs/screenshots. Runs in a Japanese locale on a private Xvfb display with a
# Wine prefix of its own for each DPI (WINEPREFIX, default /tmp/pelorane-screens-wine, and that
# name with "-144dpi").
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build/windows}" 2>/dev/null && pwd || echo "${1:-$here/build/windows}")"
out="${2:-$here/docs/screenshots}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

if [ ! -f "$build/tests/ui/ui_screenshots.exe" ]; then
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --target ui_screenshots
fi
command -v convert >/dev/null || { echo "screenshots: ImageMagick's convert is missing" >&2; exit 1; }

scratch="$(mktemp -d /tmp/pelorane-screens.XXXXXX)"
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# The recorder simulator on a free port, with reservations around today so the timeline has blocks.
python3 "$here/tools/recorder_sim.py" --port 0 --port-file "$scratch/port" >"$scratch/sim.log" 2>&1 </dev/null &
sim_pid=$!
for _ in $(seq 100); do [ -s "$scratch/port" ] && break; sleep 0.05; done
port="$(cat "$scratch/port")"
python3 - "$port" "$scratch" <<'PY'
import datetime, json, sys, urllib.request
port = int(sys.argv[1])
now = datetime.datetime.now()
day = (now - datetime.timedelta(hours=5)).date()   # the broadcast day starts at 5:00
d = lambda n: (day + datetime.timedelta(days=n)).strftime("%Y/%m/%d")
items = [
    {"title": "朝のニュース", "channel": 1, "weekly": "毎月～金", "start": "05:45", "end": "06:30"},
    {"title": "世界の車窓から", "channel": 3, "date": d(0), "start": "21:00", "end": "22:30"},
    {"title": "深夜映画劇場", "channel": 4, "date": d(1), "start": "23:30", "end": "01:45"},
    {"title": "日曜名画座", "channel": 103, "weekly": "毎日曜日", "start": "13:00", "end": "15:00"},
    {"title": "連続ドラマ", "channel": 6, "date": d(3), "start": "20:00", "end": "20:54"},
    {"title": "音楽の時間", "channel": 8, "date": d(5), "start": "09:00", "end": "10:00"},
]
body = json.dumps({"reservations": items}).encode("utf-8")
req = urllib.request.Request("http://127.0.0.1:%d/_sim/reservations" % port, data=body, method="POST")
urllib.request.urlopen(req, timeout=10).read()
# A second list for the picture of a week with clashes: two one-time rows that overlap, a one-time
# row against the weekly Sunday film, and a back-to-back pair that does not clash (one with a title
# longer than the list is wide).
sunday = (6 - day.weekday()) % 7
clashes = items[:1] + [
    {"title": "世界の車窓から", "channel": 3, "date": d(0), "start": "21:00", "end": "22:30"},
    {"title": "夜のドキュメンタリー", "channel": 1, "date": d(0), "start": "22:00", "end": "23:00"},
    {"title": "深夜映画劇場", "channel": 4, "date": d(1), "start": "23:30", "end": "01:45"},
    {"title": "日曜名画座", "channel": 103, "weekly": "毎日曜日", "start": "13:00", "end": "15:00"},
    {"title": "特別番組", "channel": 6, "date": d(sunday), "start": "14:00", "end": "16:00"},
    {"title": "連続ドラマ", "channel": 6, "date": d(3), "start": "20:00", "end": "20:54"},
    {"title": "スポーツ中継 プロ野球日本シリーズ第七戦（延長の場合は最大三十分）", "channel": 6, "date": d(3),
     "start": "20:54", "end": "22:00"},
]
with open(sys.argv[2] + "/conflict.json", "w", encoding="utf-8") as f:
    json.dump(clashes, f, ensure_ascii=False)
PY

export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
prefix="${WINEPREFIX:-/tmp/pelorane-screens-wine}"

# render DPI OUTPUT_DIR: one set of pictures on a screen of that DPI, in a Wine prefix of its own.
render() {
  local dpi="$1" dest="$2" count=0 bmp name
  mkdir -p "$dest"
  rm -f "$scratch"/*.bmp
  # Always a private display, so that nothing else on the screen gets into the pictures; a larger
  # one at more DPI, where the windows are larger.
  env -u DISPLAY WINEPREFIX="$prefix$([ "$dpi" = 96 ] || echo "-${dpi}dpi")" PELORANE_WINE_DPI="$dpi" \
    WITH_DISPLAY_SCREEN="$([ "$dpi" = 96 ] && echo 1024x768x24 || echo 1600x1200x24)" \
    "$here/scripts/with-display.sh" "$here/scripts/wine-run.sh" "$build/tests/ui/ui_screenshots.exe" "$scratch" "$port"
  for bmp in "$scratch"/*.bmp; do
    [ -e "$bmp" ] || continue
    name="$(basename "$bmp" .bmp)"
    convert "$bmp" -strip "$dest/$name.png"  # no time stamps: the same picture gives the same file
    echo "$dest/$name.png"
    count=$((count + 1))
  done
  [ "$count" -gt 0 ] || { echo "screenshots: no pictures were made at $dpi DPI" >&2; exit 1; }
}

render 96 "$out"
render 144 "$out/144dpi"
