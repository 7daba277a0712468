// The instruction-length decoder and the disassembler over a byte span: both
// walk the input, never read past it, and agree on every length; a
// procedure walk over memory made of the input ends.
#include <algorithm>

#include "debuginfo/EDisAsm.h"
#include "engine/EHookInstructionLength.h"
#include "engine/EHookProcedureLength.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/FabricatedMemory.h"

namespace {
constexpr std::uint32_t kAddress = 0x00401000;

bool Caption(void*, std::uint32_t address, std::string& caption) {
  if (address & 1) return false;
  caption = "Unit.Routine";
  return true;
}
bool Comment(void*, std::uint32_t value, std::string& comment) {
  if ((value & 3) != 0) return false;
  comment = "'text'";
  return true;
}
void Offset(void*, std::uint32_t) {}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FuzzInput input(data, size);
  TDisAsm disassembler;
  disassembler.OnJumpCaption = Caption;
  disassembler.OnCallCaption = Caption;
  disassembler.OnAddressCaption = Caption;
  disassembler.OnOperandValue = Comment;
  disassembler.OnMemoryOffset = Offset;
  std::size_t at = 0;
  while (at < size) {
    // Each step gets the bytes that are left (at most 32, twice the longest
    // instruction) in a copy of their own, so a read past the span is a heap
    // overflow.
    const std::vector<std::uint8_t> rest(data + at, data + std::min(size, at + 32));
    const TInstruction record = DecodeInstruction(rest.data(), rest.size());
    const TDisAsmInstruction listed = DisassembleOne(disassembler, kAddress + at, rest);
    FUZZ_CHECK(listed.Length >= 1 && listed.Length <= rest.size());
    FUZZ_CHECK(!listed.Text.empty());
    if (record.Status == TDecodeStatus::kDecoded) {
      FUZZ_CHECK(record.Length >= 1 && record.Length <= kMaxInstructionLength);
      FUZZ_CHECK(record.Length <= rest.size());
      FUZZ_CHECK(listed.Length == record.Length);
      FUZZ_CHECK(InstructionLength(rest.data(), rest.size()) == record.Length);
    } else {
      FUZZ_CHECK(!listed.Valid);
      FUZZ_CHECK(InstructionLength(rest.data(), rest.size()) == 0);
    }
    if (listed.Valid) FUZZ_CHECK(record.Status == TDecodeStatus::kDecoded);
    at += listed.Length;
  }
  const TFabricatedMemory code(kAddress, input.bytes);
  const std::size_t walked = MeasureProcedureLength(code, kAddress, size + 16);
  FUZZ_CHECK(walked <= size || walked == 1);
  return 0;
}
