#!/usr/bin/env bash
# Builds the card-data fuzz target with clang (libFuzzer, AddressSanitizer, UBSan) and runs
# it for a bounded time. Usage: run_card_data_fuzzer.sh <source dir> <work dir>
# KORVICARD_FUZZ_SECONDS sets the run time (default 10).
set -euo pipefail
src=$1
work=$2
seconds=${KORVICARD_FUZZ_SECONDS:-10}
compiler=$(command -v clang++ || true)
if [[ -z "$compiler" ]]; then
  echo "clang++ not found: fuzz target skipped"
  exit 77
fi
mkdir -p "$work"
"$compiler" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I "$src/driver" "$src/tests/fuzz/card_data_fuzzer.cpp" "$src/driver/core/cards/ber_tlv.cpp" \
  "$src/driver/core/cards/iso14443_4_ats.cpp" "$src/driver/core/cards/iso14443_4.cpp" \
  -o "$work/card_data_fuzzer"
corpus="$work/card_data_corpus"
mkdir -p "$corpus"
# Seeds: a PPSE answer, a record with track 2, and card answers of a chained exchange.
printf '\x6f\x1e\x84\x0e2PAY.SYS.DDF01\xa5\x0c\xbf\x0c\x09\x61\x07\x4f\x05\xa0\x00\x00\x03\x33' \
  >"$corpus/ppse"
printf '\x70\x0c\x5a\x02\x62\x57\x57\x06\x62\x22\x02\x10\xd2\x81' >"$corpus/record"
printf '\x05\x05\x78\x00\x70\x02\x02\xab\x00\x04\x1a\x00\x90\x00\x02\xfa\x00\x03\x0b\x00\x01' \
  >"$corpus/blocks"
"$work/card_data_fuzzer" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$work/" "$corpus"
