#!/usr/bin/env bash
# Builds every preset and runs all tests: native under the sanitizers, the Windows build under Wine,
# and each fuzz target for a few seconds. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="$(nproc)"
# A Wine prefix of this run's own: no other Wine program can hold its wineserver or its desktop.
export WINEPREFIX="${PELORANE_WINEPREFIX:-$PWD/build/wine-prefix}"

step() { printf '\n== %s ==\n' "$*"; }

step "native-asan: build"
cmake --preset native-asan >/dev/null
cmake --build --preset native-asan -j "$jobs"
step "native-asan: tests"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/native-asan --output-on-failure -j "$jobs" -L 'unit|integration'

step "windows: build"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
step "windows: tests under Wine"
ctest --test-dir build/windows --output-on-failure -L wine

step "release: the zip built twice in two folders is the same"
ctest --test-dir build/windows --output-on-failure -L release

for prefix in "$WINEPREFIX" build/windows/wine-prefix-western; do
  [ -d "$prefix" ] || continue
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
done

step "fuzz: build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
step "fuzz: short runs"
ctest --test-dir build/fuzz --output-on-failure -L fuzz

step "all tests passed"
