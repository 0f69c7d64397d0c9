#!/usr/bin/env bash
# Installs the build into a fresh prefix, builds the consumer against it with CMake's
# find_package and with pkg-config, and runs both against korvicard-sim on loopback.
# usage: run_consumer_test.sh BUILD_DIR WORK_DIR SIM_PROGRAM "C_FLAGS"
set -euo pipefail
build=$1 work=$2 sim=$3 cflags=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" > "$work/install.log"

"$sim" --port 0 > "$work/sim.out" 2> "$work/sim.err" &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  [[ -s "$work/sim.out" ]] && break
  sleep 0.1
done
address=$(head -n1 "$work/sim.out")
host=${address%:*} port=${address##*:}
[[ -n "$port" ]] || { echo "korvicard-sim printed no address"; cat "$work/sim.err"; exit 1; }

echo "== find_package(KorviCard)"
cmake -S "$here" -B "$work/cmake-build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
      -DCMAKE_C_FLAGS="$cflags" > "$work/configure.log"
cmake --build "$work/cmake-build" > "$work/build.log"
"$work/cmake-build/korvicard_consumer" "$host" "$port"

echo "== pkg-config korvicard"
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
libdir=$(pkg-config --variable=libdir korvicard)
# shellcheck disable=SC2046,SC2086
cc -std=c11 $cflags "$here/consumer.c" $(pkg-config --cflags --libs korvicard) \
   -Wl,-rpath,"$libdir" -o "$work/pc-consumer"
"$work/pc-consumer" "$host" "$port"

# Both programs must have loaded the installed library, not the build tree's.
for program in "$work/cmake-build/korvicard_consumer" "$work/pc-consumer"; do
  loaded=$(ldd "$program" | awk '/libKorviCardDriver/ {print $3}')
  [[ "$(readlink -f "$loaded")" == "$(readlink -f "$prefix")"/* ]] ||
    { echo "$program loads $loaded"; exit 1; }
done
