// The documented normalisation under which the disassembler's texts are
// compared with objdump's (`-M intel`). Both texts are brought to one form:
//
// - letter case is ignored; objdump's "<symbol>" and "# comment" suffixes go;
// - prefixes: "repe"/"repz" are "rep", "repnz" and objdump's "bnd" are "repne";
//   segment prefixes objdump prints before an instruction that has no memory
//   operand ("cs je"), "data16", "addr16" and "notrack" are dropped;
// - mnemonic spellings: condition codes of j/set/cmov are compared in one
//   spelling (je = jz, jae = jnb, ja = jnbe, jge = jnl, jg = jnle, ...);
//   objdump's pusha/popa/pushf/popf/iret name the 32-bit forms (pushad, ...),
//   "fwait" is "wait", "int3" is "int 3", "sal" is "shl", "pause" is
//   "rep nop", "xchg ax,ax" is "nop", lgdtd/lidtd/sgdtd/sidtd drop the "d",
//   objdump's 16-bit forms pushw, popw, enterw, retw, retfw, leavew, jmpw,
//   callw, fldenvw, frstorw, fnstenvw and fnsavew drop the "w";
// - string instructions (movs, cmps, stos, lods, scas, ins, outs) are compared
//   as mnemonic plus size letter; their operands and xlat's are dropped;
// - numbers: "$hex", "0xhex" and objdump's bare branch targets are compared as
//   values; a 32-bit displacement above 7FFFFFFF equals its negative
//   ("[ebp+$FFFFFFF0]" = "[ebp-0x10]"); an 8-bit immediate equals its sign
//   extension ("$FF" = 0xffffffff);
// - memory: the "ds:" segment is dropped (objdump prints it for every absolute
//   address), objdump's bracketless "seg:0x..." is "seg:[0x...]", the "eiz"
//   non-index and a scale of "*1" are dropped;
// - xchg's two operands may come in either order;
// - the Ew operand of lar, lsl, sldt, str and smsw may name a register by its
//   16-bit part; objdump's "?" for segment register 6 or 7 is the empty text
//   the decoder prints;
// - with objdump's "data16" before a branch, the target is compared in 16 bits
//   (the processor clears the upper half of EIP; objdump keeps it);
// - "st(0)" is "st"; the disassembler's C%d/D%d/T%d are cr/dr/tr;
// - a size qualifier ("dword ptr") the disassembler prints must equal
//   objdump's; where it prints none (a register operand gives the size),
//   objdump's is ignored.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Whether objdump's row (its text and the instruction's bytes) is an
// instruction the template table covers (Pentium II integer, x87 and MMX
// instructions). Outside that come SSE and later encodings (told by their
// mnemonics, their xmm operands or their opcode maps), undocumented opcodes
// and objdump's "(bad)".
bool ObjdumpRowIsCovered(std::string_view objdumpText, std::span<const std::uint8_t> bytes);

struct NormalizedComparison {
  bool equal = false;
  std::string ours;  // the normalised forms, for failure messages
  std::string theirs;
};

NormalizedComparison CompareWithObjdump(std::string_view ourText, std::string_view objdumpText);
