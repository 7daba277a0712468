#include "tests/debuginfo/ObjdumpListing.h"

#include <cctype>

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// "  7b601009:\t83 ec 0c             \tsub    esp,0xc"
bool ParseLine(std::string_view line, std::uint32_t& address, std::vector<std::uint8_t>& bytes,
               std::string& text) {
  std::size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  const std::size_t addressStart = i;
  address = 0;
  while (i < line.size() && HexDigit(line[i]) >= 0) address = address * 16 + HexDigit(line[i++]);
  if (i == addressStart || i + 1 >= line.size() || line[i] != ':' || line[i + 1] != '\t') {
    return false;
  }
  i += 2;
  bytes.clear();
  while (i + 1 < line.size() && HexDigit(line[i]) >= 0 && HexDigit(line[i + 1]) >= 0) {
    bytes.push_back(static_cast<std::uint8_t>(HexDigit(line[i]) * 16 + HexDigit(line[i + 1])));
    i += 2;
    while (i < line.size() && line[i] == ' ') ++i;
  }
  if (bytes.empty()) return false;
  if (i < line.size() && line[i] == '\t') ++i;
  text.assign(line.substr(i));
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  return true;
}

}  // namespace

std::span<const std::uint8_t> ObjdumpListing::CodeFrom(
    const ObjdumpInstruction& instruction) const {
  const auto& bytes = runs[instruction.run].bytes;
  return std::span<const std::uint8_t>(bytes).subspan(instruction.offset);
}

ObjdumpListing ParseObjdumpListing(std::string_view text) {
  ObjdumpListing listing;
  std::uint32_t address = 0;
  std::vector<std::uint8_t> bytes;
  std::string instructionText;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!ParseLine(line, address, bytes, instructionText)) continue;

    if (listing.runs.empty() ||
        listing.runs.back().address + listing.runs.back().bytes.size() != address) {
      listing.runs.push_back(ObjdumpRun{address, {}});
    }
    ObjdumpRun& run = listing.runs.back();
    ObjdumpInstruction instruction;
    instruction.address = address;
    instruction.length = static_cast<std::uint32_t>(bytes.size());
    instruction.text = instructionText;
    instruction.run = listing.runs.size() - 1;
    instruction.offset = run.bytes.size();
    run.bytes.insert(run.bytes.end(), bytes.begin(), bytes.end());
    listing.instructions.push_back(std::move(instruction));
  }
  return listing;
}
