// Memory services of the options unit that the hook engine, the stack
// scanner and the report need. Which bytes may be read, and copying them
// without faulting, is the live memory reader (platform/memory/LiveMemory.h);
// this unit adds following an indirect-jump thunk to the routine it leads to.
//
// Takes no lock and allocates nothing, so it may run inside exception
// handling. Never raises.
#pragma once

#include "platform/memory/LiveMemory.h"
#include "platform/memory/MemoryReader.h"

// The routine an indirect-jump thunk (FF 25 and the address of a pointer)
// leads to, when the thunk and its pointer are readable; otherwise `address`.
TAddress FollowJump(const TMemoryReader& memory, TAddress address) noexcept;

// The same in this process's live memory.
void* FollowJump(void* address) noexcept;
