#!/usr/bin/env bash
# Installs what is missing, builds under the sanitizers and runs the whole suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
jobs=$(nproc)
cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"
# The optimised build of the run command must compile warning-free too.
cmake --preset release
cmake --build --preset release -j "$jobs"
