#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, ASan, UBSan) and runs each for a
# given time, then prints executions and findings per harness.
#   fuzz/run.sh [seconds-per-harness] [harness ...]
# Environment: PARLET_FUZZ_BUILD (build dir, default build/fuzz),
# PARLET_FUZZ_PARALLEL (harnesses at once, default 2), PARLET_FUZZ_JOBS
# (compile jobs, default 2). Needs clang and libclang-rt-14-dev.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
seconds=${1:-60}
[ $# -gt 0 ] && shift
harnesses=${*:-template customvar keys select cookies floodmsg profile har}
build=${PARLET_FUZZ_BUILD:-$root/build/fuzz}
parallel=${PARLET_FUZZ_PARALLEL:-2}
jobs=${PARLET_FUZZ_JOBS:-2}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DPARLET_FUZZ=ON -DPARLET_SANITIZE=ON \
  -DPARLET_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" >/dev/null
targets=""
for h in $harnesses; do targets="$targets fuzz_$h"; done
ninja -C "$build" -j"$jobs" $targets >/dev/null

run_one() {
  local h=$1 work="$build/fuzz-work/$1" seeds="$here/corpus/$1"
  [ -d "$seeds" ] || seeds="$here/$1/corpus"   # the profile reader keeps its seeds beside its harness
  mkdir -p "$work/corpus" "$work/artifacts"
  nice -n 10 "$build/fuzz/fuzz_$h" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
    -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$work/corpus" "$seeds" \
    >"$work/log.txt" 2>&1 || true
}

set -- $harnesses
while [ $# -gt 0 ]; do
  pids=""
  for _ in $(seq "$parallel"); do
    [ $# -gt 0 ] || break
    run_one "$1" &
    pids="$pids $!"
    shift
  done
  wait $pids
done

status=0
printf '%-10s %14s %9s %8s\n' harness executions findings corpus
for h in $harnesses; do
  work="$build/fuzz-work/$h"
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log.txt" | grep -o '[0-9]*$' | tail -1)
  findings=$(find "$work/artifacts" -type f | wc -l)
  corpus=$(find "$work/corpus" -type f | wc -l)
  printf '%-10s %14s %9s %8s\n' "$h" "${execs:-?}" "$findings" "$corpus"
  if [ "$findings" -gt 0 ]; then
    status=1
    find "$work/artifacts" -type f | sed 's/^/  finding: /'
  fi
done
exit $status
