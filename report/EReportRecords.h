// The two system records the report reads from the memory of the process
// (never through a pointer of its own): the head of a 32-bit register
// context, up to and including the stack segment register, and an exception
// record. Layouts of the 32-bit x86 system structures, checked here.
// Pure: no windows.h.
#pragma once

#include <cstddef>
#include <cstdint>

// The first 204 bytes of the system's 32-bit CONTEXT.
struct TContextRecordHead {
  std::uint32_t ContextFlags;
  std::uint32_t Dr0, Dr1, Dr2, Dr3, Dr6, Dr7;
  std::uint8_t FloatSave[112];
  std::uint32_t SegGs, SegFs, SegEs, SegDs;
  std::uint32_t Edi, Esi, Ebx, Edx, Ecx, Eax;
  std::uint32_t Ebp, Eip, SegCs, EFlags, Esp, SegSs;
};
static_assert(sizeof(TContextRecordHead) == 204);
static_assert(offsetof(TContextRecordHead, SegGs) == 140);
static_assert(offsetof(TContextRecordHead, Edi) == 156);
static_assert(offsetof(TContextRecordHead, Eax) == 176);
static_assert(offsetof(TContextRecordHead, Eip) == 184);
static_assert(offsetof(TContextRecordHead, Esp) == 196);
static_assert(offsetof(TContextRecordHead, SegSs) == 200);

// The system's 32-bit EXCEPTION_RECORD.
struct TExceptionRecord32 {
  std::uint32_t ExceptionCode;
  std::uint32_t ExceptionFlags;
  std::uint32_t ExceptionRecord;  // the nested record's address
  std::uint32_t ExceptionAddress;
  std::uint32_t NumberParameters;
  std::uint32_t ExceptionInformation[15];
};
static_assert(sizeof(TExceptionRecord32) == 80);
static_assert(offsetof(TExceptionRecord32, ExceptionAddress) == 12);
static_assert(offsetof(TExceptionRecord32, ExceptionInformation) == 20);
