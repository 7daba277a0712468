#!/usr/bin/env python3
"""Checks the files that attachments_tests wrote, against the manifest of
each case (<case>.json beside them), with readers independent of the
program: an own walk over the PNG chunks with their CRCs and Python's zlib,
Pillow, unzip, zipinfo, 7z and Python's zipfile, xml.etree and xmllint.
Prints one line per case and "N passed, N failed" at the end."""
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zipfile
import zlib

from PIL import Image

IDAT_SIZE = 262143


class Failure(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise Failure(message)


# --- PNG ---------------------------------------------------------------

def png_chunks(data):
    expect(data[:8] == b"\x89PNG\r\n\x1a\n", "PNG signature")
    chunks, at = [], 8
    while at < len(data):
        (length,) = struct.unpack(">I", data[at:at + 4])
        kind = data[at + 4:at + 8]
        body = data[at + 8:at + 8 + length]
        (crc,) = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        expect(zlib.crc32(kind + body) & 0xFFFFFFFF == crc, "CRC of chunk %r" % kind)
        chunks.append((kind, body))
        at += 12 + length
    return chunks


def check_png(folder, case):
    data = open(os.path.join(folder, case["file"]), "rb").read()
    chunks = png_chunks(data)
    kinds = [k for k, _ in chunks]
    expect(kinds[0] == b"IHDR" and kinds[1] == b"PLTE" and kinds[-1] == b"IEND", "chunk order %r" % kinds[:3])
    expect(set(kinds[2:-1]) == {b"IDAT"}, "only IDAT between PLTE and IEND")
    width, height, depth, colour, method, filt, interlace = struct.unpack(">IIBBBBB", chunks[0][1])
    expect((width, height) == (case["width"], case["height"]), "size %dx%d" % (width, height))
    expect((depth, colour, method, filt, interlace) == (8, 3, 0, 0, 0), "IHDR fields")
    palette = chunks[1][1]
    expect(len(palette) == 768, "PLTE of 256 entries")
    colours = [tuple(palette[i:i + 3]) for i in range(0, 768, 3)]
    idats = [body for k, body in chunks if k == b"IDAT"]
    expect(all(len(b) == IDAT_SIZE for b in idats[:-1]), "every IDAT but the last holds 262143 bytes")
    expect(len(idats) >= case.get("min_idat_chunks", 1), "%d IDAT chunks" % len(idats))
    stream = b"".join(idats)
    expect(stream[:2] == b"\x78\xda", "a level-9 zlib stream (78 DA), got %s" % stream[:2].hex())
    rows = zlib.decompress(stream)
    expect(len(rows) == height * (width + 1), "image data length")
    own = {}

    def own_pixel(x, y):
        row = rows[y * (width + 1):(y + 1) * (width + 1)]
        expect(row[0] == 0, "filter byte 0 in row %d" % y)
        return colours[row[1 + x]]

    image = Image.open(os.path.join(folder, case["file"]))
    expect(image.size == (width, height) and image.mode == "P", "Pillow reads %s %s" % (image.size, image.mode))
    rgb = image.convert("RGB")
    for x, y, r, g, b in case.get("pixels", []):
        expect(own_pixel(x, y) == (r, g, b), "pixel (%d,%d) is %r, not %r" % (x, y, own_pixel(x, y), (r, g, b)))
        expect(rgb.getpixel((x, y)) == (r, g, b), "Pillow's pixel (%d,%d) is %r" % (x, y, rgb.getpixel((x, y))))
    for x, y, r, g, b in case.get("not_pixels", []):
        expect(own_pixel(x, y) != (r, g, b), "pixel (%d,%d) should not be %r" % (x, y, (r, g, b)))
    for entry in case.get("palette_has", []):
        expect(tuple(entry) in colours, "palette holds %r" % (entry,))
    if "distinct_colours" in case:
        used = set(rgb.getdata())
        expect(len(used) == case["distinct_colours"], "%d colours used" % len(used))
    if "cursor_region" in case:
        x0, y0, x1, y1, r, g, b = case["cursor_region"]
        inside = [rgb.getpixel((x, y)) for y in range(max(y0, 0), min(y1, height)) for x in range(max(x0, 0), min(x1, width))]
        expect(any(p != (r, g, b) for p in inside), "the cursor is drawn at its place")
        around = [rgb.getpixel((x, y0 - 3)) for x in range(x0, x1)] + [rgb.getpixel((x0 - 3, y)) for y in range(y0, y1)]
        expect(all(p == (r, g, b) for p in around), "nothing drawn just outside the cursor's square")
    # Our walk and Pillow agree on every pixel.
    for y in range(0, height, max(1, height // 16)):
        for x in range(0, width, max(1, width // 16)):
            expect(own_pixel(x, y) == rgb.getpixel((x, y)), "readers disagree at (%d,%d)" % (x, y))


# --- zip ---------------------------------------------------------------

def run(command, **kw):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, **kw)


def check_zip(folder, case):
    path = os.path.join(folder, case["file"])
    password = case.get("password")
    entries = case["entries"]
    with zipfile.ZipFile(path) as archive:
        infos = archive.infolist()
        expect([i.filename for i in infos] == [e["name"] for e in entries], "names %r" % [i.filename for i in infos])
        for info, entry in zip(infos, entries):
            expect(info.compress_type == zipfile.ZIP_DEFLATED, "%s deflated" % info.filename)
            expect(info.date_time == tuple(entry["date"]), "%s dated %r" % (info.filename, info.date_time))
            expect(bool(info.flag_bits & 1) == bool(password), "%s encrypted: %s" % (info.filename, bool(info.flag_bits & 1)))
            source = open(os.path.join(folder, entry["source"]), "rb").read()
            content = archive.read(info, pwd=password.encode() if password else None)
            expect(content == source, "%s holds its file's bytes" % info.filename)
    listing = run(["zipinfo", path]).stdout.decode("latin-1").splitlines()
    rows = [l for l in listing if l.startswith("-")]
    expect(len(rows) == len(entries), "zipinfo lists %d entries" % len(rows))
    for row in rows:
        expect(" defX " in row, "zipinfo: level 9 (defX): %s" % row)
    with tempfile.TemporaryDirectory() as work:
        unzip = ["unzip", "-o", "-q"] + (["-P", password] if password else []) + [path, "-d", os.path.join(work, "u")]
        expect(run(unzip).returncode == 0, "unzip extracts")
        seven = ["7z", "x", "-y", "-o" + os.path.join(work, "7")] + (["-p" + password] if password else ["-p"]) + [path]
        result = run(seven)
        expect(result.returncode == 0, "7z extracts: %s" % result.stdout[-300:])
        for entry in entries:
            source = open(os.path.join(folder, entry["source"]), "rb").read()
            for tool in ("u", "7"):
                extracted = open(os.path.join(work, tool, entry["name"]), "rb").read()
                expect(extracted == source, "%s by %s" % (entry["name"], tool))
        if password:
            wrong = case["wrong_password"]
            expect(run(["unzip", "-o", "-q", "-P", wrong, path, "-d", os.path.join(work, "w1")]).returncode != 0,
                   "unzip refuses the wrong password")
            expect(run(["7z", "x", "-y", "-o" + os.path.join(work, "w2"), "-p" + wrong, path]).returncode != 0,
                   "7z refuses the wrong password")


# --- XML ---------------------------------------------------------------

# Element, and its attributes in order, as the copy writes them.
SCHEMA = {
    "Doc": [], "Log": ["Version"], "General": [], "Group": ["ID", "Label"],
    "CallStack": [], "Modules": [], "Processes": [], "Assembler": [], "CPU": [],
    "ExceptionThread": ["ID", "Priority", "Class", "MainThread"],
    "RunningThread": ["ID", "Priority", "Class", "MainThread"],
    "CallingThread": ["ID", "Priority", "Class", "MainThread"],
    "Module": ["Handle", "Name", "Description", "Version", "Size", "Modified", "Path"],
    "Process": ["ID", "Name", "Description", "Version", "Memory", "Priority", "Threads", "Path"],
    "Registers": ["EAX", "EBX", "ECX", "EDX", "EDI", "ESI", "ESP", "EIP"],
    "Stack": [], "MemoryDump": [], "HoToReproduce": ["Text"],
}
LINE_ATTRIBUTES = {
    "Group": [["ID", "Label", "Value"]],
    "ExceptionThread": [["Address", "Module", "Unit", "Class", "Procedure", "Number", "Offset"]],
    "Assembler": [["Address", "Command", "Comment"], ["Comment"]],
    "Stack": [["Address", "Value"]],
    "MemoryDump": [["Address", "Bytes", "Chars"]],
}
for thread in ("RunningThread", "CallingThread"):
    LINE_ATTRIBUTES[thread] = LINE_ATTRIBUTES["ExceptionThread"]
PARENTS = {
    "Log": "Doc", "General": "Log", "Group": "General", "CallStack": "Log", "Modules": "Log",
    "Processes": "Log", "Assembler": "Log", "CPU": "Log", "ExceptionThread": "CallStack",
    "RunningThread": "CallStack", "Module": "Modules", "Process": "Processes", "Registers": "CPU",
    "Stack": "CPU", "MemoryDump": "CPU", "HoToReproduce": "Log",
}


def version_of(text):
    parts = (text.split(" ")[0].split(".") + ["0"])[:2]
    return tuple(int(p) if p.isdigit() else 0 for p in parts)


def check_schema(element, parent=None, version=(0, 0)):
    name = element.tag
    if name == "Log":
        version = version_of(element.get("Version", ""))
    attributes = list(element.attrib)
    if name == "Line":
        expect(attributes in LINE_ATTRIBUTES.get(parent.tag, []), "Line under %s with %r" % (parent.tag, attributes))
    elif name == "CallingThread":
        expect(parent.tag.endswith("Thread"), "CallingThread under %s" % parent.tag)
        expect(attributes == SCHEMA[name], "CallingThread attributes %r" % attributes)
    else:
        expect(name in SCHEMA, "unknown element %s" % name)
        if parent is not None:
            expect(PARENTS[name] == parent.tag, "%s under %s" % (name, parent.tag))
        if name == "Registers":
            expect(attributes == [a for a in SCHEMA[name] if a in attributes], "register order %r" % attributes)
        elif name == "ExceptionThread" and not attributes:
            # Reports before 5.0 have no thread headers: the element is
            # opened before the first row, without attributes.
            expect(version < (5, 0), "ExceptionThread without attributes in a %r report" % (version,))
        else:
            expect(attributes == SCHEMA[name], "%s attributes %r" % (name, attributes))
    if name == "Log":
        order = [child.tag for child in element]
        expected = ["General", "CallStack", "Modules", "Processes", "Assembler", "CPU"]
        expect(order[:6] == expected and order[6:] in ([], ["HoToReproduce"]), "Log children %r" % order)
    for child in element:
        check_schema(child, element, version)


def parse_xml(folder, case):
    path = os.path.join(folder, case["file"])
    lint = run(["xmllint", "--noout", path])
    expect(lint.returncode == 0, "xmllint: %s" % lint.stdout[:300])
    raw = open(path, "rb").read()
    expect(raw.startswith(b"<Doc>\r\n") and raw.endswith(b"</Doc>"), "document frame")
    expect(b"\n" not in raw.replace(b"\r\n", b""), "CR LF line ends only")
    return ET.parse(path).getroot()


def check_xml(folder, case):
    root = parse_xml(folder, case)
    expect(root.tag == "Doc", "root Doc")
    expect(len(root.findall("Log")) == case["logs"], "%d Log elements" % len(root.findall("Log")))
    check_schema(root)
    for path, attribute, value in case["checks"]:
        found = root.find(path)
        expect(found is not None, "%s present" % path)
        actual = found.get(attribute)
        expect(actual == value, "%s/@%s is %r, not %r" % (path, attribute, actual, value))
    for path, attribute, other, other_attribute in case.get("equal", []):
        left, right = root.find(path), root.find(other)
        expect(left is not None and right is not None, "%s and %s present" % (path, other))
        expect(left.get(attribute) == right.get(other_attribute) and left.get(attribute),
               "%s/@%s %r equals %s/@%s %r" % (path, attribute, left.get(attribute), other,
                                               other_attribute, right.get(other_attribute)))


def check_xml_counts(folder, case):
    root = parse_xml(folder, case)
    for path, count in case["counts"]:
        expect(len(root.findall(path)) == count, "%d of %s" % (len(root.findall(path)), path))


CHECKERS = {"png": check_png, "zip": check_zip, "xml": check_xml, "xml_counts": check_xml_counts}


def main():
    folder = sys.argv[1]
    names = sorted(n for n in os.listdir(folder) if n.endswith(".json"))
    passed = failed = 0
    for name in names:
        case = json.load(open(os.path.join(folder, name), encoding="utf-8"))
        try:
            CHECKERS[case["kind"]](folder, case)
            print("ok      %s" % name[:-5])
            passed += 1
        except Failure as problem:
            print("FAILED  %s: %s" % (name[:-5], problem))
            failed += 1
    expect_kinds = {"png", "zip", "xml"}
    seen = {json.load(open(os.path.join(folder, n), encoding="utf-8"))["kind"] for n in names}
    if not expect_kinds <= seen:
        print("FAILED  manifest: no case of %s" % sorted(expect_kinds - seen))
        failed += 1
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
