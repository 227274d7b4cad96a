#!/usr/bin/env python3
"""Checks a built Windows file without running it: its subsystem, its export
table (exactly the names given, when any are) and its version resource.
Usage: check_pe.py OBJDUMP FILE SUBSYSTEM VERSION DESCRIPTION [EXPORT...]
An export given as NAME@BYTES is stdcall on 32-bit x86: its code must return
with `ret $BYTES` (the callee pops its arguments); every other export of a
32-bit file must return with a plain `ret` (cdecl: the caller pops)."""
import struct
import subprocess
import sys


def check_conventions(objdump, path, headers, popped):
    """The return instructions of each export's code (32-bit x86 only)."""
    failures = []
    base = int(headers.split("ImageBase", 1)[1].split()[0], 16)
    rvas = {}
    section = headers.split("Export Address Table -- Ordinal Base", 1)[1]
    for line in section.splitlines()[1:]:
        if not line.strip():
            break
        index = int(line.split("]", 1)[0].strip("[ \t"))
        rvas[index] = int(line.split("]")[2].split()[0], 16)
    table = headers.split("[Ordinal/Name Pointer] Table", 1)[1]
    for line in table.splitlines()[1:]:
        if not line.strip():
            break
        index = int(line.split("]", 1)[0].strip("[ \t"))
        name = line.split("]", 1)[1].strip()
        start = base + rvas[index]
        code = subprocess.run([objdump, "-d", f"--start-address={start:#x}", f"--stop-address={start + 4096:#x}", path],
                              check=True, capture_output=True, text=True).stdout
        body = code.split(">:", 1)[1].split(">:", 1)[0]  # up to the next symbol
        rets = [l.split("\t")[-1].strip() for l in body.splitlines() if "\tret" in l]
        expected = f"ret    ${popped.get(name, 0):#x}" if popped.get(name, 0) else "ret"
        print(f"{name}: {sorted(set(rets))}")
        if not rets or any(r != expected for r in rets):
            failures.append(f"{name} returns with {rets}, expected {expected!r}")
    return failures


def main():
    objdump, path, subsystem, version, description, *exports = sys.argv[1:]
    failures = []
    headers = subprocess.run([objdump, "-p", path], check=True, capture_output=True, text=True).stdout
    if f"({subsystem})" not in headers:
        failures.append(f"subsystem is not {subsystem}")
    popped = {e.split("@")[0]: int(e.split("@")[1]) if "@" in e else 0 for e in exports}
    exports = list(popped)
    if exports:
        table = headers.split("[Ordinal/Name Pointer] Table", 1)
        names = []
        if len(table) == 2:
            for line in table[1].splitlines()[1:]:
                if not line.strip():
                    break
                names.append(line.split("]", 1)[1].strip())
        print("exports:", " ".join(names))
        if sorted(names) != sorted(exports):
            failures.append(f"exports {names}, expected exactly {exports}")
        if "file format pei-i386" in headers:
            failures += check_conventions(objdump, path, headers, popped)
    data = open(path, "rb").read()
    # The resource starts with its key; the program's own code may hold the
    # same words, so everything is looked up from there on.
    base = data.find("VS_VERSION_INFO".encode("utf-16-le"))
    at = data.find(struct.pack("<I", 0xFEEF04BD), base) if base >= 0 else -1
    if at < 0:
        failures.append("no version resource")
    else:
        ms, ls = struct.unpack_from("<II", data, at + 8)
        found = f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
        print("file version:", found)
        if found != version:
            failures.append(f"file version {found}, expected {version}")
    wanted = "FileDescription".encode("utf-16-le")
    at = data.find(wanted, base) if base >= 0 else -1
    text = ""
    if at >= 0:
        start = at + len(wanted)
        while data[start:start + 2] == b"\0\0":
            start += 2
        end = data.find(b"\0\0", start)
        while end >= 0 and (end - start) % 2:
            end = data.find(b"\0\0", end + 1)
        text = data[start:end].decode("utf-16-le")
    print("file description:", text)
    if text != description:
        failures.append(f"file description {text!r}, expected {description!r}")
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
