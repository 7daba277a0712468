// What the snapshot shows of a module's file (description, version, size,
// last change) and of its image (the module type), read at registration.
//
// The readers ask the system (the version functions, a directory search, the
// image headers through the live memory reader and its resources); none
// raises, and what cannot be read stays empty or 0. They allocate and open
// files: not for exception handling's inner steps. They may run in a
// module's entry (the current module registers there).
#pragma once

#include <cstdint>
#include <string>

#include "engine/ECoreModules.h"

// The facts of a file as the modules list records them.
struct TFileFacts {
  std::string Description;  // "FileDescription" of the first translation
  std::string Version;      // FileVersionText of the fixed file version
  std::uint32_t Size = 0;   // low 32 bits
  double LastModified = 0;  // local time in 2-second steps (FileDateOfTicks)
};

// A local file time (100 ns ticks since 1 January 1601) cut down to its
// 2-second step, as days since 30 December 1899. Pure.
constexpr double FileDateOfTicks(std::uint64_t localTicks) {
  constexpr std::uint64_t kTwoSeconds = 20000000;
  constexpr double kTicksPerDay = 864000000000.0;
  constexpr double kDaysFrom1601To1899 = 109205.0;
  return static_cast<double>(localTicks - localTicks % kTwoSeconds) / kTicksPerDay -
         kDaysFrom1601To1899;
}

// Whether two such dates name the same 2-second step. (Compared as steps: a
// date just computed may still carry the x87 unit's extra precision.)
bool SameFileDate(double a, double b);

TFileFacts ReadFileFacts(const std::string& fileName);
// Description and version alone; both empty without a version resource.
void ReadFileVersionFacts(const std::string& fileName, std::string& description,
                          std::string& version);
// The "ProductVersion" string of the first translation, or empty.
std::string ReadFileProductVersion(const std::string& fileName);
// The last change of the file (FileDateOfTicks), 0 when it cannot be found.
double ReadFileDate(const std::string& fileName);
// From the headers of the image loaded at `module`: mtExecutable without the
// DLL flag; for a DLL, mtPackage when it holds both a "PACKAGEINFO" and a
// "PACKAGEOPTIONS" resource, else mtLibrary; mtUnknown when the headers are
// not those of a PE image.
TModuleType ReadModuleType(TModuleHandle module);

// The engine context's facts loader (TModuleFactsLoader).
void LoadModuleFacts(TDovaroModuleInfo& module, bool readModuleType);
