// The native test programs are no PE module: one object of their own stands
// for "the module this code is linked into".
#include "engine/ECoreOptions.h"

namespace {
char thisProgram;
}

TModuleHandle CurrentModuleHandle() {
  return &thisProgram;
}
