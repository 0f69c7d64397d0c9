#!/usr/bin/env bash
# Installs what is missing, builds the driver library, the simulator and the test bench, and
# starts the main job: the simulated reader on loopback, a Mifare Classic 1K and the identity
# card's type-B side in its field, with the test bench opened on it. Arguments go to the bench.
# Lines on this command's standard input go to the simulator: "card NAME…" places cards, "card
# none" empties the field; its answers show here. Closing the bench stops the simulator; without
# a display the bench runs under xvfb-run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
cmake --preset release
cmake --build --preset release -j "$(nproc)" \
  --target KorviCardDriver korvicard-sim TestKorviCardReader

work=$(mktemp -d)
log=build/release/korvicard-sim.log
# The identity server, dispatch service and photo decoder on loopback addresses of their own.
servers=(--id-server 127.0.0.2:10000 --dispatch-server 127.0.0.3 --decoder 127.0.0.1)
# The simulator reads this command's standard input. Its first output line is its address; the
# answers to the card lines that follow go to this command's output, its request log to $log.
exec 3<&0
build/release/sim/korvicard-sim --port 0 --card mifare1k --card typeb "${servers[@]}" <&3 \
  2>"$log" > >(IFS= read -r address && echo "$address" >"$work/address" && cat) &
sim=$!
exec 3<&-
hint=
trap 'kill $hint "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do
  [[ -s "$work/address" ]] && break
  kill -0 "$sim" 2>/dev/null || { cat "$log" >&2; exit 1; }
  sleep 0.1
done
address=$(head -n 1 "$work/address")
echo "Simulated reader on $address (requests logged in $log)"

# Once the bench is up, how to place cards.
names="mifare1k mifare4k ntag213 ntag215 ntag216 typeb cpu fm1208issued transit bank felica"
{
  sleep 1
  echo "Type \`card NAME…\` here to place cards (card none empties the field): $names"
} &
hint=$!

# The bench leaves this command's standard input to the simulator.
bench=(build/release/testbench/TestKorviCardReader --ip "${address%:*}" --port "${address##*:}"
  "${servers[@]}" "$@")
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  xvfb-run -a "${bench[@]}" </dev/null
else
  "${bench[@]}" </dev/null
fi
