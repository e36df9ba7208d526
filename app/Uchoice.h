// The converter's file-kind chooser: which pictures of the source folder a folder batch takes.
#pragma once

#include "app/Globals.h"
#include "framework/ui/Forms.h"
#include "framework/ui/StdCtrls.h"

namespace app {

class TFrmchoice : public ui::TForm {
public:
    explicit TFrmchoice(ui::TComponent* owner);

    ui::TGroupBox* GroupBox1 = nullptr;
    ui::TLabel* Lbltitle = nullptr;
    ui::TRadioButton* RadAll = nullptr;
    ui::TRadioButton* RadOnlyJpeg = nullptr;
    ui::TRadioButton* RadOnlyGif = nullptr;
    ui::TRadioButton* Radbmp = nullptr;
    ui::TRadioButton* RadMeta = nullptr;
    ui::TBitBtn* BitBtn1 = nullptr;
    ui::TRadioButton* Radicon = nullptr;
    ui::TRadioButton* Radtif = nullptr;

    void FormCloseQuery(ui::TObject* sender, bool& canClose);

    // The search mask of the checked radio button ("*.*" for "all", "*.JPG", ...); empty when
    // none is checked.
    String SearchMask() const;
};

}  // namespace app
