// Memory services of the options unit that the hook engine, the stack
// scanner and the report need: which bytes may be read, copying them without
// faulting, and following an indirect-jump thunk to the routine it leads to.
//
// All of these only query the operating system and read memory that the query
// called readable; they take no lock and allocate nothing, so they may run
// inside exception handling. They never raise.
#pragma once

#include <cstddef>
#include <cstdint>

// The readable bytes from `address` on, walking the memory regions, counted up
// to `limit`. A region counts when it is committed and its protection is
// read-only, read-write, write-copy, execute, execute-read,
// execute-read-write or execute-write-copy (caching modifiers ignored); guard
// and no-access pages end the run.
std::size_t ReadableLength(const void* address, std::size_t limit) noexcept;

// True when readable regions cover at least `length` bytes from `address`.
bool IsReadable(const void* address, std::size_t length) noexcept;

// Copies the readable prefix of [address, address + count) into `buffer`
// and returns how many bytes that was.
std::size_t CopyReadable(const void* address, void* buffer, std::size_t count) noexcept;

// The routine an indirect-jump thunk (FF 25 and the address of a pointer)
// leads to, when the thunk and its pointer are readable; otherwise `address`.
void* FollowJump(void* address) noexcept;
