#!/usr/bin/env bash
# Fails when a file includes a layer it must not know: the engine knows no host, editor or
# platform; the platform knows no engine, editor or host; the editor's controls know no
# engine (only the form, in files named *Form*, binds to it) and no editor file knows the host.
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
forbid "engine/ includes another layer" "host|editor|platform" engine/*.h engine/*.cpp
forbid "platform/ includes another layer" "engine|editor|host" platform/*.h platform/*.cpp
controls=()
for f in editor/*.h editor/*.cpp; do
  case "$(basename "$f")" in *Form*) ;; *) controls+=("$f") ;; esac
done
[ ${#controls[@]} -gt 0 ] && forbid "an editor control includes the engine" "engine" "${controls[@]}"
forbid "editor/ includes the host" "host" editor/*.h editor/*.cpp
[ $status -eq 0 ] && echo "layers hold"
exit $status
