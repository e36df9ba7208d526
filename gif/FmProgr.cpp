#include "gif/FmProgr.h"

#include "framework/ui/Application.h"

namespace gif {

TProgressProc ProgressCallback = nullptr;
TProgressForm* ProgressForm = nullptr;

namespace {
constexpr long double ShownUpTo = 0.9999L;
}

TProgressForm::TProgressForm(ui::TComponent* AOwner) : ui::TForm(AOwner)
{
    SetName("ProgressForm");
    SetCaption("Progress");
    SetBorderStyle(ui::TFormBorderStyle::bsSizeable);
    SetPosition(ui::TPosition::poDesigned);
    SetBounds(11, 8, 275, 157);
    gfx::TFont font = Font();
    font.Name = "System";
    font.Height = -14;
    font.Color = ui::clWindowText;
    SetFont(font);

    Gauge1 = new ui::TGauge(this);
    Gauge1->SetName("Gauge1");
    Gauge1->SetParent(this);
    Gauge1->SetAlign(ui::TAlign::alClient);
    Gauge1->SetKind(ui::TGaugeKind::gkNeedle);
    Gauge1->SetForeColor(ui::clBlue);
    Gauge1->SetProgress(0);
    DoCreate();
}

void ShowProgress(float Value)
{
    if (!ProgressForm) ProgressForm = new TProgressForm(nullptr);  // lives until the process ends
    if (static_cast<long double>(Value) <= ShownUpTo) {
        if (!ProgressForm->Visible()) ProgressForm->SetVisible(true);
        ProgressForm->Gauge1->SetProgress(rtl::CheckedCast<int32_t>(rtl::Round(static_cast<double>(Value) * 100)));
    } else {
        ProgressForm->SetVisible(false);
    }
    ui::ProcessMessages();
}

void InitFmProgr()
{
    ProgressCallback = ShowProgress;
}

}  // namespace gif
