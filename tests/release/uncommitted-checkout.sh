#!/usr/bin/env bash
# The release script refuses a checkout with changes that are not committed, before it builds
# anything, and names them; files git ignores do not count. Each case is a fresh clone of this
# checkout in a folder whose path holds a blank.
set -euo pipefail
source="$(cd "$(dirname "$0")/../.." && pwd)"
scratch="$(mktemp -d "${TMPDIR:-/tmp}/release check.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
# A file where the build folder should be: a checkout that passes stops at once in cmake.
touch "$scratch/no build"
failures=0
count=0

# change in the clone | refused | what the output names
while IFS='|' read -r change refused named; do
  clone="$scratch/clone $((++count))"
  git clone -q "$source" "$clone"
  # The script under test is this checkout's, committed in the clone.
  cp "$source/scripts/release.sh" "$clone/scripts/release.sh"
  git -C "$clone" -c user.name=test -c user.email=test@localhost commit -q -a --allow-empty -m "script under test"
  (cd "$clone" && eval "$change")
  status=0
  (cd "$clone" && bash scripts/release.sh "$scratch/no build" "$scratch/dist") >"$scratch/out" 2>&1 || status=$?
  if [ "$refused" = yes ] && grep -q "not committed" "$scratch/out" && grep -q "$named" "$scratch/out" &&
     ! grep -q "^building" "$scratch/out" && [ "$status" -ne 0 ]; then
    continue
  fi
  if [ "$refused" = no ] && ! grep -q "not committed" "$scratch/out" && grep -q "$named" "$scratch/out"; then
    continue
  fi
  echo "FAILED: '$change' (refusal expected: $refused, exit $status):" >&2
  cat "$scratch/out" >&2
  failures=$((failures + 1))
done <<'CASES'
echo more >> README.md|yes|README.md
git rm -q --cached LICENSE|yes|LICENSE
touch core/Unlisted.cpp|yes|core/Unlisted.cpp
mkdir -p build dist && touch build/x dist/y|no|building Pelorane.exe
CASES
[ "$failures" -eq 0 ] && echo "refused every uncommitted change, passed the ignored files"
exit "$failures"
