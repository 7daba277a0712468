#include "debuginfo/EDebugOwnUnits.h"

#include <algorithm>
#include <cctype>

#include "debuginfo/EDebug.h"
#include "debuginfo/EDebugOwnUnitsTable.h"

static_assert(std::is_sorted(kLibraryOwnUnitNames.begin(), kLibraryOwnUnitNames.end()));

bool IsLibraryOwnUnit(std::string_view unitName) {
  const auto dot = unitName.rfind('.');
  if (dot != std::string_view::npos) {
    // Our units carry SourceFileExtension; a header of a unit counts as well.
    unitName = unitName.substr(0, dot);
  }
  if (std::binary_search(kLibraryOwnUnitNames.begin(), kLibraryOwnUnitNames.end(), unitName)) {
    return true;
  }
  return std::any_of(kLibraryOwnUnitNames.begin(), kLibraryOwnUnitNames.end(), [&](auto own) {
    return unitName.size() > own.size() && unitName.starts_with(own) &&
           std::isupper(static_cast<unsigned char>(unitName[own.size()]));
  });
}
