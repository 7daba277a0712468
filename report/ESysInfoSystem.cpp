// The collectors of the operating system: version, language, character set.
#include <windows.h>

#include <cstdlib>
#include <mutex>

#include "report/ESysInfoWin32.h"

namespace {

// EnumSystemLocales takes no value for its callback: the one enumeration
// that runs at a time keeps its state here.
struct TLanguageSearch {
  LANGID Wanted = 0;
  bool Nt = true;
  std::string Found;
};
std::mutex languageLock;
TLanguageSearch* languageSearch = nullptr;

std::string AnsiOfWide(const wchar_t* text) {
  char converted[256] = {};
  const int length =
      WideCharToMultiByte(CP_ACP, 0, text, -1, converted, sizeof converted - 1, nullptr, nullptr);
  return length > 1 ? std::string(converted) : std::string();
}

std::string LocaleText(LCID locale, LCTYPE type, bool nt) {
  if (nt) {
    wchar_t text[128] = {};
    return GetLocaleInfoW(locale, type, text, 127) > 1 ? AnsiOfWide(text) : std::string();
  }
  char text[128] = {};
  return GetLocaleInfoA(locale, type, text, 127) > 1 ? std::string(text) : std::string();
}

// Whether the locale named by 8 hexadecimal digits is the wanted language;
// then its English name is the answer and the enumeration stops.
BOOL VisitLocale(const std::string& name) {
  TLanguageSearch& search = *languageSearch;
  const auto locale = static_cast<LCID>(std::strtoul(name.c_str(), nullptr, 16));
  const auto language = static_cast<LANGID>(locale & 0xFFFF);
  if (language != search.Wanted || LocaleText(locale, LOCALE_SNATIVELANGNAME, search.Nt).empty())
    return TRUE;
  search.Found = LocaleText(locale, LOCALE_SENGLANGUAGE, search.Nt);
  return FALSE;
}

BOOL CALLBACK VisitLocaleW(LPWSTR name) {
  return VisitLocale(AnsiOfWide(name));
}

BOOL CALLBACK VisitLocaleA(LPSTR name) {
  return VisitLocale(name);
}

}  // namespace

TOsVersionFacts OsVersionFacts(const TSystemFunctionLookup& lookup) {
  TOsVersionFacts facts;
  OSVERSIONINFOEXA version{};
  version.dwOSVersionInfoSize = sizeof version;
  bool extended = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version)) != FALSE;
  if (!extended) {
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version))) return facts;
  }
  facts.Platform = version.dwPlatformId == VER_PLATFORM_WIN32_NT ? TOsVersionFacts::opWindowsNt
                   : version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS
                       ? TOsVersionFacts::opWindows9x
                       : TOsVersionFacts::opOther;
  facts.Major = version.dwMajorVersion;
  facts.Minor = version.dwMinorVersion;
  facts.Build = version.dwBuildNumber;
  facts.ServicePack = version.szCSDVersion;
  facts.Workstation = extended && version.wProductType == VER_NT_WORKSTATION;
  const auto isWow64 = LookUp<decltype(&IsWow64Process)>(lookup, "kernel32.dll", "IsWow64Process");
  BOOL wow64 = FALSE;
  facts.Wow64 = isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
  return facts;
}

std::string OsLanguageValue(bool nt) {
  const std::lock_guard<std::mutex> hold(languageLock);
  TLanguageSearch search;
  search.Wanted = GetSystemDefaultLangID();
  search.Nt = nt;
  languageSearch = &search;
  if (nt) {
    EnumSystemLocalesW(&VisitLocaleW, LCID_INSTALLED);
  } else {
    EnumSystemLocalesA(&VisitLocaleA, LCID_INSTALLED);
  }
  languageSearch = nullptr;
  return search.Found;
}

std::string OsCharsetValue() {
  char text[16] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, text, sizeof text);
  char* end = nullptr;
  unsigned long codePage = std::strtoul(text, &end, 10);
  if (end == text || *end != '\0') codePage = GetACP();
  CHARSETINFO charset{};
  if (!TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<std::uintptr_t>(codePage)),
                            &charset, TCI_SRCCODEPAGE))
    return {};
  return std::to_string(charset.ciCharset);
}
