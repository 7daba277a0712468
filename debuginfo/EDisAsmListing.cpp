#include "debuginfo/EDisAsmListing.h"

#include <algorithm>

#include "debuginfo/EDisAsm.h"
#include "debuginfo/EDisAsmText.h"

namespace {

constexpr std::uint32_t kWindowBytes = 70;
constexpr int kInstructionsEachSide = 10;
constexpr std::uint32_t kLongestInstruction = 15;
constexpr std::uint32_t kAnnotationBytes = 32;
constexpr std::string_view kExceptionMarker = "<-- EXCEPTION";

class ListingBuilder {
 public:
  ListingBuilder(std::uint32_t fault, const TListingSources& sources)
      : fault_(fault), sources_(sources) {
    decoder_.UserValue = this;
    decoder_.SeparateWait = true;  // each instruction on its line, as the processor runs them
    decoder_.OnOperandValue = &ListingBuilder::AnnotateValue;
    if (sources.Lookup != nullptr) {
      decoder_.OnJumpCaption = &ListingBuilder::Caption;
      decoder_.OnCallCaption = &ListingBuilder::Caption;
      decoder_.OnAddressCaption = &ListingBuilder::Caption;
    }
  }

  std::vector<std::string> Build();

 private:
  bool Readable(std::uint32_t address, std::uint32_t size) const;
  bool ReadWindow();
  std::uint32_t LengthAt(std::uint32_t address) const;
  std::uint32_t FindStart() const;
  void AddHeaderIfDue(std::uint32_t address);
  void AddInstruction(std::uint32_t address, std::uint32_t length);
  std::optional<TListingRoutine> RoutineAt(std::uint32_t address) const;

  static bool Caption(void* self, std::uint32_t address, std::string& caption);
  static bool AnnotateValue(void* self, std::uint32_t value, std::string& comment);

  const std::uint32_t fault_;
  const TListingSources& sources_;
  TDisAsm decoder_;
  std::uint32_t windowStart_ = 0;
  std::uint32_t windowEnd_ = 0;      // instructions start before it
  std::vector<std::uint8_t> bytes_;  // from windowStart_, with the last instruction's tail
  std::vector<std::string> lines_;
  std::size_t firstKept_ = 0;  // lines before the fault's routine header are dropped
  std::string previousName_;
  std::string previousPosition_;
};

bool ListingBuilder::Readable(std::uint32_t address, std::uint32_t size) const {
  return sources_.Memory->IsReadable(address, size);
}

// The window: 70 bytes on each side of the fault, shrunk to readable memory,
// plus whatever readable bytes complete the last instruction.
bool ListingBuilder::ReadWindow() {
  if (!Readable(fault_, 1)) return false;
  windowStart_ = fault_ >= kWindowBytes ? fault_ - kWindowBytes : 0;
  while (windowStart_ < fault_ && !Readable(windowStart_, fault_ - windowStart_ + 1)) {
    ++windowStart_;
  }
  windowEnd_ = fault_ <= UINT32_MAX - kWindowBytes ? fault_ + kWindowBytes : UINT32_MAX;
  while (windowEnd_ > fault_ + 1 && !Readable(fault_, windowEnd_ - fault_)) --windowEnd_;

  bytes_.resize(windowEnd_ - windowStart_);
  if (!sources_.Memory->ReadAll(windowStart_, bytes_.data(), bytes_.size())) return false;
  for (std::uint32_t tail = std::min(kLongestInstruction, UINT32_MAX - windowEnd_); tail > 0;
       --tail) {
    std::vector<std::uint8_t> extra(tail);
    if (sources_.Memory->ReadAll(windowEnd_, extra.data(), extra.size())) {
      bytes_.insert(bytes_.end(), extra.begin(), extra.end());
      break;
    }
  }
  return true;
}

std::uint32_t ListingBuilder::LengthAt(std::uint32_t address) const {
  const auto code = std::span<const std::uint8_t>(bytes_).subspan(address - windowStart_);
  const std::uint32_t length =
      sources_.InstructionLength ? sources_.InstructionLength(code) : DisAsmInstructionLength(code);
  return length == 0 ? 1 : length;  // a byte that is no instruction counts as one
}

// The first start from which whole instructions land exactly on the fault,
// moved on so that at most 10 instructions come before the fault.
std::uint32_t ListingBuilder::FindStart() const {
  for (std::uint32_t start = windowStart_; start < fault_; ++start) {
    std::vector<std::uint32_t> starts;
    std::uint32_t address = start;
    while (address < fault_) {
      starts.push_back(address);
      address += LengthAt(address);
    }
    if (address != fault_) continue;
    return starts.size() > kInstructionsEachSide ? starts[starts.size() - kInstructionsEachSide]
                                                 : start;
  }
  return fault_;
}

std::optional<TListingRoutine> ListingBuilder::RoutineAt(std::uint32_t address) const {
  if (sources_.Lookup == nullptr) return std::nullopt;
  try {
    return sources_.Lookup->RoutineAt(address);
  } catch (...) {
    return std::nullopt;  // a failed lookup leaves the line without annotation
  }
}

void ListingBuilder::AddHeaderIfDue(std::uint32_t address) {
  std::string name, position;
  if (const auto routine = RoutineAt(address)) {
    name = ListingRoutineName(*routine) + ' ';
    position = "Line=" + std::to_string(routine->Line) +
               " - Offset=" + std::to_string(routine->LineOffset);
  }
  const bool newRoutine = name != previousName_;
  std::string header = newRoutine ? name : std::string();
  if (position != previousPosition_ && !position.empty()) {
    header += newRoutine ? "(" + position + ")" : position;
  }
  previousName_ = name;
  previousPosition_ = position;
  if (header.empty()) return;

  const std::size_t headerStart = lines_.size();
  if (!lines_.empty()) lines_.push_back(";");
  lines_.push_back("; " + header);
  lines_.push_back("; " + std::string(header.size(), '-'));
  if (newRoutine && !name.empty() && address <= fault_) firstKept_ = headerStart;
}

// One line for the measured instruction; where the disassembler finds a
// shorter valid instruction there (a wait before an x87 instruction, which the
// measure counts with it), one line for each instruction it finds in those
// bytes.
void ListingBuilder::AddInstruction(std::uint32_t address, std::uint32_t length) {
  std::uint32_t at = address;
  do {
    const auto code = std::span<const std::uint8_t>(bytes_).subspan(at - windowStart_);
    const TDisAsmInstruction instruction = decoder_.Disassemble(at, code);
    std::string line = HexText(at, 8) + "  " + instruction.Text;
    if (at == fault_) line += "  ; " + std::string(kExceptionMarker);
    lines_.push_back(std::move(line));
    if (!instruction.Valid) break;
    at += instruction.Length;
  } while (at < address + length && at - windowStart_ < bytes_.size());
}

std::vector<std::string> ListingBuilder::Build() {
  if (!ReadWindow()) return {};
  int after = 0;
  for (std::uint32_t address = FindStart(); address < windowEnd_;) {
    AddHeaderIfDue(address);
    const std::uint32_t length = LengthAt(address);
    AddInstruction(address, length);
    const std::uint8_t first = bytes_[address - windowStart_];
    const std::uint32_t next = address + length;
    if (address > fault_ &&
        (++after == kInstructionsEachSide || (first >= 0xC2 && first <= 0xCB))) {
      break;  // enough, or a return or interrupt ends the routine
    }
    if (next < address) break;  // the end of the address space
    address = next;
  }
  lines_.erase(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(firstKept_));
  if (!lines_.empty() && lines_.front() == ";") lines_.erase(lines_.begin());
  return std::move(lines_);
}

bool ListingBuilder::Caption(void* self, std::uint32_t address, std::string& caption) {
  const auto* builder = static_cast<ListingBuilder*>(self);
  try {
    auto text = builder->sources_.Lookup->AddressCaption(address);
    if (!text || text->empty()) return false;
    caption = std::move(*text);
    return true;
  } catch (...) {
    return false;
  }
}

// An operand that points at readable memory shows the text found there: up to
// 32 bytes until a zero byte, control characters as ".", "..." when no zero
// byte came.
bool ListingBuilder::AnnotateValue(void* self, std::uint32_t value, std::string& comment) {
  const auto* builder = static_cast<ListingBuilder*>(self);
  std::string characters;
  bool terminated = false;
  std::uint32_t read = 0;
  for (; read < kAnnotationBytes && value + read >= value; ++read) {
    std::uint8_t byte = 0;
    if (!builder->sources_.Memory->ReadRecord(value + read, byte)) break;
    if (byte == 0) {
      terminated = true;
      break;
    }
    characters += byte < 0x20 ? '.' : static_cast<char>(byte);
  }
  if (read == 0 && !terminated) return false;  // not readable: no address
  comment = "'" + characters + "'" + (terminated ? "" : "...");
  return true;
}

// The part of a line before its comment, without the spaces that lead to it.
std::size_t CodeWidth(const std::string& line) {
  const std::size_t semicolon = line.find(';');
  std::size_t width = semicolon == std::string::npos ? line.size() : semicolon;
  while (width > 0 && line[width - 1] == ' ') --width;
  return width;
}

// Lines up the ";" comments two columns after the longest code text.
void AlignComments(std::vector<std::string>& lines) {
  std::size_t longest = 0;
  for (const std::string& line : lines) longest = std::max(longest, CodeWidth(line));
  for (std::string& line : lines) {
    const std::size_t semicolon = line.find(';');
    if (semicolon == std::string::npos || semicolon == 0) continue;
    const std::size_t width = CodeWidth(line);
    line = line.substr(0, width) + std::string(longest + 2 - width, ' ') + line.substr(semicolon);
  }
}

}  // namespace

TAssemblerListing AssemblerListing(std::uint32_t address, const TListingSources& sources,
                                   std::string_view title) {
  TAssemblerListing listing;
  if (sources.Memory) listing.Lines = ListingBuilder(address, sources).Build();
  AlignComments(listing.Lines);
  std::size_t longest = title.size() + 1;
  for (const std::string& line : listing.Lines) longest = std::max(longest, line.size());
  listing.Header = std::string(title) + ":\r\n" + std::string(longest, '-');
  return listing;
}

std::string ListingRoutineName(const TListingRoutine& routine) {
  std::string unit = routine.Unit;
  const std::size_t dot = unit.rfind('.');
  const std::size_t folder = unit.find_last_of("/\\");
  if (dot != std::string::npos && (folder == std::string::npos || dot > folder)) unit.erase(dot);
  std::string name;
  const std::string* parts[] = {&unit, &routine.Class, &routine.Procedure};
  for (const std::string* part : parts) {
    if (part->empty()) continue;
    if (!name.empty()) name += '.';
    name += *part;
  }
  return name;
}

std::uint32_t DisAsmInstructionLength(std::span<const std::uint8_t> code) {
  TDisAsm decoder;
  const TDisAsmInstruction instruction = decoder.Disassemble(0, code);
  return instruction.Valid ? instruction.Length : 0;
}
