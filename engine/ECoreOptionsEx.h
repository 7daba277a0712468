// The option object of a registered module: TDovaroModuleOptions plus the
// shared options area (Publish, Refresh) and the freeze watchdog switch.
#pragma once

#include <string>

#include "engine/ECoreOptions.h"

class TDovaroModuleOptionsEx : public TDovaroModuleOptions {
 public:
  // Looks the owner up from `modulePath` (the module must be loaded; an empty
  // path gives the process-wide object without owner).
  explicit TDovaroModuleOptionsEx(std::string modulePath = {});
  TDovaroModuleOptionsEx(std::string modulePath, TModuleHandle ownerModule)
      : TDovaroModuleOptions(std::move(modulePath), ownerModule) {}

  // For the current module's registered options, a change of either value
  // starts the freeze watchdog (both set) or stops it, through the engine
  // context's control.
  void SetEnabled(bool value) override;
  void SetFreezeWatch(const bool& value) override;

  // "1" and the option stream into the owner module's area in this process.
  void Publish() override;
  // Reloads the options from the owner module's area when it holds options;
  // a missing, empty or unreadable area leaves the options as they were.
  void Refresh() override;
};
