// The converter's output-type chooser: JPEG, bitmap, TIFF or metafile, or Cancel.
#pragma once

#include "app/Converter.h"
#include "framework/ui/Forms.h"
#include "framework/ui/StdCtrls.h"

namespace app {

class TFrmtype : public ui::TForm {
public:
    explicit TFrmtype(ui::TComponent* owner);

    ui::TLabel* Lbltitle = nullptr;
    ui::TGroupBox* GroupBox1 = nullptr;
    ui::TRadioButton* RadJpeg = nullptr;
    ui::TRadioButton* RadBitmap = nullptr;
    ui::TRadioButton* RadTif = nullptr;
    ui::TRadioButton* RadMeta = nullptr;
    ui::TBitBtn* BitBtn1 = nullptr;
    ui::TBitBtn* BitBtn2 = nullptr;

    // The answer of the last showing: the checked type after "OK", Cancel after "Cancel" or the
    // close box. The checked type stays for the next showing.
    TOutputType Chosen() const;
};

}  // namespace app
