#!/usr/bin/env bash
# Installs what is missing, builds the optimised and the sanitizer configuration and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
status=0
for preset in release sanitize; do
  echo "=== ${preset}: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== ${preset}: tests"
  ctest --preset "$preset" -j "$jobs" || status=1
done
echo "=== Debian package: build and check"
scripts/package.sh --check || status=1
exit "$status"
