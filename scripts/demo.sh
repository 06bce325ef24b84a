#!/usr/bin/env bash
# The main job, end to end: start the recorder simulator, hand the booking tool an iEPG file
# (as a browser would), book the programme over HTTP and show the recorder's answer and list.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset native >/dev/null
cmake --build --preset native --target pelorane_book >/dev/null

work="$(mktemp -d /tmp/pelorane-demo.XXXXXX)"
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

python3 tools/recorder_sim.py --port 0 --port-file "$work/port" > "$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port="$(cat "$work/port")"
echo "recorder simulator on 127.0.0.1:$port"

# Settings and channel table as the program keeps them (Shift_JIS, CR LF), and tomorrow's programme.
python3 - "$work" "$port" <<'PY'
import datetime, sys
work, port = sys.argv[1], sys.argv[2]
def write(name, text):
    with open(f"{work}/{name}", "wb") as f:
        f.write(text.replace("\n", "\r\n").encode("cp932"))
write("Pelorane.ini", f"[config]\nhttpport={port}\nhttpserver=127.0.0.1\nvrate=3000\n")
write("channels.ini", "[table]\nCH4=004,TT04,東都テレビ\n[channel]\n4=CH4\n")
day = datetime.date.today() + datetime.timedelta(days=1)
iepg = ("Content-type: application/x-tv-program-info; charset=Shift_JIS\n"
        "version: 1\nstation: 東都テレビ\n"
        f"year: {day.year}\nmonth: {day.month:02d}\ndate: {day.day:02d}\n"
        "start: 21:00\nend: 21:54\nprogram-title: 世界の車窓から\nprogram-subtitle: 「ソレント」\n\n"
        "美しい海岸線を走る列車の旅。\n")
write("programme.iepg", iepg)
PY

./build/native/tools/pelorane_book "$work" "$work/programme.iepg"
