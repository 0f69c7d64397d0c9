#!/usr/bin/env bash
# Installs what is missing, builds everything and starts the main job: the simulated reader on
# loopback with the test bench opened on it. Arguments go to the bench. Closing the bench stops
# the simulator; without a display the bench runs under xvfb-run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
cmake --preset release
cmake --build --preset release -j "$(nproc)"

work=$(mktemp -d)
log=build/release/korvicard-sim.log
# The identity server, dispatch service and photo decoder on loopback addresses of their own.
servers=(--id-server 127.0.0.2:10000 --dispatch-server 127.0.0.3 --decoder 127.0.0.1)
build/release/sim/korvicard-sim --port 0 "${servers[@]}" >"$work/address" 2>"$log" &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do
  [[ -s "$work/address" ]] && break
  kill -0 "$sim" 2>/dev/null || { cat "$log" >&2; exit 1; }
  sleep 0.1
done
address=$(head -n 1 "$work/address")
echo "Simulated reader on $address (requests logged in $log)"

bench=(build/release/testbench/TestKorviCardReader --ip "${address%:*}" --port "${address##*:}"
  "${servers[@]}" "$@")
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  xvfb-run -a "${bench[@]}"
else
  "${bench[@]}"
fi
