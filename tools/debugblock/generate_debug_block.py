#!/usr/bin/env python3
"""Writes the compact debug block of a built module.

The block maps the module's code to units (our source files), classes,
routines and lines. It is read from what the compiler left in the module:
the DWARF line programs (through objdump's decoded line table) and the symbol
table (through nm, demangled). Names are enciphered with the module's debug
password so that a stripped module still resolves its own addresses.

Usage: generate_debug_block.py --module X.dll --output X.dbg
                               [--password P | --options X.eldata] [--map X.map]
The password is given, or read as "DebugPassword" of the [Debug] section of
the module's options file (the file the ELDATA build tool reads).
--map also writes the same units, routines and lines as a linker map text,
for tools (and the benchmarks) that read map files.
"""

import argparse
import bisect
import hashlib
import re
import struct
import subprocess
import sys

CODE_SECTION_OFFSET = 0x1000
SOURCE_FILE_EXTENSION = ".cpp"
MAX_NAME_PIECE = 127          # a length byte of 128 and more means "continued"
BLOCK_VERSION = 6105          # names enciphered, continued names, 8-byte records


# ---------------------------------------------------------------- the cipher
# The engine's 64-bit block cipher (MD5 key, 32 rounds of its own TEA-style
# round function) in its enciphering direction, with chaining from an
# all-ones register and the tail XORed with the enciphered register.
MASK = 0xFFFFFFFF
DELTA = 0x9E3779B9


def cipher_key(password):
    digest = hashlib.md5(password.encode("latin-1")).digest()
    return struct.unpack(">4I", digest)


def encrypt_block(block, key):
    k0, k1, k2, k3 = key
    left, right = struct.unpack(">2I", block)
    total = 0
    for _ in range(32):
        total = (total + DELTA) & MASK
        left = (left + (((right << 4) & MASK) + (right ^ k0) + ((right >> 5) ^ total) + k1)) & MASK
        right = (right + (((left << 4) & MASK) + (left ^ k2) + ((left >> 5) ^ total) + k3)) & MASK
    return struct.pack(">2I", left, right)


def encrypt_buffer(data, key):
    register = b"\xff" * 8
    out = bytearray()
    whole = len(data) - len(data) % 8
    for at in range(0, whole, 8):
        plain = data[at:at + 8]
        register = encrypt_block(bytes(p ^ r for p, r in zip(plain, register)), key)
        out += register
    if whole < len(data):
        register = encrypt_block(register, key)
        out += bytes(p ^ r for p, r in zip(data[whole:], register))
    return bytes(out)


# ------------------------------------------------------ what the module holds
def run(tool, *args):
    return subprocess.run([tool, *args], check=True, capture_output=True, text=True,
                          errors="replace").stdout


def image_layout(objdump, module):
    """Image base and the code section's [start, end)."""
    headers = run(objdump, "-p", "-h", module)
    base = int(re.search(r"^ImageBase\s+([0-9a-fA-F]+)", headers, re.M).group(1), 16)
    text = re.search(r"^\s*\d+\s+\.text\s+([0-9a-f]+)\s+([0-9a-f]+)", headers, re.M)
    size, start = int(text.group(1), 16), int(text.group(2), 16)
    return base, start, start + size


def line_rows(objdump, module):
    """(address, file base name, line) rows in table order; end rows have line None."""
    rows = []
    for text in run(objdump, "--dwarf=decodedline", "-w", module).splitlines():
        parts = text.split()
        if len(parts) < 3 or not parts[2].startswith("0x"):
            continue
        line = None if parts[1] == "-" else int(parts[1]) if parts[1].isdigit() else None
        if parts[1] != "-" and line is None:
            continue
        rows.append((int(parts[2], 16), parts[0].rsplit("/", 1)[-1], line))
    return rows


def code_symbols(nm, module, text_start, text_end):
    """Sorted (address, demangled name) of the code symbols, one per address."""
    symbols = {}
    for text in run(nm, "--defined-only", "--demangle", module).splitlines():
        match = re.match(r"^([0-9a-fA-F]+) ([tT]) (.+)$", text)
        if not match:
            continue
        address, name = int(match.group(1), 16), match.group(3)
        if not (text_start <= address < text_end) or name.startswith("."):
            continue
        symbols.setdefault(address, name)
    return sorted(symbols.items())


# ------------------------------------------------- demangled names, split up
OPERATOR = re.compile(r"operator(\(\)|\[\]|<=>|<<=|>>=|<<|>>|<=|>=|->\*|->|<|>|\(|\)|[^\s(<]+)")


def _top_level_split(text, separator):
    parts, depth, current, at = [], 0, "", 0
    while at < len(text):
        c = text[at]
        if c in "<([{":
            depth += 1
        elif c in ">)]}":
            depth -= 1
        if depth == 0 and text.startswith(separator, at):
            parts.append(current)
            current, at = "", at + len(separator)
            continue
        current += c
        at += 1
    parts.append(current)
    return parts


def class_and_routine(demangled):
    """'ns::TFoo::Bar(int) const' -> ('ns::TFoo', 'Bar'); free functions have no class."""
    name = re.sub(r" \[clone [^\]]*\]", "", demangled)
    if "(" not in name:
        # A C routine: drop the stdcall and fastcall decorations ("@12").
        name = re.sub(r"^@?([^@]+)@\d+$", r"\1", name)
    name = name.replace("(anonymous namespace)::", "").replace("[abi:cxx11]", "")
    operators = []

    def keep_operator(match):
        operators.append(match.group(0))
        return "operator\x01%d\x01" % (len(operators) - 1)

    name = OPERATOR.sub(keep_operator, name)
    # The qualified name ends at the first top-level "(" (the parameter list).
    depth, end = 0, len(name)
    for at, c in enumerate(name):
        if c in "<[{":
            depth += 1
        elif c in ">]}":
            depth -= 1
        elif c == "(" and depth == 0:
            end = at
            break
    qualified = name[:end].strip()
    # Function templates carry their return type in front.
    qualified = _top_level_split(qualified, " ")[-1]
    parts = [p for p in _top_level_split(qualified, "::") if p]
    restore = lambda text: re.sub("operator\x01(\\d+)\x01", lambda m: operators[int(m.group(1))], text)
    parts = [restore(p).replace(".", "_") for p in parts] or [restore(demangled)]
    return "::".join(parts[:-1]), parts[-1]


# ------------------------------------------------------------ the block
class Procedure:
    def __init__(self, start, end, name, unit, rows):
        self.start, self.end, self.name, self.unit, self.rows = start, end, name, unit, rows


def procedures_with_lines(symbols, rows, text_end):
    """Each code symbol with line rows at its start, with its own file's rows."""
    rows_by_address = sorted((r for r in rows if r[2] is not None), key=lambda r: r[0])
    addresses = [r[0] for r in rows_by_address]
    procedures = []
    for index, (start, name) in enumerate(symbols):
        end = symbols[index + 1][0] if index + 1 < len(symbols) else text_end
        first = bisect.bisect_left(addresses, start)
        if first >= len(addresses) or addresses[first] != start:
            procedures.append(None)  # no line information: breaks a unit
            continue
        unit = rows_by_address[first][1]
        if "." not in unit:
            # The C++ library's extension-less headers (<optional>, <vector>):
            # a unit name without "." would read as one of our source files.
            procedures.append(None)
            continue
        last = bisect.bisect_left(addresses, end)
        own = [(a, line) for a, f, line in rows_by_address[first:last] if f == unit]
        procedures.append(Procedure(start, end, name, unit, own))
    return procedures


def group_units(procedures):
    units, current = [], []
    for procedure in procedures:
        if current and (procedure is None or procedure.unit != current[-1].unit):
            units.append(current)
            current = []
        if procedure is not None:
            current.append(procedure)
    if current:
        units.append(current)
    return units


def line_record(line_delta, address_delta, starts_procedure):
    """The shortest of the five record forms that holds the step."""
    p = 4 if starts_procedure else 0
    if not starts_procedure and 1 <= line_delta <= 4 and 1 <= address_delta <= 32:
        return bytes([((line_delta - 1) << 6) | ((address_delta - 1) << 1)])
    if starts_procedure and 1 <= line_delta <= 8 and 1 <= address_delta <= 8:
        return bytes([((line_delta - 1) << 5) | ((address_delta - 1) << 2) | 1])
    if 1 <= line_delta <= 32 and 1 <= address_delta <= 128:
        v = ((line_delta - 1) << 7) | (address_delta - 1)
        return struct.pack("<H", (v << 4) | p | 3)
    if -32768 <= line_delta <= 32767 and 0 <= address_delta <= 4095 and \
            not (address_delta == 4095 and line_delta == -1):
        field = 4095 if address_delta == 0 else address_delta - 1
        v = (field << 16) | ((line_delta - 1) & 0xFFFF)
        return struct.pack("<I", (v << 4) | 8 | p | 3)
    assert -32768 <= line_delta <= 32767 and 1 <= address_delta <= 65536
    return struct.pack("<IHH", (0x0FFEFFFE << 4) | 8 | p | 3, (line_delta - 1) & 0xFFFF,
                       address_delta - 1)


def steps(line_delta, address_delta, starts_procedure):
    """Records for a step, split where it exceeds what one record holds."""
    out = b""
    while address_delta > 65536:
        out += line_record(0, 65536, False)
        address_delta -= 65536
    while not -32768 <= line_delta <= 32767:
        part = 32767 if line_delta > 0 else -32768
        out += line_record(part, 0, False)
        line_delta -= part
    return out + line_record(line_delta, address_delta, starts_procedure)


class NameWriter:
    def __init__(self, password):
        self.key = cipher_key(password)

    def field(self, pieces):
        out = b""
        for index, piece in enumerate(pieces):
            data = piece.encode("latin-1", "replace")[:MAX_NAME_PIECE]
            continued = 128 if index + 1 < len(pieces) else 0
            out += bytes([len(data) | continued]) + encrypt_buffer(data, self.key)
        return out


def unit_record(procedures, names, text_base):
    unit_name = procedures[0].unit
    if unit_name.endswith(SOURCE_FILE_EXTENSION):
        unit_name = unit_name[:-len(SOURCE_FILE_EXTENSION)]
    code_start = procedures[0].start
    first_line = procedures[0].rows[0][1]
    line, address, previous_class = first_line, code_start, None
    data = b""
    for procedure in procedures:
        owner, routine = class_and_routine(procedure.name)
        if owner and owner == previous_class:
            pieces = ["." + routine]
        elif owner:
            pieces = [owner + "." + routine]
            if len(pieces[0]) > MAX_NAME_PIECE:
                pieces = [owner, routine]
        else:
            pieces = [routine]
        previous_class = owner
        start_line = procedure.rows[0][1]
        data += steps(start_line - line, procedure.start - address, True) + names.field(pieces)
        line, address = start_line, procedure.start
        for row_address, row_line in procedure.rows[1:]:
            if row_address == address or row_line == line:
                continue
            data += steps(row_line - line, row_address - address, False)
            line, address = row_line, row_address
    code_size = procedures[-1].end - code_start
    return (names.field([unit_name]) +
            struct.pack("<iIII", first_line, code_start - text_base, code_size, len(data)) + data)


def read_units(module, objdump, nm):
    base, text_start, text_end = image_layout(objdump, module)
    symbols = code_symbols(nm, module, text_start, text_end)
    procedures = procedures_with_lines(symbols, line_rows(objdump, module), text_end)
    return base + CODE_SECTION_OFFSET, text_end - text_start, group_units(procedures)


def build_block(text_base, units, password):
    names = NameWriter(password)
    return struct.pack("<I", len(units)) + b"".join(
        unit_record(unit, names, text_base) for unit in units)


def map_text(text_base, text_size, units):
    """The units, routines and lines in the layout of a linker map text."""
    def unit_of(unit):
        return unit[0].unit.rsplit(".", 1)[0]

    def public(procedure, unit):
        owner, routine = class_and_routine(procedure.name)
        name = ".".join(p for p in (unit_of(unit), owner, routine) if p)
        return name.replace(" ", "")

    out = ["", " Start         Length     Name                   Class",
           " 0001:00000000 %08XH .text                   CODE" % text_size, "", "",
           "Detailed map of segments", ""]
    for unit in units:
        start = unit[0].start - text_base
        out.append(" 0001:%08X %08X C=CODE     S=.text    G=(none)   M=%s  ACBP=A9" %
                   (start, unit[-1].end - unit[0].start, unit_of(unit)))
    publics = [(p.start - text_base, public(p, unit)) for unit in units for p in unit]
    for title, ordered in (("Name", sorted(publics, key=lambda e: e[1])), ("Value", publics)):
        out += ["", "", "  Address         Publics by " + title, ""]
        out += [" 0001:%08X       %s" % entry for entry in ordered]
    for unit in units:
        out += ["", "", "Line numbers for %s(%s) segment .text" % (unit_of(unit), unit[0].unit), ""]
        entries = ["%6d 0001:%08X" % (line, address - text_base)
                   for p in unit for address, line in p.rows]
        out += [" " + " ".join(entries[i:i + 4]) for i in range(0, len(entries), 4)]
    return "\r\n".join(out) + "\r\n"


def options_password(path):
    """DebugPassword of the [Debug] section of an options file, unquoted."""
    section = None
    with open(path, encoding="latin-1") as options:
        for raw in options:
            line = raw.strip()
            if line.startswith("["):
                section = line
            elif section == "[Debug]" and line.split("=", 1)[0].strip() == "DebugPassword":
                value = line.split("=", 1)[1].strip()
                match = re.match(r'"((?:[^"\\]|\\.)*)"', value)
                if not match:
                    raise SystemExit("%s: DebugPassword is not a quoted text" % path)
                escapes = {"n": "\n", "r": "\r", "t": "\t"}
                return re.sub(r"\\(x[0-9a-fA-F]{2}|.)", lambda m: chr(int(m.group(1)[1:], 16))
                              if m.group(1).startswith("x") else escapes.get(m.group(1), m.group(1)),
                              match.group(1))
    return ""


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--module", required=True, help="the built module (with its DWARF)")
    parser.add_argument("--output", required=True, help="file that receives the debug block")
    parser.add_argument("--password", default="", help="the module's debug password")
    parser.add_argument("--options", help="the module's options file holding its DebugPassword")
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    parser.add_argument("--nm", default="i686-w64-mingw32-nm")
    parser.add_argument("--map", help="also write the same information as a map text")
    args = parser.parse_args()
    text_base, text_size, units = read_units(args.module, args.objdump, args.nm)
    password = options_password(args.options) if args.options else args.password
    with open(args.output, "wb") as output:
        output.write(build_block(text_base, units, password))
    if args.map:
        with open(args.map, "w", newline="") as output:
            output.write(map_text(text_base, text_size, units))
    return 0


if __name__ == "__main__":
    sys.exit(main())
