#!/usr/bin/env bash
# Checks that the plug-in modules export exactly the entry names hosts look for and nothing
# else: VSTPluginMain and main for the VST 2.x modules, or the names given (clap_entry).
# Usage: check-exports.sh <Linux module> <Windows module> [NAME...]
# The Windows half is skipped, with a message, when the Windows module has not been built.
set -uo pipefail
so=$1 dll=$2
shift 2
[ $# -gt 0 ] || set -- VSTPluginMain main
expected=$(printf '%s\n' "$@" | LC_ALL=C sort)
failed=0

compare() {  # what, actual names
  local what=$1 actual=$2
  if [ "$actual" = "$expected" ]; then
    echo "ok: $what exports exactly: $(echo $actual)"
  else
    echo "FAIL: $what exports:"; echo "$actual" | sed 's/^/  /'
    echo "  expected exactly: $(echo $expected)"
    failed=1
  fi
}

if [ -f "$so" ]; then
  compare "$so" "$(nm -D --defined-only "$so" | awk 'NF >= 3 {print $3}' | LC_ALL=C sort)"
else
  echo "FAIL: $so not found"; failed=1
fi

if [ -f "$dll" ]; then
  names=$(x86_64-w64-mingw32-objdump -p "$dll" |
          sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' |
          LC_ALL=C sort)
  compare "$dll" "$names"
else
  echo "skipped: $dll has not been built (make build-win builds it)"
fi
exit $failed
