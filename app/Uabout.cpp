#include "app/Uabout.h"

#include "forms/FrmaboutLayout.h"

namespace app {

const char* const AboutCopy1 = "Quadrell Image Splitter, Copyright (c) 2026 Quadrell Software";
const char* const AboutCopy2 = "Version 2.11 ";
const char* const AboutCopy3 = "Updates and more software: https://quadrell.example";
const char* const AboutInfo1 = "";
const char* const AboutInfo2 = "";
const char* const AboutInfo3 = "";

TFrmabout* Frmabout = nullptr;

TFrmabout::TFrmabout(ui::TComponent* owner) : ui::TForm(owner)
{
    forms::ApplyDesign(*this, forms::FrmaboutLayout());
    Bind(Button1, "Button1");
    Bind(Panel1, "Panel1");
    Bind(LblCopy1, "LblCopy1");
    Bind(LblCopy2, "LblCopy2");
    Bind(LblCopy3, "LblCopy3");
    Bind(LblInfo1, "LblInfo1");
    Bind(LblInfo2, "LblInfo2");
    Bind(LblInfo3, "LblInfo3");
    Bind(Label1, "Label1");
    Button1->OnClick = [this](ui::TObject* s) { Button1Click(s); };
    OnCreate = [this](ui::TObject* s) { FormCreate(s); };
    DoCreate();
}

void TFrmabout::FormCreate(ui::TObject*)
{
    LblCopy1->SetCaption(AboutCopy1);
    LblCopy2->SetCaption(AboutCopy2);
    LblCopy3->SetCaption(AboutCopy3);
    LblInfo1->SetCaption(AboutInfo1);
    LblInfo2->SetCaption(AboutInfo2);
    LblInfo3->SetCaption(AboutInfo3);
}

void TFrmabout::Button1Click(ui::TObject*) { Close(); }

}  // namespace app
