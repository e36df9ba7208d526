#include "app/Utype.h"

#include "forms/FrmtypeLayout.h"

namespace app {

TFrmtype::TFrmtype(ui::TComponent* owner) : ui::TForm(owner)
{
    forms::ApplyDesign(*this, forms::FrmtypeLayout());
    Bind(Lbltitle, "Lbltitle");
    Bind(GroupBox1, "GroupBox1");
    Bind(RadJpeg, "RadJpeg");
    Bind(RadBitmap, "RadBitmap");
    Bind(RadTif, "RadTif");
    Bind(RadMeta, "RadMeta");
    Bind(BitBtn1, "BitBtn1");
    Bind(BitBtn2, "BitBtn2");
    DoCreate();
}

TOutputType TFrmtype::Chosen() const
{
    if (ModalResult() != ui::mrOk) return TOutputType::Cancel;
    if (RadJpeg->Checked()) return TOutputType::Jpeg;
    if (RadBitmap->Checked()) return TOutputType::Bitmap;
    if (RadTif->Checked()) return TOutputType::Tiff;
    if (RadMeta->Checked()) return TOutputType::Metafile;
    return TOutputType::Cancel;
}

}  // namespace app
