#include "tests/debuginfo/CorpusComparison.h"

#include <algorithm>
#include <cstdio>

#include "debuginfo/EDisAsm.h"
#include "engine/EHookInstructionLength.h"
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

// objdump shows a prefix on a row of its own when a symbol starts inside the
// instruction it begins (data between routines): the rest follows as .byte,
// perhaps after more prefixes alone.
bool CutByASymbol(const std::vector<ObjdumpInstruction>& rows, std::size_t index) {
  static const char* const kPrefixes[] = {"ss",   "cs",  "ds",   "es",    "fs",     "gs",
                                          "lock", "rep", "repz", "repnz", "data16", "addr16"};
  const std::string& text = rows[index].text;
  const bool prefixAlone = std::any_of(std::begin(kPrefixes), std::end(kPrefixes),
                                       [&](const char* prefix) { return text == prefix; });
  return prefixAlone && index + 1 < rows.size() &&
         (rows[index + 1].text.rfind(".byte", 0) == 0 || CutByASymbol(rows, index + 1));
}

}  // namespace

CorpusFigures CompareCorpus(const ObjdumpListing& listing) {
  CorpusFigures figures;
  TDisAsm decoder;
  const auto& rows = listing.instructions;
  for (std::size_t index = 0; index < rows.size(); ++index) {
    const ObjdumpInstruction& row = rows[index];
    ++figures.rows;
    const std::span<const std::uint8_t> code = listing.CodeFrom(row);
    if (row.text.rfind(".byte", 0) == 0 || CutByASymbol(rows, index)) {
      ++figures.cutRows;
      continue;
    }
    const TDisAsmInstruction ours = decoder.Disassemble(row.address, code);
    const std::string where = Row(row, code);

    const TInstruction record = DecodeInstruction(code.data(), code.size());
    if (record.Status == TDecodeStatus::kDecoded) {
      ++figures.decoderCompared;
      if (ours.Length == record.Length) {
        ++figures.decoderAgreed;
      } else {
        Disagree(figures, where + ": the length decoder takes " + std::to_string(record.Length) +
                              " bytes, ours \"" + ours.Text + "\" " + std::to_string(ours.Length));
      }
    }

    if (row.text.find("(bad)") != std::string::npos) {
      ++figures.objdumpInvalid;
      if (!ours.Valid) {
        ++figures.invalidAsData;
      } else {
        Disagree(figures, where + " is invalid, ours \"" + ours.Text + "\"");
      }
      continue;
    }

    if (ours.Record.Prefixes.Wait) ++figures.waitFolded;
    const std::string& theirText = row.text;
    const std::uint32_t ourLength = ours.Length;

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
                "%zu rows: lengths agree on %zu of %zu compared, with the length decoder on %zu "
                "of %zu; covered %zu, texts agree on %zu; "
                "outside the table %zu, as DB %zu; objdump (bad) %zu, as DB %zu; "
                "cut .byte rows %zu; wait folded %zu; disagreements %zu",
                figures.rows, figures.lengthAgreed, figures.lengthCompared, figures.decoderAgreed,
                figures.decoderCompared, figures.covered, figures.textAgreed, figures.outsideTable,
                figures.outsideAsData, figures.objdumpInvalid, figures.invalidAsData,
                figures.cutRows, figures.waitFolded, figures.disagreementCount);
  return text;
}
