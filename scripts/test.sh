#!/usr/bin/env bash
# Runs every test: the Linux unit and binary tests, the binary tests of the Windows module
# under wine, the thread tests built with ThreadSanitizer, and every Linux test built with
# AddressSanitizer and UndefinedBehaviorSanitizer. Ends with one summary line.
set -uo pipefail
linux=$1 win=$2 tsan=$3 asan=$4
passed=0 failed=0

run_ctest() {  # name, build dir, extra args
  local name=$1 dir=$2; shift 2
  echo "== $name"
  local out; out=$(ctest --test-dir "$dir" --output-on-failure "$@" 2>&1); local rc=$?
  echo "$out" | tail -n 40
  local total fails
  total=$(echo "$out" | sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' | tail -1)
  fails=$(echo "$out" | sed -n 's/.* \([0-9]*\) tests failed out of.*/\1/p' | tail -1)
  total=${total:-0}; fails=${fails:-0}
  if [ "$rc" -ne 0 ] && [ "$fails" -eq 0 ]; then fails=1; fi
  passed=$((passed + total - fails)); failed=$((failed + fails))
}

run_ctest "Linux: unit and binary tests" "$linux" -j 2
run_ctest "Windows module under wine" "$win"

echo "== ThreadSanitizer: thread tests"
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
for suite in binary_tests unit_tests; do
  if "$tsan/tests/$suite" --gtest_filter='*Thread*:*Stress*' >"$tsan/$suite.log" 2>&1; then
    tail -n 3 "$tsan/$suite.log"; passed=$((passed + 1))
  else
    tail -n 60 "$tsan/$suite.log"; failed=$((failed + 1))
  fi
done

ASAN_OPTIONS="detect_leaks=1 strict_string_checks=1 check_initialization_order=1" \
UBSAN_OPTIONS="print_stacktrace=1" \
  run_ctest "AddressSanitizer and UndefinedBehaviorSanitizer: every Linux test" "$asan" -j 2

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
