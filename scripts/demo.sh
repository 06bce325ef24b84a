#!/usr/bin/env bash
# The main job, end to end: start the recorder simulator, start Pelorane.exe under Wine with an
# iEPG file (as a browser would) and settings that book over HTTP at once (bootexec 3), let it book
# and close by itself, then show the recorder's answer and its reservation list.
#
#   bash scripts/demo.sh              builds Pelorane.exe (windows preset) and runs it
#   bash scripts/demo.sh PATH.exe     runs the given Pelorane.exe instead, e.g. the one from the zip
set -euo pipefail
exe="${1:-}"
[ -z "$exe" ] || exe="$(realpath "$exe")"
cd "$(dirname "$0")/.."
root="$(pwd)"

if [ -z "$exe" ]; then
  echo "building Pelorane.exe ..."
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target Pelorane >/dev/null
  exe="$root/build/windows/Pelorane.exe"
fi

work="$(mktemp -d /tmp/pelorane-demo.XXXXXX)"
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

python3 tools/recorder_sim.py --port 0 --port-file "$work/port" > "$work/sim.log" 2>&1 < /dev/null &
sim_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port="$(cat "$work/port")"
echo "recorder simulator on 127.0.0.1:$port"

# The program folder: Pelorane.exe with its settings and channel table beside it (Shift_JIS, CR LF),
# and tomorrow's programme as the browser would save it.
mkdir -p "$work/Pelorane"
cp "$exe" "$work/Pelorane/Pelorane.exe"
python3 - "$work" "$port" <<'PY'
import datetime, sys
work, port = sys.argv[1], sys.argv[2]
def write(name, text):
    with open(f"{work}/{name}", "wb") as f:
        f.write(text.replace("\n", "\r\n").encode("cp932"))
write("Pelorane/Pelorane.ini", f"[config]\nbootexec=3\nhttpport={port}\nhttpserver=127.0.0.1\nvrate=3000\n")
write("Pelorane/channels.ini", "[table]\nCH4=004,TT04,東都テレビ\n[channel]\n4=CH4\n")
day = datetime.date.today() + datetime.timedelta(days=1)
write("programme.iepg",
      "Content-type: application/x-tv-program-info; charset=Shift_JIS\n"
      "version: 1\nstation: 東都テレビ\n"
      f"year: {day.year}\nmonth: {day.month:02d}\ndate: {day.day:02d}\n"
      "start: 21:00\nend: 21:54\nprogram-title: 世界の車窓から\nprogram-subtitle: 「ソレント」\n\n"
      "美しい海岸線を走る列車の旅。\n")
PY

echo "running Pelorane.exe programme.iepg under Wine (it books and closes by itself) ..."
start=$(date +%s)
set +e
LANG=ja_JP.UTF-8 PELORANE_CALLER_EXPLAINS_STATUS=1 timeout 120 scripts/with-display.sh \
  scripts/wine-run.sh "$work/Pelorane/Pelorane.exe" "$(winepath -w "$work/programme.iepg" 2>/dev/null || echo "$work/programme.iepg")"
status=$?
set -e
# The exit code is the main routine's result; Pelorane itself never shows it.
case "$status" in
  2) meaning="normal end, the main dialog closed itself one second after the booking succeeded" ;;
  1) meaning="normal end, the main dialog launched the mail program" ;;
  0) meaning="normal end without the main dialog (mail program launched at once, or ?REMOTE / ?RECLIST)" ;;
  124) meaning="still open after 120 s: the booking did not succeed, the dialog waited for the user" ;;
  255) meaning="the main dialog could not be created" ;;
  *) meaning="unexpected: Wine or the program failed" ;;
esac
echo "Pelorane.exe ended after $(( $(date +%s) - start )) s with exit code $status: $meaning"

python3 - "$port" "$work" <<'PY'
import json, re, sys, urllib.request, html
port, work = sys.argv[1], sys.argv[2]
log = json.load(urllib.request.urlopen(f"http://127.0.0.1:{port}/_sim/log"))
print("requests the recorder received:")
for r in log["requests"]:
    print(f"  {r['method']} {r['path']} -> {r['status']}")
for p in log["posts"]:
    verdict = "accepted" if p["accepted"] else "refused"
    print(f"the recorder {verdict} the booking: {p['message']}")
    for name, value in p["fields"]:
        print(f"    {name} = {value}")
page = urllib.request.urlopen(f"http://127.0.0.1:{port}/program/b_list.htm").read().decode("cp932")
print("reservation list on the recorder:")
for row in re.findall(r"<tr>(.*?)</tr>", page, re.S):
    cells = [html.unescape(re.sub(r"<[^>]*>", "", c)).strip() for c in re.findall(r"<td[^>]*>(.*?)</td>", row, re.S)]
    if len(cells) >= 6 and cells[3] != "---":
        print("  " + "  ".join(cells[:6]))
ini = open(f"{work}/Pelorane/Pelorane.ini", "rb").read().decode("cp932")
print("Pelorane.ini after the run:")
print("  " + ini.replace("\r\n", "\n  ").rstrip())
PY
