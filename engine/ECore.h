// The options unit of the engine: the option record, the ELDATA container, the
// module registration and the services other parts use. Include this header
// for all of them.
#pragma once

#include "engine/ECoreEldata.h"
#include "engine/ECoreModules.h"
#include "engine/ECoreOptionFlags.h"
#include "engine/ECoreOptionStream.h"
#include "engine/ECoreOptions.h"
#include "engine/ECoreOptionsEx.h"
#include "engine/ECoreServices.h"
#include "engine/ECoreSharedArea.h"
#include "engine/EngineContext.h"

// Unit start, the guarded step "ECore.Init": attaches the engine context (it
// must outlive ECoreDone) and registers the current module with its ELDATA
// block. Unit end, "ECore.Done": releases the module's shared options area
// and detaches the context. Failures go to the unit-step reporter; neither
// raises.
void ECoreInit(TEngineContext& context) noexcept;
void ECoreDone() noexcept;
