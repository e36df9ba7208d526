// The file-exists dialog: replace the file, choose another name, or give up.
#pragma once

#include "framework/ui/Dialogs.h"
#include "framework/ui/Forms.h"
#include "framework/ui/StdCtrls.h"

namespace gif {

class TCanSaveDialog : public ui::TForm {
public:
    explicit TCanSaveDialog(ui::TComponent* AOwner);

    // True when the caller may write the file under Filename: the name does not exist, or the
    // user chose "&Yes" or a new name; false when the user gave up.
    bool Execute(const rtl::String& AFilename);
    void SaveAsButtonClick(ui::TObject* Sender);

    rtl::String Filename;

    ui::TImage* Image1 = nullptr;
    ui::TLabel* FilenameLabel = nullptr;
    ui::TLabel* Label2 = nullptr;
    ui::TButton* Button1 = nullptr;
    ui::TButton* Button3 = nullptr;
    ui::TButton* SaveAsButton = nullptr;
    ui::TSaveDialog* SaveDialog = nullptr;
};

// The one instance, made hidden at start-up (InitFmCanSav) and freed at exit (DoneFmCanSav).
extern TCanSaveDialog* CanSaveDialog;

void InitFmCanSav();
void DoneFmCanSav();

}  // namespace gif
