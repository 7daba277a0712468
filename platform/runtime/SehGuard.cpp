#include "platform/runtime/SehGuard.h"

#include <setjmp.h>

namespace {

// Our registration record: the system part first, so the handler receives a
// pointer to the whole record as its frame argument.
struct GuardFrame {
  EXCEPTION_REGISTRATION_RECORD registration;
  jmp_buf resume;
  SehFailure* failure;
};

EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* frame, CONTEXT*, void*) {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) {
    return ExceptionContinueSearch;
  }
  auto* guard = static_cast<GuardFrame*>(frame);
  SehFailure& failure = *guard->failure;
  failure.code = record->ExceptionCode;
  failure.flags = record->ExceptionFlags;
  failure.address = record->ExceptionAddress;
  failure.parameterCount = record->NumberParameters;
  if (failure.parameterCount > EXCEPTION_MAXIMUM_PARAMETERS) {
    failure.parameterCount = EXCEPTION_MAXIMUM_PARAMETERS;
  }
  for (DWORD i = 0; i < failure.parameterCount; ++i) {
    failure.parameters[i] = record->ExceptionInformation[i];
  }
  // msvcrt's longjmp unwinds the registrations above ours before it jumps.
  longjmp(guard->resume, 1);
}

// The head of the thread's registration chain lives at fs:[0].
EXCEPTION_REGISTRATION_RECORD* ChainHead() {
  EXCEPTION_REGISTRATION_RECORD* head;
  __asm__ volatile("movl %%fs:0, %0" : "=r"(head));
  return head;
}

void SetChainHead(EXCEPTION_REGISTRATION_RECORD* head) {
  __asm__ volatile("movl %0, %%fs:0" : : "r"(head) : "memory");
}

}  // namespace

bool CallWithSehGuard(void (*routine)(void*), void* context, SehFailure& failure) {
  GuardFrame frame;
  frame.failure = &failure;
  frame.registration.Handler = reinterpret_cast<PEXCEPTION_ROUTINE>(&GuardHandler);
  frame.registration.Next = ChainHead();
  SetChainHead(&frame.registration);

  volatile bool completed = false;
  if (setjmp(frame.resume) == 0) {
    routine(context);
    completed = true;
  }
  SetChainHead(frame.registration.Next);
  return completed;
}
