// The program's start: unit initialisation, the auto-created windows and the message loop.
#pragma once

namespace app {

// The units' initialisation, in link order: the framework's built-in formats, JPEG, the GIF unit,
// PNG last (the newest registration). Runs once.
void InitUnits();
// The units' finalisation.
void DoneUnits();
// Sets the title and creates the auto-created windows, each owned by the application: FrmFirst
// (the main window), Frmadjust, frmcomp.
void CreateAutoForms();
// The whole program: initialisation, the windows, the message loop until the main window closes.
int RunProgram();

}  // namespace app
