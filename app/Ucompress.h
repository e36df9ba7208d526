// The JPEG quality dialog: a bar from 1 to 100 that sets JpegQuality before a JPEG save.
#pragma once

#include "framework/ui/Forms.h"
#include "framework/ui/StdCtrls.h"

namespace app {

class Tfrmcomp : public ui::TForm {
public:
    explicit Tfrmcomp(ui::TComponent* owner);

    ui::TLabel* Label1 = nullptr;
    ui::TLabel* Label2 = nullptr;
    ui::TLabel* Label3 = nullptr;
    ui::TGroupBox* GroupBox1 = nullptr;
    ui::TScrollBar* ScrollBar1 = nullptr;
    ui::TLabel* Lblnumber = nullptr;
    ui::TLabel* Label4 = nullptr;
    ui::TLabel* LblQuality = nullptr;
    ui::TLabel* Label7 = nullptr;
    ui::TLabel* LblComp = nullptr;
    ui::TButton* Button1 = nullptr;

    void FormCreate(ui::TObject* sender);
    void ScrollBar1Change(ui::TObject* sender);
    void Button1Click(ui::TObject* sender);

    // Puts the bar, its number and labels at quality and makes it JpegQuality, so that the dialog
    // shows the quality a save will use.
    void ShowQuality(int quality);
};

// Created once at start-up; lives for the whole run.
extern Tfrmcomp* frmcomp;

// The recommended quality, where every JPEG save starts.
constexpr int DefaultJpegQuality = 85;

}  // namespace app
