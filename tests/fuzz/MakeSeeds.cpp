// Writes the fuzzers' seed inputs from real data: the ELDATA blocks and debug
// blocks of the modules the Windows build made, the map text its generator
// wrote, code of the built DLL, the option streams of the options files, log
// files of the log tests' reports and the golden bug reports, the fixtures of
// the TD32 and JDBG tests, and the stand-in server's replies.
//
//   fuzz_seeds <Windows build bin folder> <source root> <output folder>
//
// Writes <output>/<target>/<name>; a missing input file is reported and
// skipped, so the seeds of the other targets are still written.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "engine/ECoreEldata.h"
#include "engine/ECoreOptionStream.h"
#include "delivery/ESocketsDns.h"
#include "installer/BrisoleWire.h"
#include "platform/memory/PeLayout.h"
#include "report/ELogManagerFormat.h"
#include "tests/debuginfo/JdbgWriter.h"
#include "tests/debuginfo/TD32Writer.h"
#include "tests/report/support/LogReports.h"
#include "tools/eldata_tool/OptionsText.h"
#include "tools/eldata_tool/PeImage.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

fs::path output;
int written = 0;

std::optional<Bytes> ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "fuzz_seeds: no %s, its seeds are left out\n", path.c_str());
    return std::nullopt;
  }
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void Write(const char* target, const std::string& name, const void* data, std::size_t size) {
  fs::create_directories(output / target);
  std::ofstream(output / target / name, std::ios::binary)
      .write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  ++written;
}
void Write(const char* target, const std::string& name, const Bytes& bytes) {
  Write(target, name, bytes.data(), bytes.size());
}
void Write(const char* target, const std::string& name, const std::string& text) {
  Write(target, name, text.data(), text.size());
}
// The option bytes some targets read first, then the data.
Bytes Prefixed(std::initializer_list<std::uint8_t> options, const Bytes& bytes) {
  Bytes all(options);
  all.insert(all.end(), bytes.begin(), bytes.end());
  return all;
}

std::optional<Bytes> EldataResourceOf(const Bytes& module) {
  const TPeImage image(module);
  for (const TResourceEntry& entry : image.Resources()) {
    const auto* type = std::get_if<std::uint16_t>(&entry.Type);
    const auto* name = std::get_if<std::u16string>(&entry.Name);
    if (type && *type == kEldataResourceType && name && *name == u"ELDATA") return entry.Data;
  }
  return std::nullopt;
}

// The block and the option stream of a module's ELDATA, in either carrier.
void SeedsOfModule(const fs::path& bin, const std::string& file) {
  const auto module = ReadFile(bin / file);
  if (!module) return;
  std::optional<Bytes> block;
  bool appended = false;
  try {
    block = EldataResourceOf(*module);
  } catch (const TPeError&) {
  }
  if (!block && module->size() >= kAppendedTrailerSize) {
    const std::span<const std::uint8_t> bytes(*module);
    if (const auto length = AppendedBlockLength(bytes.last(kAppendedTrailerSize));
        length && *length <= bytes.size() - kAppendedTrailerSize) {
      const auto at = bytes.size() - kAppendedTrailerSize - *length;
      block = Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                    bytes.end() - kAppendedTrailerSize);
      appended = true;
    }
  }
  if (!block) {
    std::fprintf(stderr, "fuzz_seeds: %s has no ELDATA block\n", file.c_str());
    return;
  }
  Write("eldata", file, *block);
  TDovaroModuleOptions options;
  TEldataContent content;
  const bool read = appended ? ReadEldataAppended(*block, options, content)
                             : ReadEldataResource(*block, options, content);
  if (read) Write("option_stream", file, Prefixed({9, 0}, SaveOptionsToBytes(options)));
}

// Inputs of a few KB keep the fuzzer fast: the first `size` bytes (debug
// blocks read as far as they are whole).
Bytes Prefix(const Bytes& bytes, std::size_t size) {
  return Bytes(bytes.begin(),
               bytes.begin() + static_cast<std::ptrdiff_t>(std::min(size, bytes.size())));
}

// The map text with every table cut to its first rows and the first few
// line-number blocks: each kind of line the map source reads, in a few KB.
std::string ShortMap(const Bytes& map) {
  const std::string text(map.begin(), map.end());
  std::string kept;
  int rows = 0, lineBlocks = 0;
  std::size_t at = 0;
  while (at < text.size() && lineBlocks <= 4) {
    auto end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string_view line(text.data() + at, end - at);
    const auto first = line.find_first_not_of(' ');
    const bool row = first != std::string_view::npos && line[first] >= '0' && line[first] <= '9';
    if (!row) {
      rows = 0;
      if (line.starts_with("Line numbers for")) ++lineBlocks;
    }
    if (!row || ++rows <= 6) kept.append(line);
    at = end;
  }
  return kept;
}

// Runs of the DLL's code section, 512 bytes each.
void CodeSeeds(const fs::path& bin) {
  const auto module = ReadFile(bin / "VInstallParamsClient.dll");
  if (!module) return;
  const TPeImage image(*module);
  for (const TPeSection& section : image.Sections()) {
    if (section.Name != ".text") continue;
    for (std::uint32_t at = 0, n = 0; at + 512 <= section.SizeOfRawData && n < 16;
         at += section.SizeOfRawData / 16, ++n) {
      const auto* start = module->data() + section.PointerToRawData + at;
      Write("x86", "VInstallParamsClient.text." + std::to_string(n), start, 512);
    }
  }
}

// A small module as the loader lays it out (headers, then each section at
// its relative address) up to its export directory, for the export-table
// reader.
void LoadedImageSeed(const fs::path& bin, const std::string& file) {
  const auto module = ReadFile(bin / file);
  if (!module) return;
  const TPeImage image(*module);
  Bytes loaded(std::min<std::size_t>(image.SizeOfImage(), 1u << 20));
  std::copy_n(module->begin(), std::min<std::size_t>(0x400, module->size()), loaded.begin());
  for (const TPeSection& section : image.Sections()) {
    if (section.VirtualAddress >= loaded.size() || section.PointerToRawData >= module->size())
      continue;
    const std::size_t length =
        std::min({std::size_t{section.SizeOfRawData}, loaded.size() - section.VirtualAddress,
                  module->size() - section.PointerToRawData});
    std::copy_n(module->begin() + section.PointerToRawData, length,
                loaded.begin() + section.VirtualAddress);
  }
  // Up to the end of the export directory: the code behind it only slows
  // the fuzzer down.
  const auto [exportRva, exportSize] = image.DataDirectory(kDirectoryExport);
  if (exportRva + exportSize < loaded.size()) loaded.resize(exportRva + exportSize);
  Write("exports", file, loaded);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: fuzz_seeds <Windows bin folder> <source root> <output>\n");
    return 2;
  }
  const fs::path bin = argv[1], source = argv[2];
  output = argv[3];

  for (const char* module : {"VInstallParamsClient.dll", "eldata_probe_resource.dll",
                             "eldata_probe_appended.dll", "callstack_fixture.dll"}) {
    SeedsOfModule(bin, module);
  }
  for (const char* options :
       {"installer/VInstallParamsClient.eldata", "tests/engine/probe_module/ProbeModule.eldata",
        "tests/debuginfo/fixture/CallChainFixture.eldata"}) {
    const auto text = ReadFile(source / options);
    if (!text) continue;
    try {
      const TOptionsFile file = ParseOptionsText(std::string(text->begin(), text->end()));
      Write("option_stream", fs::path(options).filename().string(),
            Prefixed({9, 1}, SaveOptionsToBytes(*file.Options)));
    } catch (const std::exception& error) {
      std::fprintf(stderr, "fuzz_seeds: %s: %s\n", options, error.what());
    }
  }
  // Debug blocks: version 6105, the password valid only for the fixture's.
  for (const char* block : {"VInstallParamsClient.dbg", "callstack_fixture.dbg"}) {
    if (const auto bytes = ReadFile(bin / block)) {
      Write("debug_block", block, Prefixed({6, 0}, Prefix(*bytes, 8192)));
    }
  }
  if (const auto bytes = ReadFile(bin / "debuginfo_fixture.dbg")) {
    Write("debug_block", "debuginfo_fixture.dbg", Prefixed({6, 1}, Prefix(*bytes, 8192)));
  }
  if (const auto map = ReadFile(bin / "debuginfo_fixture_stripped.map")) {
    Write("map", "debuginfo_fixture_stripped.map", ShortMap(*map));
  }
  CodeSeeds(bin);
  LoadedImageSeed(bin, "debuginfo_exports_fixture.dll");
  Write("td32", "TD32Writer.tds", TD32Writer{}.Data());
  Write("jdbg", "JdbgWriter.jdbg", JdbgWriter{}.Data());

  // Log files: the log tests' reports, and the golden reports stored as a
  // log stores them (CR LF line ends).
  TStoredReports reports;
  for (int i = 1; i <= 3; ++i) AppendStoredReport(reports, NumberedReport(i), -1);
  Write("log_split", "three_reports.log", LogFileText(reports));
  TStoredReports golden;
  for (const auto& entry : fs::directory_iterator(source / "tests/report/golden")) {
    const auto text = ReadFile(entry.path());
    if (!text) continue;
    AppendStoredReport(golden, NormaliseLineBreaks(std::string(text->begin(), text->end())), -1);
  }
  Write("log_split", "golden_reports.log", LogFileText(golden));

  using namespace brisole;
  for (const std::string& reply :
       {std::string(kDatabaseReply) + "|BRISOLE@C:\\Dati\\brisole.gdb",
        std::string(kDatabaseReply) + "|BRISOLE@server:/srv/brisole.gdb",
        std::string(kShareReply) + "|\\\\SERVER\\Brisole", std::string(kShareReply) + "|!busy"}) {
    Write("brisole_reply", std::to_string(written), reply);
  }
  // A name server's answer: an MX record whose owner points at the question.
  {
    Bytes reply = MxQuery("example.org");
    reply[2] = 0x81;
    reply[3] = 0x80;
    reply[7] = 1;
    const std::uint8_t record[] = {0xC0, 12, 0,  15, 0,   1,   0,   0,   0x0E, 0x10, 0,
                                   9,    0,  10, 4,  'm', 'a', 'i', 'l', 0xC0, 12};
    reply.insert(reply.end(), std::begin(record), std::end(record));
    Write("dns_reply", "mx_answer", reply);
  }
  for (const std::string& text :
       {std::string("250-first\r\n250 last\r\n"), std::string("http://ann:secret@h:8080/mantis/"),
        std::string("a@b.org; c@d.org,\r\n.\r\nQUIT")}) {
    Write("mail_texts", std::to_string(written), text);
  }
  using namespace std::literals;
  // Tracker pages as the senders read them: a bug's update form with its
  // line breaks, entities and selections, and a search result's links.
  for (const std::string& page :
       {std::string("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                    "charset=utf-8\"></head><body>\r\n<form method=\"post\">\r\n"
                    "<input type=\"hidden\" name=\"bug_id\" value=\"12\" />\r\n"
                    "<input name = \"summary\" value=\"[v1.0.0.0 - 41]: EAccessViolation "
                    "(1A2B)\">\r\n<textarea name=\"description\" cols=\"80\">\r\n"
                    "Access violation &amp; more:\r\n\tline &lt;two&gt; &#233;&#x20AC;\r\n"
                    "</textarea>\r\n<select name=\"status\"><option value=\"10\">new"
                    "</option><option value=\"80\" selected=\"selected\">resolved</option>"
                    "</select>\r\n<select name=\"priority\"><option value='30'>high &raquo; "
                    "x</option><option value=\"40\" >urgent</option></select>\r\n"
                    "<textarea name=\"bugnote_text\"/></form></body></html>"),
        std::string("n\0<table><tr><td><a href=\"bug_update_page.php?bug_id=0000123\">"
                    "edit</a> <a href=\"show_bug.cgi?id=7&amp;x\">7</a> "
                    "<a href='default.asp?pgx=EV&amp;ixBug=99'>99</a></td></tr>\n"
                    "<input name=n value='it''s' / ><input name=\"a>b\" value=\"q\">"
                    "<textarea name=n>keep\r\n/>cut</textarea>"sv)}) {
    Write("html_page", std::to_string(written), page);
  }
  // Request fields and files: the boundary's numbers, then NUL-separated pieces.
  for (const std::string& request :
       {std::string("\xAB\xCD\x11\x71\x00\x01summary=a b&c\0custom_field[3]=x\0"
                    "\x01"
                    "file\x01r.zip\x01PK\x03\x04---------------------------ABCD11710001"sv),
        std::string("\0\0\0\0\0\0x\"\r\nContent-Type: text/evil=v\0\x03gone\x01x\x01\0"
                    "note=---------------------------000000000000"sv)}) {
    Write("request_texts", std::to_string(written), request);
  }
  std::printf("fuzz_seeds: %d seed files in %s\n", written, output.c_str());
  return 0;
}
