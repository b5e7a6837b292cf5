#!/usr/bin/env bash
# lv2_validate on the LV2 bundle's descriptions: passes only when it finds no error and no
# warning. Usage: lv2-validate.sh BUNDLE-FOLDER
set -uo pipefail
bundle=${1:?usage: lv2-validate.sh BUNDLE-FOLDER}
command -v lv2_validate >/dev/null || { echo "lv2_validate is missing: install lv2-dev and sordi"; exit 1; }
output=$(lv2_validate "$bundle"/*.ttl 2>&1)
status=$?
echo "$output" | tail -n 1
if [ $status -ne 0 ] || echo "$output" | grep -qE '^(error|warning)'; then
  echo "$output" | grep -E -A4 '^(error|warning)'
  exit 1
fi
