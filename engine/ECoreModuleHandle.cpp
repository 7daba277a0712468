// The module this code is linked into, from the PE linker's image base
// symbol: the one loader fact the option record needs, kept out of its pure
// code.
#include "engine/ECoreOptions.h"

extern "C" const char __ImageBase;

TModuleHandle CurrentModuleHandle() {
  return const_cast<char*>(&__ImageBase);
}
