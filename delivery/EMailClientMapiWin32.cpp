// The hand-off to the registered mail client through Simple MAPI.
#include <windows.h>
#include <mapi.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "delivery/EMailClient.h"
#include "delivery/EMailClientMapiMessage.h"
#include "delivery/ESocketsMail.h"
#include "engine/ECoreServices.h"

// Our records are the system's, byte for byte.
static_assert(sizeof(TMapiRecipient) == sizeof(MapiRecipDesc));
static_assert(offsetof(TMapiRecipient, Address) == offsetof(MapiRecipDesc, lpszAddress));
static_assert(offsetof(TMapiRecipient, EntryId) == offsetof(MapiRecipDesc, lpEntryID));
static_assert(sizeof(TMapiFile) == sizeof(MapiFileDesc));
static_assert(offsetof(TMapiFile, PathName) == offsetof(MapiFileDesc, lpszPathName));
static_assert(offsetof(TMapiFile, FileType) == offsetof(MapiFileDesc, lpFileType));
static_assert(sizeof(TMapiMessage) == sizeof(MapiMessage));
static_assert(offsetof(TMapiMessage, Flags) == offsetof(MapiMessage, flFlags));
static_assert(offsetof(TMapiMessage, RecipientCount) == offsetof(MapiMessage, nRecipCount));
static_assert(offsetof(TMapiMessage, Files) == offsetof(MapiMessage, lpFiles));
static_assert(kMapiTo == MAPI_TO && kMapiLogonUi == MAPI_LOGON_UI && kMapiDialog == MAPI_DIALOG);
static_assert(kMapiSuccess == SUCCESS_SUCCESS && kMapiUserAbort == MAPI_USER_ABORT);

namespace {

constexpr char kMailClientsKey[] = "SOFTWARE\\Clients\\Mail";

using TMapiLogon = ULONG(WINAPI*)(ULONG_PTR, LPSTR, LPSTR, FLAGS, ULONG, LPLHANDLE);
using TMapiLogoff = ULONG(WINAPI*)(LHANDLE, ULONG_PTR, FLAGS, ULONG);
using TMapiSendMail = ULONG(WINAPI*)(LHANDLE, ULONG_PTR, TMapiMessage*, FLAGS, ULONG);

// Mail clients change the current folder; the program gets its own back.
class TCurrentFolderKept {
 public:
  TCurrentFolderKept() {
    const DWORD size = GetCurrentDirectoryA(0, nullptr);
    folder_.resize(size);
    folder_.resize(size ? GetCurrentDirectoryA(size, folder_.data()) : 0);
  }
  ~TCurrentFolderKept() {
    if (!folder_.empty()) SetCurrentDirectoryA(folder_.c_str());
  }
  TCurrentFolderKept(const TCurrentFolderKept&) = delete;
  TCurrentFolderKept& operator=(const TCurrentFolderKept&) = delete;

 private:
  std::string folder_;
};

struct TLibraryRelease {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using TLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, TLibraryRelease>;

// The "DLLPath" of the registered mail client, variables expanded, or empty.
// The client is named under the current user, else under the machine; its
// key is looked for under both, the user's first (a client registered for
// the machine keeps its key there even when the user chose it).
std::string RegisteredMailLibrary() {
  const HKEY roots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
  std::vector<std::string> clients;
  for (const HKEY root : roots) {
    const std::string client = ReadRegistryString(root, kMailClientsKey, "");
    if (!client.empty()) clients.push_back(client);
  }
  for (const std::string& client : clients)
    for (const HKEY root : roots) {
      const std::string path =
          ReadRegistryString(root, std::string(kMailClientsKey) + "\\" + client, "DLLPath");
      if (!path.empty()) return ExpandVariables(path);
    }
  return {};
}

TLibrary LoadMailLibrary(const std::string& fallbackLibrary) {
  const std::string registered = RegisteredMailLibrary();
  if (!registered.empty())
    if (TLibrary library{LoadLibraryA(registered.c_str())}) return library;
  return TLibrary{LoadLibraryA(fallbackLibrary.c_str())};
}

template <typename Function>
Function MapiFunction(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// The files that exist, with their full paths.
std::vector<TDeliveryFile> ExistingFiles(const std::vector<TDeliveryFile>& files) {
  std::vector<TDeliveryFile> existing;
  for (const TDeliveryFile& file : files) {
    const DWORD attributes = GetFileAttributesA(file.Path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    std::string full(MAX_PATH, '\0');
    DWORD length = GetFullPathNameA(file.Path.c_str(), full.size(), full.data(), nullptr);
    if (length >= full.size()) {
      full.resize(length);
      length = GetFullPathNameA(file.Path.c_str(), full.size(), full.data(), nullptr);
    }
    full.resize(length && length < full.size() ? length : 0);
    existing.push_back({full.empty() ? file.Path : full, file.ShownName});
  }
  return existing;
}

}  // namespace

TMailClientOutcome SendMailByMapi(const TMapiMail& mail, const TWarningSink& warn) {
  return SendMailByMapi(mail, warn, "mapi32.dll");
}

TMailClientOutcome SendMailByMapi(const TMapiMail& mail, const TWarningSink& warn,
                                  const std::string& fallbackLibrary) {
  const TCurrentFolderKept currentFolder;
  const std::vector<std::string> recipients = SplitRecipients(mail.Recipients);
  if (const auto tooLong = RecipientTooLongForMapi(recipients)) {
    warn("Cannot send the MAPI message: the address \"" + *tooLong + "\" is longer than " +
         std::to_string(kMapiLongestAddress) + " characters.");
    return TMailClientOutcome::Failed;
  }
  const TLibrary library = LoadMailLibrary(fallbackLibrary);
  if (!library) {
    warn("Cannot open the MAPI dll.");
    return TMailClientOutcome::Failed;
  }
  const auto logon = MapiFunction<TMapiLogon>(library.get(), "MAPILogon");
  const auto logoff = MapiFunction<TMapiLogoff>(library.get(), "MAPILogoff");
  const auto sendMail = MapiFunction<TMapiSendMail>(library.get(), "MAPISendMail");
  if (!logon || !logoff || !sendMail) {
    warn("Cannot found the MAPI functions.");
    return TMailClientOutcome::Failed;
  }
  const auto parent = reinterpret_cast<ULONG_PTR>(mail.ParentWindow);
  LHANDLE session = 0;
  if (logon(parent, nullptr, nullptr, MAPI_LOGON_UI, 0, &session) != SUCCESS_SUCCESS) {
    warn("Cannot LogOn into the MAPI service.");
    return TMailClientOutcome::Failed;
  }
  TMapiMessageData message(recipients, mail.Subject, mail.Body, ExistingFiles(mail.Files));
  const FLAGS flags = MAPI_LOGON_UI | (mail.ShowClientWindow ? MAPI_DIALOG : 0);
  const ULONG result = sendMail(session, parent, message.Message(), flags, 0);
  logoff(session, parent, 0, 0);
  if (result == SUCCESS_SUCCESS) return TMailClientOutcome::Sent;
  if (result == MAPI_USER_ABORT) return TMailClientOutcome::UserAborted;
  warn("Cannot send the MAPI message.");
  return TMailClientOutcome::Failed;
}
