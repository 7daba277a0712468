// The assembler listing over fabricated memory: a code image of known routines,
// a lookup that knows them, readable and unreadable ranges.
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "debuginfo/EDisAsmListing.h"
#include "engine/ECoreTexts.h"
#include "tests/debuginfo/HexBytes.h"
#include "tests/support/FabricatedMemory.h"

namespace {

// Memory made of byte ranges; a read touching anything else fails.
class FakeMemory : public TFabricatedMemory {
 public:
  void Place(std::uint32_t address, const std::vector<std::uint8_t>& bytes) { Put(address, bytes); }
  void Place(std::uint32_t address, std::string_view text) { Put(address, text); }
};

// Routines by address range, each line of code one source line.
class FakeLookup : public IListingLookup {
 public:
  struct Routine {
    std::uint32_t start, end;
    TListingRoutine place;
    std::uint32_t bytesPerLine;
  };
  std::vector<Routine> routines;
  std::map<std::uint32_t, std::string> captions;
  bool throws = false;

  std::optional<TListingRoutine> RoutineAt(std::uint32_t address) override {
    if (throws) throw std::runtime_error("lookup failed");
    for (const Routine& routine : routines) {
      if (address < routine.start || address >= routine.end) continue;
      TListingRoutine place = routine.place;
      place.LineOffset = (address - routine.start) / routine.bytesPerLine;
      place.Line += place.LineOffset;
      return place;
    }
    return std::nullopt;
  }
  std::optional<std::string> AddressCaption(std::uint32_t address) override {
    if (throws) throw std::runtime_error("lookup failed");
    const auto caption = captions.find(address);
    if (caption == captions.end()) return std::nullopt;
    return caption->second;
  }
};

std::vector<std::uint8_t> Repeat(const char* hex, int times) {
  std::vector<std::uint8_t> bytes;
  const std::vector<std::uint8_t> one = HexBytes(hex);
  for (int i = 0; i < times; ++i) bytes.insert(bytes.end(), one.begin(), one.end());
  return bytes;
}

// Lines that are instructions (not ";" comment lines).
std::vector<std::string> InstructionLines(const TAssemblerListing& listing) {
  std::vector<std::string> lines;
  for (const std::string& line : listing.Lines) {
    if (!line.empty() && line[0] != ';') lines.push_back(line);
  }
  return lines;
}

std::uint32_t LineAddress(const std::string& line) {
  return static_cast<std::uint32_t>(std::stoul(line.substr(0, 8), nullptr, 16));
}

// Two routines: First is 32 two-byte moves, Second a small frame routine
// whose first line is its first instruction.
class ListingOfTwoRoutines : public ::testing::Test {
 protected:
  static constexpr std::uint32_t kFirst = 0x00401000;
  static constexpr std::uint32_t kSecond = 0x00401040;

  void SetUp() override {
    memory.Place(kFirst, Repeat("8B C0", 32));  // mov eax, eax
    memory.Place(kSecond, HexBytes("55 8B EC 8B 45 08 E8 B5 FF FF FF 5D C3"));
    memory.Place(kSecond + 13, Repeat("CC", 51));
    lookup.routines.push_back({kFirst, kSecond, {"EFixture.cpp", "TWorker", "First", 10, 0}, 2});
    lookup.routines.push_back({kSecond, kSecond + 13, {"EFixture.cpp", "", "Second", 40, 0}, 3});
    lookup.captions[kFirst] = "EFixture.TWorker.First";
    sources.Memory = &memory;
    sources.Lookup = &lookup;
  }
  TAssemblerListing Listing(std::uint32_t fault) { return AssemblerListing(fault, sources); }

  FakeMemory memory;
  FakeLookup lookup;
  TListingSources sources;
};

TEST_F(ListingOfTwoRoutines, FaultAtRoutineStart_BeginsWithThatRoutinesHeader) {
  const TAssemblerListing listing = Listing(kSecond);
  const std::vector<std::string> expected = {
      "; EFixture.Second (Line=40 - Offset=0)",
      "; " + std::string(36, '-'),
      "00401040  push    ebp" + std::string(21, ' ') + "; <-- EXCEPTION",
      "00401041  mov     ebp, esp",
      ";",
      "; Line=41 - Offset=1",
      "; ------------------",
      "00401043  mov     eax, [ebp+$08]",
      ";",
      "; Line=42 - Offset=2",
      "; ------------------",
      "00401046  call    EFixture.TWorker.First",
      ";",
      "; Line=43 - Offset=3",
      "; ------------------",
      "0040104B  pop     ebp",
      ";",
      "; Line=44 - Offset=4",
      "; ------------------",
      "0040104C  ret",
  };
  EXPECT_EQ(listing.Lines, expected);
  EXPECT_EQ(listing.Header, "Assembler Information:\r\n" + std::string(57, '-'));
}

TEST_F(ListingOfTwoRoutines, FaultInsideRoutine_EarlierRoutineStaysWithItsHeader) {
  const TAssemblerListing listing = Listing(kSecond + 3);
  ASSERT_GE(listing.Lines.size(), 3u);
  EXPECT_EQ(listing.Lines[0], "; EFixture.Second (Line=40 - Offset=0)");
  EXPECT_EQ(listing.Lines[2].substr(0, 10), "00401040  ");

  // From inside First, the listing starts with First's header for the first
  // line shown, at most 10 instructions before the fault.
  const TAssemblerListing inFirst = Listing(kSecond - 2);
  EXPECT_EQ(inFirst.Lines[0], "; EFixture.TWorker.First (Line=31 - Offset=21)");
  const std::vector<std::string> code = InstructionLines(inFirst);
  EXPECT_EQ(LineAddress(code.front()), kSecond - 2 - 10 * 2);
}

TEST_F(ListingOfTwoRoutines, ReturnAfterFault_EndsTheListing) {
  const TAssemblerListing listing = Listing(kSecond + 6);
  EXPECT_EQ(listing.Lines.back(), "0040104C  ret");
}

TEST_F(ListingOfTwoRoutines, LookupThatThrows_LinesWithoutAnnotation) {
  lookup.throws = true;
  const TAssemblerListing listing = Listing(kSecond);
  for (const std::string& line : listing.Lines) EXPECT_NE(line[0], ';') << line;
  const std::vector<std::string> code = InstructionLines(listing);
  ASSERT_EQ(code.size(), 10u + 1 + 5);
  EXPECT_EQ(code[10], "00401040  push    ebp" + std::string(13, ' ') + "; <-- EXCEPTION");
  EXPECT_EQ(code[13], "00401046  call    $401000");
}

TEST(AssemblerListingTitle, Default_IsTheDefaultOfCustomizableText14) {
  EXPECT_EQ(kAssemblerInformationText, DefaultCustomizedTexts()[kAssemblerInformationTextIndex]);
}

TEST_F(ListingOfTwoRoutines, CustomTitle_HeaderUsesIt) {
  const TAssemblerListing listing = AssemblerListing(kSecond, sources, "Disassemblato");
  EXPECT_EQ(listing.Header, "Disassemblato:\r\n" + std::string(57, '-'));
}

// Listings over plain memory, without a lookup.
class AssemblerListingOverMemory : public ::testing::Test {
 protected:
  TAssemblerListing Listing(std::uint32_t fault) {
    TListingSources sources;
    sources.Memory = &memory;
    sources.InstructionLength = measure;
    return AssemblerListing(fault, sources);
  }
  FakeMemory memory;
  TInstructionLengthMeasure measure;
};

TEST_F(AssemblerListingOverMemory, LongRunOfInstructions_TenEachSide) {
  memory.Place(0x00500000, Repeat("90", 200));
  const std::uint32_t fault = 0x00500064;
  const TAssemblerListing listing = Listing(fault);
  ASSERT_EQ(listing.Lines.size(), 21u);
  EXPECT_EQ(LineAddress(listing.Lines.front()), fault - 10);
  EXPECT_EQ(listing.Lines[10], "00500064  nop  ; <-- EXCEPTION");
  EXPECT_EQ(LineAddress(listing.Lines.back()), fault + 10);
  // Without a lookup nothing is written before the instructions.
  EXPECT_EQ(listing.Header, "Assembler Information:\r\n" + std::string(30, '-'));
}

TEST_F(AssemblerListingOverMemory, ReturnBeforeFault_DoesNotStop) {
  memory.Place(0x00500000, HexBytes("C3 C2 04 00 90 90 90 C3 90 90"));
  const std::vector<std::string> code = InstructionLines(Listing(0x00500005));
  ASSERT_EQ(code.size(), 6u);
  EXPECT_EQ(code.front(), "00500000  ret");
  EXPECT_EQ(code.back(), "00500007  ret");
}

// A start that decodes into whole instructions which jump over the fault is
// not taken: the listing lands exactly on the faulting address.
TEST_F(AssemblerListingOverMemory, OverlappingStarts_LandsOnFault) {
  const std::uint32_t fault = 0x00500044;
  memory.Place(0x00500000, Repeat("B8", 68));  // mov eax, imm32 from every byte
  memory.Place(fault, HexBytes("90 90 C3 CC CC CC CC CC"));
  const std::vector<std::string> code = InstructionLines(Listing(fault));
  // From the window's first byte five-byte steps pass the fault; three bytes on
  // they land on it.
  ASSERT_EQ(code.size(), 10u + 3);
  EXPECT_EQ(LineAddress(code[10]), fault);
  EXPECT_EQ(code[9], "0050003F  mov     eax, $B8B8B8B8");
  EXPECT_EQ(LineAddress(code[0]), fault - 50);
}

TEST_F(AssemblerListingOverMemory, UnreadableNeighbours_ShrinkTheWindow) {
  const std::uint32_t fault = 0x00500004;
  memory.Place(0x00500000, HexBytes("90 90 90 90 8B 45 08 90 8B"));  // then unreadable
  const std::vector<std::string> expected = {
      "00500000  nop",
      "00500001  nop",
      "00500002  nop",
      "00500003  nop",
      "00500004  mov     eax, [ebp+$08]  ; <-- EXCEPTION",
      "00500007  nop",
      "00500008  DB      $8B  //",
  };
  EXPECT_EQ(Listing(fault).Lines, expected);
}

TEST_F(AssemblerListingOverMemory, UnreadableFault_EmptyListing) {
  memory.Place(0x00500000, Repeat("90", 16));
  const TAssemblerListing listing = Listing(0x00500010);
  EXPECT_TRUE(listing.Lines.empty());
  EXPECT_EQ(listing.Header, "Assembler Information:\r\n" + std::string(22, '-'));
}

TEST_F(AssemblerListingOverMemory, InvalidBytes_DataFormAndOneByteSteps) {
  memory.Place(0x00500000, HexBytes("90 D6 F1 90 C3"));
  const std::vector<std::string> expected = {
      "00500000  nop",
      "00500001  DB      $D6  //",
      "00500002  DB      $F1  //",
      "00500003  nop" + std::string(14, ' ') + "; <-- EXCEPTION",
      "00500004  ret",
  };
  EXPECT_EQ(Listing(0x00500003).Lines, expected);
}

// The listing steps by the length measure it is given, not by the decoder.
TEST_F(AssemblerListingOverMemory, LengthMeasure_SetsInstructionBoundaries) {
  memory.Place(0x00500000, HexBytes("B8 01 02 03 04 90 90 C3"));
  std::vector<std::size_t> measured;
  measure = [&](std::span<const std::uint8_t> code) -> std::uint32_t {
    measured.push_back(code.size());
    return code[0] == 0xB8 ? 0 : 1;  // "cannot decode" steps one byte too
  };
  const std::vector<std::string> code = InstructionLines(Listing(0x00500002));
  EXPECT_FALSE(measured.empty());
  ASSERT_GE(code.size(), 3u);
  EXPECT_EQ(LineAddress(code[0]), 0x00500000u);
  EXPECT_EQ(LineAddress(code[1]), 0x00500001u);
  EXPECT_EQ(LineAddress(code[2]), 0x00500002u);
}

// A measure that takes a wait and the x87 instruction after it as one: the
// listing shows both, each at its address.
TEST_F(AssemblerListingOverMemory, MeasureLongerThanDecoded_EachDecodedInstructionShown) {
  memory.Place(0x00500000, HexBytes("90 9B DF E0 90 C3"));
  measure = [](std::span<const std::uint8_t> code) -> std::uint32_t {
    return code[0] == 0x9B ? 3 : DisAsmInstructionLength(code);
  };
  // clang-format off
  const std::vector<std::string> expected = {
      "00500000  nop",
      "00500001  wait",
      "00500002  fnstsw  ax",
      "00500004  nop" + std::string(9, ' ') + "; <-- EXCEPTION",
      "00500005  ret",
  };
  // clang-format on
  EXPECT_EQ(Listing(0x00500004).Lines, expected);
}

TEST_F(AssemblerListingOverMemory, StringOperands_AnnotatedAndAligned) {
  const std::uint32_t code = 0x00500000;
  memory.Place(code, HexBytes("68 00 10 60 00"                 // push $00601000 -> "Hi\x01there"
                              "A1 00 20 60 00"                 // mov eax, [$00602000] -> 40 letters
                              "68 00 30 60 00"                 // push $00603000 -> unreadable
                              "C7 05 00 40 60 00 01 00 00 00"  // mov [$604000], 1 -> ""
                              "90 C3"));
  memory.Place(0x00601000, std::string_view("Hi\x01there\0", 9));
  memory.Place(0x00602000, std::string(40, 'x'));
  memory.Place(0x00604000, std::string_view("\0", 1));
  const std::vector<std::string> expected = {
      "00500000  push    $00601000" + std::string(23, ' ') + "; 'Hi.there'",
      "00500005  mov     eax, [$00602000]" + std::string(16, ' ') + "; '" + std::string(32, 'x') +
          "'...",
      "0050000A  push    $00603000",
      "0050000F  mov     dword ptr [$604000], $00000001  ; ''",
      "00500019  nop" + std::string(37, ' ') + "; <-- EXCEPTION",
      "0050001A  ret",
  };
  EXPECT_EQ(Listing(0x00500019).Lines, expected);
}

TEST_F(AssemblerListingOverMemory, FailingReads_NoMoreThanAFewHundred) {
  memory.Place(0x00500000, Repeat("90", 3));
  EXPECT_EQ(Listing(0x00500001).Lines.size(), 3u);
  EXPECT_LT(memory.reads, 400);
}

}  // namespace
