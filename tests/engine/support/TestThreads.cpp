#include "tests/engine/support/TestThreads.h"

#include <stdexcept>
#include <utility>

TTestThread::TTestThread(std::function<void()> body) : body_(std::move(body)) {
  thread_ = CreateThread(nullptr, 0, &TTestThread::Run, this, 0, &id_);
  if (!thread_) throw std::runtime_error("cannot create a test thread");
}

TTestThread::~TTestThread() {
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
}

DWORD WINAPI TTestThread::Run(void* self) {
  static_cast<TTestThread*>(self)->body_();
  return 0;
}

TTestEvent::TTestEvent() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  if (!event_) throw std::runtime_error("cannot create a test event");
}

TTestEvent::~TTestEvent() {
  CloseHandle(event_);
}

TWaitingThread::TWaitingThread() : thread_([this] { release_.Wait(); }) {}

TWaitingThread::~TWaitingThread() {
  release_.Set();
}

namespace {
DWORD testEngineThread = 0;
}  // namespace

void NameTestEngineThread(DWORD threadId) {
  testEngineThread = threadId;
}

bool IsTestEngineThread(unsigned long threadId) {
  return testEngineThread != 0 && threadId == testEngineThread;
}

DWORD SuspendCount(HANDLE thread) {
  const DWORD count = SuspendThread(thread);
  ResumeThread(thread);
  return count;
}

namespace {

CONTEXT ControlContext(HANDLE thread) {
  CONTEXT context{};
  context.ContextFlags = CONTEXT_CONTROL;
  if (!GetThreadContext(thread, &context)) throw std::runtime_error("cannot read a thread context");
  return context;
}

}  // namespace

DWORD InstructionPointer(HANDLE thread) {
  return ControlContext(thread).Eip;
}

void SetInstructionPointer(HANDLE thread, DWORD address) {
  CONTEXT context = ControlContext(thread);
  context.Eip = address;
  if (!SetThreadContext(thread, &context)) throw std::runtime_error("cannot set a thread context");
}
