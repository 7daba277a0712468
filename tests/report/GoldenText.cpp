#include "tests/report/GoldenText.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/LineDiff.h"
#include "tests/support/TempFolder.h"

namespace {

// The source folder's golden files through the drive that maps the build
// machine's root.
std::string GoldenPath(const std::string& caseName) {
  return std::string("Z:") + VIPC_REPORT_GOLDEN_DIR + "/" + caseName + ".txt";
}

// The line ends that are not CR LF, by offset (at most a few).
std::string LoneLineBreaks(const std::string& text) {
  std::string found;
  for (std::size_t i = 0; i < text.size() && found.size() < 80; ++i) {
    const bool loneCr = text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n');
    const bool loneLf = text[i] == '\n' && (i == 0 || text[i - 1] != '\r');
    if (loneCr || loneLf) found += (loneCr ? " CR@" : " LF@") + std::to_string(i);
  }
  return found;
}

std::string WithLfLineEnds(const std::string& text) {
  std::string lf;
  lf.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
  return lf;
}

}  // namespace

void ExpectGoldenText(const std::string& caseName, const std::string& text) {
  EXPECT_EQ(LoneLineBreaks(text), "") << "line ends of the report other than CR LF";
  const std::string actual = WithLfLineEnds(text);
  const std::string path = GoldenPath(caseName);
  const char* update = std::getenv("VIPC_UPDATE_GOLDEN");
  if (update && *update == '1') {
    WriteFileBytes(path, actual);
    return;
  }
  ASSERT_TRUE(FileExists(path)) << path << " is missing (VIPC_UPDATE_GOLDEN=1 writes it)";
  const std::string expected = ReadFileBytes(path);
  const std::string difference = LineDiff(expected, actual);
  EXPECT_TRUE(difference.empty()) << "the report of case \"" << caseName << "\" differs from "
                                  << path << ":\n"
                                  << difference;
}
