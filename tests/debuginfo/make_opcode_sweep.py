#!/usr/bin/env python3
"""Writes the opcode sweep for the disassembler's differential test: every
one-byte and two-byte opcode (alone and after 66) with ModR/M bytes of each reg
field in four forms, the opcodes of the three VEX maps, every x87 ModR/M byte,
16-bit memory forms, segment, lock and repeat prefixes. objdump disassembles the file as raw i386 code.

Usage: make_opcode_sweep.py OUTPUT
"""
import sys

PREFIXES = {0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65, 0x66, 0x67, 0xF0, 0xF2, 0xF3, 0x0F}
FILL = bytes([0x11, 0x22, 0x33, 0x44])  # immediates, or the next instructions


def modrm_forms(reg):
    return [bytes([0x84 | reg << 3, 0x8D, 0x78, 0x56, 0x34, 0x12]),  # [ebp+ecx*4+disp32]
            bytes([0xC1 | reg << 3]),                                 # a register
            bytes([0x05 | reg << 3, 0x00, 0x20, 0x40, 0x00]),         # [disp32]
            bytes([0x45 | reg << 3, 0xF0])]                           # [ebp-$10]


def sweep():
    out = bytearray()

    def emit(opcode):
        for reg in range(8):
            for form in modrm_forms(reg):
                out.extend(opcode + form + FILL)

    for opcode in range(256):
        if opcode not in PREFIXES:
            emit(bytes([opcode]))
    for opcode in range(256):
        emit(bytes([0x0F, opcode]))
    # VEX before every opcode of its three maps: outside the table, so only
    # the lengths (the instruction decoder's) are compared. EVEX (62 before a
    # register form) is left out: the decoder reads it as bound.
    # A NOP after each (or its immediate) keeps the listing in step.
    for opcode in range(256):
        for form in modrm_forms(0):
            out.extend(bytes([0xC5, 0xF8, opcode]) + form + b'\x90')
    for map_select in (0xE1, 0xE2, 0xE3):
        for opcode in range(256):
            for form in modrm_forms(0):
                out.extend(bytes([0xC4, map_select, 0x79, opcode]) + form + b'\x90')
    for opcode in range(256):
        if opcode not in PREFIXES and opcode not in (0xC4, 0xC5, 0x62):
            emit(bytes([0x66, opcode]))
    for opcode in [0x8B, 0x89, 0xC7, 0xFF, 0xD9, 0xDD]:
        for modrm in range(256):
            out.extend(bytes([0x67, opcode, modrm, 0x34, 0x12]) + FILL)
    for escape in range(0xD8, 0xE0):
        for modrm in range(256):
            out.extend(bytes([escape, modrm, 0x00, 0x20, 0x40, 0x00]) + FILL)
    for segment in [0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65]:
        out.extend(bytes([segment, 0x8B, 0x04, 0x8D, 0x00, 0x20, 0x40, 0x00]))
        out.extend(bytes([segment, 0xA1, 0x00, 0x00, 0x00, 0x00]))
    for prefix in [0xF2, 0xF3, 0xF0]:
        for opcode in [0xA4, 0xA5, 0xA6, 0xA7, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,
                       0x6C, 0x6D, 0x6E, 0x6F, 0x90, 0xC3]:
            out.extend(bytes([prefix, opcode]))
        out.extend(bytes([prefix, 0x0F, 0xB1, 0x0A, prefix, 0x01, 0x08]))
    return bytes(out)


if __name__ == '__main__':
    with open(sys.argv[1], 'wb') as output:
        output.write(sweep())
