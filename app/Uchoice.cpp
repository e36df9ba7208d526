#include "app/Uchoice.h"

#include "forms/FrmchoiceLayout.h"

namespace app {

TFrmchoice::TFrmchoice(ui::TComponent* owner) : ui::TForm(owner)
{
    forms::ApplyDesign(*this, forms::FrmchoiceLayout());
    Bind(GroupBox1, "GroupBox1");
    Bind(Lbltitle, "Lbltitle");
    Bind(RadAll, "RadAll");
    Bind(RadOnlyJpeg, "RadOnlyJpeg");
    Bind(RadOnlyGif, "RadOnlyGif");
    Bind(Radbmp, "Radbmp");
    Bind(RadMeta, "RadMeta");
    Bind(BitBtn1, "BitBtn1");
    Bind(Radicon, "Radicon");
    Bind(Radtif, "Radtif");
    OnCloseQuery = [this](ui::TObject* s, bool& canClose) { FormCloseQuery(s, canClose); };
    DoCreate();
}

void TFrmchoice::FormCloseQuery(ui::TObject*, bool&)
{
    SaveFormSize("Frmchoice", Width(), Height());
}

String TFrmchoice::SearchMask() const
{
    const std::pair<const ui::TRadioButton*, const char*> masks[] = {
        {RadAll, "*.*"},      {RadOnlyJpeg, "*.JPG"}, {RadOnlyGif, "*.GIF"}, {Radbmp, "*.BMP"},
        {RadMeta, "*.EMF"},   {Radicon, "*.ICO"},     {Radtif, "*.TIF"},
    };
    for (const auto& [button, mask] : masks)
        if (button->Checked()) return mask;
    return {};
}

}  // namespace app
