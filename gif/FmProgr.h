// Progress reports of the GIF codec's long loops, and the small window that shows them.
#pragma once

#include "framework/ui/Forms.h"
#include "framework/ui/StdCtrls.h"

namespace gif {

// Takes the fraction done, 0 (started) to 1 (finished).
using TProgressProc = void (*)(float Value);

// Called by the codec after rows and table resets; nullptr: no reports. InitFmProgr installs
// ShowProgress.
extern TProgressProc ProgressCallback;

// A modeless window with a needle gauge.
class TProgressForm : public ui::TForm {
public:
    explicit TProgressForm(ui::TComponent* AOwner);
    ui::TGauge* Gauge1 = nullptr;
};

// The one progress window, made on the first report and kept until the process ends.
extern TProgressForm* ProgressForm;

// Shows the window with the needle at Value x 100 while Value <= 0.9999, hides it above; then
// lets pending messages run.
void ShowProgress(float Value);

// Start-up of the unit: ProgressCallback := ShowProgress.
void InitFmProgr();

}  // namespace gif
