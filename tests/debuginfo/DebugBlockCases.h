// The hand-written compact blocks of the block reader's tests, built byte by
// byte, and the list of all of them with the versions, passwords and cuts
// the tests read them with.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

inline constexpr const char* kBlockCasePassword = "fixture password";

// Code bytes at procedure starts, by code offset.
using CodeBytes = std::map<std::uint32_t, std::string>;

// One unit with every record form: procedures with and without a class, a
// ".Routine" continuation, backward and long steps.
std::string EveryFormBlock(std::uint16_t version = 6105);
// Prologues for EveryFormBlock's procedures: a frame, a saved EBX, neither.
const CodeBytes& EveryFormPrologues();
// Two procedures at the same line and offset (an all-ones 4-byte record).
std::string SameOffsetProceduresBlock();
// A plain record before the first procedure record.
std::string StretchBeforeFirstRecordBlock();
// An outer unit with a unit nested in it, a sibling inside it and one after.
std::string NestedUnitsBlock();
// A unit name and a procedure name continued over two name fields.
std::string ContinuedNamesBlock();
// An old block: names XORed, and from 405 to 499 a skipped part in front.
std::string OldVersionBlock(std::uint16_t version);
// A 4-byte escape record followed by two words (an 8-byte record from 423).
std::string EightByteEscapeBlock(std::uint16_t version);

// One unit "Alpha" at 0x100 with the one procedure "TAlpha." + `routine`,
// its names enciphered with `password`.
std::string OneRoutineBlock(const std::string& password, const std::string& routine);

struct TBlockCase {
  std::string Name;
  std::string Block;
  std::uint16_t Version = 6105;
  std::string Password = kBlockCasePassword;
  bool PasswordValid = true;
  CodeBytes Code;
  std::uint32_t CodeEnd = 0;  // one past the last code offset any unit covers
};
// Every block above as the tests read it, and every cut of EveryFormBlock.
std::vector<TBlockCase> HandWrittenBlockCases();
