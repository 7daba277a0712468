// The internal-error report's outlet in this process.
#include <windows.h>
#include <mapi.h>

#include <atomic>
#include <cstdio>

#include "debuginfo/EStackLive.h"
#include "engine/ECoreServices.h"
#include "engine/EngineContext.h"
#include "platform/memory/LiveMemory.h"
#include "platform/runtime/PathText.h"
#include "report/EInternalError.h"
#include "report/ESysInfo.h"
#include "report/ESysInfoWin32.h"

namespace {

std::atomic<bool> reporting{false};

// Lookups name the library's own units while the report runs.
class TOwnUnitsShown {
 public:
  TOwnUnitsShown() : context_(EngineContext()) {
    if (context_) previous_ = context_->ReportingInternalError.exchange(true);
  }
  ~TOwnUnitsShown() {
    if (context_) context_->ReportingInternalError = previous_;
  }
  TOwnUnitsShown(const TOwnUnitsShown&) = delete;
  TOwnUnitsShown& operator=(const TOwnUnitsShown&) = delete;

 private:
  TEngineContext* context_;
  bool previous_ = false;
};

}  // namespace

void TLiveInternalErrorOutlet::DebugOutput(const std::string& line) {
  OutputDebugStringA(line.c_str());
}

std::optional<std::string> TLiveInternalErrorOutlet::WriteFile(const std::string& fileName,
                                                               const std::string& text) {
  std::string path;
  try {
    path = WritableLocation(fileName, true);
  } catch (...) {
    return std::nullopt;  // no writable place
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return std::nullopt;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written ? std::optional(path) : std::nullopt;
}

bool TLiveInternalErrorOutlet::Ask(const std::string& caption, const std::string& question) {
  return MessageBoxA(nullptr, question.c_str(), caption.c_str(),
                     MB_YESNO | MB_ICONERROR | MB_TASKMODAL | MB_TOPMOST) == IDYES;
}

bool TLiveInternalErrorOutlet::MailFile(const std::string& filePath, const std::string& address,
                                        const std::string& subject, const std::string& body) {
  const TLibraryUse mapi("mapi32.dll");
  const auto sendMail = LookUp<LPMAPISENDMAIL>(SystemFunction, "mapi32.dll", "MAPISendMail");
  if (!sendMail) return false;
  std::string name = address, smtpAddress = "SMTP:" + address;
  std::string path = filePath, shownName = ExtractFileName(filePath);
  std::string subjectText = subject, bodyText = body;
  MapiRecipDesc recipient{};
  recipient.ulRecipClass = MAPI_TO;
  recipient.lpszName = name.data();
  recipient.lpszAddress = smtpAddress.data();
  MapiFileDesc attachment{};
  attachment.nPosition = static_cast<ULONG>(-1);
  attachment.lpszPathName = path.data();
  attachment.lpszFileName = shownName.data();
  MapiMessage message{};
  message.lpszSubject = subjectText.data();
  message.lpszNoteText = bodyText.data();
  message.nRecipCount = 1;
  message.lpRecips = &recipient;
  message.nFileCount = 1;
  message.lpFiles = &attachment;
  return sendMail(0, 0, &message, MAPI_LOGON_UI | MAPI_DIALOG, 0) == SUCCESS_SUCCESS;
}

void TLiveInternalErrorOutlet::Inform(const std::string& caption, const std::string& text) {
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

bool ReportInternalErrorHere(TInternalFailure failure) {
  if (reporting.exchange(true)) return false;
  bool reported = false;
  try {
    const TOwnUnitsShown ownUnits;
    failure.DebuggerAttached = failure.DebuggerAttached || IsDebuggerPresent();
    if (InternalErrorWanted(failure)) {
      failure.Now = LocalTimeNow();
      failure.UtcOffsetHours = UtcOffsetHours();
      failure.OsType = TLiveSystemInfo().Value(siOsType);
      if (failure.ExecutablePath.empty()) failure.ExecutablePath = SystemModuleFileName(nullptr);
      if (!failure.CallStack) failure.CallStack = CallStackAsTextHere();
      TLiveStackLocator locator;
      TLiveInternalErrorOutlet outlet;
      reported = ReportInternalError(failure, LiveMemory(), locator, outlet);
    }
  } catch (...) {
    // The report of a failure must not fail in turn.
  }
  reporting = false;
  return reported;
}
