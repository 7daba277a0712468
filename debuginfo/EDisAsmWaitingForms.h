// The x87 instructions whose waiting form (a wait, 9B, before the no-wait
// encoding) has a mnemonic of its own, after the processor manuals' pairs
// FSTENV/FNSTENV, FSTCW/FNSTCW, FCLEX/FNCLEX, FINIT/FNINIT, FSAVE/FNSAVE and
// FSTSW/FNSTSW. Data for TDisAsm.
#pragma once

#include <string_view>

struct TDisAsmWaitingForm {
  std::string_view NoWait;   // the mnemonic of the template
  std::string_view Waiting;  // the mnemonic after a wait
};

inline constexpr TDisAsmWaitingForm kDisAsmWaitingForms[] = {
    {"fnstenv", "fstenv"}, {"fnstcw", "fstcw"}, {"fnclex", "fclex"},
    {"fninit", "finit"},   {"fnsave", "fsave"}, {"fnstsw", "fstsw"},
};
