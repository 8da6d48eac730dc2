#!/usr/bin/env bash
# The bounded fuzz run of CI: builds the fuzz targets with clang (libFuzzer,
# address and undefined-behaviour sanitizers, leak checks), runs each from
# its seed corpus for a fixed number of executions, all at once, and prints
# executions and coverage. Exits non-zero on any finding; the
# input that caused it is kept under the build folder's findings/.
#
#   scripts/fuzz.sh                   about two and a half million executions in all
#   FUZZ_RUNS=2000000 scripts/fuzz.sh executions per plugin target
#   FUZZ_PICTURE_RUNS=N               executions of the picture reader
set -euo pipefail
cd "$(dirname "$0")/.."

build=${FUZZ_BUILD:-build/fuzz}
runs=${FUZZ_RUNS:-500000}
picture_runs=${FUZZ_PICTURE_RUNS:-1000000}
targets=(plugmain fragment_text description png_reader)

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DHELIX_FUZZ=ON -DHELIX_SANITIZE=ON -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
findings="$build/findings"
mkdir -p "$findings"

started=$SECONDS
pids=()
for target in "${targets[@]}"; do
  mkdir -p "$work/$target"
  # The corpus folder in the repository is only read: new inputs go to the
  # scratch folder first named.
  target_runs=$runs
  [[ $target == png_reader ]] && target_runs=$picture_runs
  "$build/tests/fuzz/fuzz_$target" -runs="$target_runs" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$findings/$target-" "$work/$target" "tests/fuzz/corpus/$target" \
    >"$work/$target.log" 2>&1 &
  pids+=($!)
done

status=0
for i in "${!targets[@]}"; do
  target=${targets[$i]}
  if ! wait "${pids[$i]}"; then
    status=1
    echo "== fuzz_$target: FINDING"
    grep -v -E '^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse)' "$work/$target.log" | tail -40
    ls "$findings"/"$target"-* 2>/dev/null || true
    continue
  fi
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
  coverage=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$work/$target.log" | tail -1 | grep -o -E 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[^ ]+')
  seed=$(grep -o -E 'Seed: [0-9]+' "$work/$target.log" | head -1)
  echo "== fuzz_$target: $executions executions, $coverage ($seed), no finding"
done
echo "== fuzzing took $((SECONDS - started)) s"
exit "$status"
