// The decoder against objdump, instruction by instruction, over the DLL we
// build, a Wine system DLL and an opcode sweep. objdump's listings are written
// beside this program at build time (tests/debuginfo/CMakeLists.txt); the rules
// of the comparison are in CorpusComparison.h and ObjdumpNormalization.h.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tests/debuginfo/CorpusComparison.h"
#include "tests/debuginfo/ObjdumpListing.h"

namespace {

std::string CorpusPath(const char* name) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  folder.erase(folder.find_last_of("\\/") + 1);
  return folder + "disasm_corpus_" + name + ".txt";
}

bool ReadText(const std::string& path, std::string& text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream content;
  content << file.rdbuf();
  text = content.str();
  return true;
}

void ExpectAgreement(const char* corpus, std::size_t minimumRows) {
  std::string text;
  if (!ReadText(CorpusPath(corpus), text)) {
    GTEST_SKIP() << "no objdump listing " << CorpusPath(corpus)
                 << " (the build found no such file to disassemble)";
  }
  const CorpusFigures figures = CompareCorpus(ParseObjdumpListing(text));
  std::cout << "[ corpus   ] " << corpus << ": " << DescribeFigures(figures) << std::endl;
  ::testing::Test::RecordProperty(std::string(corpus) + "_rows", std::to_string(figures.rows));
  ::testing::Test::RecordProperty(std::string(corpus) + "_disagreements",
                                  std::to_string(figures.disagreementCount));

  EXPECT_GE(figures.rows, minimumRows) << "the listing looks truncated";
  std::string shown;
  for (const std::string& disagreement : figures.disagreements) shown += disagreement + "\n";
  EXPECT_EQ(figures.disagreementCount, 0u) << shown;
  EXPECT_EQ(figures.lengthAgreed, figures.lengthCompared);
  EXPECT_EQ(figures.decoderAgreed, figures.decoderCompared);
  EXPECT_EQ(figures.textAgreed, figures.covered);
  EXPECT_EQ(figures.outsideAsData, figures.outsideTable);
  EXPECT_EQ(figures.invalidAsData, figures.objdumpInvalid);
}

TEST(TDisAsmObjdump, BuiltDll_AgreesOnEveryInstruction) {
  ExpectAgreement("dll", 10000);
}

TEST(TDisAsmObjdump, WineKernel32_AgreesOnEveryInstruction) {
  ExpectAgreement("kernel32", 10000);
}

TEST(TDisAsmObjdump, OpcodeSweep_AgreesOnEveryInstruction) {
  ExpectAgreement("sweep", 50000);
}

}  // namespace
