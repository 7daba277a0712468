// What a delivery tells: its warnings (the engine's warning line, and the
// "Error." box once a send progress window has been opened in the process)
// and the outcome boxes. Each box is task-modal, top-most and of the
// service-notification style, so it shows even over the exception dialogs'
// keep-in-front.
#pragma once

#include <string>

#include "engine/ExceptionLogTypes.h"

class TDovaroModuleOptions;

// Records a delivery failure: the last warning, the debugger line
// "[WARNING] - Code: ... - Address: ... - Message: \"...\"", and for the
// codes eeEmailSMTPError to eeWebTrakerError after a progress window was
// opened, a box titled "Error." with the text.
void RecordDeliveryWarning(TZuderaDodErrorCode code, const std::string& text, TAddress address);
// The last delivery warning ("" after ClearDeliveryWarning).
std::string LastDeliveryWarning();
void ClearDeliveryWarning();
// From now on, delivery warnings are shown in a box too.
void NoteProgressWindowOpened();

// A box with caption customizable text 0 and `textNumber`, the information
// icon or the error icon.
void ShowOutcomeBox(const TDovaroModuleOptions& options, int textNumber, bool error);
