#!/usr/bin/env bash
# Runs every test stage on the trees `make test` built and prints one line per stage: its
# passed and failed counts, the names of its failures and where its whole output is, then
# the total. Every test is counted once as a test: a ctest entry, or a GoogleTest case when
# a stage runs a GoogleTest program itself (a whole program run under wine is its cases).
#
# Adding a stage is one line at the end of this file, one of:
#   stage "NAME" ctest BUILD_DIR [CTEST_ARGS...]     every test ctest knows in that tree
#   stage "NAME" gtest COMMAND [ARGS...]             a GoogleTest program (or a command that
#                                                    runs one, such as ctest -V), case by case
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

ctest() {  # BUILD_DIR [CTEST_ARGS...]
  local dir=$1 out rc
  shift
  out=$(command ctest --test-dir "$dir" --output-on-failure "$@" 2>&1)
  rc=$?
  echo "$out" >>"$stage_log"
  local total failed skipped name
  total=$(sed -n 's/.*tests\{0,1\} failed out of \([0-9]*\).*/\1/p' <<<"$out" | tail -n 1)
  if [ -z "$total" ] || [ "$total" -eq 0 ]; then
    fail "ctest in $dir (no tests ran, status $rc)"
    return
  fi
  # The lists after ctest's summary: "The following tests FAILED:" / "... did not run:".
  listed() { awk -v head="$1" 'index($0, head) { on = 1; next } on && /^[[:space:]]+[0-9]+ - / {
      sub(/^[[:space:]]+[0-9]+ - /, ""); sub(/ \([^()]*\)$/, ""); print; next } { on = 0 }' <<<"$out"; }
  mapfile -t failed < <(listed "tests FAILED:")
  mapfile -t skipped < <(listed "tests did not run:")
  stage_passed=$((stage_passed + total - ${#failed[@]} - ${#skipped[@]}))
  stage_skipped=$((stage_skipped + ${#skipped[@]}))
  for name in "${failed[@]}"; do fail "$name"; done
  if [ "$rc" -ne 0 ] && [ ${#failed[@]} -eq 0 ]; then fail "ctest in $dir (status $rc)"; fi
}

gtest() {  # COMMAND [ARGS...]; its output lines may carry ctest's "N: " prefix
  local out rc
  out=$(command "$@" 2>&1)
  rc=$?
  echo "$out" >>"$stage_log"
  local results ok skipped failed unfinished name
  results=$(sed -n -E 's/^([0-9]+: )?\[ *(RUN|OK|FAILED|SKIPPED) *\] ([^ ,]+\.[^ ,]+).*/\2 \3/p' <<<"$out")
  ok=$(grep -c '^OK ' <<<"$results")
  skipped=$(grep -c '^SKIPPED ' <<<"$results")
  mapfile -t failed < <(sed -n 's/^FAILED //p' <<<"$results" | awk '!seen[$0]++')
  # A case that started and never ended took the program down with it.
  unfinished=$(awk '$1 == "RUN" { open[$2] = 1; order[++n] = $2; next } { delete open[$2] }
                    END { for (i = 1; i <= n; i++) if (order[i] in open) print order[i] }' <<<"$results")
  stage_passed=$((stage_passed + ok))
  stage_skipped=$((stage_skipped + skipped))
  for name in "${failed[@]}"; do fail "$name"; done
  for name in $unfinished; do fail "$name (did not finish)"; done
  if [ "$rc" -ne 0 ] && [ ${#failed[@]} -eq 0 ] && [ -z "$unfinished" ]; then fail "$* (status $rc)"; fi
  if [ "$rc" -eq 0 ] && [ -z "$results" ]; then fail "$* (ran no tests)"; fi
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
stage "Windows tests under wine" gtest ctest --test-dir build/win -V
begin "ThreadSanitizer"; gtest build/tsan/tests/binary_tests "$thread_tests"; gtest build/tsan/tests/unit_tests "$thread_tests"; end
stage "ASan and UBSan" ctest build/asan -j 2
