// Template scanning and the post-pass of TDisAsm. The operands are formatted in
// EDisAsmOperands.cpp.
#include "debuginfo/EDisAsm.h"

#include <algorithm>

#include "debuginfo/EDisAsmText.h"
#include "debuginfo/EDisAsmWaitingForms.h"

namespace {

constexpr std::uint8_t kWait = 0x9B;

// The override prefix bytes in the order of the segment registers es cs ss ds fs gs.
constexpr std::uint8_t kSegmentPrefixes[] = {0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65};

int SegmentNumber(std::uint8_t prefix) {
  for (int number = 0; number < 6; ++number) {
    if (kSegmentPrefixes[number] == prefix) return number;
  }
  return -1;
}

// The text with the waiting mnemonic in place of the no-wait one, padded to
// the same column; other instructions keep their text.
std::string WaitingForm(const std::string& text) {
  const std::string_view mnemonic = std::string_view(text).substr(0, text.find(' '));
  for (const TDisAsmWaitingForm& form : kDisAsmWaitingForms) {
    if (mnemonic != form.NoWait) continue;
    std::string waiting(form.Waiting);
    const std::size_t operands = text.find_first_not_of(' ', mnemonic.size());
    if (operands == std::string::npos) return waiting;
    waiting.resize(std::max(operands, waiting.size() + 1), ' ');
    return waiting + text.substr(operands);
  }
  return text;
}

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

// The prefixes' effects come from the decoder's record; the template walk
// only steps over the prefix bytes (keeping the text of lock and repeat).
void TDisAsm::Reset(std::uint32_t address, std::span<const std::uint8_t> code) {
  address_ = address;
  code_ = code;
  record_ = DecodeInstruction(code.data(), code.size());
  consumed_ = 0;
  immediateUsed_ = 0;
  // VEX encodings lie outside the table: C4 and C5 there are les and lds.
  invalid_ = record_.Status != TDecodeStatus::kDecoded || record_.Vex;
  waitFolded_ = record_.Prefixes.Wait;
  skipWaits_ = false;
  operand16_ = record_.Prefixes.OperandSize;
  address16_ = record_.Prefixes.AddressSize;
  repeatPrefix_ = record_.Prefixes.Repeat != 0;
  segment_ = SegmentNumber(record_.Prefixes.Segment);
  memorySize_ = 0;
  sizeNeeded_ = true;
  sizeForced_ = false;
  annotation_.clear();
  baseRegister_ = kDisAsmNoRegister;
  indexRegister_ = kDisAsmNoRegister;
}

// The bytes of the "DB" form: the decoder's instruction, all the bytes there
// are when they end inside it, or the bytes looked at when they are none.
std::uint32_t TDisAsm::DataLength() const {
  switch (record_.Status) {
    case TDecodeStatus::kDecoded:
      return record_.Length;
    case TDecodeStatus::kNeedMoreData:
      return static_cast<std::uint32_t>(std::min(code_.size(), kMaxInstructionLength));
    case TDecodeStatus::kInvalid:
      break;
  }
  return consumed_;
}

// The prefix and opcode bytes, one by one as the templates select entries.
std::uint8_t TDisAsm::ReadByte() {
  if (consumed_ >= code_.size() || consumed_ >= kMaxInstructionLength) {
    invalid_ = true;
    return 0;
  }
  return code_[consumed_++];
}

// The one-byte entry of the next byte; waits that belong to the x87
// instruction after them are stepped over like prefixes.
std::size_t TDisAsm::OneByteEntry() {
  std::uint8_t byte = ReadByte();
  while (skipWaits_ && byte == kWait) byte = ReadByte();
  return kDisAsmOneByteBase + byte;
}

// The next `bytes` of the instruction's immediate bytes.
std::uint32_t TDisAsm::ImmediateValue(int bytes) {
  if (immediateUsed_ + bytes > record_.ImmediateSize) {
    invalid_ = true;  // the template names more immediate bytes than there are
    return 0;
  }
  std::uint32_t value = 0;
  const std::uint8_t* field = code_.data() + record_.ImmediateOffset + immediateUsed_;
  for (int i = 0; i < bytes; ++i) value |= std::uint32_t{field[i]} << (8 * i);
  immediateUsed_ += bytes;
  return value;
}

std::uint8_t TDisAsm::ModRM() {
  if (!record_.HasModRM) {
    invalid_ = true;  // the template names a ModR/M byte the instruction lacks
    return 0;
  }
  return code_[record_.ModRMOffset];
}

TDisAsmInstruction TDisAsm::Disassemble(std::uint32_t address, std::span<const std::uint8_t> code) {
  Reset(address, code);
  TDisAsmInstruction result;
  result.Record = record_;
  if (code.empty()) return result;
  // Shown apart, the waits end the instruction at the first of them.
  const bool waitApart = waitFolded_ && SeparateWait;
  skipWaits_ = waitFolded_ && !SeparateWait;
  std::string work = Entry(OneByteEntry());
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
  // A template that leaves immediate bytes unnamed does not describe them.
  if (immediateUsed_ != record_.ImmediateSize && !waitApart) invalid_ = true;

  result.Valid = !invalid_;
  result.Length = waitApart ? consumed_ : invalid_ ? DataLength() : record_.Length;
  if (invalid_) {
    result.Text = DataBytesText(result.Length);
  } else {
    result.Text = PostPass(work) + annotation_;
    if (skipWaits_) result.Text = WaitingForm(result.Text);
  }
  return result;
}

void TDisAsm::ExpandItem(std::string& work, std::size_t& pos) {
  const char kind = pos + 1 < work.size() ? work[pos + 1] : '\0';
  const char which = pos + 2 < work.size() ? work[pos + 2] : '\0';
  // An escape or a prefix replaces the rest of the template by a new entry.
  auto continueWith = [&](std::size_t index) {
    work.replace(pos, std::string::npos, Entry(index));
  };
  // A group or a tail is inserted in place and scanned like the template.
  auto insert = [&](std::size_t index) { work.replace(pos, 3, Entry(index)); };

  switch (kind) {
    case 'c':
      if (which == '1') {
        continueWith(OneByteEntry());
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
      if (which != '\0' && kSegmentLetters.find(which) != std::string_view::npos) {
        continueWith(OneByteEntry());
        return;
      }
      break;
    }
    case 's':
      if (which == 'o' || which == 'a') {
        continueWith(OneByteEntry());
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

std::string TDisAsm::DataBytesText(std::uint32_t length) const {
  std::string text = "DB      $";
  text += HexText(code_[0], 2);
  for (std::uint32_t i = 1; i < length; ++i) {
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
