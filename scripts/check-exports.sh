#!/usr/bin/env bash
# Checks that the plug-in modules export exactly the two entry names hosts look for,
# VSTPluginMain and main, and nothing else.
# Usage: check-exports.sh <moltrin.so> <moltrin.dll>
# The DLL half is skipped, with a message, when the Windows module has not been built.
set -uo pipefail
so=$1 dll=$2
expected=$(printf '%s\n' VSTPluginMain main | LC_ALL=C sort)
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
