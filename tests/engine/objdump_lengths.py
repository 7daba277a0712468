#!/usr/bin/env python3
"""Writes the instruction boundaries that objdump finds in a PE image.

Usage: objdump_lengths.py OBJDUMP IMAGE OUTPUT

Every labelled block of code that `OBJDUMP -d IMAGE` lists becomes one line
"<file offset in hex> <label> <lengths>", where <lengths> holds one hexadecimal
digit per instruction in listing order. A run of zero bytes that objdump skips
("...") starts a new line at the address where the listing resumes. Blocks of
data that the linker places among the code (constructor and destructor lists,
exception tables) are left out.
"""
import re
import subprocess
import sys

DATA_LABEL = re.compile(r"^(\.ctors|\.dtors|\.gcc_except_table|_+CTOR_LIST__|_+DTOR_LIST__)")
LABEL = re.compile(r"^([0-9a-f]+) <(.*)>:$")
INSTRUCTION = re.compile(r"^\s*([0-9a-f]+):\t((?:[0-9a-f]{2} )+)\s*(?:\t(.*))?$")
SECTION = re.compile(r"^\s*\d+\s+(\S+)\s+([0-9a-f]+)\s+([0-9a-f]+)\s+[0-9a-f]+\s+([0-9a-f]+)\s")


def code_sections(objdump, image):
    """(vma, size, file offset) of every section objdump disassembles."""
    lines = subprocess.run([objdump, "-h", image], check=True, capture_output=True,
                           text=True).stdout.splitlines()
    sections = []
    for index, line in enumerate(lines):
        match = SECTION.match(line)
        if match and index + 1 < len(lines) and "CODE" in lines[index + 1]:
            sections.append((int(match.group(3), 16), int(match.group(2), 16),
                             int(match.group(4), 16)))
    return sections


def file_offset(sections, address):
    for vma, size, offset in sections:
        if vma <= address < vma + size:
            return address - vma + offset
    raise SystemExit(f"address {address:x} lies in no code section")


def segments(listing):
    """Yields (label, first address, [lengths]) for every run of code."""
    label, start, lengths, skip_block = None, None, [], True
    for line in listing:
        match = LABEL.match(line)
        if match:
            if lengths and not skip_block:
                yield label, start, lengths
            label, start, lengths = match.group(2), None, []
            skip_block = bool(DATA_LABEL.match(label))
            continue
        if line.strip() == "...":
            if lengths and not skip_block:
                yield label, start, lengths
            start, lengths = None, []
            continue
        match = INSTRUCTION.match(line)
        if not match:
            continue
        size = len(match.group(2).split())
        if match.group(3) is None and lengths:
            lengths[-1] += size  # a long instruction's bytes continue on the next line
            continue
        if start is None:
            start = int(match.group(1), 16)
        lengths.append(size)
    if lengths and not skip_block:
        yield label, start, lengths


def main():
    objdump, image, output = sys.argv[1:4]
    sections = code_sections(objdump, image)
    listing = subprocess.run([objdump, "-d", image], check=True, capture_output=True,
                             text=True).stdout.splitlines()
    count = 0
    with open(output, "w", newline="\n") as out:
        out.write("# Instruction lengths by i686-w64-mingw32-objdump -d: "
                  "file offset, label, one hex digit per instruction\n")
        for label, start, lengths in segments(listing):
            if any(length > 15 for length in lengths):
                raise SystemExit(f"{label}: an instruction longer than 15 bytes")
            digits = "".join(f"{length:x}" for length in lengths)
            out.write(f"{file_offset(sections, start):x} {label.replace(' ', '_')} {digits}\n")
            count += len(lengths)
    if count == 0:
        raise SystemExit("objdump listed no instructions")


if __name__ == "__main__":
    main()
