// The raise stubs: the module is linked with --wrap=__cxa_throw and
// --wrap=__cxa_rethrow, so every C++ raise of the module (the C++ library's
// own included) comes here first; with --wrap=__cxa_begin_catch every catch
// block of the module tells the engine what it caught. Each stub saves the registers and the
// return address, lets the engine record the raise (and handle it at once
// when nothing will catch it), restores everything and goes on to the real
// routine, which then unwinds as usual. The frame information lets the
// engine walk from the recorder out through the stub to the raising code.
//
// Linked only into modules that carry the engine and are linked with the
// wrap options (the vipc_raise_wraps target).
#include <cstdint>

extern "C" {
void vipc_record_language_raise(void* frame);
void vipc_record_language_rethrow(void* frame);
void vipc_note_catch(void* object);
void* __real___cxa_begin_catch(void* header) noexcept;

// The catch begins as usual; the engine then hears of the caught object.
void* __wrap___cxa_begin_catch(void* header) noexcept {
  void* object = __real___cxa_begin_catch(header);
  vipc_note_catch(object);
  return object;
}
}

// clang-format off
#define VIPC_RAISE_STUB(stub, recorder, real)  \
  asm(".text\n"                                \
      ".globl " stub "\n"                      \
      ".def " stub "; .scl 2; .type 32; .endef\n" \
      stub ":\n"                               \
      ".cfi_startproc\n"                       \
      "  pushl %ebp\n"                         \
      ".cfi_adjust_cfa_offset 4\n"             \
      ".cfi_offset %ebp, -8\n"                 \
      "  movl %esp, %ebp\n"                    \
      ".cfi_def_cfa_register %ebp\n"           \
      "  pushl %edi\n"                         \
      "  pushl %esi\n"                         \
      "  pushl %ebx\n"                         \
      "  pushl %edx\n"                         \
      "  pushl %ecx\n"                         \
      "  pushl %eax\n"                         \
      "  pushl %esp\n"                         \
      "  call " recorder "\n"                  \
      "  addl $4, %esp\n"                      \
      "  popl %eax\n"                          \
      "  popl %ecx\n"                          \
      "  popl %edx\n"                          \
      "  popl %ebx\n"                          \
      "  popl %esi\n"                          \
      "  popl %edi\n"                          \
      "  popl %ebp\n"                          \
      ".cfi_def_cfa %esp, 4\n"                 \
      ".cfi_restore %ebp\n"                    \
      "  jmp " real "\n"                       \
      ".cfi_endproc\n")
// clang-format on

VIPC_RAISE_STUB("___wrap___cxa_throw", "_vipc_record_language_raise", "___real___cxa_throw");
VIPC_RAISE_STUB("___wrap___cxa_rethrow", "_vipc_record_language_rethrow", "___real___cxa_rethrow");
