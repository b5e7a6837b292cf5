#!/usr/bin/env bash
# Fails when a file includes a layer it must not know: the engine knows no format adapter, host
# library, editor or platform; the platform knows no engine, editor, adapter or host library;
# the editor's controls know no engine (only the form, in files named *Form*, binds to it) and
# no editor file knows an adapter; an adapter knows of the engine only its face (engine/Plugin.h),
# and of the other adapters nothing (what they share is in host/boundary/).
# The host library (hosts/) knows no engine, editor or platform, and of the adapter only its
# records header; the tools use no file of the tests.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || exit 2
status=0
forbid() {  # description, include pattern, files...
  local what=$1 pattern=$2; shift 2
  local hits
  hits=$(grep -nE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"<]($pattern)/" "$@" 2>/dev/null)
  if [ -n "$hits" ]; then
    echo "$what:"; echo "$hits"; status=1
  fi
}
shopt -s nullglob
shopt -s globstar
forbid "engine/ includes another layer" "host|hosts|editor|platform" engine/*.h engine/*.cpp
forbid "platform/ includes another layer" "engine|editor|host|hosts" platform/*.h platform/*.cpp
controls=()
for f in editor/*.h editor/*.cpp; do
  case "$(basename "$f")" in *Form*) ;; *) controls+=("$f") ;; esac
done
[ ${#controls[@]} -gt 0 ] && forbid "an editor control includes the engine" "engine" "${controls[@]}"
forbid "editor/ includes the host" "host|hosts" editor/*.h editor/*.cpp
hits=$(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"engine/' host/**/*.h host/**/*.cpp 2>/dev/null |
  grep -v '"engine/Plugin.h"')
if [ -n "$hits" ]; then
  echo "an adapter includes the engine beyond its face:"; echo "$hits"; status=1
fi
for adapter in host/*/; do
  format=$(basename "$adapter")
  [ "$format" = boundary ] && continue
  hits=$(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"host/' "$adapter"*.h "$adapter"*.cpp 2>/dev/null |
    grep -vE "\"host/($format|boundary)/")
  if [ -n "$hits" ]; then
    echo "an adapter includes another format's adapter:"; echo "$hits"; status=1
  fi
done
host_library=(hosts/*/*.h hosts/*/*.cpp)
if [ ${#host_library[@]} -gt 0 ]; then
  forbid "hosts/ includes the engine, the editor or the platform" "engine|editor|platform" "${host_library[@]}"
  hits=$(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]host/' "${host_library[@]}" | grep -v '"host/vst2/VstAbi.h"')
  if [ -n "$hits" ]; then
    echo "hosts/ includes more of the adapter than its records header:"; echo "$hits"; status=1
  fi
fi
tool_files=$(find tools -name '*.h' -o -name '*.cpp')
# shellcheck disable=SC2086
[ -n "$tool_files" ] && forbid "tools/ includes a file of the tests" "tests" $tool_files
[ $status -eq 0 ] && echo "layers hold"
exit $status
