// TDisAsm: the table-driven disassembler of 32-bit x86 instructions (with the
// 16-bit operand-size and address-size prefixes, x87 and MMX). It reads a byte
// span, never live memory: the caller copies the code first. Output uses Intel
// operand order, lower-case register names and "$" hexadecimal numbers.
//
// The instruction's structure comes from the hook engine's decoder
// (engine/EHookInstructionLength.h): its length, prefixes, ModRM and SIB
// fields, displacement, immediate bytes and relative target. The templates
// choose the mnemonic and how the operands print; a template that asks for a
// part the decoder did not find marks the bytes invalid. So the length is the
// decoder's for every instruction it decodes, also those printed as "DB".
//
// Operands are named in the processor manuals' notation, "#" + method + type
// (the templates are in EDisAsmTemplates.cpp). Methods: A far pointer, C/D/T
// control/debug/test register ("C%d", "D%d", "T%d"), E register or memory by
// ModR/M, M memory only (a register there makes the bytes invalid), R register
// by ModR/M (type q: an MMX register, memory invalid), F flags (prints
// nothing), G register by ModR/M bits 3-5, H/I/L immediate, J relative target,
// O memory offset, P MMX register by bits 3-5 ("MM%d"), Q MMX register or
// memory, S segment register. Types give the size: b 1, w 2, d 4, q 8, v the
// operand size, c 1 or 2, a 4 or 8 and p the operand size + 2 (by operand
// size), s 6, t 10.
//
// Pure logic: no Win32, no global state. A decoder is used by one thread at a
// time; decoding allocates (strings), so it does not belong in a context where
// the heap is forbidden.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "debuginfo/EDisAsmTemplates.h"
#include "engine/EHookInstructionLength.h"

// Caption of an address (a jump target, a call target or an address operand):
// return true and fill `caption` to print it instead of the number.
using TDisAsmCaptionEvent = bool (*)(void* userValue, std::uint32_t address, std::string& caption);
// Notice of a memory-offset operand ("mov eax, [$00402000]" through A0-A3).
using TDisAsmOffsetEvent = void (*)(void* userValue, std::uint32_t offset);
// Annotation of an operand value that may be an address: return true and fill
// `comment`; the instruction text gets "  ; " and the comment.
using TDisAsmValueEvent = bool (*)(void* userValue, std::uint32_t value, std::string& comment);

struct TDisAsmInstruction {
  std::string Text;
  // Bytes consumed, prefixes included: the decoder's length; where it decodes
  // no instruction, the prefix and opcode bytes looked at (all the bytes there
  // are when they end first).
  std::uint32_t Length = 0;
  bool Valid = false;   // false: Text is the "DB" form of the consumed bytes
  TInstruction Record;  // the decoder's record of the same bytes
};

inline constexpr int kDisAsmNoRegister = -1;

class TDisAsm {
 public:
  explicit TDisAsm(TDisAsmTemplates templates = DisAsmTemplates()) : templates_(templates) {}

  // Decodes the instruction at the start of `code`, which the caller read from
  // `address` (relative targets are computed from it). When the span ends
  // inside the instruction the result is the "DB" form of the bytes there are.
  TDisAsmInstruction Disassemble(std::uint32_t address, std::span<const std::uint8_t> code);

  // A wait (9B) before an x87 instruction. False: one instruction with it, as
  // the decoder and objdump count it, in the waiting form where that has a
  // mnemonic of its own ("fstsw ax" for 9B DF E0). True: the first wait alone
  // (with any prefixes before it), as the processor executes it; the listing
  // shows the two apart.
  bool SeparateWait = false;

  // Optional callbacks; each gets UserValue back. They run during Disassemble.
  TDisAsmCaptionEvent OnJumpCaption = nullptr;
  TDisAsmCaptionEvent OnCallCaption = nullptr;
  TDisAsmCaptionEvent OnAddressCaption = nullptr;
  TDisAsmOffsetEvent OnMemoryOffset = nullptr;
  TDisAsmValueEvent OnOperandValue = nullptr;
  void* UserValue = nullptr;

  // The registers of the last memory operand decoded (numbers 0-7 in the
  // order eax..edi, or bx/bp/si/di as 3/5/6/7 with 16-bit addressing), or
  // kDisAsmNoRegister.
  int BaseRegister() const { return baseRegister_; }
  int IndexRegister() const { return indexRegister_; }

 private:
  void Reset(std::uint32_t address, std::span<const std::uint8_t> code);
  std::uint32_t DataLength() const;
  std::uint8_t ReadByte();
  std::size_t OneByteEntry();
  std::uint32_t ImmediateValue(int bytes);
  std::uint8_t ModRM();
  int ModRMReg() { return (ModRM() >> 3) & 7; }
  const char* Entry(std::size_t index) const { return templates_[index]; }

  // Template scanning (EDisAsm.cpp).
  void ExpandItem(std::string& work, std::size_t& pos);
  std::string PostPass(const std::string& work) const;
  std::string DataBytesText(std::uint32_t length) const;

  // Operands (EDisAsmOperands.cpp): the text to insert, finished ("^" chunks)
  // except for the "%s" size code of memory operands.
  std::string Operand(char method, char type);
  static bool ModRMNeeded(char method);
  int TypeSize(char type) const;
  std::string Register(int number, int size);
  std::string MemoryOperand(int size);
  std::string Memory32();
  std::string Memory16();
  std::string AddressText(std::uint32_t address, TDisAsmCaptionEvent caption);
  std::string Immediate(int size);
  std::string RelativeTarget(int size);
  std::string MemoryOffset(int size);
  std::string FarPointer();
  void AnnotateValue(std::uint32_t value);

  TDisAsmTemplates templates_;

  // Per-instruction state.
  std::uint32_t address_ = 0;
  std::span<const std::uint8_t> code_;
  TInstruction record_;              // the decoder's view of the bytes
  std::uint32_t consumed_ = 0;       // prefix and opcode bytes that selected template entries
  std::uint32_t immediateUsed_ = 0;  // immediate bytes printed so far
  bool invalid_ = false;
  bool waitFolded_ = false;  // the decoder counts waits before the x87 opcode in
  bool skipWaits_ = false;   // ... and so does this instruction's text
  bool operand16_ = false;
  bool address16_ = false;
  bool repeatPrefix_ = false;
  int segment_ = -1;  // override: 0..5 = es cs ss ds fs gs
  int memorySize_ = 0;
  bool sizeNeeded_ = true;
  bool sizeForced_ = false;
  std::string annotation_;
  int baseRegister_ = kDisAsmNoRegister;
  int indexRegister_ = kDisAsmNoRegister;
};

// Decodes one instruction: text and length in bytes.
TDisAsmInstruction DisassembleOne(TDisAsm& decoder, std::uint32_t address,
                                  std::span<const std::uint8_t> code);
