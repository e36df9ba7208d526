#include "app/Ucompress.h"

#include "app/Globals.h"
#include "forms/FrmcompLayout.h"
#include "framework/rtl/SysUtils.h"

namespace app {

Tfrmcomp* frmcomp = nullptr;

namespace {
// Bar positions from which the labels change.
constexpr int HighQualityFrom = 75;
constexpr int MediumQualityFrom = 50;
}  // namespace

Tfrmcomp::Tfrmcomp(ui::TComponent* owner) : ui::TForm(owner)
{
    forms::ApplyDesign(*this, forms::FrmcompDesign());
    Bind(Label1, "Label1");
    Bind(Label2, "Label2");
    Bind(Label3, "Label3");
    Bind(GroupBox1, "GroupBox1");
    Bind(ScrollBar1, "ScrollBar1");
    Bind(Lblnumber, "Lblnumber");
    Bind(Label4, "Label4");
    Bind(LblQuality, "LblQuality");
    Bind(Label7, "Label7");
    Bind(LblComp, "LblComp");
    Bind(Button1, "Button1");
    ScrollBar1->OnChange = [this](ui::TObject* s) { ScrollBar1Change(s); };
    Button1->OnClick = [this](ui::TObject* s) { Button1Click(s); };
    OnCreate = [this](ui::TObject* s) { FormCreate(s); };
    DoCreate();
}

void Tfrmcomp::FormCreate(ui::TObject*)
{
    if (!rtl::Trim(Lblnumber->Caption()).empty()) return;
    Lblnumber->SetCaption("85");
    ScrollBar1->SetPosition(DefaultJpegQuality);
    JpegQuality = DefaultJpegQuality;
    LblQuality->SetCaption("High");
    LblComp->SetCaption("Low");
}

void Tfrmcomp::ScrollBar1Change(ui::TObject*)
{
    const int p = ScrollBar1->Position();
    Lblnumber->SetCaption(rtl::IntToStr(p));
    if (p >= HighQualityFrom) {
        LblQuality->SetCaption("High");
        LblComp->SetCaption("Low");
    } else if (p >= MediumQualityFrom) {
        LblQuality->SetCaption("Medium");
        LblComp->SetCaption("Medium");
    } else {
        LblQuality->SetCaption("Low");
        LblComp->SetCaption("High");
    }
    JpegQuality = p;
}

void Tfrmcomp::Button1Click(ui::TObject*) { Close(); }

void Tfrmcomp::ShowQuality(int quality)
{
    // Setting the position raises no change when it is already there; the labels follow anyway.
    ScrollBar1->SetPosition(quality);
    ScrollBar1Change(ScrollBar1);
}

}  // namespace app
