#include "platform/runtime/SystemErrors.h"

#include <windows.h>

std::string SysErrorMessage(unsigned long code) {
  char buffer[512];
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
      nullptr, code, 0, buffer, sizeof buffer, nullptr);
  while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n' ||
                        buffer[length - 1] == ' ' || buffer[length - 1] == '.')) {
    --length;
  }
  return std::string(buffer, length);
}
