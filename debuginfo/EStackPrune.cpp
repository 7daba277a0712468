// The pruning after a scan: junk for the development environment, repeated
// call sites, and stale words between a routine's entry and a deeper item of
// the same routine. Hidden items keep their place with precision lpNone, which
// no display admits.
#include <string_view>

#include "debuginfo/EStackScan.h"
#include "engine/ECoreModules.h"

namespace {

bool NamesRoutine(const TCodeLocation& item) {
  return item.Precision >= lpRoutine && item.Precision <= lpLine;
}

std::uintptr_t ModuleOf(const TCodeLocation& item) {
  return item.ModuleEntry ? reinterpret_cast<std::uintptr_t>(item.ModuleEntry->Handle) : 0;
}

// Pass 1, inside the development environment: only named routines stay, and
// never the framework's exception handler.
void DropUnnamed(TDovaroStackList& list, std::size_t first) {
  for (std::size_t i = list.Count(); i-- > first;) {
    const TCodeLocation& item = list[i];
    if (!NamesRoutine(item) ||
        item.RoutineName.View().find("HandleException") != std::string_view::npos) {
      list.Delete(i);
    }
  }
}

// The next item after `from` that names a routine in `module`, or Count().
std::size_t NextNamedInModule(const TDovaroStackList& list, std::size_t from,
                              std::uintptr_t module) {
  for (std::size_t j = from + 1; j < list.Count(); ++j) {
    if (NamesRoutine(list[j]) && ModuleOf(list[j]) == module) return j;
  }
  return list.Count();
}

// Pass 2: a call site met again a little further out keeps only that later
// occurrence.
void HideRepeatedSites(TDovaroStackList& list, std::size_t first) {
  if (list.Count() < 2) return;
  for (std::size_t i = list.Count() - 1; i-- > first;) {
    TCodeLocation& item = list[i];
    if (!NamesRoutine(item)) continue;
    const std::uintptr_t module = ModuleOf(item);
    const std::size_t next = NextNamedInModule(list, i, module);
    if (next == list.Count()) continue;
    const std::size_t afterNext = NextNamedInModule(list, next, module);
    if (list[next].CodeAddress == item.CodeAddress ||
        (afterNext < list.Count() && list[afterNext].CodeAddress == item.CodeAddress)) {
      item.Precision = lpNone;
    }
  }
}

bool SameRoutine(const TCodeLocation& a, const TCodeLocation& b) {
  return a.SourceUnit.View() == b.SourceUnit.View() && a.OwnerClass.View() == b.OwnerClass.View() &&
         a.RoutineName.View() == b.RoutineName.View();
}

// Whether `m` bounds the stale stretch before the routine entry `n`: another
// thread or stack, or a deeper place inside the same routine.
bool Bounds(const TCodeLocation& m, const TCodeLocation& n) {
  return m.OwnerThread != n.OwnerThread || m.StackOrigin != n.StackOrigin ||
         (SameRoutine(m, n) && m.RoutineLineOffset != 0);
}

// Pass 3, over the whole list.
void HideBeforeRoutineEntries(TDovaroStackList& list) {
  for (std::size_t n = list.Count(); n-- > 1;) {
    const TCodeLocation& entry = list[n];
    if (entry.Precision != lpLine || entry.RoutineLineOffset != 0) continue;
    std::size_t m = n;  // none found yet
    for (std::size_t k = n - 1; k >= 1; --k) {
      if (Bounds(list[k], entry)) {
        m = k;
        break;
      }
    }
    if (m == n && Bounds(list[0], entry)) m = 0;
    if (m == n) continue;
    for (std::size_t k = m + 1; k < n; ++k) list[k].Precision = lpNone;
  }
}

}  // namespace

void PruneStackList(TDovaroStackList& list, std::size_t firstAppended, bool resolved,
                    bool insideDevelopmentEnvironment) {
  if (insideDevelopmentEnvironment && resolved) DropUnnamed(list, firstAppended);
  HideRepeatedSites(list, firstAppended);
  HideBeforeRoutineEntries(list);
}
