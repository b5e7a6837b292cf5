#!/usr/bin/env bash
# Configures and builds one tree quietly: one line, "building LABEL ... done (N s)". The
# whole output goes to DIR/build.log; only a failure shows it (the compiler's and linker's
# messages, without the progress lines).
# Usage: build.sh LABEL DIR "CMAKE_OPTIONS" JOBS [TARGET...]   (no target: everything)
set -uo pipefail
label=$1 dir=$2 options=$3 jobs=$4
shift 4
mkdir -p "$dir"
log=$dir/build.log
printf 'building %s ... ' "$label"
start=$SECONDS
targets=()
[ $# -eq 0 ] || targets=(--target "$@")
# shellcheck disable=SC2086  # the options are several words
if cmake -S . -B "$dir" $options >"$log" 2>&1 &&
   cmake --build "$dir" -j "$jobs" "${targets[@]}" >>"$log" 2>&1; then
  echo "done ($((SECONDS - start)) s)"
else
  echo "FAILED"
  grep -v -E '^-- |^\[ *[0-9]+%\]|(Entering|Leaving) directory|^Scanning dependencies|^Consolidate compiler' "$log" |
    tail -n 80 >&2
  echo "the whole output: $log" >&2
  exit 1
fi
