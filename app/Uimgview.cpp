#include "app/Uimgview.h"

#include "forms/FrmimgviewLayout.h"

namespace app {

TFrmimgview::TFrmimgview(ui::TComponent* owner) : ui::TForm(owner)
{
    forms::ApplyDesign(*this, forms::FrmimgviewLayout());
    Bind(BitBtn1, "BitBtn1");
    Bind(Image1, "Image1");
    Bind(Image2, "Image2");
    DoCreate();
}

}  // namespace app
