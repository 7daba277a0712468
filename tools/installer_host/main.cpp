// installer_host: loads VInstallParamsClient.dll as the Brisole installer does
// and calls one of its installer exports, printing the one-byte result.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/installer_host/InstallerExportCall.h"

namespace {

const char kUsage[] =
    "usage: installer_host [--dll PATH] [--reserved N] [--report-libgcc] [--system-dlls-only]\n"
    "                      SetParameters <server host> <target folder>\n"
    "                      SetBDEConfig <alias name> <server name>\n"
    "  an argument written as --null is passed as a null pointer\n"
    "  --system-dlls-only restricts the library search to the system folder before the\n"
    "  DLL is loaded, as NSIS 3 installers do (a DLL named without folder is then\n"
    "  taken from this program's folder)\n"
    "exit status: 0 returned true, 1 returned false, 2 usage or loading problem,\n"
    "             4 stack left unbalanced, 5 a failure left the export\n";

const char* Argument(const char* text) {
  return std::strcmp(text, "--null") == 0 ? nullptr : text;
}

// What an NSIS 3 installer does first: every later library search by name
// looks in the system folder only. Looked up by name, as older systems lack it.
bool RestrictLibrarySearchToSystemFolder() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const auto restrict = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
  return restrict&& restrict(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// A name without folder, in this program's folder.
std::string BesideThisProgram(const std::string& path) {
  if (path.find_first_of("\\/:") != std::string::npos) return path;
  char self[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string folder(self);
  folder.resize(folder.find_last_of('\\') + 1);
  return folder + path;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dllPath = "VInstallParamsClient.dll";
  std::uintptr_t reserved = 0;
  bool reportLibgcc = false;
  bool systemDllsOnly = false;
  int at = 1;
  for (; at < argc && std::strncmp(argv[at], "--", 2) == 0 && std::strcmp(argv[at], "--null") != 0;
       ++at) {
    if (std::strcmp(argv[at], "--dll") == 0 && at + 1 < argc) {
      dllPath = argv[++at];
    } else if (std::strcmp(argv[at], "--reserved") == 0 && at + 1 < argc) {
      reserved = std::strtoul(argv[++at], nullptr, 0);
    } else if (std::strcmp(argv[at], "--report-libgcc") == 0) {
      reportLibgcc = true;
    } else if (std::strcmp(argv[at], "--system-dlls-only") == 0) {
      systemDllsOnly = true;
    } else {
      break;
    }
  }
  if (argc - at != 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const char* exportName = argv[at];

  if (reportLibgcc) {
    std::printf("shared libgcc loaded: %s\n",
                GetModuleHandleA("libgcc_s_dw2-1.dll") ? "yes" : "no");
  }
  if (systemDllsOnly) {
    if (!RestrictLibrarySearchToSystemFolder()) {
      std::fprintf(stderr, "installer_host: cannot restrict the library search (error %lu)\n",
                   GetLastError());
      return 2;
    }
    dllPath = BesideThisProgram(dllPath);
  }
  HMODULE module = LoadLibraryA(dllPath.c_str());
  if (!module) {
    std::fprintf(stderr, "installer_host: cannot load %s (error %lu)\n", dllPath.c_str(),
                 GetLastError());
    return 2;
  }
  void* routine = reinterpret_cast<void*>(GetProcAddress(module, exportName));
  if (!routine) {
    std::fprintf(stderr, "installer_host: %s does not export %s\n", dllPath.c_str(), exportName);
    return 2;
  }

  const ExportCallResult outcome =
      CallInstallerExport(routine, reserved, Argument(argv[at + 1]), Argument(argv[at + 2]));
  if (outcome.raised) {
    if (!outcome.className.empty()) {
      std::printf("%s raised %s: %s\n", exportName, outcome.className.c_str(),
                  outcome.message.c_str());
    } else {
      std::printf("%s raised exception 0x%08lX at %p\n", exportName, outcome.failure.code,
                  outcome.failure.address);
    }
    FreeLibrary(module);
    return 5;
  }
  if (outcome.stackImbalance != 0) {
    std::printf("%s left the stack unbalanced by %d bytes\n", exportName, outcome.stackImbalance);
    return 4;
  }
  std::printf("%s returned %u\n", exportName, outcome.result);
  FreeLibrary(module);
  return outcome.result == 1 ? 0 : 1;
}
