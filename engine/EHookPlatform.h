// What the hook engine asks the operating system about addresses: which
// loaded module holds one, and whether it lies in the area that the 9x
// platform shares between all processes (at or above 0x80000000), where a
// patch would change every process of the machine.
#pragma once

#include <windows.h>

bool IsWin9xPlatform() noexcept;

// The loaded module whose image contains `address`, or nullptr. Does not
// change the module's reference count.
HMODULE ContainingModule(const void* address) noexcept;

// Raises ESharedArea (with the file name of the module containing the
// address) when `address` lies in the shared area of a 9x platform.
void CheckOutsideSharedArea(const void* address);
