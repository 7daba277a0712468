// On the 9x platform everything at or above 0x80000000 is shared by all
// processes; patching it would change every process of the machine.
#pragma once

// Raises ESharedArea (with the file name of the module containing the
// address) when `address` lies in the shared area of a 9x platform.
void CheckOutsideSharedArea(const void* address);
