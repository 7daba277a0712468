// Hardware faults reach a vectored handler with the codes and parameters a
// Windows program sees: the engine decides everything from them. Where Wine
// runs under user-mode emulation, this is what the setup's trap-number mend
// keeps true.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

// Each probe executes one faulting instruction of known length and returns.
extern "C" void ReadFaultProbe();
extern "C" void WriteFaultProbe();
extern "C" void DivideFaultProbe();
extern "C" void BreakpointProbe();
extern "C" void InvalidOpcodeProbe();
extern "C" void PrivilegedProbe();
asm(R"(
  .text
  .globl _ReadFaultProbe
_ReadFaultProbe:
  movl 0x10, %eax          # A1 10 00 00 00: read of address 0x10
  ret
  .globl _WriteFaultProbe
_WriteFaultProbe:
  movl %eax, 0x24          # A3 24 00 00 00: write to address 0x24
  ret
  .globl _DivideFaultProbe
_DivideFaultProbe:
  pushl %edx
  xorl %ecx, %ecx
  xorl %edx, %edx
  movl $7, %eax
  divl %ecx                # F7 F1: integer division by zero
  popl %edx
  ret
  .globl _BreakpointProbe
_BreakpointProbe:
  int3                     # CC
  ret
  .globl _InvalidOpcodeProbe
_InvalidOpcodeProbe:
  ud2                      # 0F 0B
  ret
  .globl _PrivilegedProbe
_PrivilegedProbe:
  hlt                      # F4
  ret
)");

namespace {

struct TFaultCase {
  const char* name;
  void (*probe)();
  std::uintptr_t faultOffset;  // of the faulting instruction within the probe
  std::uintptr_t length;       // of the faulting instruction
  DWORD code;
  std::vector<ULONG_PTR> parameters;  // the leading ones (Wine adds two zeros to a breakpoint's)
};

struct TSeenFault {
  DWORD code = 0;
  std::uintptr_t address = 0;
  std::vector<ULONG_PTR> parameters;
};

std::atomic<std::uintptr_t> expectedAddress{0};
std::uintptr_t faultLength = 0;
TSeenFault seen;
int seenCount = 0;

// Records the fault at the armed address and resumes after its instruction.
LONG CALLBACK RecordFault(EXCEPTION_POINTERS* pointers) {
  const auto address =
      reinterpret_cast<std::uintptr_t>(pointers->ExceptionRecord->ExceptionAddress);
  if (address != expectedAddress.load()) return EXCEPTION_CONTINUE_SEARCH;
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  seen.code = record.ExceptionCode;
  seen.address = address;
  seen.parameters.assign(record.ExceptionInformation,
                         record.ExceptionInformation + record.NumberParameters);
  ++seenCount;
  pointers->ContextRecord->Eip = static_cast<DWORD>(address + faultLength);
  return EXCEPTION_CONTINUE_EXECUTION;
}

class TVectoredHandlerScope {
 public:
  TVectoredHandlerScope() : handle_(AddVectoredExceptionHandler(1, RecordFault)) {}
  ~TVectoredHandlerScope() { RemoveVectoredExceptionHandler(handle_); }
  TVectoredHandlerScope(const TVectoredHandlerScope&) = delete;
  TVectoredHandlerScope& operator=(const TVectoredHandlerScope&) = delete;
  bool Installed() const { return handle_ != nullptr; }

 private:
  PVOID handle_;
};

TEST(HardwareFaults, EachFaultReachesVectoredHandlerWithItsCodeAndParameters) {
  const std::vector<TFaultCase> cases = {
      {"read access violation", ReadFaultProbe, 0, 5, EXCEPTION_ACCESS_VIOLATION, {0, 0x10}},
      {"write access violation", WriteFaultProbe, 0, 5, EXCEPTION_ACCESS_VIOLATION, {1, 0x24}},
      {"integer division by zero", DivideFaultProbe, 10, 2, EXCEPTION_INT_DIVIDE_BY_ZERO, {}},
      {"breakpoint", BreakpointProbe, 0, 1, EXCEPTION_BREAKPOINT, {0}},
      {"invalid opcode", InvalidOpcodeProbe, 0, 2, EXCEPTION_ILLEGAL_INSTRUCTION, {}},
      {"privileged instruction", PrivilegedProbe, 0, 1, EXCEPTION_PRIV_INSTRUCTION, {}},
  };
  TVectoredHandlerScope handler;
  ASSERT_TRUE(handler.Installed());
  for (const TFaultCase& row : cases) {
    SCOPED_TRACE(row.name);
    seen = {};
    seenCount = 0;
    faultLength = row.length;
    expectedAddress = reinterpret_cast<std::uintptr_t>(row.probe) + row.faultOffset;
    row.probe();
    expectedAddress = 0;
    ASSERT_EQ(seenCount, 1);
    EXPECT_EQ(seen.code, row.code) << std::hex << "code 0x" << seen.code;
    ASSERT_GE(seen.parameters.size(), row.parameters.size());
    seen.parameters.resize(row.parameters.size());
    EXPECT_EQ(seen.parameters, row.parameters);
  }
}

}  // namespace
