// The assembler section and the CPU block: the registers of the exception's
// context and the stack and memory dump, read through the memory reader.
#include <array>
#include <cstdio>

#include "engine/ECoreOptionFlags.h"
#include "platform/runtime/SystemRecords.h"
#include "report/EReportSections.h"

namespace {

constexpr int kRegistersText = 141;
constexpr int kStackText = 142;
constexpr int kMemoryDumpText = 143;
constexpr const char* kUnknownRegister = "????    ";
constexpr std::size_t kStackTitleWidth = 21;
constexpr int kDumpLines = 16;
constexpr std::size_t kDumpLineBytes = 16;

bool AssemblerAndCpuShown(const TDovaroModuleOptions& options) {
  return (options.LogFlags() & LogAssemblerAndCpu) != 0;
}

std::string Hex8(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
  return text;
}

// EAX, EDI, EBX, ESI, ECX, ESP, EDX, EIP, in the order the block shows them.
std::array<std::string, 8> RegisterTexts(TAddress contextAddress, const TMemoryReader& memory) {
  TRegisterContext context{};
  if (contextAddress == 0 || !memory.ReadRecord(contextAddress, context)) {
    std::array<std::string, 8> unknown;
    unknown.fill(kUnknownRegister);
    return unknown;
  }
  return {Hex8(context.Eax), Hex8(context.Edi), Hex8(context.Ebx), Hex8(context.Esi),
          Hex8(context.Ecx), Hex8(context.Esp), Hex8(context.Edx), Hex8(context.Eip)};
}

// Sixteen lines of a stack slot and 16 bytes of the memory at the exception
// address; empty unless 64 bytes of stack and 256 bytes of memory can be
// read (both copied first, so a page that goes away meanwhile leaves it
// empty rather than half written).
std::string DumpText(TAddress stackPointer, TAddress address, const TMemoryReader& memory) {
  std::uint32_t slots[kDumpLines];
  std::uint8_t bytes[kDumpLines * kDumpLineBytes];
  if (!memory.ReadAll(stackPointer, slots, sizeof slots) ||
      !memory.ReadAll(address, bytes, sizeof bytes))
    return {};
  std::string text;
  text.reserve(kDumpLines * 96);
  for (int line = 0; line < kDumpLines; ++line) {
    char part[48];
    std::snprintf(
        part, sizeof part, "%.8X: %.8X %.8X: ", static_cast<unsigned>(stackPointer + 4 * line),
        static_cast<unsigned>(slots[line]), static_cast<unsigned>(address + kDumpLineBytes * line));
    text += part;
    const std::uint8_t* row = bytes + kDumpLineBytes * line;
    for (std::size_t i = 0; i < kDumpLineBytes; ++i) {
      std::snprintf(part, sizeof part, "%.2X ", row[i]);
      text += part;
    }
    text += ' ';
    for (std::size_t i = 0; i < kDumpLineBytes; ++i)
      text += row[i] < 32 || row[i] > 126 ? '.' : static_cast<char>(row[i]);
    text += "\r\n";
  }
  return text;
}

}  // namespace

std::string AssemblerSection(TAddress address, const TDovaroModuleOptions& options,
                             const TListingSources& listing) {
  const std::string title = options.Text(kAssemblerInformationTextIndex);
  if (!AssemblerAndCpuShown(options))
    return title + ":\r\n" + std::string(title.size() + 1, '-') + "\r\n\r\n";
  const TAssemblerListing lines =
      AssemblerListing(static_cast<std::uint32_t>(address), listing, title);
  std::string text = lines.Header + "\r\n";
  for (const std::string& line : lines.Lines) text += line + "\r\n";
  return text + "\r\n";
}

std::string CpuBlock(const TReportException& exception, const TDovaroModuleOptions& options,
                     const TMemoryReader& memory) {
  const std::string registersTitle = options.Text(kRegistersText);
  if (!AssemblerAndCpuShown(options)) return EmptyBlock(registersTitle);
  const std::array<std::string, 8> r = RegisterTexts(exception.ContextAddress, memory);
  std::string stackTitle = options.Text(kStackText) + ":";
  if (stackTitle.size() < kStackTitleWidth) stackTitle.resize(kStackTitleWidth, ' ');
  std::string text = registersTitle + ":\r\n-----------------------------\r\n";
  text += "EAX: " + r[0] + "   EDI: " + r[1] + "\r\n";
  text += "EBX: " + r[2] + "   ESI: " + r[3] + "\r\n";
  text += "ECX: " + r[4] + "   ESP: " + r[5] + "\r\n";
  text += "EDX: " + r[6] + "   EIP: " + r[7] + "\r\n\r\n";
  text += stackTitle + options.Text(kMemoryDumpText) + ":\r\n";
  text +=
      "------------------   "
      "---------------------------------------------------------------------------\r\n";
  return text + DumpText(exception.StackPointer, exception.Address, memory);
}
