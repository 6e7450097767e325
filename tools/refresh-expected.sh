#!/usr/bin/env bash
# Rewrites the expected simulator reports (tests/*/expected/*.json) from a fresh run of the
# tests that compare against them. Run it after a deliberate change to what kznsim reports,
# then read `git diff tests/` before committing: every change there should be one you meant.
#   tools/refresh-expected.sh [build folder, default build]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build"
KZN_REFRESH_EXPECTED=1 ctest --test-dir "$build" -L 'sim|cli|first' --output-on-failure
git status --short -- 'tests/*/expected'
