#include "DebugBlockCases.h"

#include "DebugBlockWriter.h"

namespace {
using W = DebugBlockWriter;
}  // namespace

std::string EveryFormBlock(std::uint16_t version) {
  W writer(version, kBlockCasePassword);
  const std::string lines = W::FourBytes(0, 0, true) +
                            writer.Name("TAlpha.Create") +                          // 0x100 line 10
                            W::OneBytePlain(2, 16) +                                // 0x110 line 12
                            W::OneByteProcedure(3, 8) + writer.Name(".Destroy") +   // 0x118 line 15
                            W::TwoBytes(20, 100, false) +                           // 0x17C line 35
                            W::TwoBytes(1, 4, true) + writer.Name("FreeRoutine") +  // 0x180 line 36
                            W::FourBytes(-20, 0x80, false) +                        // 0x200 line 16
                            W::EightBytes(1000, 0x40, false);  // 0x240 line 1016
  writer.AddUnit(writer.Name("Alpha"), 10, 0x100, 0x200, lines);
  return writer.Block();
}

const CodeBytes& EveryFormPrologues() {
  static const CodeBytes prologues = {
      {0x100, "\x55\x8B\xEC"},  // frame: counts from its own line
      {0x118, "\x53\x56\x57"},  // saved EBX: counts from its own line
      {0x180, "\x90\x90\x90"},  // anything else: from the line before
  };
  return prologues;
}

std::string SameOffsetProceduresBlock() {
  W writer(6105, kBlockCasePassword);
  writer.AddUnit(writer.Name("Gamma"), 40, 0x10, 0x20,
                 W::OneByteProcedure(1, 4) + writer.Name("TFirst.One") +    // 0x14 line 41
                     std::string(4, '\xFF') + writer.Name("TSecond.Two"));  // same line and offset
  return writer.Block();
}

std::string StretchBeforeFirstRecordBlock() {
  W writer(6105, kBlockCasePassword);
  writer.AddUnit(writer.Name("Delta"), 7, 0x40, 0x40,
                 W::OneBytePlain(1, 2) + W::OneByteProcedure(2, 6) + writer.Name("TD.Run"));
  return writer.Block();
}

std::string NestedUnitsBlock() {
  W writer(6105, kBlockCasePassword);
  writer.AddUnit(writer.Name("Outer"), 100, 0x1000, 0x1000,
                 W::FourBytes(0, 0, true) + writer.Name("OuterProc"));
  writer.AddUnit(writer.Name("Inner"), 500, 0x1400, 0x100,
                 W::FourBytes(0, 0, true) + writer.Name("InnerProc"));
  writer.AddUnit(writer.Name("Sibling"), 700, 0x1800, 0x10,
                 W::FourBytes(0, 0, true) + writer.Name("SiblingProc"));
  writer.AddUnit(writer.Name("After"), 900, 0x2000, 0x100,
                 W::FourBytes(0, 0, true) + writer.Name("AfterProc"));
  return writer.Block();
}

std::string ContinuedNamesBlock() {
  W writer(6105, kBlockCasePassword);
  writer.AddUnit(writer.ContinuedName({"folder", "Unit"}), 1, 0, 0x10,
                 W::FourBytes(0, 0, true) +
                     writer.ContinuedName({std::string(100, 'C'), std::string(120, 'R')}));
  return writer.Block();
}

std::string OldVersionBlock(std::uint16_t version) {
  W writer(version, "");
  writer.AddUnit(writer.Name("Old"), 3, 0x20, 0x10,
                 W::FourBytes(0, 0, true) + writer.Name("TOld.Method"));
  return writer.Block("skipped bytes");
}

std::string EightByteEscapeBlock(std::uint16_t version) {
  const std::string escape = U32Bytes((0x0FFEFFFEu << 4) | 0xB);
  W writer(version, "");
  // From 423 the two words after the escape say: 5 lines on, 0x20 bytes on.
  writer.AddUnit(
      writer.Name("Esc"), 100, 0, 0x2000,
      W::FourBytes(0, 0, true) + writer.Name("P") + escape + U16Bytes(4) + U16Bytes(0x1F));
  return writer.Block();
}

std::string OneRoutineBlock(const std::string& password, const std::string& routine) {
  W writer(6105, password);
  writer.AddUnit(writer.Name("Alpha"), 10, 0x100, 0x10,
                 W::FourBytes(0, 0, true) + writer.Name("TAlpha." + routine));
  return writer.Block();
}

std::vector<TBlockCase> HandWrittenBlockCases() {
  std::vector<TBlockCase> cases = {
      {"every form", EveryFormBlock(), 6105, kBlockCasePassword, true, EveryFormPrologues(), 0x300},
      {"every form, password not valid", EveryFormBlock(), 6105, kBlockCasePassword, false,
       EveryFormPrologues(), 0x300},
      {"every form, version 500", EveryFormBlock(500), 500, kBlockCasePassword, true,
       EveryFormPrologues(), 0x300},
      {"every form, other password", EveryFormBlock(), 6105, "another password", true,
       EveryFormPrologues(), 0x300},
      {"same offset procedures",
       SameOffsetProceduresBlock(),
       6105,
       kBlockCasePassword,
       true,
       {},
       0x30},
      {"stretch before the first record",
       StretchBeforeFirstRecordBlock(),
       6105,
       kBlockCasePassword,
       true,
       {},
       0x80},
      {"nested units", NestedUnitsBlock(), 6105, kBlockCasePassword, true, {}, 0x2100},
      {"continued names", ContinuedNamesBlock(), 6105, kBlockCasePassword, true, {}, 0x10},
  };
  for (std::uint16_t version : {404, 405, 450, 499}) {
    cases.push_back({"old version " + std::to_string(version),
                     OldVersionBlock(version),
                     version,
                     "",
                     true,
                     {},
                     0x30});
  }
  for (std::uint16_t version : {422, 423}) {
    cases.push_back({"escape, version " + std::to_string(version),
                     EightByteEscapeBlock(version),
                     version,
                     "",
                     true,
                     {},
                     0x2000});
  }
  const std::string everyForm = EveryFormBlock();
  for (std::size_t cut = 0; cut < everyForm.size(); ++cut) {
    cases.push_back({"every form cut to " + std::to_string(cut) + " bytes",
                     everyForm.substr(0, cut), 6105, kBlockCasePassword, true, EveryFormPrologues(),
                     0x300});
  }
  return cases;
}
