// An exception "raised" in the calling thread at a captured register
// context, for the live report tests and the report benchmark: the scan of
// the thread's stack from there, and the facts of a language exception of
// our runtime's classes at the context's EIP.
#pragma once

#include <windows.h>

#include <string>

#include "debuginfo/EStackScan.h"
#include "debuginfo/ESnapshotThreads.h"
#include "engine/ECoreServices.h"
#include "platform/memory/LiveMemory.h"
#include "report/EReportInput.h"
#include "report/ESysInfo.h"

// The faulting thread's scan: from the exception address and the context's
// stack pointer up to the calling thread's stack top.
inline TStackScanRequest FaultingThreadScan(const CONTEXT& context) {
  TStackScanRequest request;
  request.FirstAddress = context.Eip;
  request.StackLow = context.Esp & ~3u;
  request.StackHigh = CallingThreadStackTop() - 4;
  request.AddCallees = true;
  request.ThreadId = GetCurrentThreadId();
  return request;
}

// `context` must stay where it is while the report is built (its address is
// the exception's register context).
inline TReportException LiveReportException(const CONTEXT& context, std::string className,
                                            std::string message) {
  TReportException e;
  e.ValidObject = true;
  e.ClassName = std::move(className);
  e.IsException = true;
  e.Message = std::move(message);
  e.Address = context.Eip;
  e.ContextAddress = AddressOf(&context);
  e.StackPointer = context.Esp;
  e.ThreadId = GetCurrentThreadId();
  e.StartTime = ProcessStartTime();
  e.ExceptionTime = LocalTimeNow();
  e.UtcOffsetHours = UtcOffsetHours();
  return e;
}
