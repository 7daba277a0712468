// Template scanning and the post-pass of TDisAsm. The operands are formatted in
// EDisAsmOperands.cpp.
#include "debuginfo/EDisAsm.h"

#include "debuginfo/EDisAsmText.h"

namespace {

// The processor rejects longer instructions; the limit also ends runaway
// prefix chains.
constexpr std::uint32_t kMaxInstructionLength = 15;

const char* SizeQualifier(std::uint8_t sizeCode) {
  switch (sizeCode) {
    case 2:
      return "word ptr ";
    case 4:
      return "dword ptr ";
    case 6:
      return "";
    case 8:
      return "qword ptr ";
    case 10:
      return "tbyte ptr ";
    default:
      return "byte ptr ";
  }
}

}  // namespace

void TDisAsm::Reset(std::uint32_t address, std::span<const std::uint8_t> code) {
  address_ = address;
  code_ = code;
  consumed_ = 0;
  outOfData_ = false;
  invalid_ = false;
  operand16_ = false;
  address16_ = false;
  repeatPrefix_ = false;
  segment_ = -1;
  modrmRead_ = false;
  modrm_ = 0;
  sibRead_ = false;
  sib_ = 0;
  memorySize_ = 0;
  sizeNeeded_ = true;
  sizeForced_ = false;
  entryIndex_ = 0;
  annotation_.clear();
  baseRegister_ = kDisAsmNoRegister;
  indexRegister_ = kDisAsmNoRegister;
}

std::uint8_t TDisAsm::ReadByte() {
  if (consumed_ >= code_.size() || consumed_ >= kMaxInstructionLength) {
    outOfData_ = true;
    invalid_ = true;
    return 0;
  }
  return code_[consumed_++];
}

std::uint32_t TDisAsm::ReadValue(int bytes) {
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= std::uint32_t{ReadByte()} << (8 * i);
  return value;
}

std::uint8_t TDisAsm::ModRM() {
  if (!modrmRead_) {
    modrm_ = ReadByte();
    modrmRead_ = true;
  }
  return modrm_;
}

std::uint8_t TDisAsm::Sib() {
  if (!sibRead_) {
    sib_ = ReadByte();
    sibRead_ = true;
  }
  return sib_;
}

TDisAsmInstruction TDisAsm::Disassemble(std::uint32_t address, std::span<const std::uint8_t> code) {
  Reset(address, code);
  TDisAsmInstruction result;
  if (code.empty()) return result;

  entryIndex_ = kDisAsmOneByteBase + ReadByte();
  std::string work = Entry(entryIndex_);
  std::size_t pos = 0;
  while (pos < work.size()) {
    switch (work[pos]) {
      case kFinishedMark:
        pos += pos + 1 < work.size() ? 2 + static_cast<std::uint8_t>(work[pos + 1]) : 1;
        break;
      case '#':
        if (pos + 2 < work.size()) {
          std::string text = Operand(work[pos + 1], work[pos + 2]);
          work.replace(pos, 3, text);
          pos += text.size();
        } else {
          ++pos;
        }
        break;
      case '@':
        ExpandItem(work, pos);
        break;
      case '%':
        if (pos + 1 < work.size() && work[pos + 1] == 'c') invalid_ = true;
        pos += 2;
        break;
      default:
        ++pos;
    }
  }

  result.Length = consumed_;
  result.Valid = !invalid_;
  result.Text = invalid_ ? DataBytesText() : PostPass(work) + annotation_;
  return result;
}

void TDisAsm::ExpandItem(std::string& work, std::size_t& pos) {
  const char kind = pos + 1 < work.size() ? work[pos + 1] : '\0';
  const char which = pos + 2 < work.size() ? work[pos + 2] : '\0';
  // An escape or a prefix replaces the rest of the template by a new entry.
  auto continueWith = [&](std::size_t index) {
    entryIndex_ = index;
    work.replace(pos, std::string::npos, Entry(index));
  };
  // A group or a tail is inserted in place and scanned like the template.
  auto insert = [&](std::size_t index) { work.replace(pos, 3, Entry(index)); };

  switch (kind) {
    case 'c':
      if (which == '1') {
        const std::uint8_t prefix = code_[consumed_ - 1];
        if (prefix == 0xF2 || prefix == 0xF3) repeatPrefix_ = true;
        continueWith(kDisAsmOneByteBase + ReadByte());
        return;
      }
      if (which == '2') {
        const std::uint8_t second = ReadByte();
        // F3 before bsf and bsr selects tzcnt and lzcnt (the MMX opcodes check
        // their prefixes in their operands).
        if (repeatPrefix_ && (second == 0xBC || second == 0xBD)) invalid_ = true;
        continueWith(kDisAsmTwoByteBase + second);
        return;
      }
      if (which >= 'a' && which <= 'h') {
        const std::uint8_t modrm = ModRM();
        const std::size_t row = modrm < 0xC0 ? (modrm >> 3) & 7 : 8 + (modrm - 0xC0);
        continueWith(kDisAsmFloatBase + (which - 'a') * kDisAsmFloatEntries + row);
        return;
      }
      break;
    case 'g':
      if (which >= 'a' && which <= 'j') {
        insert(kDisAsmGroupBase + (which - 'a') * 8 + ModRMReg());
        return;
      }
      break;
    case 'h':
      if (which >= '1' && which <= '4') {
        insert(kDisAsmTailBase + (which - '1') * 8 + ModRMReg());
        return;
      }
      break;
    case 'p': {
      static constexpr std::string_view kSegmentLetters = "ecsdfg";
      const std::size_t segment = kSegmentLetters.find(which);
      if (which != '\0' && segment != std::string_view::npos) {
        segment_ = static_cast<int>(segment);
        continueWith(kDisAsmOneByteBase + ReadByte());
        return;
      }
      break;
    }
    case 's':
      if (which == 'o' || which == 'a') {
        (which == 'o' ? operand16_ : address16_) = true;
        continueWith(kDisAsmOneByteBase + ReadByte());
        return;
      }
      break;
    case 'e':
      if (operand16_) {
        work.erase(pos, 2);
      } else {
        work.replace(pos, 2, "e");
        ++pos;
      }
      return;
    case 'o':
      if (which == '2' || which == '4' || which == '8') {
        static constexpr std::string_view kNarrow = "bwd", kWide = "wdq";
        const std::size_t step = which == '2' ? 0 : which == '4' ? 1 : 2;
        work.replace(pos, 3, 1, operand16_ ? kNarrow[step] : kWide[step]);
        ++pos;
        return;
      }
      break;
    case 'm':
      sizeForced_ = true;
      work.erase(pos, 2);
      return;
  }
  ++pos;  // not an item: plain text
}

std::string TDisAsm::PostPass(const std::string& work) const {
  std::string text;
  text.reserve(work.size());
  for (std::size_t i = 0; i < work.size();) {
    const char c = work[i];
    if (c == kFinishedMark && i + 1 < work.size()) {
      const std::size_t length = static_cast<std::uint8_t>(work[i + 1]);
      text.append(work, i + 2, length);
      i += 2 + length;
    } else if (c == '%' && i + 2 < work.size() && work[i + 1] == 's') {
      if (sizeNeeded_ || sizeForced_) text += SizeQualifier(static_cast<std::uint8_t>(work[i + 2]));
      i += 3;
    } else {
      text += c;
      ++i;
    }
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string TDisAsm::DataBytesText() const {
  std::string text = "DB      $";
  text += HexText(code_[0], 2);
  for (std::uint32_t i = 1; i < consumed_; ++i) {
    text += ", $";
    text += HexText(code_[i], 2);
  }
  text += "  //";
  return text;
}

TDisAsmInstruction DisassembleOne(TDisAsm& decoder, std::uint32_t address,
                                  std::span<const std::uint8_t> code) {
  return decoder.Disassemble(address, code);
}
