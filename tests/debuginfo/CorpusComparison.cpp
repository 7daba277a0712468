#include "tests/debuginfo/CorpusComparison.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

#include "debuginfo/EDisAsm.h"
#include "tests/debuginfo/ObjdumpNormalization.h"

namespace {

constexpr std::size_t kDisagreementsKept = 40;

std::string Row(const ObjdumpInstruction& row, std::span<const std::uint8_t> code) {
  char address[16];
  std::snprintf(address, sizeof address, "%08X ", row.address);
  std::string text = address;
  for (std::uint32_t i = 0; i < row.length && i < code.size(); ++i) {
    char byte[4];
    std::snprintf(byte, sizeof byte, "%02X", code[i]);
    text += byte;
  }
  return text + "  objdump \"" + row.text + "\"";
}

void Disagree(CorpusFigures& figures, std::string text) {
  ++figures.disagreementCount;
  if (figures.disagreements.size() < kDisagreementsKept) {
    figures.disagreements.push_back(std::move(text));
  }
}

// objdump reads a wait (9B) as part of the x87 instruction after it.
bool IsFoldedWait(const ObjdumpInstruction& row, std::span<const std::uint8_t> code) {
  return row.length > 1 && !code.empty() && code[0] == 0x9B;
}

// objdump names the waiting forms of the x87 instructions that have a no-wait
// one ("fstsw" for 9B DF E0); after a separate wait the decoder shows "fnstsw".
std::string NoWaitForm(std::string text) {
  static constexpr std::array<std::string_view, 6> kWaiting = {"fstsw", "fstcw", "fstenv",
                                                               "fsave", "fclex", "finit"};
  const std::string_view mnemonic = std::string_view(text).substr(0, text.find(' '));
  for (std::string_view waiting : kWaiting) {
    if (mnemonic == waiting) return text.insert(1, "n");
  }
  return text;
}

}  // namespace

CorpusFigures CompareCorpus(const ObjdumpListing& listing) {
  CorpusFigures figures;
  TDisAsm decoder;
  for (const ObjdumpInstruction& row : listing.instructions) {
    ++figures.rows;
    const std::span<const std::uint8_t> code = listing.CodeFrom(row);
    if (row.text.rfind(".byte", 0) == 0) {
      ++figures.cutRows;
      continue;
    }
    TDisAsmInstruction ours = decoder.Disassemble(row.address, code);
    const std::string where = Row(row, code);

    if (row.text.find("(bad)") != std::string::npos) {
      ++figures.objdumpInvalid;
      if (!ours.Valid) {
        ++figures.invalidAsData;
      } else {
        Disagree(figures, where + " is invalid, ours \"" + ours.Text + "\"");
      }
      continue;
    }

    std::string theirText = row.text;
    std::uint32_t ourLength = ours.Length;
    if (IsFoldedWait(row, code)) {
      ++figures.waitFolded;
      if (ours.Text != "wait" || ours.Length != 1) {
        Disagree(figures, where + " should start with a wait, ours \"" + ours.Text + "\"");
        continue;
      }
      ours = decoder.Disassemble(row.address + 1, code.subspan(1));
      ourLength = 1 + ours.Length;
      theirText = NoWaitForm(theirText);
    }

    ++figures.lengthCompared;
    const bool lengthAgrees = ourLength == row.length;
    if (lengthAgrees) ++figures.lengthAgreed;

    if (!ObjdumpRowIsCovered(theirText,
                             code.subspan(0, std::min<std::size_t>(row.length, code.size())))) {
      ++figures.outsideTable;
      if (!ours.Valid) ++figures.outsideAsData;
      if (ours.Valid || !lengthAgrees) {
        Disagree(figures, where + " is outside the table, ours \"" + ours.Text + "\" (" +
                              std::to_string(ourLength) + " bytes)");
      }
      continue;
    }
    ++figures.covered;
    const NormalizedComparison comparison = CompareWithObjdump(ours.Text, theirText);
    if (ours.Valid && comparison.equal && lengthAgrees) {
      ++figures.textAgreed;
    } else {
      Disagree(figures, where + ", ours \"" + ours.Text + "\" (" + std::to_string(ourLength) +
                            " bytes); normalised \"" + comparison.theirs + "\" vs \"" +
                            comparison.ours + "\"");
    }
  }
  return figures;
}

std::string DescribeFigures(const CorpusFigures& figures) {
  char text[512];
  std::snprintf(text, sizeof text,
                "%zu rows: lengths agree on %zu of %zu compared; covered %zu, texts agree on %zu; "
                "outside the table %zu, as DB %zu; objdump (bad) %zu, as DB %zu; "
                "cut .byte rows %zu; wait folded %zu; disagreements %zu",
                figures.rows, figures.lengthAgreed, figures.lengthCompared, figures.covered,
                figures.textAgreed, figures.outsideTable, figures.outsideAsData,
                figures.objdumpInvalid, figures.invalidAsData, figures.cutRows, figures.waitFolded,
                figures.disagreementCount);
  return text;
}
