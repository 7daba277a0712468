// The per-module shared options area: a named, page-file-backed section per
// module of a process, named by the 8 upper-case hexadecimal digits of the
// process id followed by the 8 of the module handle. Its first 4 bytes hold
// the payload length; the payload is one byte (1 options present, 0 none yet)
// followed by an option stream of the current format.
//
// The publishing module keeps its own view open so the section lives as long
// as the module; readers open, copy and close. Opening may fail (no section,
// or an existing section too small for a new payload): publishing then writes
// nothing and reading keeps what the reader had.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/ECoreOptions.h"

std::string SharedOptionsAreaName(unsigned long processId, TModuleHandle module);

// One mapped view of an area.
class TSharedOptionsArea {
 public:
  // Creates (or opens) the area with room for `payloadSize` bytes and stores
  // that length; a payload size of 0 opens an existing area only. Null when
  // the area cannot be opened.
  static std::unique_ptr<TSharedOptionsArea> Open(TModuleHandle module, std::size_t payloadSize,
                                                  unsigned long processId);
  ~TSharedOptionsArea();
  TSharedOptionsArea(const TSharedOptionsArea&) = delete;
  TSharedOptionsArea& operator=(const TSharedOptionsArea&) = delete;

  std::span<std::uint8_t> Payload() const { return {payload_, length_}; }

 private:
  TSharedOptionsArea(void* mapping, void* view, std::size_t length);
  void* mapping_;
  void* view_;
  std::uint8_t* payload_;
  std::size_t length_;
};

// Replaces the published area of `module` in this process with one holding
// `payload` (the previous view is dropped first). False when it could not.
bool PublishSharedOptionsArea(TModuleHandle module, std::span<const std::uint8_t> payload);
// Creates the area of `module` with the one-byte payload 0 unless this
// process already publishes one for it.
bool EnsureSharedOptionsArea(TModuleHandle module);
// Drops the published area of `module` (at the module's end).
void ReleaseSharedOptionsArea(TModuleHandle module);
// A copy of the payload of `module`'s area in process `processId`, or none
// when no such area exists.
std::optional<std::vector<std::uint8_t>> ReadSharedOptionsArea(TModuleHandle module,
                                                               unsigned long processId);
