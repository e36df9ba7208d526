// The About window.
#pragma once

#include "framework/ui/Forms.h"
#include "framework/ui/StdCtrls.h"

namespace app {

// Texts of the About window and of the main window's links.
extern const char* const AboutCopy1;
extern const char* const AboutCopy2;
extern const char* const AboutCopy3;
extern const char* const AboutInfo1;
extern const char* const AboutInfo2;
extern const char* const AboutInfo3;

class TFrmabout : public ui::TForm {
public:
    explicit TFrmabout(ui::TComponent* owner);

    ui::TButton* Button1 = nullptr;
    ui::TPanel* Panel1 = nullptr;
    ui::TLabel* LblCopy1 = nullptr;
    ui::TLabel* LblCopy2 = nullptr;
    ui::TLabel* LblCopy3 = nullptr;
    ui::TLabel* LblInfo1 = nullptr;
    ui::TLabel* LblInfo2 = nullptr;
    ui::TLabel* LblInfo3 = nullptr;
    ui::TLabel* Label1 = nullptr;

    void FormCreate(ui::TObject* sender);
    void Button1Click(ui::TObject* sender);
};

// The About window while it is shown; nullptr otherwise.
extern TFrmabout* Frmabout;

}  // namespace app
