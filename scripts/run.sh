#!/usr/bin/env bash
# Installs what is missing, builds a release and starts the main job.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
cmake --preset release
cmake --build --preset release -j "$(nproc)"
exec ctest --test-dir build/release --output-on-failure
