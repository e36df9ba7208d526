#include "app/Uresults.h"

#include "forms/FrmresultsLayout.h"

namespace app {

TFrmresults::TFrmresults(ui::TComponent* owner) : ui::TForm(owner)
{
    forms::ApplyDesign(*this, forms::FrmresultsLayout());
    Bind(Label1, "Label1");
    Bind(ListBox1, "ListBox1");
    Bind(Lblstatus, "Lblstatus");
    Bind(BitBtn1, "BitBtn1");
    DoCreate();
}

void TFrmresults::SetStatus(const String& text, gfx::TColor color)
{
    Lblstatus->SetFontColor(color);
    Lblstatus->SetCaption(text);
}

}  // namespace app
