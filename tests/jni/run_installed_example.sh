#!/usr/bin/env bash
# Installs the build into a fresh prefix and runs the README's Java program from source with
# only the installed korvicard.jar and library, under -Xcheck:jni, against korvicard-sim.
# usage: run_installed_example.sh BUILD_DIR WORK_DIR SIM_PROGRAM JAVA
set -euo pipefail
build=$1 work=$2 sim=$3 java=$4
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" > "$work/install.log"
jar=$prefix/share/java/korvicard.jar
[[ -f "$jar" ]] || { echo "cmake --install put no korvicard.jar into share/java"; exit 1; }
libdir=$(dirname "$(find "$prefix" -name 'libKorviCardDriver.so' | head -n1)")

"$sim" --port 0 > "$work/sim.out" 2> "$work/sim.err" &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [[ -s "$work/sim.out" ]] && break
  sleep 0.05
done
address=$(head -n1 "$work/sim.out")
host=${address%:*} port=${address##*:}

env_args=()
if [[ -n "${KORVICARD_PRELOAD:-}" ]]; then
  env_args+=("LD_PRELOAD=$KORVICARD_PRELOAD"
             "ASAN_OPTIONS=handle_segv=0:allow_user_segv_handler=1:detect_leaks=0:use_sigaltstack=0")
fi
env "${env_args[@]}" "$java" -Xcheck:jni -cp "$jar" -Djava.library.path="$libdir" \
  "$here/example/OpenSimulatedReader.java" "$host" "$port" > "$work/out" 2>&1 || {
  cat "$work/out"; exit 1; }
cat "$work/out"
! grep -q "WARNING" "$work/out" || { echo "JNI warnings in the output"; exit 1; }
grep -q "V3-U.*UID 3A5C7E91" "$work/out"
