#!/usr/bin/env python3
"""Checks the dynamic symbol table of the driver library against the API's names.

Fails when the library exports a name that is not in the list (or anything outside
the API's prefixes), and when a name of the list is not exported: the C, ICC and JNI
interfaces are all built.
"""
import re
import subprocess
import sys

JNI_PREFIX = "Java_korvicard_KorviCardDriver_"
API_NAME = re.compile(r"^(KorviCard|ICC_|Java_korvicard_)")


def exported_names(library):
    out = subprocess.run(["nm", "-D", "--defined-only", library],
                         check=True, capture_output=True, text=True).stdout
    names = set()
    for line in out.splitlines():
        fields = line.split()
        if len(fields) < 3:
            continue
        kind, name = fields[1], fields[2].split("@")[0]
        if kind in ("A",):  # the version node itself
            continue
        names.add(name)
    return names


def api_names(path):
    with open(path, encoding="utf-8") as f:
        return {l.strip() for l in f if l.strip() and not l.startswith("#")}


def listed(name, names):
    if name in names:
        return True
    # An overloaded JNI method carries "__" and its argument signature.
    if name.startswith(JNI_PREFIX) and "__" in name[len(JNI_PREFIX):]:
        return name[:name.index("__", len(JNI_PREFIX))] in names
    return False


def main():
    library, names_file = sys.argv[1], sys.argv[2]
    names = api_names(names_file)
    exported = exported_names(library)
    stray = sorted(n for n in exported if not API_NAME.match(n) or not listed(n, names))
    built = {n for n in names if any(e == n or e.startswith(n + "__") for e in exported)}
    missing = sorted(names - built)
    print(f"{len(built)} of {len(names)} API names exported")
    if missing:
        print(f"not exported ({len(missing)}): " + " ".join(missing))
    if stray:
        print("exported but not API names: " + " ".join(stray))
        return 1
    if missing:
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
