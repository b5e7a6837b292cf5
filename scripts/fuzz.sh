#!/usr/bin/env bash
# Runs every fuzz target of a sanitizer build for a given time, two at a time, each on its own
# working corpus (the committed seeds and regression inputs, grown by earlier runs), and prints
# per target the executions, executions per second and coverage. A crash fails the run and
# names the input that caused it: copy it into tests/fuzz/regressions/<target>/ with the fix.
#   scripts/fuzz.sh <build dir> <seconds per target> [target ...]
set -uo pipefail
build=$1 seconds=$2; shift 2
src=$(cd "$(dirname "$0")/.." && pwd)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_chunk fuzz_hostsequence fuzz_presetfile fuzz_midifile fuzz_clapstate fuzz_clapsequence)
  [ -x "$build/tests/fuzz/fuzz_lv2sequence" ] && targets+=(fuzz_lv2sequence)  # a build with liblilv-dev
fi

run_one() {  # target
  local t=$1 work="$build/fuzz/$1" max_len=65536
  case $t in fuzz_hostsequence | fuzz_clapsequence | fuzz_lv2sequence) max_len=8192 ;; fuzz_chunk | fuzz_presetfile | fuzz_clapstate) max_len=40000 ;; esac
  mkdir -p "$work/corpus" "$work/crashes"
  cp -n "$src/tests/fuzz/corpus/$t/"* "$work/corpus/" 2>/dev/null
  cp -n "$src/tests/fuzz/regressions/$t/"* "$work/corpus/" 2>/dev/null
  "$build/tests/fuzz/$t" "$work/corpus" -max_total_time="$seconds" -max_len=$max_len -timeout=20 \
    -dict="$src/tests/fuzz/moltrin.dict" -artifact_prefix="$work/crashes/" -print_final_stats=1 \
    >"$work/log" 2>&1
  echo $? >"$work/rc"
}

summary() {  # target
  local t=$1 work="$build/fuzz/$1"
  local execs rate cov
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log")
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]* corp: [0-9]*/[0-9a-zA-Z]*' "$work/log" | tail -1)
  if [ "$(cat "$work/rc")" -eq 0 ]; then
    printf '%-18s %s s: %s executions, %s per second, %s\n' "$t" "$seconds" "${execs:-?}" "${rate:-?}" "$cov"
    return 0
  fi
  echo "$t FAILED; its log ends:"
  tail -n 40 "$work/log"
  ls "$work/crashes/"* 2>/dev/null | sed 's/^/  input: /'
  return 1
}

failed=0
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  run_one "${targets[i]}" &
  [ $((i + 1)) -lt ${#targets[@]} ] && run_one "${targets[i + 1]}" &
  wait
done
for t in "${targets[@]}"; do summary "$t" || failed=1; done
exit $failed
