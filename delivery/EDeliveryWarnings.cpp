#include "delivery/EDeliveryWarnings.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <mutex>

#include "engine/ECoreOptions.h"

namespace {

constexpr int kInformationCaption = 0;
constexpr UINT kBoxStyle = MB_OK | MB_TASKMODAL | MB_TOPMOST | MB_SERVICE_NOTIFICATION;

std::atomic<bool> progressWindowOpened{false};
std::mutex warningLock;
std::string lastWarning;

bool ShownInBox(TZuderaDodErrorCode code) {
  return code >= eeEmailSMTPError && code <= eeWebTrakerError;
}

}  // namespace

void RecordDeliveryWarning(TZuderaDodErrorCode code, const std::string& text, TAddress address) {
  {
    std::lock_guard guard(warningLock);
    lastWarning = text;
  }
  char line[96];
  std::snprintf(line, sizeof line, "[WARNING] - Code: %s - Address: %08X - Message: \"",
                ErrorCodeName(code), static_cast<unsigned>(address));
  OutputDebugStringA((line + text + "\"").c_str());
  if (ShownInBox(code) && progressWindowOpened.load()) {
    MessageBoxA(nullptr, text.c_str(), "Error.", kBoxStyle | MB_ICONERROR);
  }
}

std::string LastDeliveryWarning() {
  std::lock_guard guard(warningLock);
  return lastWarning;
}

void ClearDeliveryWarning() {
  std::lock_guard guard(warningLock);
  lastWarning.clear();
}

void NoteProgressWindowOpened() {
  progressWindowOpened = true;
}

void ShowOutcomeBox(const TDovaroModuleOptions& options, int textNumber, bool error) {
  const std::string text = options.Text(textNumber);
  const std::string caption = options.Text(kInformationCaption);
  MessageBoxA(nullptr, text.c_str(), caption.c_str(),
              kBoxStyle | (error ? MB_ICONERROR : MB_ICONINFORMATION));
}
