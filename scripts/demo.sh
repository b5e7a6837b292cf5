#!/usr/bin/env bash
# `make demo`: shows what a host sees of the built plug-in module.
# Usage: demo.sh <build folder>
set -euo pipefail
build=${1:-build/linux}
"$build/tools/inspect/moltrin-inspect" "$build/host/moltrin.so"
