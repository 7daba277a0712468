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
