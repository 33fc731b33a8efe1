#!/usr/bin/env bash
# The macOS syntax check fails on each file here, each wrong in one way the check must catch.
set -u
root="$(cd "$(dirname "$0")/../.." && pwd)"
if [[ ! -f /usr/include/GNUstep/AppKit/AppKit.h ]] || ! command -v clang++ >/dev/null; then
  echo "GNUstep or clang missing: skipped"
  exit 77
fi
status=0
for file in "$root"/tests/macos/*.cpp "$root"/tests/macos/*.mm; do
  if "$root/scripts/check-macos" "$file" >/dev/null 2>&1; then
    echo "FAIL: check-macos accepted $(basename "$file")"
    status=1
  else
    echo "ok: check-macos refused $(basename "$file")"
  fi
done
exit $status
