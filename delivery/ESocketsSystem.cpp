#include "delivery/ESocketsSystem.h"

#include <windows.h>

#include <array>

#include "delivery/ESockets.h"
#include "delivery/ESocketsMail.h"
#include "engine/ECoreServices.h"
#include "platform/runtime/TextTrim.h"
#include "report/EReportDates.h"

namespace {

struct TOwnerValue {
  const char* Key;
  const char* Value;
};

constexpr TOwnerValue kOwnerValues[] = {
    {"SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION", "RegisteredOwner"},
    {"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION", "RegisteredOwner"},
    {"SOFTWARE\\MICROSOFT\\MS SETUP (ACME)\\USER INFO", "DefName"},
};

// Since Windows Vista a machine set up without an owner names "Microsoft".
bool IsPlaceholderOwner(const std::string& owner) {
  const bool vistaOrLater = LOBYTE(LOWORD(GetVersion())) >= 6;
  return vistaOrLater && owner == "Microsoft";
}

std::string LoggedOnUserName() {
  std::array<char, 257> name{};
  DWORD size = name.size();
  return GetUserNameA(name.data(), &size) ? std::string(name.data()) : std::string();
}

}  // namespace

std::string SenderDisplayName() {
  for (const TOwnerValue& place : kOwnerValues) {
    std::string owner(TrimBlanks(ReadRegistryString(HKEY_LOCAL_MACHINE, place.Key, place.Value)));
    if (!owner.empty() && !IsPlaceholderOwner(owner)) return owner;
  }
  return LoggedOnUserName();
}

std::string MailDateNow() {
  return MailDateText(LocalDateTimeNow(), UtcOffsetHours());
}

std::uint32_t MailTickCount() {
  return GetTickCount();
}

std::string AnsiCharset() {
  return CodePageCharset(GetACP());
}
