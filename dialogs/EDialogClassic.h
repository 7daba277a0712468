// The classic exception dialog (template EL_MS_DIALOG) and the
// steps-to-reproduce request (EL_REQUEST), as the dispatcher runs them.
#pragma once

#include "dialogs/EDialogs.h"

// Runs the classic dialog with no owner. `kind` becomes 3 when the details
// link was clicked and 0 on a close request; `shown` tells whether it ever
// appeared; `terminate` whether the user's answer asks for termination.
void RunClassicDialog(int& kind, const TDialogException& exception, IDialogEvents& events,
                      TDialogChoices& choices, const TDialogRect& workArea, bool& shown,
                      bool& terminate);

// Runs the request; false when it never appeared.
bool RunReproduceRequest(const TDialogException& exception, const TDialogRect& workArea);
