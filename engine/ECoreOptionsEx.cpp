#include "engine/ECoreOptionsEx.h"

#include <windows.h>

#include "engine/ECoreModules.h"
#include "engine/ECoreOptionStream.h"
#include "engine/ECoreSharedArea.h"

namespace {

TModuleHandle LoadedModule(const std::string& modulePath) {
  return modulePath.empty() ? nullptr : GetModuleHandleA(modulePath.c_str());
}

void SwitchFreezeWatch(const TDovaroModuleOptionsEx& options, bool changed) {
  const TDovaroModuleInfo* current = CurrentModuleInfo();
  const TEngineContext* context = EngineContext();
  const TFreezeWatchControl control = context ? context->ControlFreezeWatch : nullptr;
  if (!changed || !control || !current || current->Options.get() != &options) return;
  control(options.Enabled() && options.FreezeWatch());
}

}  // namespace

TDovaroModuleOptionsEx::TDovaroModuleOptionsEx(std::string modulePath)
    : TDovaroModuleOptions(modulePath, LoadedModule(modulePath)) {}

void TDovaroModuleOptionsEx::SetEnabled(bool value) {
  const bool changed = value != Enabled();
  TDovaroModuleOptions::SetEnabled(value);
  SwitchFreezeWatch(*this, changed);
}

void TDovaroModuleOptionsEx::SetFreezeWatch(const bool& value) {
  const bool changed = value != FreezeWatch();
  TDovaroModuleOptions::SetFreezeWatch(value);
  SwitchFreezeWatch(*this, changed);
}

void TDovaroModuleOptionsEx::Publish() {
  if (!OwnerModule()) return;
  TByteWriter payload;
  payload.WriteU8(1);
  SaveToStream(payload);
  PublishSharedOptionsArea(OwnerModule(), payload.Bytes());
}

void TDovaroModuleOptionsEx::Refresh() {
  if (!OwnerModule()) return;
  const auto payload = ReadSharedOptionsArea(OwnerModule(), GetCurrentProcessId());
  if (!payload || payload->empty() || (*payload)[0] == 0) return;
  const std::span<const std::uint8_t> stream = std::span(*payload).subspan(1);
  // Read once on the side: a damaged area must not leave half-loaded options.
  try {
    TDovaroModuleOptions trial;
    TByteReader trialReader(stream);
    trial.LoadFromStream(trialReader, kEngineDataVersion);
  } catch (...) {
    return;
  }
  TByteReader reader(stream);
  LoadFromStream(reader);
}
