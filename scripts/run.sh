#!/usr/bin/env bash
# Installs what is missing, builds a release and starts the main job.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
cmake --preset release
cmake --build --preset release -j "$(nproc)"
cmake --build --preset release --target korvicard-sim && exec build/release/sim/korvicard-sim "$@"
