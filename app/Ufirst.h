// The main window: picture selection, the picture's facts, the split modes and the split command,
// the links and the About button; and the history ini routines.
#pragma once

#include <cstdint>

#include "app/Globals.h"
#include "framework/ui/Dialogs.h"
#include "framework/ui/Forms.h"
#include "framework/ui/StdCtrls.h"

namespace app {

// The main window's unit state.
extern String HistoryIniPath;    // DataFolder + "/qorin7.ini"
extern String SourceImagePath;   // the file chosen last, as the open dialog returned it
extern bool ImageSelected;       // a picture has been chosen (never cleared)
extern int32_t SourceWidth;      // the loaded picture's size, from ImageHidden
extern int32_t SourceHeight;
extern int32_t SegmentWidth;     // the segment size of the last split
extern int32_t SegmentHeight;

// Texts of the main window's commands.
extern const char* const MsgSelectFirst;
extern const char* const MsgManySegments;
extern const char* const MsgNothingToSplit;
extern const char* const MsgNoDataFolder;

class TFrmFirst : public ui::TForm {
public:
    explicit TFrmFirst(ui::TComponent* owner);

    ui::TBitBtn* BitBtn1 = nullptr;
    ui::TBitBtn* BitBtn3 = nullptr;
    ui::TBitBtn* BitBtn4 = nullptr;
    ui::TLabel* LblChosen = nullptr;
    ui::TLabel* LblSizeAndWidth = nullptr;
    ui::TLabel* Lblinfo = nullptr;
    ui::TOpenDialog* OpenDialog1 = nullptr;
    ui::TImage* Image1 = nullptr;
    ui::TButton* Button1 = nullptr;
    ui::TBitBtn* CmdSupport = nullptr;
    ui::TBitBtn* Cmdimage = nullptr;
    ui::TPanel* Panel1 = nullptr;
    ui::TSpinEdit* SpinW = nullptr;
    ui::TLabel* Lblacross = nullptr;
    ui::TSpinEdit* SpinH = nullptr;
    ui::TLabel* LblDown = nullptr;
    ui::TRadioButton* RadPixel = nullptr;
    ui::TRadioButton* RadNum = nullptr;
    ui::TBitBtn* CmdSplit = nullptr;
    ui::TCheckBox* ChkShowNum = nullptr;
    ui::TLabel* Lblcreate = nullptr;
    ui::TLabel* LblWrite = nullptr;
    // Not in the designed window: opens the converter for the chosen picture.
    ui::TBitBtn* CmdConvert = nullptr;

    void FormCreate(ui::TObject* sender);
    void CmdimageClick(ui::TObject* sender);
    void RadNumClick(ui::TObject* sender);
    void RadPixelClick(ui::TObject* sender);
    void CmdSplitClick(ui::TObject* sender);
    void BitBtn1Click(ui::TObject* sender);
    void BitBtn3Click(ui::TObject* sender);
    void BitBtn4Click(ui::TObject* sender);
    void CmdSupportClick(ui::TObject* sender);
    void Image1Click(ui::TObject* sender);
    void Button1Click(ui::TObject* sender);
    void CmdConvertClick(ui::TObject* sender);

private:
    void ShowFileFacts();
};

extern TFrmFirst* FrmFirst;

// Paths and folders.
void PrepareDataFolder();
bool FolderExists(const String& path);
String GetWindowsDir();

// The history ini: the folder of the last picture chosen.
void ReadLastDir();
void WriteLastDir(const String& fileName);

}  // namespace app
