// The converter's folder window: whether the save command saves the one picture chosen or converts
// a folder, and the batch's source, output and web folders.
#pragma once

#include "app/FolderBatch.h"
#include "framework/ui/Dialogs.h"
#include "framework/ui/Forms.h"
#include "framework/ui/StdCtrls.h"

namespace app {

class TFrmfolders : public ui::TForm {
public:
    explicit TFrmfolders(ui::TComponent* owner);

    ui::TLabel* Lbltitle = nullptr;
    ui::TRadioButton* RadSingle = nullptr;
    ui::TRadioButton* RadFolder = nullptr;
    ui::TLabel* LblSource = nullptr;
    ui::TEdit* EdSource = nullptr;
    ui::TButton* BtnSource = nullptr;
    ui::TLabel* LblOutput = nullptr;
    ui::TEdit* EdOutput = nullptr;
    ui::TButton* BtnOutput = nullptr;
    ui::TCheckBox* ChkWebPage = nullptr;
    ui::TLabel* LblWeb = nullptr;
    ui::TEdit* EdWeb = nullptr;
    ui::TButton* BtnWeb = nullptr;
    ui::TBitBtn* BtnOk = nullptr;
    ui::TBitBtn* BtnCancel = nullptr;
    ui::TOpenDialog* DlgFolder = nullptr;

    // The controls show the choice.
    void SetChoice(const TBatchFolders& folders);
    // The choice the controls show, each folder as the batch uses it.
    TBatchFolders Choice() const;

    void BtnOkClick(ui::TObject* sender);

private:
    void Browse(ui::TEdit* edit);
    // Folder controls are usable in folder mode; the web folder only with the web page.
    void EnableControls();
};

}  // namespace app
