// The assembler listing on real code of this process, read through the
// process memory reader: routines written in assembly so their bytes and
// bounds are known, and pages whose neighbours cannot be read.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "debuginfo/EDebug.h"
#include "debuginfo/EDisAsmListing.h"
#include "debuginfo/EDisAsmProcess.h"
#include "platform/memory/LiveMemory.h"

extern "C" {
void ListingFixtureFirst();
void ListingFixtureSecond();
extern const unsigned char ListingFixtureEnd[];
extern const char ListingFixtureText[];
}

// Two routines back to back; each instruction is one "source line" for the
// fixture lookup below.
asm(R"(
    .text
    .p2align 4
    .globl _ListingFixtureFirst
_ListingFixtureFirst:
    push %ebp
    mov %esp, %ebp
    mov 8(%ebp), %eax
    add $1, %eax
    imul $3, %eax, %eax
    xor %edx, %edx
    mov %eax, %ecx
    shl $2, %ecx
    sub %edx, %ecx
    lea 4(%ecx,%eax,2), %eax
    inc %eax
    dec %ecx
    test %ecx, %ecx
    pop %ebp
    ret
    .globl _ListingFixtureSecond
_ListingFixtureSecond:
    push %ebp
    mov %esp, %ebp
    push $_ListingFixtureText
    add $4, %esp
    call _ListingFixtureFirst
    fstsw %ax
    pop %ebp
    ret $4
    .globl _ListingFixtureEnd
_ListingFixtureEnd:
    int3
    .section .rdata,"dr"
    .globl _ListingFixtureText
_ListingFixtureText:
    .asciz "fixture text"
    .text
)");

namespace {

class FixtureLookup : public IListingLookup {
 public:
  std::optional<TListingRoutine> RoutineAt(std::uint32_t address) override {
    const std::uint32_t first = AddressOf(reinterpret_cast<const void*>(&ListingFixtureFirst));
    const std::uint32_t second = AddressOf(reinterpret_cast<const void*>(&ListingFixtureSecond));
    const std::uint32_t end = AddressOf(ListingFixtureEnd);
    if (address >= first && address < second) {
      return TListingRoutine{"EDisAsmFixture.S", "", "First", 100, 0};
    }
    if (address >= second && address < end) {
      return TListingRoutine{"EDisAsmFixture.S", "", "Second", 200, 0};
    }
    return std::nullopt;
  }
  std::optional<std::string> AddressCaption(std::uint32_t address) override {
    if (address == AddressOf(reinterpret_cast<const void*>(&ListingFixtureFirst))) {
      return "EDisAsmFixture.First";
    }
    return std::nullopt;
  }
};

std::vector<std::string> InstructionLines(const std::vector<std::string>& lines) {
  std::vector<std::string> code;
  for (const std::string& line : lines) {
    if (!line.empty() && line[0] != ';') code.push_back(line);
  }
  return code;
}

std::string Hex8(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

TEST(ProcessAssemblerListing, FaultAtRoutinesFirstInstruction_BeginsWithItsHeader) {
  FixtureLookup lookup;
  TListingSources sources;
  sources.Memory = &LiveMemory();
  sources.InstructionLength = &EngineInstructionLength;
  sources.Lookup = &lookup;
  const std::uint32_t second = AddressOf(reinterpret_cast<const void*>(&ListingFixtureSecond));
  const TAssemblerListing listing = AssemblerListing(second, sources);

  ASSERT_GE(listing.Lines.size(), 4u);
  EXPECT_EQ(listing.Lines[0], "; EDisAsmFixture.Second (Line=200 - Offset=0)");
  EXPECT_EQ(listing.Lines[1], "; " + std::string(43, '-'));
  EXPECT_EQ(listing.Lines[2].substr(0, 10 + 11), Hex8(second) + "  push    ebp");
  EXPECT_NE(listing.Lines[2].find("; <-- EXCEPTION"), std::string::npos);
  const std::vector<std::string> code = InstructionLines(listing.Lines);
  const std::vector<std::string> texts = [&] {
    std::vector<std::string> result;
    for (std::string line : code) {
      line.erase(std::min(line.size(), line.find(';')));
      while (!line.empty() && line.back() == ' ') line.pop_back();
      result.push_back(line);
    }
    return result;
  }();
  EXPECT_EQ(texts, (std::vector<std::string>{
                       Hex8(second) + "  push    ebp",
                       Hex8(second + 1) + "  mov     ebp, esp",
                       Hex8(second + 3) + "  push    $" + Hex8(AddressOf(ListingFixtureText)),
                       Hex8(second + 8) + "  add     esp, $04",
                       Hex8(second + 11) + "  call    EDisAsmFixture.First",
                       Hex8(second + 16) + "  wait",
                       Hex8(second + 17) + "  fnstsw  ax",
                       Hex8(second + 19) + "  pop     ebp",
                       Hex8(second + 20) + "  ret     $0004",
                   }));
  // The text the push names, and the comments in one column.
  EXPECT_EQ(code[2].substr(code[2].find(';')), "; 'fixture text'");
  EXPECT_EQ(code[2].find(';'), code[0].find(';'));
  EXPECT_EQ(code[0].find(';'),
            std::string(Hex8(second + 11) + "  call    EDisAsmFixture.First").size() + 2);
}

TEST(ProcessAssemblerListing, FaultInsideRoutine_TenInstructionsEachSideAtMost) {
  TListingSources sources;
  sources.Memory = &LiveMemory();
  sources.InstructionLength = &EngineInstructionLength;
  const std::uint32_t first = AddressOf(reinterpret_cast<const void*>(&ListingFixtureFirst));
  // The 12th instruction of First: "dec ecx".
  const std::uint32_t fault = first + 1 + 2 + 3 + 3 + 3 + 2 + 2 + 3 + 2 + 4 + 1;
  const TAssemblerListing listing = AssemblerListing(fault, sources);
  const std::vector<std::string> code = InstructionLines(listing.Lines);
  std::size_t faultLine = 0;
  while (faultLine < code.size() && code[faultLine].find("<-- EXCEPTION") == std::string::npos) {
    ++faultLine;
  }
  ASSERT_LT(faultLine, code.size());
  EXPECT_EQ(code[faultLine].substr(0, 21), Hex8(fault) + "  dec     ecx");
  EXPECT_EQ(faultLine, 10u);
  // After the fault: test, pop, and the return ends the listing.
  EXPECT_EQ(code.size() - faultLine - 1, 3u);
  EXPECT_EQ(code.back(), Hex8(fault + 1 + 2 + 1) + "  ret");
}

TEST(ProcessAssemblerListing, LiveOverload_ListsThisProcess) {
  const std::uint32_t second = AddressOf(reinterpret_cast<const void*>(&ListingFixtureSecond));
  const TAssemblerListing listing = AssemblerListing(second);
  const std::vector<std::string> code = InstructionLines(listing.Lines);
  bool found = false;
  for (const std::string& line : code) {
    if (line.rfind(Hex8(second) + "  push    ebp", 0) == 0) {
      found = line.find("; <-- EXCEPTION") != std::string::npos;
    }
  }
  EXPECT_TRUE(found);
  EXPECT_EQ(listing.Header.substr(0, 24), "Assembler Information:\r\n");
}

// The DLL as a release ships it, with its own debug block: the listing of a
// fault at an export's first instruction opens with the export's header from
// that block, and the export's address is captioned with its name.
TEST(ProcessAssemblerListing, ShippedDll_FaultAtExportStartsWithItsHeader) {
  const HMODULE module = LoadLibraryA("VInstallParamsClient_stripped.dll");
  ASSERT_NE(module, nullptr);
  ASSERT_NE(ModuleEntryByHandle(reinterpret_cast<std::uintptr_t>(module)), nullptr);
  for (const char* name : {"SetParameters", "SetBDEConfig"}) {
    SCOPED_TRACE(name);
    const std::uint32_t entry =
        AddressOf(reinterpret_cast<const void*>(GetProcAddress(module, name)));
    TCodeLocation location{};
    LocateAddress(entry, 0, location, false, false);
    ASSERT_EQ(location.Precision, lpLine);

    const TAssemblerListing listing = AssemblerListing(entry, "Assembler");
    ASSERT_GE(listing.Lines.size(), 4u);
    const std::string header = std::string("VInstallParamsClient.") + name +
                               " (Line=" + std::to_string(location.SourceLine) + " - Offset=0)";
    EXPECT_EQ(listing.Lines[0], "; " + header);
    EXPECT_EQ(listing.Lines[1], "; " + std::string(header.size(), '-'));
    EXPECT_EQ(listing.Lines[2].substr(0, 8), Hex8(entry));
    EXPECT_NE(listing.Lines[2].find("; <-- EXCEPTION"), std::string::npos);
    EXPECT_LE(InstructionLines(listing.Lines).size(), 11u);
    EXPECT_EQ(TProcessListingLookup().AddressCaption(entry),
              std::string("VInstallParamsClient.") + name);
    EXPECT_EQ(listing.Header.substr(0, 12), "Assembler:\r\n");
  }
  FreeLibrary(module);
}

// Three pages: only the middle one is committed and readable.
class GuardedPage : public ::testing::Test {
 protected:
  void SetUp() override {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    pageSize = info.dwPageSize;
    base =
        static_cast<std::uint8_t*>(VirtualAlloc(nullptr, 3 * pageSize, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(base, nullptr);
    page = static_cast<std::uint8_t*>(
        VirtualAlloc(base + pageSize, pageSize, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(page, nullptr);
    std::memset(page, 0x90, pageSize);  // nop
  }
  void TearDown() override {
    if (base != nullptr) VirtualFree(base, 0, MEM_RELEASE);
  }
  std::uint32_t PageAddress(std::size_t offset) const { return AddressOf(page + offset); }

  DWORD pageSize = 0;
  std::uint8_t* base = nullptr;
  std::uint8_t* page = nullptr;
};

TEST_F(GuardedPage, ProcessMemoryReader_FailsOnUnreadablePages) {
  const auto read = [](std::uint32_t address, std::span<std::uint8_t> out) {
    return LiveMemory().ReadAll(address, out.data(), out.size());
  };
  std::uint8_t buffer[16];
  EXPECT_TRUE(read(PageAddress(0), buffer));
  EXPECT_FALSE(read(PageAddress(0) - 8, buffer));             // straddles the page before
  EXPECT_FALSE(read(PageAddress(pageSize) - 8, buffer));      // straddles the page after
  EXPECT_FALSE(read(AddressOf(base), std::span(buffer, 1)));  // reserved only
  DWORD old;
  ASSERT_TRUE(VirtualProtect(page, pageSize, PAGE_READWRITE | PAGE_GUARD, &old));
  EXPECT_FALSE(read(PageAddress(0), buffer));  // a guard page is not read (nor tripped)
  ASSERT_TRUE(VirtualProtect(page, pageSize, PAGE_READWRITE, &old));
}

TEST_F(GuardedPage, UnreadableNeighbours_WindowShrinksToThePage) {
  TListingSources sources;
  sources.Memory = &LiveMemory();
  sources.InstructionLength = &EngineInstructionLength;
  // A fault 3 bytes into the page: the listing starts at the page.
  std::vector<std::string> code = InstructionLines(AssemblerListing(PageAddress(3), sources).Lines);
  ASSERT_EQ(code.size(), 4u + 10);
  EXPECT_EQ(code.front().substr(0, 8), Hex8(PageAddress(0)));
  EXPECT_NE(code[3].find("<-- EXCEPTION"), std::string::npos);

  // A fault 2 bytes before the page's end: the listing ends with the page.
  page[pageSize - 1] = 0x8B;  // an instruction cut by the page's end
  code = InstructionLines(AssemblerListing(PageAddress(pageSize - 2), sources).Lines);
  ASSERT_EQ(code.size(), 10u + 2);
  EXPECT_NE(code[10].find("<-- EXCEPTION"), std::string::npos);
  EXPECT_EQ(code.back(), Hex8(PageAddress(pageSize - 1)) + "  DB      $8B  //");
}

}  // namespace
