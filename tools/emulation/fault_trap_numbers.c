/* Preloaded into 32-bit programs that run under qemu-i386 user-mode emulation.
 *
 * The emulator delivers hardware faults with the trap number of the signal
 * context left at -1. Wine decides the Windows exception code from that number,
 * so without this library an access violation reaches Windows code as an
 * illegal instruction without parameters and a division by zero as a floating-
 * point fault. Wrapping sigaction lets us put the trap number the kernel would
 * have given (derived from the signal and its code) into the context before
 * Wine's handler reads it. The error code the emulator leaves is already right.
 *
 * Built with gcc -m32 by scripts/setup.sh; a do-nothing 64-bit twin sits under
 * the same name so that LD_PRELOAD="$LIB/..." suits children of either width. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stddef.h>
#include <ucontext.h>

#if defined(__i386__)

enum {
  trap_divide = 0,
  trap_single_step = 1,
  trap_breakpoint = 3,
  trap_overflow = 4,
  trap_invalid_opcode = 6,
  trap_protection = 13,
  trap_page_fault = 14,
  trap_fpu = 16,
  trap_alignment = 17,
};

typedef void (*info_handler)(int, siginfo_t*, void*);
typedef int (*sigaction_function)(int, const struct sigaction*, struct sigaction*);

/* The program's own handler per fault signal; written before our wrapper is
 * installed for that signal, read only inside it. */
static volatile info_handler program_handlers[NSIG];

static int is_fault_signal(int sig) {
  return sig == SIGSEGV || sig == SIGBUS || sig == SIGILL || sig == SIGFPE || sig == SIGTRAP;
}

static int trap_number_of(int sig, const siginfo_t* info) {
  switch (sig) {
    case SIGSEGV:
      /* The kernel sends SI_KERNEL for general-protection faults (privileged
       * instructions among them); everything else is a page fault. */
      return info->si_code == SI_KERNEL ? trap_protection : trap_page_fault;
    case SIGFPE:
      if (info->si_code == FPE_INTDIV) return trap_divide;
      if (info->si_code == FPE_INTOVF) return trap_overflow;
      return trap_fpu;
    case SIGILL:
      return trap_invalid_opcode;
    case SIGBUS:
      return trap_alignment;
    case SIGTRAP:
      return info->si_code == TRAP_TRACE ? trap_single_step : trap_breakpoint;
  }
  return -1;
}

static void fault_wrapper(int sig, siginfo_t* info, void* context) {
  ucontext_t* uc = context;
  if (uc && uc->uc_mcontext.gregs[REG_TRAPNO] == -1)
    uc->uc_mcontext.gregs[REG_TRAPNO] = trap_number_of(sig, info);
  info_handler handler = program_handlers[sig];
  if (handler) handler(sig, info, context);
}

static sigaction_function real_sigaction(void) {
  static sigaction_function real;
  if (!real) real = (sigaction_function)dlsym(RTLD_NEXT, "sigaction");
  return real;
}

int sigaction(int sig, const struct sigaction* act, struct sigaction* old) {
  sigaction_function next = real_sigaction();
  if (!next) return -1;
  if (sig <= 0 || sig >= NSIG || !is_fault_signal(sig)) return next(sig, act, old);

  info_handler previous = program_handlers[sig];
  int result;
  if (act && (act->sa_flags & SA_SIGINFO) && act->sa_sigaction) {
    struct sigaction wrapped = *act;
    program_handlers[sig] = act->sa_sigaction;
    wrapped.sa_sigaction = fault_wrapper;
    result = next(sig, &wrapped, old);
    if (result != 0) program_handlers[sig] = previous;
  } else {
    result = next(sig, act, old);
    if (result == 0 && act) program_handlers[sig] = NULL;
  }
  /* The caller sees its own handler, never the wrapper. */
  if (result == 0 && old && (old->sa_flags & SA_SIGINFO) && old->sa_sigaction == fault_wrapper)
    old->sa_sigaction = previous;
  return result;
}

#else
/* The 64-bit twin: present so that 64-bit children find the preload, and does
 * nothing. */
int vipc_fault_trap_numbers_twin;
#endif
