// The socket layer's own failures, seen through the real DLL: the sockets
// library missing a function, and the library not loading at all. The DLL's
// imports of GetProcAddress and LoadLibraryA are pointed, for one call, at
// replacements that refuse the sockets library.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/ImportPatch.h"
#include "tests/support/InstallerDll.h"
#include "tests/support/MessageWindowWatcher.h"
#include "tests/support/TempFolder.h"

namespace {

using GetProcAddressFn = FARPROC(WINAPI*)(HMODULE, LPCSTR);
using LoadLibraryAFn = HMODULE(WINAPI*)(LPCSTR);
GetProcAddressFn realGetProcAddress = nullptr;
LoadLibraryAFn realLoadLibraryA = nullptr;

bool IsName(LPCSTR name) {
  return reinterpret_cast<std::uintptr_t>(name) > 0xFFFF;
}

FARPROC WINAPI WithoutSendTo(HMODULE module, LPCSTR name) {
  if (IsName(name) && std::strcmp(name, "sendto") == 0) return nullptr;
  return realGetProcAddress(module, name);
}

HMODULE WINAPI WithoutSocketsLibrary(LPCSTR name) {
  if (name && _stricmp(name, "WS2_32.DLL") == 0) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return realLoadLibraryA(name);
}

}  // namespace

TEST(SocketLayerFailure, MissingLibraryFunction_IsNamedInTheFirstExchangesMessage) {
  if (!DisplayAvailable())
    GTEST_SKIP() << "needs a display (run under xvfb-run) for the message window";
  InstallerDll dll;
  TempFolder folder;
  MessageWindowWatcher windows(InstallerCaptionOfThisProcess());
  ImportPatch patch(dll.Module(), "KERNEL32.dll", "GetProcAddress",
                    reinterpret_cast<void*>(&WithoutSendTo));
  realGetProcAddress = reinterpret_cast<GetProcAddressFn>(patch.Original());

  const ExportCallResult call = dll.SetParameters("127.0.0.1", folder.Path().c_str());

  ASSERT_FALSE(call.raised) << call.message;
  EXPECT_EQ(call.result, 0);
  EXPECT_EQ(
      windows.Texts(),
      std::vector<std::string>{
          "Impossibile contattare il server: Error on call to Winsock2 library function sendto"});
}

TEST(SocketLayerFailure, LibraryThatCannotBeLoaded_LeavesTheExportWithTheLoadingMessage) {
  InstallerDll dll;
  TempFolder folder;
  ImportPatch patch(dll.Module(), "KERNEL32.dll", "LoadLibraryA",
                    reinterpret_cast<void*>(&WithoutSocketsLibrary));
  realLoadLibraryA = reinterpret_cast<LoadLibraryAFn>(patch.Original());

  const ExportCallResult call = dll.SetParameters("127.0.0.1", folder.Path().c_str());

  ASSERT_TRUE(call.raised);
  EXPECT_EQ(call.className, "EIdWinsockStubError");
  EXPECT_EQ(call.message.rfind("Error on loading Winsock2 library (WS2_32.DLL): ", 0), 0u)
      << call.message;
  EXPECT_GT(call.message.size(), std::strlen("Error on loading Winsock2 library (WS2_32.DLL): "))
      << "the system's text for the error follows";
}
