// The dialog stage of the handling sequence: the exception dialogs of
// dialogs/ told about the exception being handled, their questions answered
// through the engine's events (the custom button, the terminate button's
// confirmation) and their answers carried out (terminate and restart
// requests, the user's e-mail address in the report).
#pragma once

#include "dialogs/EDialogs.h"
#include "engine/ExceptionLogStages.h"

class TReportStage;

// The dialog of `kind` (and what it switches to, in outcome.NextKind); false
// when nothing could be shown or the dialogs failed (the "GUI" warning is
// written here). A typed e-mail address goes into `report`.
bool ShowEngineDialog(TExceptionDialogs& dialogs, TReportStage& report, TExceptionLogEngine& engine,
                      const THandlingFacts& facts, int kind, bool beep, TDialogOutcome& outcome);
void AskEngineReproduceSteps(TExceptionDialogs& dialogs, TExceptionLogEngine& engine,
                             const THandlingFacts& facts);
