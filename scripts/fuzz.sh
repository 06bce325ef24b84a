#!/usr/bin/env bash
# Long fuzz runs with the committed seeds and dictionaries, as CI's short runs use them.
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]      (default 300 s, every target)
# Builds the fuzz preset; prints each target's exec count. New inputs go to build/fuzz/corpus/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-300}"
shift || true
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" >/dev/null
targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
  for src in fuzz/*_fuzz.cpp; do targets+=("$(basename "$src" .cpp)"); done
fi
for t in "${targets[@]}"; do
  dict="$(awk -v t="$t" '$1 == t { print $2 }' fuzz/dictionaries.txt)"
  options=(-max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1)
  [ -n "$dict" ] && options+=(-dict="fuzz/dict/$dict")
  mkdir -p "build/fuzz/corpus/$t"
  log="build/fuzz/$t.log"
  if ! "build/fuzz/fuzz/$t" "${options[@]}" "build/fuzz/corpus/$t" "fuzz/seeds/$t" >"$log" 2>&1; then
    echo "$t: FAILED (see $log)"
    exit 1
  fi
  printf '%s: %s execs in %s s, coverage %s\n' "$t" \
    "$(awk '/stat::number_of_executed_units/ { print $2 }' "$log")" "$seconds" \
    "$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)"
done
