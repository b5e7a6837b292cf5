#!/usr/bin/env bash
# Runs every test stage on the trees `make test` built and prints one line per stage: its
# passed and failed counts, the names of its failures and where its whole output is, then
# the total. Every test is counted once as a test: a ctest entry, or, where an entry or a
# stage runs a whole GoogleTest program (under wine, under Xvfb), each of its cases.
#
# Adding a stage is one line at the end of this file, one of:
#   stage "NAME" ctest BUILD_DIR [CTEST_ARGS...]     every test ctest knows in that tree
#   stage "NAME" gtest COMMAND [ARGS...]             a GoogleTest program, case by case
#   stage "NAME" check COMMAND [ARGS...]             any command: one test, passed on exit 0
# A stage of several runs: `begin "NAME"`, then the kinds above without `stage "NAME"`, `end`.
# Its build belongs in the Makefile's TEST_BUILDS.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
logs=build/test-logs
mkdir -p "$logs"
total_passed=0 total_failed=0 total_skipped=0
stage_name="" stage_log="" stage_passed=0 stage_failed=0 stage_skipped=0 stage_failures=() stage_start=0

begin() {
  stage_name=$1 stage_passed=0 stage_failed=0 stage_skipped=0 stage_failures=() stage_start=$SECONDS
  stage_log=$logs/$(tr -cs 'A-Za-z0-9' '-' <<<"$1" | sed 's/-$//' | tr 'A-Z' 'a-z').log
  : >"$stage_log"
  printf '%-28s ' "$stage_name"
}

fail() {  # name of a failed test
  stage_failed=$((stage_failed + 1))
  stage_failures+=("$1")
}

# Adds what scripts/count-tests.py counted: "PASSED FAILED SKIPPED", then failure names.
add_counts() {
  local name passed failed skipped
  { read -r passed failed skipped; while IFS= read -r name; do fail "$name"; done; } <<<"$1"
  if [ -z "$passed" ]; then fail "the counts could not be read"; return; fi
  stage_passed=$((stage_passed + passed))
  stage_skipped=$((stage_skipped + skipped))
}

ctest() {  # BUILD_DIR [CTEST_ARGS...]
  local dir=$1 junit
  shift
  junit=$PWD/${stage_log%.log}-$(basename "$dir").xml
  rm -f "$junit"
  command ctest --test-dir "$dir" --output-on-failure --output-junit "$junit" \
    --test-output-size-passed 10000000 --test-output-size-failed 10000000 "$@" >>"$stage_log" 2>&1
  local rc=$?
  if [ ! -s "$junit" ] || grep -q 'tests="0"' "$junit"; then
    fail "ctest in $dir (no tests ran, status $rc)"
    return
  fi
  add_counts "$(python3 scripts/count-tests.py junit "$junit")"
}

gtest() {  # COMMAND [ARGS...]
  local out=${stage_log%.log}-run.txt rc
  command "$@" >"$out" 2>&1
  rc=$?
  cat "$out" >>"$stage_log"
  add_counts "$(python3 scripts/count-tests.py gtest "$out" "$rc")"
}

check() {  # COMMAND [ARGS...]
  if command "$@" >>"$stage_log" 2>&1; then stage_passed=$((stage_passed + 1)); else fail "$*"; fi
}

end() {
  local line="$stage_passed passed, $stage_failed failed"
  [ "$stage_skipped" -eq 0 ] || line="$line, $stage_skipped skipped"
  line="$line ($((SECONDS - stage_start)) s)"
  if [ "$stage_failed" -gt 0 ]; then
    local list name
    list=$(for name in "${stage_failures[@]}"; do printf '%s, ' "$name"; done)
    line="$line: ${list%, }; output in $stage_log"
  fi
  echo "$line"
  total_passed=$((total_passed + stage_passed))
  total_failed=$((total_failed + stage_failed))
  total_skipped=$((total_skipped + stage_skipped))
}

stage() {  # NAME KIND ARGS...
  begin "$1"
  shift
  "$@"
  end
}

# The total comes last, after whatever stages the lines below ran.
report() {
  local line="Total: $total_passed passed, $total_failed failed"
  [ "$total_skipped" -eq 0 ] || line="$line, $total_skipped skipped"
  echo "$line"
  [ "$total_failed" -eq 0 ] || exit 1
}
trap report EXIT

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
export ASAN_OPTIONS="detect_leaks=1 strict_string_checks=1 check_initialization_order=1"
export UBSAN_OPTIONS="print_stacktrace=1"
thread_tests='--gtest_filter=*Thread*:*Stress*'

stage "Linux tests" ctest build/linux -j 2
stage "Windows tests under wine" ctest build/win -E 'clap'
stage "CLAP tests under wine" ctest build/win -R 'clap'
begin "ThreadSanitizer"; gtest build/tsan/tests/binary_tests "$thread_tests"; gtest build/tsan/tests/engine_tests "$thread_tests"
gtest bash scripts/with-xvfb.sh build/tsan/tests/clap_editor_tests "$thread_tests"; end
stage "ASan and UBSan" ctest build/asan -j 2
stage "Fuzzing, 30 s a target" check bash scripts/fuzz.sh build/asan 30
