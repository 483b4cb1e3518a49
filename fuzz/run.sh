#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs each for a
# while on a scratch copy of its seed corpus, one result line per fuzzer.
# Usage: fuzz/run.sh [seconds per fuzzer, default 180] [fuzzer names...]
# Findings, logs and the grown corpora stay in the scratch folder it names
# (FUZZ_SCRATCH, or a new folder under /tmp); the repository's corpus is not changed.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-180}"
shift || true
fuzzers=("$@")
[ ${#fuzzers[@]} -eq 0 ] && fuzzers=(fuzz_ini fuzz_macros fuzz_morse fuzz_logfile)

if [ ! -f build-fuzz/CMakeCache.txt ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DZOX_FUZZ=ON -DZOX_TESTS=OFF -DZOX_BENCH=OFF >/dev/null || exit 1
fi
cmake --build build-fuzz -j 2 --target "${fuzzers[@]}" || exit 1

scratch="${FUZZ_SCRATCH:-$(mktemp -d /tmp/zox-fuzz.XXXXXX)}"
mkdir -p "$scratch"
echo "Scratch folder: $scratch"

max_len() {
  case "$1" in
    fuzz_logfile) echo 16384 ;;
    fuzz_ini) echo 4096 ;;
    *) echo 1024 ;;
  esac
}

failed=0
for f in "${fuzzers[@]}"; do
  name="${f#fuzz_}"
  work="$scratch/$f"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/artifacts" "$work/tmp"
  cp -r "fuzz/corpus/$name/." "$work/corpus/"
  args=(-max_total_time="$seconds" -print_final_stats=1 -timeout=20 -rss_limit_mb=2048
        -max_len="$(max_len "$f")" -artifact_prefix="$work/artifacts/")
  [ -f "fuzz/$f.dict" ] && args+=(-dict="fuzz/$f.dict")
  TMPDIR="$work/tmp" \
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1" \
  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    "build-fuzz/fuzz/$f" "${args[@]}" "$work/corpus" >"$work/log.txt" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log.txt" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$work/log.txt" | tail -1)
  units=$(find "$work/corpus" -type f | wc -l)
  artifact=$(find "$work/artifacts" -type f | head -1)
  if [ $rc -eq 0 ] && [ -z "$artifact" ]; then
    echo "$f: ok, ${runs:-?} runs in ${seconds} s, ${cov:-cov: ?}, corpus $units"
  else
    failed=1
    what=$(grep -m1 -E '^==[0-9]+==ERROR|runtime error|fuzz check failed|^==[0-9]+== ERROR' "$work/log.txt")
    echo "$f: FOUND after ${runs:-?} runs (exit $rc): ${what:-see log} -> ${artifact:-no artifact}, log $work/log.txt"
  fi
done
exit $failed
