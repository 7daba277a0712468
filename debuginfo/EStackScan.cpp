#include "debuginfo/EStackScan.h"

#include "debuginfo/EStackCallForms.h"
#include "engine/ECoreMemory.h"

namespace {

constexpr std::uint32_t kWordSize = 4;
constexpr std::size_t kCalleePeek = 5;
constexpr std::uint8_t kCallRelative = 0xE8;

class TStackScanner {
 public:
  TStackScanner(TDovaroStackList& list, const TStackScanRequest& request,
                const TMemoryReader& memory, IStackLocator& locator)
      : list_(list), request_(request), memory_(memory), locator_(locator) {}

  void Run() {
    if (request_.FirstAddress) Add(*request_.FirstAddress, true);
    TAddress high = request_.StackHigh;
    if (high > request_.StackLow && high - request_.StackLow >= kMaxScannedStackBytes) {
      high = request_.StackLow + kMaxScannedStackBytes - kWordSize;
    }
    std::uint32_t budget = 0;
    for (TAddress at = request_.StackLow; at <= high && at >= request_.StackLow; at += kWordSize) {
      if (budget == 0) budget = ReadableBudget(at);
      if (budget == 0) continue;  // the word is skipped
      budget -= kWordSize;
      const auto word = memory_.ReadU32(at);
      if (!word) {
        budget = 0;  // the stack changed under us: ask again at the next word
        continue;
      }
      Examine(*word);
    }
  }

 private:
  std::uint32_t ReadableBudget(TAddress at) const {
    if (memory_.IsReadable(at, kStackReadabilityStep)) return kStackReadabilityStep;
    if (memory_.IsReadable(at, kWordSize)) return kWordSize;
    return 0;
  }

  void Examine(TAddress candidate) {
    const TStackCallSite site = MatchStackCallForm(memory_, candidate);
    if (site.Form == TStackCallForm::kNone) return;
    if (site.Form == TStackCallForm::kDirect && request_.AddCallees) AddCallee(site.Target);
    Add(site.CallAddress, false);
  }

  // The callee of a direct call, through an import stub to the routine it
  // leads to; a callee that itself starts with a call is not named.
  void AddCallee(TAddress target) {
    const TAddress callee = FollowJump(memory_, target);
    std::uint8_t start[kCalleePeek];
    if (memory_.ReadAll(callee, start, sizeof start) && start[0] != kCallRelative) {
      Add(callee, false);
    }
  }

  void Add(TAddress address, bool isFirst) {
    if (!list_.CanAdd()) return;
    std::unique_ptr<TCodeLocation> item = TDovaroStackList::NewItem();
    if (request_.Resolve) {
      locator_.Locate(address, request_.ThreadId, *item, isFirst, request_.StackOrigin);
    } else {
      item->Precision = lpModule;
      item->StackOrigin = request_.StackOrigin ? 1 : 0;
      item->IsExceptionAddress = isFirst ? 1 : 0;
      item->OwnerThread = request_.ThreadId;
      item->CodeAddress = static_cast<std::uint32_t>(address);
      const std::uintptr_t module = locator_.ModuleHandleOf(address);
      item->ModuleEntry = list_.MinimalModuleEntry(module, locator_.ModuleFileName(module));
    }
    if (isFirst) {
      list_.Append(std::move(item));
      return;
    }
    if ((request_.AllowedPrecisions & PrecisionBit(item->Precision)) == 0) return;
    const int foundBefore = found_++;
    const bool afterSkipped = request_.FirstIndex < 0 || foundBefore >= request_.FirstIndex;
    const bool belowMaximum = request_.MaximumItems < 0 || appended_ < request_.MaximumItems;
    if (afterSkipped && belowMaximum) {
      list_.Append(std::move(item));
      ++appended_;
    }
  }

  TDovaroStackList& list_;
  const TStackScanRequest& request_;
  const TMemoryReader& memory_;
  IStackLocator& locator_;
  int found_ = 0;
  int appended_ = 0;
};

}  // namespace

void ScanStack(TDovaroStackList& list, const TStackScanRequest& request,
               const TMemoryReader& memory, IStackLocator& locator) {
  const std::size_t firstAppended = list.Count();
  TStackScanner(list, request, memory, locator).Run();
  PruneStackList(list, firstAppended, request.Resolve, request.InsideDevelopmentEnvironment);
}

std::unique_ptr<TDovaroStackList> BuildCallStack(const TStackScanRequest& request,
                                                 const TMemoryReader& memory,
                                                 IStackLocator& locator) {
  auto list = std::make_unique<TDovaroStackList>();
  TStackScanRequest resolved = request;
  resolved.Resolve = true;
  ScanStack(*list, resolved, memory, locator);
  return list;
}
