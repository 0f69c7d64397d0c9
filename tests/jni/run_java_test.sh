#!/usr/bin/env bash
# Runs one Java test program under java -Xcheck:jni and fails on any JNI warning.
# usage: run_java_test.sh JAVA LIBRARY_DIR CLASSPATH MAIN_CLASS SIM_PROGRAM|- SIM_OPTIONS|- [JVM_OPTION...]
# With a simulator program, korvicard-sim is started on a free loopback port first, with the
# blank-separated SIM_OPTIONS (e.g. "--card typeb"), and its address handed to the test as
# -Dkorvicard.sim=HOST:PORT.
# KORVICARD_PRELOAD (a sanitizer runtime) is preloaded into the JVM when set.
set -uo pipefail
java=$1 libdir=$2 classpath=$3 main=$4 sim=$5 sim_options=$6
shift 6
work=$(mktemp -d)
sim_pid=
cleanup() {
  if [[ -n "$sim_pid" ]]; then
    kill "$sim_pid" 2>/dev/null
    wait "$sim_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

options=()
if [[ "$sim" != "-" ]]; then
  sim_args=(--port 0)
  if [[ "$sim_options" != "-" ]]; then
    read -ra extra <<< "$sim_options"
    sim_args+=("${extra[@]}")
  fi
  "$sim" "${sim_args[@]}" > "$work/sim.out" 2> "$work/sim.err" &
  sim_pid=$!
  for _ in $(seq 100); do
    [[ -s "$work/sim.out" ]] && break
    sleep 0.05
  done
  address=$(head -n1 "$work/sim.out")
  [[ -n "$address" ]] || { echo "korvicard-sim printed no address"; cat "$work/sim.err"; exit 1; }
  options+=("-Dkorvicard.sim=$address")
fi

env_args=()
if [[ -n "${KORVICARD_PRELOAD:-}" ]]; then
  # The JVM handles SIGSEGV itself and keeps memory until exit.
  env_args+=("LD_PRELOAD=$KORVICARD_PRELOAD"
             "ASAN_OPTIONS=handle_segv=0:allow_user_segv_handler=1:detect_leaks=0:use_sigaltstack=0")
fi

env "${env_args[@]}" "$java" -Xcheck:jni -Xshare:auto -XX:TieredStopAtLevel=1 \
  -Djava.library.path="$libdir" -cp "$classpath" "${options[@]}" "$@" "$main" \
  > "$work/out" 2>&1
status=$?
cat "$work/out"
if grep -q "WARNING" "$work/out"; then
  echo "run_java_test: JNI warnings in the output"
  exit 1
fi
exit $status
