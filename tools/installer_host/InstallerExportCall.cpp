#include "tools/installer_host/InstallerExportCall.h"

#include "platform/runtime/ExportBoundary.h"

// Pushes the arguments, calls, and measures how far ESP moved across the
// call: 0 when the callee removed its twelve bytes.
extern "C" unsigned CallThreeArgumentExport(void* routine, std::uintptr_t a, std::uintptr_t b,
                                            std::uintptr_t c, int* stackImbalance);
__asm__(
    ".text\n"
    ".globl _CallThreeArgumentExport\n"
    "_CallThreeArgumentExport:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl %ebx\n"
    "  pushl %esi\n"
    "  pushl %edi\n"
    "  movl %esp, %esi\n"
    "  pushl 20(%ebp)\n"
    "  pushl 16(%ebp)\n"
    "  pushl 12(%ebp)\n"
    "  call *8(%ebp)\n"
    "  movl %esp, %ecx\n"
    "  subl %esi, %ecx\n"
    "  movl %esi, %esp\n"
    "  movl 24(%ebp), %edx\n"
    "  movl %ecx, (%edx)\n"
    "  popl %edi\n"
    "  popl %esi\n"
    "  popl %ebx\n"
    "  popl %ebp\n"
    "  ret\n");

ExportCallResult CallInstallerExport(void* exportAddress, std::uintptr_t reserved,
                                     const char* first, const char* second) {
  ExportCallResult outcome;
  auto call = [&] {
    outcome.result = static_cast<unsigned char>(
        CallThreeArgumentExport(exportAddress, reserved, reinterpret_cast<std::uintptr_t>(first),
                                reinterpret_cast<std::uintptr_t>(second), &outcome.stackImbalance));
  };
  outcome.raised = !CallWithSehGuard(call, outcome.failure);
  if (outcome.raised && outcome.failure.code == kBoundaryExceptionCode &&
      outcome.failure.parameterCount >= kBoundaryParameterCount) {
    outcome.message = reinterpret_cast<const char*>(outcome.failure.parameters[0]);
    outcome.className = reinterpret_cast<const char*>(outcome.failure.parameters[1]);
  }
  return outcome;
}
