#!/usr/bin/env bash
# The photo decoder a released library asks when the caller names none: the release preset
# configured afresh, as a packager or the run command builds it, compiles the driver with
# localhost and port 60825, whatever port the test build gives its own decoders.
# usage: release_decoder_default_test.sh SOURCE_DIR WORK_DIR
set -euo pipefail
src=$1 work=$2
rm -rf "$work"
cmake --preset release -S "$src" -B "$work" -DKORVICARD_BUILD_TESTS=OFF >"$work.log" 2>&1 ||
  { cat "$work.log"; exit 1; }
python3 - "$work/compile_commands.json" "$src/driver/core/identity/photo_decoder.cpp" <<'PY'
import json, shlex, sys
commands, source = sys.argv[1], sys.argv[2]
entry = next(e for e in json.load(open(commands)) if e["file"] == source)
defines = {arg[2:].partition("=")[0]: arg[2:].partition("=")[2]
           for arg in shlex.split(entry["command"]) if arg.startswith("-D")}
expected = {"KORVICARD_DECODER_HOST": '"localhost"', "KORVICARD_DECODER_PORT": "60825"}
found = {name: defines.get(name) for name in expected}
if found != expected:
    sys.exit(f"the release build's default decoder is {found}, not {expected}")
print("release build: default photo decoder localhost, port 60825")
PY
