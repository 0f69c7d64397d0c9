#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UBSan) and runs each for a
# bounded time. Usage:
#   run_fuzzers.sh <source dir> <work dir> <reply mask, 8 hex digits> <core source list>
#                  <photo decoder keys, 8 hex digits> <default photo decoder host>
#                  <photo decoder port>
# The list file names the driver core's sources, one a line, relative to driver/core.
# KORVICARD_FUZZ_SECONDS sets the run time of the reply-path target (default 10),
# KORVICARD_FUZZ_SHORT_SECONDS that of each of the others (default 3).
set -euo pipefail
src=$1
work=$2
mask=$3
source_list=$4
decoder_keys=$5
decoder_host=$6
decoder_port=$7
seconds=${KORVICARD_FUZZ_SECONDS:-10}
compiler=$(command -v clang++ || true)
if [[ -z "$compiler" ]]; then
  echo "clang++ not found: fuzz targets skipped"
  exit 77
fi
mkdir -p "$work"
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer-no-link,address,undefined
       -fno-sanitize-recover=undefined -DKORVICARD_REPLY_MASK="0x${mask}u"
       -DKORVICARD_DECODER_KEYS="0x${decoder_keys}u" -DKORVICARD_DECODER_HOST="\"${decoder_host}\""
       -DKORVICARD_DECODER_PORT="${decoder_port}"
       -I "$src/driver" -I "$src/driver/api/include")
# The driver core as the build lists it, one object per source, compiled side by side.
objects="$work/core_objects"
rm -rf "$objects"
mkdir -p "$objects"
export compiler objects
sed "s|^|$src/driver/core/|" "$source_list" | tr '\n' '\0' |
  xargs -0 -P "$(nproc)" -I{} bash -c \
    'out="$objects/$(echo "{}" | md5sum | cut -c1-16).o"; "$compiler" "$@" -c "{}" -o "$out"' \
    _ "${flags[@]}"
"$compiler" "${flags[@]}" -fsanitize=fuzzer "$src/tests/fuzz/reply_path_fuzzer.cpp" \
  "$objects"/*.o -o "$work/reply_path_fuzzer"
corpus="$work/reply_path_corpus"
mkdir -p "$corpus"
# Seeds: good replies (mask 0) of 0, 16 and 251 payload bytes, as one piece and as pieces.
/usr/bin/python3 - "$corpus" "$mask" <<'PY'
import os, sys
corpus, k = sys.argv[1], bytes.fromhex(sys.argv[2])
def reply(payload):
    body = bytes([1, 0, len(payload)]) + payload
    frame = bytes([len(body) + 1]) + bytes(b ^ (j % 256) ^ k[j % 4] for j, b in enumerate(body))
    x = 0
    for b in frame:
        x ^= b
    return frame + bytes([x])
def pieces(frame, first):
    out = [bytes([len(frame[:first])]) + frame[:first]]
    at = first
    while at < len(frame):
        part = frame[at:at + 63]
        out.append(bytes([len(part) + 1, 255 if len(frame) - at > 63 else len(part)]) + part)
        at += 63
    return b"".join(p.ljust(256, b"\0") for p in out)
for n, first in ((0, 64), (16, 64), (251, 64), (251, 255), (40, 3)):
    frame = reply(bytes(range(n)))
    with open(os.path.join(corpus, "seed_%d_%d" % (n, first)), "wb") as f:
        f.write(bytes([236, 20]) + pieces(frame, first))
PY
"$work/reply_path_fuzzer" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$work/" "$corpus"

# The parsers of issue 16, each driven through the code the exports use: the SAMV answer
# assembly, M100 frames, identity-server and dispatch messages, SLIP, the callback pieces.
# Linked and run side by side, KORVICARD_FUZZ_SHORT_SECONDS each (default 3).
short=${KORVICARD_FUZZ_SHORT_SECONDS:-3}
targets=(samv_fuzzer m100_fuzzer server_message_fuzzer slip_fuzzer callback_fuzzer)
for target in "${targets[@]}"; do
  "$compiler" "${flags[@]}" -fsanitize=fuzzer -I "$src/tests/fuzz" "$src/tests/fuzz/$target.cpp" \
    "$objects"/*.o -o "$work/$target" &
done
wait
/usr/bin/python3 "$src/tests/fuzz/make_seeds.py" "$work" "$mask"
pids=()
for target in "${targets[@]}"; do
  "$work/$target" -max_total_time="$short" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/$target-" "$work/${target%_fuzzer}_corpus" >"$work/$target.log" 2>&1 &
  pids+=($!)
done
failed=0
for i in "${!targets[@]}"; do
  if ! wait "${pids[$i]}"; then
    echo "${targets[$i]} found a failure:"
    tail -40 "$work/${targets[$i]}.log"
    failed=1
  else
    grep -E '^stat::number_of_executed_units' "$work/${targets[$i]}.log" | sed "s/^/${targets[$i]} /"
  fi
done
exit $failed
