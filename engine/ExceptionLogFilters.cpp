#include "engine/ExceptionLogFilters.h"

#include "engine/ExceptionLogClasses.h"

std::optional<int> FindFilter(const TDovaroModuleOptions& options,
                              const std::vector<std::string>& ancestry, bool caughtByProgram) {
  const TDovaroExceptionsFilters& filters = options.Filters();
  for (int i = 0; i < filters.Count(); ++i) {
    const TDovaroExceptionFilter& filter = filters.Item(i);
    if (!filter.FilterEnabled) continue;
    if (filter.FilterScope == 1 && !caughtByProgram) continue;
    if (filter.FilterScope == 2 && caughtByProgram) continue;
    if (InheritsFromName(ancestry, filter.FilterClassName)) return i;
  }
  return std::nullopt;
}
