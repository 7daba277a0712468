// The engine's units in a test program: started before the first test and
// ended after the last, as a module's entry does at load and unload. Tests
// may change the context's routines and switches, and put them back.
#pragma once

#include "engine/EngineContext.h"

TEngineContext& TestEngineContext();
