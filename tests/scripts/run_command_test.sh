#!/usr/bin/env bash
# scripts/run.sh in a copy of the tree whose build holds the simulator and a stand-in for the
# bench (no build): whatever ends the run (SIGTERM, SIGHUP, Ctrl-C, the bench closing or dying,
# the simulator ending) ends the bench's whole process group (xvfb-run and its X server too)
# and the simulator within a few seconds, with the run command's exit status of each, and the
# next run starts at once on the same addresses; a simulator that ends by itself is reported
# with its last log lines and nothing else; a server address held elsewhere is named with the
# variable that moves that server; unmoved, the default photo decoder stands on 127.0.0.1, and
# one decoder serves there when the bench's is put there too; card lines on the run command's
# standard input reach the simulator and its answers the command's output, the bench gets no
# input, and the end of the input changes nothing. The build is configured only while it has
# no build files, and the bench gets a private runtime folder when the session has none. A
# wrong value of a server variable ends the run before the install, naming the variable and
# the value, with no usage text; the values the simulator takes get past that check, but for
# an identity server on port 0.
# usage: run_command_test.sh SIM_PROGRAM WORK_DIR
set -euo pipefail
sim=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
root=$work/root
mkdir -p "$root/scripts" "$root/build/release/sim" "$root/build/release/testbench" "$work/bin"
cp "$here/../../scripts/run.sh" "$root/scripts/"
# The stand-in installer notes that the run got to it; given STOP_AT_INSTALL, the run ends there.
printf 'touch "%s"\n[ -z "${STOP_AT_INSTALL:-}" ] || exit 3\n' "$work/installed" \
  >"$root/scripts/install-deps.sh"
printf '#!/bin/sh\necho "$*" >>"%s"\n' "$work/cmake.calls" >"$work/bin/cmake"
ln -s "$sim" "$root/build/release/sim/korvicard-sim"
# The stand-in bench notes its arguments, its input, its process id and group, and ends when
# told to (or after 30 s).
bench=$root/build/release/testbench/TestKorviCardReader
cat >"$bench" <<EOF
#!/bin/sh
printf '%s\n' "\$@" >"$work/bench.args"
stat -c '%a %u' "\$XDG_RUNTIME_DIR" >"$work/bench.runtime"
readlink /proc/self/fd/0 >"$work/bench.stdin"
stat=\$(cat /proc/\$\$/stat)
set -- \${stat##*) }
echo "\$\$ \$3" >"$work/bench.ids.new" && mv "$work/bench.ids.new" "$work/bench.ids"
for _ in \$(seq 300); do [ -e "$work/close" ] && exit 0; sleep 0.1; done
exit 1
EOF
chmod +x "$work/bin/cmake" "$bench"
log=$root/build/release/korvicard-sim.log
# Server addresses of this test's own, so that it runs beside the run command itself.
export KORVICARD_ID_SERVER=127.0.0.171:10000 KORVICARD_DISPATCH_SERVER=127.0.0.172
export KORVICARD_DECODER=127.0.0.173 KORVICARD_DEFAULT_DECODER=127.0.0.174

run= bench_group= holder=
# On failure, whatever of the run is left: the run command's group and the bench's, and a
# simulator holding an address.
leave() {
  touch "$work/close"
  for group in $run $bench_group; do kill -KILL -- "-$group" 2>/dev/null || true; done
  if [[ -n "$holder" ]]; then kill -KILL "$holder" 2>/dev/null || true; fi
}
trap leave EXIT

fail() {
  echo "$*"
  cat "$work/out" "$work/err" "$log" 2>/dev/null
  exit 1
}

# Waits up to 5 s for a line of the run command's output that holds the text.
wait_for() {
  for _ in $(seq 50); do
    grep -qF -- "$1" "$work/out" && return 0
    sleep 0.1
  done
  fail "no \"$1\" in the output:"
}

# True once background job $1 has ended, within 5 s.
ended() {
  for _ in $(seq 50); do
    [[ " $(jobs -rp | tr '\n' ' ') " == *" $1 "* ]] || return 0
    sleep 0.1
  done
  return 1
}

# Every process that has not ended (zombies left for their parent to reap are passed over) as
# "id parent group name".
process_table() {
  local stat fields name state ppid pgrp
  for stat in /proc/[0-9]*/stat; do
    read -r fields 2>/dev/null <"$stat" || continue
    name=${fields#*(} && name=${name%)*}
    read -r state ppid pgrp _ <<<"${fields##*) }"
    if [[ "$state" != Z ]]; then echo "${stat//[^0-9]/} $ppid $pgrp $name"; fi
  done
}
# The processes of process group $1 (named $2 when given).
group_members() {
  process_table | awk -v group="$1" -v name="${2:-}" '$3 == group && (name == "" || $4 == name) {print $1}'
}
# The children of process $1 named $2.
children_named() {
  process_table | awk -v parent="$1" -v name="$2" '$2 == parent && $4 == name {print $1}'
}

# Starts the run command in a process group of its own, as a terminal's foreground job, with
# SIGINT handled (a background job of a script would ignore it); $1 is its standard input, the
# arguments after it changes to its environment (for env).
start_run() {
  local input=$1
  shift
  rm -f "$work/close" "$work/bench.ids"
  setsid env --default-signal=INT -u XDG_RUNTIME_DIR "$@" PATH="$work/bin:$PATH" \
    bash "$root/scripts/run.sh" \
    <"$input" >"$work/out" 2>"$work/err" 3>&- &
  run=$!
  wait_for "Type \`card NAME…\` here to place cards (card none empties the field); the names: "
  for _ in $(seq 50); do
    [[ -s "$work/bench.ids" ]] && break
    sleep 0.1
  done
  read -r bench_pid bench_group <"$work/bench.ids" || fail "the bench did not start"
  sim_pid=$(children_named "$run" korvicard-sim)
  [[ -n "$sim_pid" ]] || fail "no simulator under the run command"
}

# Values of the server variables: whether the run command takes each and whether the
# simulator does (its option, given the value and then an unknown option, names what it
# refuses first). They differ only on port 0, where the simulator picks a port the bench is
# not told. A refused value ends the run at once with exit status 1, before the install.
declare -A sim_options=([KORVICARD_ID_SERVER]=--id-server
  [KORVICARD_DISPATCH_SERVER]=--dispatch-server [KORVICARD_DECODER]=--decoder
  [KORVICARD_DEFAULT_DECODER]=--decoder)
addresses=("refuses|refuses|localhost" "refuses|refuses|127.0.0.300" "refuses|refuses|127.0.256.172"
  "refuses|refuses|127.0.0.172 " "refuses|refuses| 127.0.0.172" "refuses|refuses|127.0.0.072"
  "refuses|refuses|127..0.172" "refuses|refuses|128.0.0.1" "refuses|refuses|127.0.0.172:80"
  "refuses|refuses|127.0.0" "takes|takes|127.255.255.254" "takes|takes|127.0.0.0")
id_servers=("refuses|refuses|localhost:10000" "refuses|refuses|127.0.0.300:10000"
  "refuses|refuses|127.0.0.171:10000 " "refuses|refuses|127.0.0.171 :10000"
  "refuses|refuses|127.0.0.171:70000" "refuses|refuses|127.0.0.171:65536"
  "refuses|refuses|127.0.0.171:" "refuses|refuses|127.0.0.171:1:2" "refuses|refuses|127.0.0.171:-5"
  "refuses|takes|127.0.0.171:0" "refuses|takes|127.0.0.171:000" "refuses|takes|127.0.0.171:-0"
  "takes|takes|127.255.255.254:65535" "takes|takes|127.0.0.171:1" "takes|takes|127.0.0.171"
  "takes|takes|127.0.0.171:010000" "takes|takes|127.0.0.171: +10000")
checks=()
for variable in KORVICARD_DISPATCH_SERVER KORVICARD_DECODER KORVICARD_DEFAULT_DECODER; do
  checks+=("${addresses[@]/#/$variable|}")
done
checks+=("${id_servers[@]/#/KORVICARD_ID_SERVER|}")
for entry in "${checks[@]}"; do
  IFS='|' read -r variable run_takes sim_takes value <<<"$entry"
  named=$variable=\"$value\"
  first=$("$sim" --port 0 "${sim_options[$variable]}" "$value" --bogus 2>&1 </dev/null || true)
  first=${first%%$'\n'*}
  sim_verdict=refuses
  if [[ "$first" == "korvicard-sim: unknown option --bogus" ]]; then sim_verdict=takes; fi
  [[ "$sim_verdict" == "$sim_takes" ]] || fail "$named: the simulator $sim_verdict it: $first"
  rm -f "$work/installed" "$work/cmake.calls" "$log"
  # A value taken ends the run at the stand-in installer.
  status=0
  env "$variable=$value" STOP_AT_INSTALL="${run_takes#refuses}" PATH="$work/bin:$PATH" \
    timeout 5 bash "$root/scripts/run.sh" </dev/null >"$work/out" 2>"$work/err" || status=$?
  if [[ "$run_takes" == takes ]]; then
    [[ "$status" == 3 && -e "$work/installed" && ! -s "$work/err" ]] ||
      fail "$named: not past the check to the install (exit status $status):"
  else
    [[ "$status" == 1 ]] || fail "$named: the run command exited $status, not 1"
    grep -qF -- "$named" "$work/err" || fail "$named: the variable and its value not named:"
    grep -qF "127.x.y.z" "$work/err" || fail "$named: the loopback form not named:"
    if [[ $variable == KORVICARD_ID_SERVER ]]; then
      grep -qF "1-65535" "$work/err" || fail "$named: the port range not named:"
    fi
    if grep -qi usage "$work/out" "$work/err"; then fail "$named: usage text:"; fi
    if (( $(wc -l <"$work/err") > 2 )) || [[ -s "$work/out" ]]; then
      fail "$named: more than two lines:"
    fi
    [[ ! -e "$work/installed" && ! -e "$work/cmake.calls" ]] || fail "$named: installed or built:"
    [[ ! -e "$log" ]] || fail "$named: the simulator was started:"
  fi
done

# Each way of ending the run, under xvfb-run (no display) as on a machine without one, with
# the run command's exit status; the simulator ending by itself (stopped or killed) is told.
endings=("kill -TERM \$run:143" "kill -HUP \$run:129" "kill -INT -- -\$run:130"
  "touch \$work/close:0" "kill -KILL \$bench_pid:137" "kill -TERM \$sim_pid:1"
  "kill -KILL \$sim_pid:137")
for entry in "${endings[@]}"; do
  ending=${entry%:*} expected=${entry##*:}
  DISPLAY='' WAYLAND_DISPLAY='' start_run /dev/null
  [[ "$bench_group" != "$run" ]] || fail "the bench shares the run command's process group"
  [[ -n "$(group_members "$bench_group" Xvfb)" ]] || fail "no X server in the bench's group"
  eval "$ending"
  ended "$run" || fail "$ending: the run command still runs after 5 s"
  status=0
  wait "$run" || status=$?
  [[ "$status" == "$expected" ]] || fail "$ending: the run command exited $status, not $expected"
  for _ in $(seq 50); do
    [[ -z "$(group_members "$bench_group")" ]] && ! kill -0 "$sim_pid" 2>/dev/null && break
    sleep 0.1
  done
  [[ -z "$(group_members "$bench_group")" ]] || fail "$ending: left of the bench: $(group_members "$bench_group")"
  ! kill -0 "$sim_pid" 2>/dev/null || fail "$ending: the simulator still runs"
  case $ending in
    *sim_pid)
      grep -q "^The simulated reader stopped .*, so the bench has no reader; its last log lines:" \
        "$work/err" || fail "$ending: the simulator's end was not told"
      if [[ $ending == *TERM* ]]; then
        tail -n 1 "$work/err" | grep -qx "korvicard-sim: stopping (SIGTERM)" ||
          fail "$ending: no last log line of the simulator"
      else
        grep -q "stopped by signal KILL" "$work/err" || fail "$ending: no signal named"
      fi
      # In the run command's own words only: no report of the shell's about its job.
      [[ "$(cat "$work/err")" == "$(grep "^The simulated reader stopped" "$work/err"; tail -n 5 "$log")" ]] ||
        fail "$ending: more than the run command's message and the log's last lines:"
      ;;
    *)
      grep -q "korvicard-sim: stopping (SIG" "$log" || fail "$ending: the simulator was not stopped"
      if grep -q "simulated reader stopped" "$work/err"; then fail "$ending: told as the simulator's own end"; fi
      ;;
  esac
done
# A server address held by another korvicard-sim: the run command fails, naming the variable
# that moves that server and no other.
taken=("KORVICARD_ID_SERVER=ADDRESS:PORT|identity server|127.0.0.171|--id-server 127.0.0.171:10000"
  "KORVICARD_DISPATCH_SERVER=ADDRESS|dispatch service|127.0.0.172|--id-server 127.0.0.175:0 --dispatch-server 127.0.0.172"
  "KORVICARD_DECODER=ADDRESS|photo decoder|127.0.0.173|--decoder 127.0.0.173"
  "KORVICARD_DEFAULT_DECODER=ADDRESS|photo decoder|127.0.0.174|--decoder 127.0.0.174")
for entry in "${taken[@]}"; do
  IFS='|' read -r variable server held holding <<<"$entry"
  read -ra holding <<<"$holding"
  "$sim" --port 0 "${holding[@]}" </dev/null >"$work/holder.out" 2>/dev/null &
  holder=$!
  for _ in $(seq 50); do
    [[ -s "$work/holder.out" ]] && break
    sleep 0.1
  done
  [[ -s "$work/holder.out" ]] || fail "$variable: the holding simulator did not start"
  status=0
  PATH="$work/bin:$PATH" bash "$root/scripts/run.sh" </dev/null >"$work/out" 2>"$work/err" ||
    status=$?
  kill -TERM "$holder"
  wait "$holder" || true
  holder=
  [[ "$status" == 1 ]] || fail "$variable: the run command exited $status, not 1"
  grep -q "^korvicard-sim: cannot serve the $server on $held:[0-9]*: Address already in use\." \
    "$work/err" || fail "$variable: the taken address was not named"
  [[ "$(grep KORVICARD_ "$work/err")" == "$variable moves the $server on $held to another loopback address." ]] ||
    fail "$variable: not the one variable that moves the $server:"
done

# The run command's own default decoder, with KORVICARD_DEFAULT_DECODER unset: on 127.0.0.1,
# beside the one the bench is told; and with the bench's decoder there too, one decoder serves
# both.
decoders=("127.0.0.173|127.0.0.173 127.0.0.1" "127.0.0.1|127.0.0.1")
for entry in "${decoders[@]}"; do
  IFS='|' read -r decoder served <<<"$entry"
  DISPLAY=:0 start_run /dev/null -u KORVICARD_DEFAULT_DECODER KORVICARD_DECODER="$decoder"
  sed -n 's/^korvicard-sim: photo decoder \([0-9.]*\):\([0-9]*\)$/\1 \2/p' "$log" >"$work/decoders"
  [[ "$(cut -d ' ' -f 1 "$work/decoders" | paste -sd ' ')" == "$served" ]] ||
    fail "KORVICARD_DECODER=$decoder: photo decoders on $(cat "$work/decoders"), not $served:"
  while read -r host port; do
    (exec 4<>"/dev/tcp/$host/$port") || fail "KORVICARD_DECODER=$decoder: no photo decoder on $host:$port"
  done <"$work/decoders"
  [[ "$(sed -n '/^--decoder$/{n;p}' "$work/bench.args")" == "$decoder" ]] ||
    fail "KORVICARD_DECODER=$decoder: not the decoder handed to the bench"
  touch "$work/close"
  ended "$run" || fail "KORVICARD_DECODER=$decoder: closing the bench did not end the run"
  wait "$run" || fail "KORVICARD_DECODER=$decoder: the run command failed"
done

[[ "$(cat "$work/bench.runtime")" == "700 $(id -u)" ]] ||
  fail "the bench's runtime folder: $(cat "$work/bench.runtime")"
# Configured while there were no build files, then only built.
grep -qx -- "--preset release" "$work/cmake.calls" || fail "never configured: $(cat "$work/cmake.calls")"
: >"$work/cmake.calls"
touch "$root/build/release/build.ninja"

# Card lines, on the same addresses again: the last run freed them.
mkfifo "$work/input"
exec 3<>"$work/input"
DISPLAY=:0 start_run "$work/input"
echo "card ntag213 typeb" >&3
wait_for "in the field: ntag213, typeb"
echo "card bogus" >&3
wait_for 'refused: no card is called "bogus"'
# A last line without its newline is answered once the input has ended: after that answer
# the simulator has seen the end, and it still serves.
printf 'card felica' >&3
exec 3>&-
wait_for "in the field: felica"
address=$(sed -n 's/^Simulated reader on \([0-9.:]*\) .*/\1/p' "$work/out")
(exec 4<>"/dev/tcp/${address%:*}/${address##*:}") || fail "the simulator ended with its input"
if grep -q stopping "$log"; then fail "the simulator stopped with its input"; fi
kill -0 "$run" || fail "the run ended with its input"

touch "$work/close"
ended "$run" || fail "closing the bench did not end the run"
grep -q "korvicard-sim: in the field: mifare1k, typeb" "$log"
grep -q "stopping (SIGTERM)" "$log" || fail "the simulator was not stopped:"
if grep -q "in the field: ntag213" "$log"; then fail "answers in the log"; fi
[[ "$(cat "$work/bench.stdin")" == /dev/null ]]
grep -qx -- "--ip" "$work/bench.args"
grep -qx -- "127.0.0.1" "$work/bench.args"
grep -qx -- "127.0.0.173" "$work/bench.args"
if grep -qx -- "127.0.0.174" "$work/bench.args"; then fail "the default decoder handed to the bench"; fi
grep -q "korvicard-sim: photo decoder 127.0.0.174:" "$log" || fail "no decoder at the default address"
if grep -qx -- "--preset release" "$work/cmake.calls"; then fail "configured again: $(cat "$work/cmake.calls")"; fi
grep -q -- "--build --preset release" "$work/cmake.calls" || fail "not built: $(cat "$work/cmake.calls")"
trap - EXIT
echo "run command: every ending stops the bench and the simulator; card lines handed over"
