// Compares the disassembler with objdump over a whole listing, instruction by
// instruction at objdump's boundaries.
//
// - Every row: the lengths agree, and where the hook engine's length decoder
//   decodes the bytes, the disassembler's length is the decoder's.
// - A covered row (ObjdumpTextIsCovered): the texts agree under the
//   normalisation of ObjdumpNormalization.h, and ours is not the "DB" form.
// - A row outside the table: ours is the "DB" form.
// - objdump's "(bad)": ours is the "DB" form too; the lengths are not compared,
//   because objdump resumes one byte later while the decoder counts the
//   ModR/M byte it read to find out that the group entry is empty.
// - objdump's ".byte" rows (an instruction cut at the end of a symbol or
//   section) are skipped: there is no instruction there to compare.
// - objdump folds a wait (9B) into the x87 instruction after it ("fstsw ax" =
//   9B DF E0, "fstp qword ptr [esp]" = 9B DD 1C 24), and so do the length
//   decoder and the disassembler: such rows compare like any other.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tests/debuginfo/ObjdumpListing.h"

struct CorpusFigures {
  std::size_t rows = 0;            // objdump's instruction rows
  std::size_t lengthCompared = 0;  // rows whose length was compared
  std::size_t lengthAgreed = 0;
  std::size_t decoderCompared = 0;  // rows the length decoder decodes
  std::size_t decoderAgreed = 0;    // ... to the disassembler's length
  std::size_t covered = 0;          // rows the table covers
  std::size_t textAgreed = 0;
  std::size_t outsideTable = 0;    // valid instructions the table does not cover
  std::size_t outsideAsData = 0;   // ... that came out in the "DB" form
  std::size_t objdumpInvalid = 0;  // objdump's "(bad)"
  std::size_t invalidAsData = 0;
  std::size_t cutRows = 0;                 // ".byte" rows, skipped
  std::size_t waitFolded = 0;              // rows with a wait folded in: "fstsw ax" and its kind
  std::vector<std::string> disagreements;  // the first few, readable
  std::size_t disagreementCount = 0;
};

CorpusFigures CompareCorpus(const ObjdumpListing& listing);
std::string DescribeFigures(const CorpusFigures& figures);
