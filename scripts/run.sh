#!/usr/bin/env bash
# Installs what is missing, builds the driver library, the simulator and the test bench, and
# starts the main job: the simulated reader on loopback, a Mifare Classic 1K and the identity
# card's type-B side in its field, with the test bench opened on it. Arguments go to the bench.
# Lines on this command's standard input go to the simulator: "card NAME…" places cards, "card
# none" empties the field; its answers show here. Without a display the bench runs under
# xvfb-run. Closing the bench, the bench or the simulator ending otherwise, or Ctrl-C, SIGTERM or
# SIGHUP to this command ends the bench (with its X server) and the simulator; when the
# simulator ends by itself, this command says so with its last log lines and fails.
# KORVICARD_ID_SERVER (ADDRESS[:PORT]), KORVICARD_DISPATCH_SERVER and KORVICARD_DECODER
# (ADDRESS) move the simulator's servers to other loopback addresses, KORVICARD_DEFAULT_DECODER
# (ADDRESS) the photo decoder that stands at the driver's default decoder (localhost); ADDRESS is
# a loopback address 127.x.y.z, PORT 1-65535 (10000 when left out). A wrong value is refused
# before anything is installed, built or started.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# Ends the run unless value $2 of variable $1 is a loopback address as the simulator reads one
# (four decimal numbers 0-255 without leading zeros, the first 127) and, given a third
# argument, an optional :PORT as it reads a port (blanks and a + before the digits, leading
# zeros), but 1-65535: on port 0 it would pick a port the bench is not told.
check_address() {
  local octet='(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])' port=
  local form="a loopback address 127.x.y.z"
  if (( $# > 2 )); then
    port=$'(:[ \t\n\v\f\r]*\\+?0*([1-9][0-9]{0,4}))?'
    form+=" with an optional port 1-65535 (ADDRESS[:PORT], 10000 when left out)"
  fi
  local pattern="^127(\\.$octet){3}$port\$"
  [[ "$2" =~ $pattern ]] && (( 10#0${BASH_REMATCH[4]:-} <= 65535 )) && return
  echo "$1=\"$2\" is not $form." >&2
  exit 1
}

# The identity server, dispatch service and photo decoder on loopback addresses of their own,
# which no test takes, so the test suite can run beside this command; the bench is told them.
id_server=${KORVICARD_ID_SERVER:-127.0.0.101:10000}
dispatch_server=${KORVICARD_DISPATCH_SERVER:-127.0.0.102}
decoder=${KORVICARD_DECODER:-127.0.0.103}
# The identity page's reads that name no decoder ask the driver's default one, localhost: a
# second photo decoder answers there (one decoder, where both addresses are the same).
default_decoder=${KORVICARD_DEFAULT_DECODER:-127.0.0.1}
check_address KORVICARD_ID_SERVER "$id_server" port
check_address KORVICARD_DISPATCH_SERVER "$dispatch_server"
check_address KORVICARD_DECODER "$decoder"
check_address KORVICARD_DEFAULT_DECODER "$default_decoder"
servers=(--id-server "$id_server" --dispatch-server "$dispatch_server" --decoder "$decoder")

bash scripts/install-deps.sh
# Configured once: later builds configure again by themselves when the build files need it.
[[ -f build/release/build.ninja ]] || cmake --preset release
cmake --build --preset release -j "$(nproc)" \
  --target KorviCardDriver korvicard-sim TestKorviCardReader

work=$(mktemp -d)
log=build/release/korvicard-sim.log
sim=
bench=

# Whether $1 is a child that bash has not reaped: `jobs -rp` names only those, so no process id
# that may belong to another program by now is ever signalled.
own() {
  [[ -n "$1" && " $(jobs -rp | tr '\n' ' ') " == *" $1 "* ]]
}

# Names variable $3 when the simulator could not serve its $1 (the simulator's name of that
# server) on address $2: the variable moves it.
moves() {
  if grep -qF "cannot serve the $1 on $2:" "$log"; then
    echo "$3 moves the $1 on $2 to another loopback address." >&2
  fi
}

# Ends what still runs of the bench (its whole process group: xvfb-run and its X server too)
# and of the simulator, and waits for them.
stop() {
  trap - EXIT INT TERM HUP
  local signal
  for signal in TERM KILL; do
    { own "$bench" && kill -"$signal" -- "-$bench"; } 2>/dev/null || true
    { own "$sim" && kill -"$signal" "$sim"; } 2>/dev/null || true
    for _ in $(seq 30); do
      [[ -z "$(jobs -rp)" ]] && break
      sleep 0.1
    done
  done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# The simulator reads this command's standard input. Its first output line is its address, the
# next how to place cards; those and the answers to the card lines go to this command's output,
# its request log to $log.
exec 3<&0
build/release/sim/korvicard-sim --port 0 --card mifare1k --card typeb "${servers[@]}" \
  --decoder "$default_decoder" <&3 \
  2>"$log" > >(IFS= read -r address && echo "$address" >"$work/address" &&
    echo "Simulated reader on $address (requests logged in $log)" && cat) &
sim=$!
exec 3<&-
for _ in $(seq 100); do
  [[ -s "$work/address" ]] && break
  own "$sim" || break
  sleep 0.1
done
if [[ ! -s "$work/address" ]]; then
  echo "The simulated reader did not start:" >&2
  cat "$log" >&2
  moves "identity server" "${id_server%:*}" KORVICARD_ID_SERVER=ADDRESS:PORT
  moves "dispatch service" "$dispatch_server" KORVICARD_DISPATCH_SERVER=ADDRESS
  moves "photo decoder" "$decoder" KORVICARD_DECODER=ADDRESS
  moves "photo decoder" "$default_decoder" KORVICARD_DEFAULT_DECODER=ADDRESS
  exit 1
fi
address=$(head -n 1 "$work/address")

# The bench in a session of its own: the terminal's Ctrl-C reaches it through this command,
# and its process group holds xvfb-run and the X server as well. It gets no input: this
# command's standard input belongs to the simulator.
command=(build/release/testbench/TestKorviCardReader --ip "${address%:*}" --port "${address##*:}"
  "${servers[@]}" "$@")
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  command=(xvfb-run -a -f "$work/Xauthority" "${command[@]}")
fi
# Qt keeps its runtime files in a private folder; a session without one gets the run's own.
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
  mkdir -m 700 "$work/runtime"
  export XDG_RUNTIME_DIR=$work/runtime
fi
setsid "${command[@]}" </dev/null &
bench=$!
# The run ends with the bench, or with the simulator, which leaves the bench no reader. Bash's
# own report of a job ended by a signal stays out: the run tells the simulator's end itself.
ended=
wait -n -p ended "$bench" "$sim" 2>/dev/null && status=0 || status=$?
if [[ "$ended" == "$sim" ]]; then
  how="with exit status $status"
  if (( status > 128 )); then how="by signal $(kill -l $((status - 128)))"; fi
  echo "The simulated reader stopped $how, so the bench has no reader; its last log lines:" >&2
  tail -n 5 "$log" >&2
  exit $((status == 0 ? 1 : status))
fi
exit "$status"
