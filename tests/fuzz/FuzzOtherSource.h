// The body of the map, TD32 and JDBG targets: the input as the file beside a
// module, opened as the module's other debug source (opening may fail,
// nothing else may happen) and looked up at addresses the input suggests.
#pragma once

#include "tests/debuginfo/FakeModuleAccess.h"
#include "tests/fuzz/FuzzInput.h"

inline void FuzzOtherDebugSource(const FuzzInput& input, const char* fileName) {
  FakeModuleAccess access;
  access.Files[fileName] = std::string(input.Text());
  auto source = CreateOtherDebugSource(FakeModuleAccess::kHandle, access);
  if (!source) return;
  for (std::size_t i = 0; i < 4; ++i) {
    TELLocationInfo info;
    source->GetLocation(FakeModuleAccess::kCodeBase + (input.WordFromEnd(i) & 0xFFFFFF), info);
  }
}
