// The hidden picture-holder window and the picture loader.
#pragma once

#include <cstdint>
#include <functional>

#include "app/Converter.h"
#include "app/Globals.h"
#include "framework/ui/Dialogs.h"
#include "framework/ui/Forms.h"
#include "framework/ui/StdCtrls.h"

namespace gif {
class TGifFile;
}

namespace app {

// Converter state of the holder window.
extern int32_t BaseWidth;      // the loaded picture's size as the loader records it
extern int32_t BaseHeight;
extern bool ExactSizeMode;
extern String ProgramFolder;   // the executable's folder, with its trailing delimiter
extern bool FolderMode;
extern String ConverterImagePath;  // the converter's copy of the chosen path
// Folder batch state (the batch itself is in FolderBatch).
extern String SourceFolder;        // each folder ends in the delimiter
extern String OutputFolder;
extern String WebFolder;
extern bool MakeWebPage;           // make the gallery copies and offer the gallery
extern bool JpegThumbnailsMade;    // set by a JPEG batch file, cleared once an index page is written
extern int32_t BatchCount;         // convertible files taken by the current batch

class TFrmtype;
class TFrmresults;
class TFrmimgview;

class TFrmadjust : public ui::TForm {
public:
    explicit TFrmadjust(ui::TComponent* owner);
    ~TFrmadjust() override;

    ui::TGroupBox* GroupBox1 = nullptr;
    ui::TImage* Image1 = nullptr;
    ui::TLabel* LblOldWidth = nullptr;
    ui::TLabel* LblOldHeight = nullptr;
    ui::TLabel* Label3 = nullptr;
    ui::TLabel* Label4 = nullptr;
    ui::TLabel* LblNewWidth = nullptr;
    ui::TLabel* LblNewHeight = nullptr;
    ui::TLabel* Label7 = nullptr;
    ui::TLabel* Lblpercent = nullptr;
    ui::TLabel* Label9 = nullptr;
    ui::TLabel* Label10 = nullptr;
    ui::TScrollBar* ScrollBar1 = nullptr;
    ui::TImage* ImageHidden = nullptr;
    ui::TLabel* Lbldetails = nullptr;
    ui::TLabel* Lblname = nullptr;
    ui::TLabel* Lblsize = nullptr;
    ui::TLabel* LblImageName = nullptr;
    ui::TBitBtn* BitBtn1 = nullptr;
    ui::TBitBtn* Cmdcalculate = nullptr;
    ui::TBitBtn* Cmdsave = nullptr;
    ui::TBitBtn* BitBtn4 = nullptr;
    ui::TBitBtn* BitBtn5 = nullptr;
    ui::TLabel* Lbltitle = nullptr;
    ui::TImage* Imagejpeg = nullptr;
    ui::TSaveDialog* SaveDialog1 = nullptr;
    ui::TLabel* Lblnote1 = nullptr;
    ui::TLabel* Lblnote2 = nullptr;
    ui::TLabel* Lblnote3 = nullptr;
    ui::TLabel* Lblnote4 = nullptr;
    ui::TBitBtn* BitBtn6 = nullptr;
    ui::TImage* ImageSave = nullptr;
    ui::TLabel* Label1 = nullptr;
    ui::TEdit* EdW = nullptr;
    ui::TEdit* EdH = nullptr;
    ui::TLabel* Label2 = nullptr;
    ui::TButton* Button1 = nullptr;
    ui::TLabel* Label5 = nullptr;
    ui::TBitBtn* CmdFolders = nullptr;
    ui::TLabel* LblMode = nullptr;
    // The GIF document of the load in progress; nullptr otherwise.
    gif::TGifFile* GifFile = nullptr;

    void FormCreate(ui::TObject* sender);
    void ScrollBar1Change(ui::TObject* sender);
    void Button1Click(ui::TObject* sender);
    void BitBtn1Click(ui::TObject* sender);
    void CmdcalculateClick(ui::TObject* sender);
    void CmdsaveClick(ui::TObject* sender);
    void Image1Click(ui::TObject* sender);
    void BitBtn6Click(ui::TObject* sender);
    void BitBtn4Click(ui::TObject* sender);
    void BitBtn5Click(ui::TObject* sender);
    void FormCloseQuery(ui::TObject* sender, bool& canClose);
    void CmdFoldersClick(ui::TObject* sender);

    // Sets SaveDialog1 up for the type the output-type chooser holds; for JPEG it then shows the
    // quality window.
    void PrepareSaveDialog();
    // Hands the preview to the picture viewer and shows it.
    void ShowInViewer();
    // LblMode tells what the next save does: the one picture, or the folder batch and its folder;
    // folderModeEnded: a new picture has just ended folder mode, and it says so.
    void ShowSaveMode(bool folderModeEnded = false);

private:
    void SaveSinglePicture();
    // The save command in folder mode: asks which pictures and which output type, then runs the
    // folder batch with the converter's size, type and quality, its commands disabled meanwhile.
    void SaveFolder();
    // The preview takes the new picture; the labels show its size.
    void ShowNewPicture(int width, int height);
    // The bar goes back to the percent the preview was last made at, running no resize.
    void RestoreBar();
    int FShownPosition = 100;  // the bar's position at the last percent resize
    bool FRestoringBar = false;
};

// The windows that serve the converter, owned by the holder window.
extern TFrmtype* Frmtype;
extern TFrmresults* Frmresults;
extern TFrmimgview* Frmimgview;

// Writes the file through write unless a file of that name exists; adds a line to the results
// list either way. True when the file was written.
bool WriteUnlessPresent(const String& fileName, const std::function<void(rtl::TStream&)>& write);
// Writes the image's picture as a JPEG file at the quality window's quality unless a file of that
// name exists; adds a line to the results list either way. True when the file was written.
bool SaveImageAsJpeg(const String& fileName, ui::TImage* image);
// The same for an enhanced metafile holding the picture.
bool SaveImageAsMetafile(const String& fileName, ui::TImage* image);
// SaveImageAsJpeg at the given quality (1..100).
bool SaveImageAsJpeg(const String& fileName, ui::TImage* image, int quality);
// The quality window's number; ERangeError outside 1..100.
int QualityWindowQuality();
class Tfrmcomp;
// The quality window (made when a converter is used without it).
Tfrmcomp& QualityWindow();

// Texts of the converter.
extern const char* const MsgEnterWidthAndHeight;
extern const char* const MsgNoPixels;
extern const char* const MsgChoseCancel;

extern TFrmadjust* Frmadjust;

// Loads the picture file into ImageHidden, into Image1 unless previewOnly, and into ImageSave when
// intoSaveHolder. Decoder errors pass through; on an error no holder has changed.
void LoadImageIntoHolders(const String& path, bool previewOnly, bool intoSaveHolder);

// Converts the picture just loaded into ImageHidden to the converter's new size and writes it into
// OutputFolder under name with the output type's extension, as a folder batch does.
void ConvertFolderFile(const String& name);

// Sizes the main window's thumbnail for the picture in ImageSave.
void FitMainThumbnail();

// The path with every run of "/" reduced to one.
String CollapseDelimiters(const String& path);
// The path's extension, upper-cased, dot included; empty without one.
String UpperExtension(const String& path);

}  // namespace app
