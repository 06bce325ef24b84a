#!/usr/bin/env bash
# Builds the benchmarks (native Release) and runs them; the HTTP one against a private nginx.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native >/dev/null
envfile="$(mktemp /tmp/pelorane-bench-env.XXXXXX)"
trap 'scripts/test-servers.sh stop "$envfile"' EXIT
scripts/test-servers.sh start "$envfile" >/dev/null
. "$envfile"
head -c $((4 * 1024 * 1024)) /dev/urandom > "$PELORANE_SCRATCH/nginx/html/big4m.bin"
for b in build/native/bench/*_bench; do
  echo "== $(basename "$b") =="
  if [ "$(basename "$b")" = Http_bench ]; then "$b" "$PELORANE_NGINX_PORT"; else "$b"; fi
done
