// The converter's picture viewer: the new picture at its own size, scrolled where it is larger.
#pragma once

#include "framework/ui/Forms.h"
#include "framework/ui/StdCtrls.h"

namespace app {

class TFrmimgview : public ui::TForm {
public:
    explicit TFrmimgview(ui::TComponent* owner);

    ui::TBitBtn* BitBtn1 = nullptr;
    ui::TImage* Image1 = nullptr;  // shows the picture
    ui::TImage* Image2 = nullptr;  // the picture as handed over
};

}  // namespace app
