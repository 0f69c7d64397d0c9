#!/usr/bin/env bash
# scripts/run.sh in a copy of the tree whose build holds the simulator and a stand-in for the
# bench (no build, no display): card lines on the run command's standard input reach the
# simulator and its answers the command's output, the bench gets no input, the end of the
# input changes nothing, and closing the bench ends the run and the simulator.
# usage: run_command_test.sh SIM_PROGRAM WORK_DIR
set -euo pipefail
sim=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
root=$work/root
mkdir -p "$root/scripts" "$root/build/release/sim" "$root/build/release/testbench" "$work/bin"
cp "$here/../../scripts/run.sh" "$root/scripts/"
echo true >"$root/scripts/install-deps.sh"
printf '#!/bin/sh\n' >"$work/bin/cmake"
ln -s "$sim" "$root/build/release/sim/korvicard-sim"
bench=$root/build/release/testbench/TestKorviCardReader
cat >"$bench" <<EOF
#!/bin/sh
printf '%s\n' "\$@" >"$work/bench.args"
readlink /proc/self/fd/0 >"$work/bench.stdin"
for _ in \$(seq 300); do [ -e "$work/close" ] && exit 0; sleep 0.1; done
exit 1
EOF
chmod +x "$work/bin/cmake" "$bench"

mkfifo "$work/input"
PATH="$work/bin:$PATH" DISPLAY=:0 bash "$root/scripts/run.sh" <"$work/input" >"$work/out" \
  2>"$work/err" &
run=$!
exec 3>"$work/input"
trap 'touch "$work/close"; kill "$run" 2>/dev/null || true' EXIT
log=$root/build/release/korvicard-sim.log

wait_for() {
  for _ in $(seq 100); do
    grep -qF -- "$1" "$work/out" && return 0
    sleep 0.1
  done
  if grep -q "cannot start the identity servers" "$work/err"; then
    echo "the run command's server addresses are taken"
    exit 77
  fi
  echo "no \"$1\" in the output:"
  cat "$work/out" "$work/err"
  exit 1
}

wait_for "Type \`card NAME…\` here to place cards (card none empties the field): "
echo "card ntag213 typeb" >&3
wait_for "in the field: ntag213, typeb"
echo "card bogus" >&3
wait_for 'refused: no card is called "bogus"'
exec 3>&-
sleep 0.5
kill -0 "$run" || { echo "the run ended with its input"; exit 1; }
if grep -q stopping "$log"; then echo "the simulator stopped with its input"; exit 1; fi

# The hint names the cards the simulator knows.
hint=$(sed -n 's/.*empties the field): //p' "$work/out")
known=$(sed -n 's/.*; the names: \(.*\) none; .*/\1/p' "$work/out")
[[ "$hint" == "$known" ]] || { echo "hint: $hint; simulator: $known"; exit 1; }

touch "$work/close"
wait "$run"
trap - EXIT
grep -q "korvicard-sim: in the field: mifare1k, typeb" "$log"
grep -q "stopping (SIGTERM)" "$log" || { echo "the simulator was not stopped:"; cat "$log"; exit 1; }
if grep -q "in the field: ntag213" "$log"; then echo "answers in the log"; exit 1; fi
[[ "$(cat "$work/bench.stdin")" == /dev/null ]]
grep -qx -- "--ip" "$work/bench.args"
grep -qx -- "127.0.0.1" "$work/bench.args"
echo "run command: card lines handed to the simulator"
