// Operand formats of TDisAsm: registers, memory forms, immediates, relative
// targets, memory offsets and far pointers.
#include <cstdlib>

#include "debuginfo/EDisAsm.h"
#include "debuginfo/EDisAsmText.h"

namespace {

const char* const kRegisters8[8] = {"al", "cl", "dl", "bl", "ah", "ch", "dh", "bh"};
const char* const kRegisters16[8] = {"ax", "cx", "dx", "bx", "sp", "bp", "si", "di"};
const char* const kRegisters32[8] = {"eax", "ecx", "edx", "ebx", "esp", "ebp", "esi", "edi"};
// Segment registers by number; 6 and 7 do not exist and print nothing.
const char* const kSegments[8] = {"es", "cs", "ss", "ds", "fs", "gs", "", ""};
const char* const kMemory16[8] = {"bx+si", "bx+di", "bp+si", "bp+di", "si", "di", "bp", "bx"};
// Base and index of each 16-bit form, as register numbers (bx 3, bp 5, si 6, di 7).
const int kBase16[8] = {3, 3, 5, 5, kDisAsmNoRegister, kDisAsmNoRegister, 5, 3};
const int kIndex16[8] = {6, 7, 6, 7, 6, 7, kDisAsmNoRegister, kDisAsmNoRegister};

// "+$" or "-$" and the absolute value of a signed displacement.
std::string SignedDisplacement(std::int32_t value, int digits) {
  const std::uint32_t magnitude =
      value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  return (value < 0 ? "-$" : "+$") + HexText(magnitude, digits);
}

}  // namespace

int TDisAsm::TypeSize(char type) const {
  switch (type) {
    case 'b':
      return 1;
    case 'w':
      return 2;
    case 'd':
      return 4;
    case 'q':
      return 8;
    case 'v':
      return operand16_ ? 2 : 4;
    case 'c':
      return operand16_ ? 1 : 2;
    case 'a':
      return operand16_ ? 4 : 8;
    case 'p':
      return operand16_ ? 4 : 6;
    case 's':
      return 6;
    case 't':
      return 10;
    default:
      return 0;
  }
}

std::string TDisAsm::Operand(char method, char type) {
  const int size = TypeSize(type);
  const bool registerForm = (ModRMNeeded(method) && (ModRM() >> 6) == 3);
  switch (method) {
    case 'A':
      return FinishedText(FarPointer());
    case 'C':
    case 'D':
    case 'T':
      sizeNeeded_ = false;
      return FinishedText(std::string(1, method) + std::to_string(ModRMReg()));
    case 'E':
      return registerForm ? FinishedText(Register(ModRM() & 7, size)) : MemoryOperand(size);
    case 'M':
      if (registerForm) invalid_ = true;  // a register where only memory is allowed
      return MemoryOperand(size);
    case 'R':
      if (type == 'q') {  // an MMX register; these instructions have no memory form
        if ((ModRM() >> 6) != 3) invalid_ = true;
        sizeNeeded_ = false;
        return FinishedText("MM" + std::to_string(ModRM() & 7));
      }
      return FinishedText(Register(ModRM() & 7, size));  // the processor ignores mod here
    case 'F':
      return "";
    case 'G':
      return FinishedText(Register(ModRMReg(), size));
    case 'H':
    case 'I':
    case 'L':
      return FinishedText(Immediate(size));
    case 'J':
      return FinishedText(RelativeTarget(size));
    case 'O':
      return MemoryOffset(size);
    case 'P':
      // 66, F2 or F3 before an MMX opcode selects an SSE instruction.
      if (operand16_ || repeatPrefix_) invalid_ = true;
      sizeNeeded_ = false;
      return FinishedText("MM" + std::to_string(ModRMReg()));
    case 'Q':
      if (operand16_ || repeatPrefix_) invalid_ = true;
      if (registerForm) {
        sizeNeeded_ = false;
        return FinishedText("MM" + std::to_string(ModRM() & 7));
      }
      return MemoryOperand(size);
    case 'S':
      sizeNeeded_ = false;
      return FinishedText(kSegments[ModRMReg()]);
    default:
      return FinishedText(std::string{'#', method, type});
  }
}

bool TDisAsm::ModRMNeeded(char method) {
  return method == 'E' || method == 'M' || method == 'Q';
}

std::string TDisAsm::Register(int number, int size) {
  sizeNeeded_ = false;
  if (size == 1) return kRegisters8[number];
  if (size == 2) return kRegisters16[number];
  return kRegisters32[number];
}

std::string TDisAsm::MemoryOperand(int size) {
  memorySize_ = size;
  std::string text = segment_ >= 0 ? std::string(kSegments[segment_]) + ":" : std::string();
  text += address16_ ? Memory16() : Memory32();
  return std::string{'%', 's', static_cast<char>(size)} + FinishedText(text);
}

// The memory forms as the decoder found them: SIB fields and displacement.
std::string TDisAsm::Memory32() {
  const int mod = ModRM() >> 6;
  int base = record_.Rm;
  int index = kDisAsmNoRegister;
  int scale = 0;
  if (record_.HasSib) {
    scale = record_.Scale;
    index = record_.Index;
    base = record_.Base;
    if (index == 4) index = kDisAsmNoRegister;
    if (base == 5 && mod == 0) base = kDisAsmNoRegister;
  } else if (mod == 0 && base == 5) {
    base = kDisAsmNoRegister;
  }
  baseRegister_ = base;
  indexRegister_ = index;

  std::string text = "[";
  if (base != kDisAsmNoRegister) text += kRegisters32[base];
  if (index != kDisAsmNoRegister) {
    if (base != kDisAsmNoRegister) text += '+';
    text += kRegisters32[index];
    if (scale != 0) text += "*" + std::to_string(1 << scale);
  }
  if (mod == 1) {
    text += SignedDisplacement(record_.Displacement, 2);
  } else if (mod == 2 || base == kDisAsmNoRegister) {
    const auto displacement = static_cast<std::uint32_t>(record_.Displacement);
    if (base == kDisAsmNoRegister && index == kDisAsmNoRegister) {
      text += AddressText(displacement, OnAddressCaption);
      AnnotateValue(displacement);
    } else {
      text += "+" + AddressText(displacement, OnAddressCaption);
    }
  }
  return text + "]";
}

std::string TDisAsm::Memory16() {
  const int mod = ModRM() >> 6;
  const int rm = record_.Rm;
  if (mod == 0 && rm == 6) {
    baseRegister_ = indexRegister_ = kDisAsmNoRegister;
    const auto address = static_cast<std::uint16_t>(record_.Displacement);
    return "[" + AddressText(address, OnAddressCaption) + "]";
  }
  baseRegister_ = kBase16[rm];
  indexRegister_ = kIndex16[rm];
  std::string text = std::string("[") + kMemory16[rm];
  if (mod == 1) text += SignedDisplacement(record_.Displacement, 2);
  if (mod == 2) text += SignedDisplacement(record_.Displacement, 4);
  return text + "]";
}

std::string TDisAsm::AddressText(std::uint32_t address, TDisAsmCaptionEvent caption) {
  std::string text = "$" + HexText(address, 4);
  std::string captionText;
  if (caption != nullptr && !invalid_ && caption(UserValue, address, captionText)) {
    text = std::move(captionText);
  }
  return text;
}

std::string TDisAsm::Immediate(int size) {
  const std::uint32_t value = ImmediateValue(size);
  if (size == 4) AnnotateValue(value);
  return "$" + HexText(value, 2 * size);
}

// The target as the decoder computes it, from the end of the instruction.
std::string TDisAsm::RelativeTarget(int size) {
  const int expected = size == 1 ? 1 : operand16_ ? 2 : 4;
  if (record_.Branch == TRelativeBranch::kNone || record_.RelativeSize != expected) {
    invalid_ = true;  // the template's branch is not the decoder's
    return "";
  }
  const bool isCall = record_.Map == TOpcodeMap::kOneByte && record_.MapOpcode == 0xE8;
  return AddressText(record_.RelativeTarget(address_), isCall ? OnCallCaption : OnJumpCaption);
}

std::string TDisAsm::MemoryOffset(int size) {
  memorySize_ = size;
  sizeNeeded_ = false;  // the accumulator beside a memory offset always gives its size
  if (record_.HasModRM || record_.DisplacementSize == 0) invalid_ = true;
  const std::uint32_t offset = address16_ ? static_cast<std::uint16_t>(record_.Displacement)
                                          : static_cast<std::uint32_t>(record_.Displacement);
  if (OnMemoryOffset != nullptr && !invalid_) OnMemoryOffset(UserValue, offset);
  if (!address16_) AnnotateValue(offset);
  std::string text = segment_ >= 0 ? std::string(kSegments[segment_]) + ":" : std::string();
  text += "[$" + HexText(offset, address16_ ? 4 : 8) + "]";
  return std::string{'%', 's', static_cast<char>(size)} + FinishedText(text);
}

std::string TDisAsm::FarPointer() {
  const std::uint32_t offset = ImmediateValue(operand16_ ? 2 : 4);
  const std::uint32_t selector = ImmediateValue(2);
  const std::string offsetText =
      operand16_ ? "$" + HexText(offset, 2) : AddressText(offset, OnAddressCaption);
  return "$" + HexText(selector, 4) + ":" + offsetText;
}

void TDisAsm::AnnotateValue(std::uint32_t value) {
  std::string comment;
  if (OnOperandValue != nullptr && !invalid_ && annotation_.empty() &&
      OnOperandValue(UserValue, value, comment)) {
    annotation_ = "  ; " + comment;
  }
}
