// The operating system's 32-bit records of an exception, as it lays them
// out: the exception record and the head of the register context (up to
// and including the stack segment register). The engine copies them, the
// report reads them from the process's memory. Pure: no windows.h.
#pragma once

#include <cstddef>
#include <cstdint>

struct TOsExceptionRecord {
  std::uint32_t ExceptionCode = 0;
  std::uint32_t ExceptionFlags = 0;
  std::uint32_t ExceptionRecord = 0;  // the nested record's address
  std::uint32_t ExceptionAddress = 0;
  std::uint32_t NumberParameters = 0;
  std::uint32_t ExceptionInformation[15] = {};
};
static_assert(sizeof(TOsExceptionRecord) == 80);
static_assert(offsetof(TOsExceptionRecord, ExceptionAddress) == 12);
static_assert(offsetof(TOsExceptionRecord, ExceptionInformation) == 20);

// The first 204 bytes of the 32-bit CONTEXT: without the extended registers.
struct TRegisterContext {
  std::uint32_t ContextFlags;
  std::uint32_t Dr0, Dr1, Dr2, Dr3, Dr6, Dr7;
  std::uint8_t FloatSave[112];
  std::uint32_t SegGs, SegFs, SegEs, SegDs;
  std::uint32_t Edi, Esi, Ebx, Edx, Ecx, Eax;
  std::uint32_t Ebp, Eip, SegCs, EFlags, Esp, SegSs;
};
static_assert(sizeof(TRegisterContext) == 204);
static_assert(offsetof(TRegisterContext, SegGs) == 140);
static_assert(offsetof(TRegisterContext, Edi) == 156);
static_assert(offsetof(TRegisterContext, Eax) == 176);
static_assert(offsetof(TRegisterContext, Eip) == 184);
static_assert(offsetof(TRegisterContext, Esp) == 196);
static_assert(offsetof(TRegisterContext, SegSs) == 200);

// Control and integer registers (CONTEXT_CONTROL | CONTEXT_INTEGER).
inline constexpr std::uint32_t kContextControlAndInteger = 0x10003;
