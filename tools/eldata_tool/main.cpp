// eldata_tool: writes a module's ELDATA block from a readable options file
// and shows any module's block as that same text.
//
//   eldata_tool embed --options FILE --module FILE [--debug-stream FILE] [--appended]
//                     [--format-version N]
//   eldata_tool write-block --options FILE --output FILE [--debug-stream FILE]
//                           [--appended] [--symbols-from MODULE]
//   eldata_tool dump --module FILE [--password TEXT] [--output FILE] [--extract-debug FILE]
//
// embed rewrites the module in place (RT_RCDATA "ELDATA", or appended with
// --appended). The build stamp is the current time, or SOURCE_DATE_EPOCH.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "tools/eldata_tool/EldataTool.h"

namespace {

std::vector<std::uint8_t> ReadFileBytes(const std::string& name) {
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (!file) throw std::runtime_error("cannot open \"" + name + "\"");
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[65536];
  for (std::size_t read; (read = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
    bytes.insert(bytes.end(), chunk, chunk + read);
  const bool failed = std::ferror(file);
  std::fclose(file);
  if (failed) throw std::runtime_error("cannot read \"" + name + "\"");
  return bytes;
}

void WriteFileBytes(const std::string& name, const void* data, std::size_t size) {
  std::FILE* file = std::fopen(name.c_str(), "wb");
  if (!file) throw std::runtime_error("cannot create \"" + name + "\"");
  const bool ok = std::fwrite(data, 1, size, file) == size;
  if (std::fclose(file) != 0 || !ok) throw std::runtime_error("cannot write \"" + name + "\"");
}

// Written beside the target first, then moved over it.
void ReplaceFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  const std::string temporary = name + ".eldata-new";
  WriteFileBytes(temporary, bytes.data(), bytes.size());
  if (!MoveFileExA(temporary.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(temporary.c_str());
    throw std::runtime_error("cannot replace \"" + name + "\"");
  }
}

double BuildStampNow() {
  std::time_t now = std::time(nullptr);
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) now = std::strtoll(epoch, nullptr, 10);
  return static_cast<double>(now) / 86400.0 + 25569.0;  // 1 January 1970 is day 25569
}

struct TArguments {
  std::string command;
  std::map<std::string, std::string> values;
  bool appended = false;

  const std::string& Required(const std::string& name) const {
    const auto found = values.find(name);
    if (found == values.end()) throw std::invalid_argument("missing --" + name);
    return found->second;
  }
  std::string Optional(const std::string& name) const {
    const auto found = values.find(name);
    return found == values.end() ? std::string() : found->second;
  }
};

TArguments ParseArguments(int count, char** arguments) {
  if (count < 2) throw std::invalid_argument("no command");
  TArguments parsed;
  parsed.command = arguments[1];
  for (int i = 2; i < count; ++i) {
    const std::string argument = arguments[i];
    if (argument == "--appended") {
      parsed.appended = true;
    } else if (argument.rfind("--", 0) == 0 && i + 1 < count) {
      parsed.values[argument.substr(2)] = arguments[++i];
    } else {
      throw std::invalid_argument("unexpected argument \"" + argument + "\"");
    }
  }
  return parsed;
}

TWriteRequest WriteRequestFor(const TArguments& arguments) {
  TWriteRequest request;
  const auto options = ReadFileBytes(arguments.Required("options"));
  request.OptionsText.assign(options.begin(), options.end());
  if (const std::string debug = arguments.Optional("debug-stream"); !debug.empty())
    request.DebugInfo = ReadFileBytes(debug);
  request.BuildStamp = BuildStampNow();
  request.Carrier = arguments.appended ? TCarrier::Appended : TCarrier::Resource;
  if (const std::string version = arguments.Optional("format-version"); !version.empty())
    request.FormatVersion = static_cast<std::uint16_t>(std::stoul(version));
  return request;
}

int Run(const TArguments& arguments) {
  if (arguments.command == "embed") {
    const std::string& module = arguments.Required("module");
    ReplaceFile(module, EmbedEldata(ReadFileBytes(module), WriteRequestFor(arguments)));
    return 0;
  }
  if (arguments.command == "write-block") {
    std::optional<TPeImage> symbolsFrom;
    if (const std::string module = arguments.Optional("symbols-from"); !module.empty())
      symbolsFrom.emplace(ReadFileBytes(module));
    const auto block =
        BuildEldataBlock(WriteRequestFor(arguments), symbolsFrom ? &*symbolsFrom : nullptr);
    WriteFileBytes(arguments.Required("output"), block.data(), block.size());
    return 0;
  }
  if (arguments.command == "dump") {
    const TDumpResult dump =
        DumpEldata(ReadFileBytes(arguments.Required("module")), arguments.Optional("password"));
    if (const std::string output = arguments.Optional("output"); !output.empty())
      WriteFileBytes(output, dump.Text.data(), dump.Text.size());
    else
      std::fwrite(dump.Text.data(), 1, dump.Text.size(), stdout);
    if (const std::string debug = arguments.Optional("extract-debug"); !debug.empty()) {
      const auto& bytes = dump.DebugInfo ? *dump.DebugInfo : std::vector<std::uint8_t>();
      WriteFileBytes(debug, bytes.data(), bytes.size());
    }
    return 0;
  }
  throw std::invalid_argument("unknown command \"" + arguments.command + "\"");
}

}  // namespace

int main(int count, char** arguments) {
  try {
    return Run(ParseArguments(count, arguments));
  } catch (const std::invalid_argument& error) {
    std::fprintf(
        stderr,
        "eldata_tool: %s\n"
        "usage: eldata_tool embed --options FILE --module FILE [--debug-stream FILE] "
        "[--appended] [--format-version N]\n"
        "       eldata_tool write-block --options FILE --output FILE [--debug-stream FILE] "
        "[--appended] [--symbols-from MODULE]\n"
        "       eldata_tool dump --module FILE [--password TEXT] [--output FILE] "
        "[--extract-debug FILE]\n",
        error.what());
    return 2;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "eldata_tool: %s\n", error.what());
    return 1;
  }
}
