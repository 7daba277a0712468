#include "tools/eldata_tool/EldataTool.h"

#include <cstdio>
#include <ctime>
#include <map>

#include "engine/ECoreEldata.h"
#include "engine/ECoreOptionStream.h"

namespace {

const std::u16string kEldataName = u"ELDATA";

bool IsEldataResource(const TResourceEntry& entry) {
  const auto* type = std::get_if<std::uint16_t>(&entry.Type);
  const auto* name = std::get_if<std::u16string>(&entry.Name);
  return type && *type == kEldataResourceType && name && *name == kEldataName;
}

std::span<const std::uint8_t> AppendedCarrier(const std::vector<std::uint8_t>& module) {
  if (module.size() < kAppendedTrailerSize) return {};
  const std::span<const std::uint8_t> bytes(module);
  const auto length = AppendedBlockLength(bytes.last(kAppendedTrailerSize));
  if (!length || *length > module.size() - kAppendedTrailerSize) return {};
  return bytes.subspan(module.size() - kAppendedTrailerSize - *length, *length);
}

std::string StampText(double buildStamp) {
  const auto seconds = static_cast<std::time_t>((buildStamp - 25569.0) * 86400.0 + 0.5);
  char text[40] = "?";
  if (const std::tm* utc = std::gmtime(&seconds))
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", utc);
  return text;
}

std::string Hex(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, static_cast<unsigned>(value));
  return text;
}

}  // namespace

std::vector<TSymbolTableEntry> ResolveSymbols(const std::vector<TSymbolSpec>& symbols,
                                              const TPeImage* module) {
  std::vector<TSymbolTableEntry> table;
  std::vector<TCoffSymbol> coff;
  if (module) coff = module->CoffSymbols();
  for (const TSymbolSpec& symbol : symbols) {
    if (symbol.RoutineName.empty()) {
      table.push_back(symbol.Entry);
      continue;
    }
    const TCoffSymbol* found = nullptr;
    for (const TCoffSymbol& candidate : coff)
      if (candidate.Name == symbol.RoutineName || candidate.Name == "_" + symbol.RoutineName)
        found = &candidate;
    if (!found || found->Rva < kSymbolCodeStart)
      throw TOptionsTextError("SymbolTable: the module has no routine \"" + symbol.RoutineName +
                              "\"");
    table.push_back({symbol.SymbolID, found->Rva - kSymbolCodeStart, found->Size});
  }
  return table;
}

std::vector<std::uint8_t> BuildEldataBlock(const TWriteRequest& request, const TPeImage* module) {
  const TOptionsFile file = ParseOptionsText(request.OptionsText);
  TEldataBlockInput input = EldataInputFor(*file.Options);
  input.BuildStamp = request.BuildStamp;
  input.DebugPassword = file.DebugPassword;
  input.DebugInfo = request.DebugInfo;
  input.SymbolTable = ResolveSymbols(file.Symbols, module);
  if (request.FormatVersion) input.FormatVersion = *request.FormatVersion;
  return request.Carrier == TCarrier::Resource ? WriteEldataResourceBlock(input)
                                               : WriteEldataAppendedBlock(input);
}

std::vector<std::uint8_t> EmbedEldata(std::vector<std::uint8_t> moduleBytes,
                                      const TWriteRequest& request) {
  const std::size_t appended = AppendedCarrier(moduleBytes).size();
  if (appended > 0) moduleBytes.resize(moduleBytes.size() - appended - kAppendedTrailerSize);
  TPeImage module(std::move(moduleBytes));
  const std::vector<std::uint8_t> block = BuildEldataBlock(request, &module);
  if (request.Carrier == TCarrier::Appended) {
    module.Append(block);
  } else {
    std::vector<TResourceEntry> resources;
    for (TResourceEntry& entry : module.Resources())
      if (!IsEldataResource(entry)) resources.push_back(std::move(entry));
    resources.push_back({kEldataResourceType, kEldataName, 0, 0, block});
    module.SetResources(resources);
  }
  module.UpdateChecksum();
  return module.Bytes();
}

TDumpResult DumpEldata(const std::vector<std::uint8_t>& moduleBytes, const std::string& password) {
  const TPeImage module(moduleBytes);
  std::vector<std::uint8_t> resource;
  for (const TResourceEntry& entry : module.Resources())
    if (IsEldataResource(entry)) resource = entry.Data;
  const auto appended = AppendedCarrier(moduleBytes);

  TDovaroModuleOptions options;
  TEldataContent content;
  TEldataReadSettings settings;
  settings.ObtainPassword = [&](int attempt) -> std::optional<std::string> {
    return attempt == 0 ? std::optional<std::string>(password) : std::nullopt;
  };
  TDumpFacts facts;
  if (!resource.empty()) {
    const auto header = PeekEldataHeader(resource);
    if (!header) throw std::runtime_error("the ELDATA resource does not start with a magic value");
    facts.HeaderComments.push_back("ELDATA resource of " + std::to_string(resource.size()) +
                                   " bytes");
    facts.HeaderComments.push_back("Magic " + Hex(header->Magic, 8) + ", FormatVersion " +
                                   std::to_string(header->FormatVersion) + ", BuildStamp " +
                                   StampText(header->BuildStamp));
    if (header->HasHeaderFlags)
      facts.HeaderComments.push_back("HeaderLeakFlags " + Hex(header->HeaderLeakFlags, 2) +
                                     ", HeaderUseMainOptions " +
                                     std::to_string(header->HeaderUseMainOptions));
    if (!ReadEldataResource(resource, options, content, settings))
      throw std::runtime_error(
          "the ELDATA resource cannot be read (damaged, or FormatVersion above " +
          std::to_string(kEngineDataVersion) + ")");
  } else if (!appended.empty()) {
    facts.HeaderComments.push_back("ELDATA appended to the module file, " +
                                   std::to_string(appended.size()) + " bytes");
    if (!ReadEldataAppended(appended, options, content, settings))
      throw std::runtime_error("the appended ELDATA block cannot be read");
    facts.HeaderComments.push_back("FormatVersion " + std::to_string(content.FormatVersion) +
                                   ", BuildStamp " + StampText(content.BuildStamp));
  } else {
    throw std::runtime_error("the module carries no ELDATA block");
  }
  const std::size_t debugSize = content.DebugInfo ? content.DebugInfo->size() : 0;
  facts.HeaderComments.push_back("Debug information: " + std::to_string(debugSize) + " bytes");
  facts.SymbolTable = content.SymbolTable;
  if (!resource.empty() && content.PasswordValid) facts.DebugPassword = password;
  if (appended.empty() || !resource.empty())
    facts.HeaderComments.push_back(content.PasswordValid
                                       ? "The password probe matches the DebugPassword below"
                                       : "The password probe does not match the password given");
  else
    facts.DebugPassword = password;  // the appended carrier has no probe
  for (const TCoffSymbol& symbol : module.CoffSymbols())
    if (symbol.Rva >= kSymbolCodeStart)
      facts.RoutineNames.emplace(symbol.Rva - kSymbolCodeStart, symbol.Name);
  return {FormatOptionsText(options, facts), std::move(content.DebugInfo)};
}
