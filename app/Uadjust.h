// The hidden picture-holder window and the picture loader.
#pragma once

#include <cstdint>

#include "app/Globals.h"
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

class TFrmadjust : public ui::TForm {
public:
    explicit TFrmadjust(ui::TComponent* owner);

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
    ui::TLabel* Lbltitle = nullptr;
    ui::TImage* Imagejpeg = nullptr;
    ui::TImage* ImageSave = nullptr;
    // The GIF document of the load in progress; nullptr otherwise.
    gif::TGifFile* GifFile = nullptr;

    void FormCreate(ui::TObject* sender);
};

extern TFrmadjust* Frmadjust;

// Loads the picture file into ImageHidden, into Image1 unless previewOnly, and into ImageSave when
// intoSaveHolder. Decoder errors pass through; on an error no holder has changed.
void LoadImageIntoHolders(const String& path, bool previewOnly, bool intoSaveHolder);

// Sizes the main window's thumbnail for the picture in ImageSave.
void FitMainThumbnail();

// The path with every run of "/" reduced to one.
String CollapseDelimiters(const String& path);
// The path's extension, upper-cased, dot included; empty without one.
String UpperExtension(const String& path);

}  // namespace app
