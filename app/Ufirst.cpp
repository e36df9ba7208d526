#include "app/Ufirst.h"

#include <algorithm>
#include <memory>

#include "app/Segments.h"
#include "app/SplitPlan.h"
#include "app/UFrmView.h"
#include "app/Uabout.h"
#include "app/Uadjust.h"
#include "forms/FrmFirstLayout.h"
#include "framework/ui/Application.h"
#include "framework/rtl/IniFiles.h"
#include "framework/ui/Shell.h"

namespace app {

String HistoryIniPath;
String SourceImagePath;
bool ImageSelected = false;
int32_t SourceWidth = 0;
int32_t SourceHeight = 0;
int32_t SegmentWidth = 0;
int32_t SegmentHeight = 0;

TFrmFirst* FrmFirst = nullptr;

const char* const MsgSelectFirst =
    "You must first select an image, use the button at the top of the window to select an image.";
const char* const MsgManySegments =
    "You are splitting images in a way that will create a very large number of split images. If this "
    "is what you really wish to do, click yes below. (Please be patient as this can consume alot of "
    "computer resources depending upon your system.";
const char* const MsgSplitTooLarge =
    "The image of %d x %d pixels needs more memory than this computer has free to be split.";
const char* const MsgNothingToSplit =
    "The chosen image has no pixels, so there is nothing to split: its file could not be read as a picture. "
    "Please select another image.";
const char* const MsgNoDataFolder =
    "Could not create a folder as you do not have authority on your system. Please right click this "
    "software icon on your desktop, and choose the option to \"Run as Admin\" (only needs to be done one "
    "time), as you currently do not have authority to create a new folder.";

namespace {

const char* const TextNowChoose =
    "Now simply choose the number of horizontal and vertical images to split into, then click the split "
    "image button. (The original image is never modified or altered in any way).";
const char* const TextConverterTitle =
    "Slide the scroll bar below to adjust the image size, then click the save button. You can also click "
    "on the image to view in the image viewer, instantly calculate new images sizes, and reset the image "
    "to the original size. Sliding the scrollbar will show you a continuous view of your adjusted image.";

// The main window's links.
const char* const DownloadPage = "download.html";
const char* const HelpPage = "index.htm";
const char* const DownloadSite = "https://quadrell.example/downloads";
const char* const SupportAddress = "support@quadrell.example";
const char* const SupportSubject = "Quadrell Image Splitter support";
const char* const MsgDownloadGone =
    "The download page appears to have been removed. You can still view the software downloads by "
    "opening your browser and going to ";
const char* const MsgNoBrowser =
    "You cannot view this file because you do not have a default web browser setup. You can still view "
    "this file by opening your web browser and pointing to the file index.htm which is located in your "
    "install directory.";
const char* const MsgNoMailer =
    "You cannot view this file because you do not have a default email software setup. Please send your "
    "questions to support at ";
const char* const MsgNoViewer =
    "You cannot view this file because you do not have a default viewer for this on your system. You "
    "need a viewer on your system to view this file type.";

const char* const HistorySection = "History";
const char* const LastDirKey = "Last Dir";

// Where the platform names no Windows directory.
const char* const DefaultWindowsDir = "/windows";

}  // namespace

// ---- paths and the history ini ---------------------------------------------------------------

bool FolderExists(const String& path) { return rtl::DirectoryExists(path); }

void PrepareDataFolder()
{
    const String appData = ui::AppDataFolder();
    // Without a folder of the user's own to put it in there is no data folder.
    DataFolder = appData.empty() ? String() : appData + "/Quadrell";
    if (!DataFolder.empty() && !FolderExists(DataFolder)) {
        // A fresh account may lack the application-data folder itself; as for any program on this
        // desktop it is made when first needed.
        if (!FolderExists(appData)) rtl::CreateDir(appData);
        rtl::CreatePrivateDir(DataFolder);
    }
    // A folder that someone else made, or may write to, is as good as none: its files are not
    // read, and nothing is written there.
    if (!rtl::IsPrivateFolder(DataFolder)) ui::MessageDlg(MsgNoDataFolder, ui::TMsgDlgType::mtWarning, ui::mbOK);
    SettingsIniPath = DataFile("vomix25.ini");
}

String GetWindowsDir()
{
    String dir = ui::WindowsDirectory();
    return dir.empty() ? String(DefaultWindowsDir) : dir;
}

void ReadLastDir()
{
    rtl::TIniFile ini(HistoryIniPath);
    FrmFirst->OpenDialog1->SetInitialDir(DataFolderUsable() ? ini.ReadString(HistorySection, LastDirKey, "") : "");
}

void WriteLastDir(const String& fileName)
{
    CheckDataFolderForIni(HistoryIniPath);
    rtl::TIniFile ini(HistoryIniPath);
    ini.WriteString(HistorySection, LastDirKey, rtl::ExtractFilePath(fileName));
}

// ---- the window --------------------------------------------------------------------------------

TFrmFirst::TFrmFirst(ui::TComponent* owner) : ui::TForm(owner)
{
    forms::ApplyDesign(*this, forms::FrmFirstLayout());
    Bind(BitBtn1, "BitBtn1");
    Bind(BitBtn3, "BitBtn3");
    Bind(BitBtn4, "BitBtn4");
    Bind(LblChosen, "LblChosen");
    Bind(LblSizeAndWidth, "LblSizeAndWidth");
    Bind(Lblinfo, "Lblinfo");
    Bind(OpenDialog1, "OpenDialog1");
    Bind(Image1, "Image1");
    Bind(Button1, "Button1");
    Bind(CmdSupport, "CmdSupport");
    Bind(Cmdimage, "Cmdimage");
    Bind(Panel1, "Panel1");
    Bind(SpinW, "SpinW");
    Bind(Lblacross, "Lblacross");
    Bind(SpinH, "SpinH");
    Bind(LblDown, "LblDown");
    Bind(RadPixel, "RadPixel");
    Bind(RadNum, "RadNum");
    Bind(CmdSplit, "CmdSplit");
    Bind(ChkShowNum, "ChkShowNum");
    Bind(Lblcreate, "Lblcreate");
    Bind(LblWrite, "LblWrite");
    Bind(CmdConvert, "CmdConvert");

    BitBtn1->OnClick = [this](ui::TObject* s) { BitBtn1Click(s); };
    BitBtn3->OnClick = [this](ui::TObject* s) { BitBtn3Click(s); };
    BitBtn4->OnClick = [this](ui::TObject* s) { BitBtn4Click(s); };
    Button1->OnClick = [this](ui::TObject* s) { Button1Click(s); };
    CmdSupport->OnClick = [this](ui::TObject* s) { CmdSupportClick(s); };
    Cmdimage->OnClick = [this](ui::TObject* s) { CmdimageClick(s); };
    Image1->OnClick = [this](ui::TObject* s) { Image1Click(s); };
    RadNum->OnClick = [this](ui::TObject* s) { RadNumClick(s); };
    RadPixel->OnClick = [this](ui::TObject* s) { RadPixelClick(s); };
    CmdSplit->OnClick = [this](ui::TObject* s) { CmdSplitClick(s); };
    CmdConvert->OnClick = [this](ui::TObject* s) { CmdConvertClick(s); };
    OnCreate = [this](ui::TObject* s) { FormCreate(s); };
    DoCreate();
}

void TFrmFirst::FormCreate(ui::TObject*)
{
    PrepareDataFolder();
    RadNum->SetChecked(true);
    CmdSupport->SetVisible(true);
    ImageSelected = false;
    FolderMode = false;
    HistoryIniPath = DataFile("qorin7.ini");
    ReadLastDir();
    WindowsDir = GetWindowsDir();
}

// ---- picture selection -------------------------------------------------------------------------

namespace {

// True while a selection runs. A GIF decode lets pending clicks run; while it lasts the commands
// that touch the holders do nothing, and their buttons are disabled.
bool SelectionBusy = false;

// The converter works on the loaded picture: there is one once a load has succeeded.
bool ConverterHasPicture()
{
    const gfx::TGraphic* graphic = Frmadjust->ImageSave->Picture().Graphic();
    return ImageSelected && graphic && !graphic->Empty();
}

class SelectionGuard {
public:
    explicit SelectionGuard(TFrmFirst& window) : FWindow(window)
    {
        SelectionBusy = true;
        FWindow.Cmdimage->SetEnabled(false);
        FWindow.CmdSplit->SetEnabled(false);
        FWindow.CmdConvert->SetEnabled(false);
    }
    ~SelectionGuard()
    {
        SelectionBusy = false;
        FWindow.Cmdimage->SetEnabled(true);
        FWindow.CmdSplit->SetEnabled(true);
        FWindow.CmdConvert->SetEnabled(ConverterHasPicture());
    }
    SelectionGuard(const SelectionGuard&) = delete;
    SelectionGuard& operator=(const SelectionGuard&) = delete;

private:
    TFrmFirst& FWindow;
};

}  // namespace

void TFrmFirst::CmdimageClick(ui::TObject*)
{
    if (SelectionBusy) return;
    SelectionGuard guard(*this);
    ReadLastDir();
    if (!OpenDialog1->Execute()) return;
    SourceImagePath = OpenDialog1->FileName();
    if (SourceImagePath.empty()) return;
    ui::TBusyCursor busy;
    ImageSelected = true;
    LoadImageIntoHolders(SourceImagePath, false, true);
    FitMainThumbnail();
    Image1->Picture().Assign(Frmadjust->ImageSave->Picture());
    ConverterImagePath = SourceImagePath;
    const bool folderModeEnded = FolderMode;
    FolderMode = false;
    Frmadjust->ShowSaveMode(folderModeEnded);
    Frmadjust->Lbltitle->SetCaption(TextConverterTitle);
    ShowFileFacts();
    WriteLastDir(SourceImagePath);
}

// The file's facts on both windows, and the picture's size.
void TFrmFirst::ShowFileFacts()
{
    rtl::TFileFacts facts = rtl::FindFileFacts(SourceImagePath);
    String sizeText;
    if (facts.Found) {
        // A 64-bit size: a file of 2 GiB or more is told as it is, with no range error.
        sizeText = rtl::IntToStr(facts.Size);
        Lblcreate->SetCaption("Created on : " + rtl::DateTimeToStr(rtl::SystemTimeToDateTime(facts.Created)));
        LblWrite->SetCaption("Modified : " + rtl::DateTimeToStr(rtl::SystemTimeToDateTime(facts.Modified)));
    } else {
        // The file went away after it was loaded: only what the picture tells is shown.
        Lblcreate->SetCaption("Created on : ");
        LblWrite->SetCaption("Modified : ");
    }
    String name = rtl::ExtractFileName(SourceImagePath);
    Frmadjust->Lblsize->SetCaption(sizeText);
    Frmadjust->Lbldetails->SetCaption("Original Image Size:");
    Frmadjust->Lblname->SetCaption("Original Image Name:");
    Frmadjust->LblImageName->SetCaption(name);
    SourceWidth = Frmadjust->ImageHidden->Picture().Width();
    SourceHeight = Frmadjust->ImageHidden->Picture().Height();
    LblChosen->SetCaption("Image Chosen: " + name);
    String size = "Image is " + rtl::IntToStr(SourceWidth) + " x " + rtl::IntToStr(SourceHeight);
    if (facts.Found) size += ", " + sizeText + " bytes";
    LblSizeAndWidth->SetCaption(size);
    Lblinfo->SetCaption(TextNowChoose);
}

// ---- split modes ---------------------------------------------------------------------------------

void TFrmFirst::RadNumClick(ui::TObject*)
{
    SpinW->SetMaxValue(120);
    SpinW->SetMinValue(1);
    SpinH->SetMaxValue(120);
    SpinH->SetMinValue(1);
    SpinH->SetValue(4);
    SpinW->SetValue(4);
    LblDown->SetCaption("Choose split segments - vertical (down)");
    Lblacross->SetCaption("Choose split segments - horizontal (across)");
}

void TFrmFirst::RadPixelClick(ui::TObject*)
{
    if (!ImageSelected) {
        ui::ShowMessage(MsgSelectFirst);
        RadNum->SetChecked(true);
        return;
    }
    SpinW->SetMaxValue(SourceWidth);
    SpinW->SetMinValue(5);
    SpinH->SetMaxValue(SourceHeight);
    SpinH->SetMinValue(5);
    SpinH->SetValue(35);
    SpinW->SetValue(35);
    LblDown->SetCaption("Choose split pixels - vertical (down)");
    Lblacross->SetCaption("Choose split pixels - horizontal (across)");
}

// ---- the split ----------------------------------------------------------------------------------

namespace {

// The segments show the picture's own pixels in the device format; a picture kept in another
// format is copied into it first. Bytes of that copy.
uint64_t SplitCopyBytes(const gfx::TGraphic* picture)
{
    gfx::TBitmap pixels;
    if (!picture || !picture->ToBitmap(pixels) || pixels.PixelFormat() == gfx::TPixelFormat::pfDevice) return 0;
    return uint64_t(pixels.Width()) * uint64_t(pixels.Height()) * 4;
}

}  // namespace

void TFrmFirst::CmdSplitClick(ui::TObject*)
{
    if (SelectionBusy) return;
    if (!ImageSelected) {
        ui::ShowMessage(MsgSelectFirst);
        return;
    }
    // A load that failed or that a reader refused leaves a picture without pixels.
    const gfx::TGraphic* held = Frmadjust->ImageSave->Picture().Graphic();
    if (SourceWidth <= 0 || SourceHeight <= 0 || !held || held->Empty()) {
        ui::ShowMessage(MsgNothingToSplit);
        return;
    }
    const SplitMode mode = RadNum->Checked() ? SplitMode::Count : SplitMode::Pixels;
    if (SplitCopyBytes(held) > rtl::AvailableMemory()) {
        ui::ShowMessage(rtl::Format(MsgSplitTooLarge, {held->Width(), held->Height()}));
        return;
    }
    const SplitPlan plan = PlanSplit(mode, SourceWidth, SourceHeight, SpinW->Value(), SpinH->Value());
    if (plan.AskFirst &&
        ui::MessageDlg(MsgManySegments, ui::TMsgDlgType::mtConfirmation, ui::mbYes | ui::mbNo) != ui::mrYes)
        return;
    SplitCols = plan.Cols;
    SplitRows = plan.Rows;
    SegmentWidth = plan.SegmentWidth;
    SegmentHeight = plan.SegmentHeight;
    const int32_t segW = plan.SegmentWidth, segH = plan.SegmentHeight;

    gfx::TBitmap source;
    source.Assign(*held);
    if (source.PixelFormat() != gfx::TPixelFormat::pfDevice) source.SetPixelFormat(gfx::TPixelFormat::pfDevice);

    ShownSegments.Reset();
    FullSegments.Reset();
    FrmView = new TFrmView(this);
    // Its save dialog starts in the picture's folder until the user picks another.
    FrmView->SaveDialog1->SetInitialDir(rtl::ExtractFileDir(SourceImagePath));
    auto freeAll = [] {
        const int rowsMade = std::min(SplitRows, MaxSplitCells), colsMade = std::min(SplitCols, MaxSplitCells);
        for (int r = 1; r <= rowsMade; ++r)
            for (int c = 1; c <= colsMade; ++c) {
                delete ShownSegments(r, c);
                ShownSegments(r, c) = nullptr;
                delete FullSegments(r, c);
                FullSegments(r, c) = nullptr;
            }
        delete FrmView;
        FrmView = nullptr;
    };
    try {
        ui::TBusyCursor busy;
        const int firstTop = FrmView->GroupBox1->Top() + FrmView->GroupBox1->Height() + 5;
        const bool numbers = !ChkShowNum->Checked();
        ui::TListItems& list = FrmView->ListBox1->Items();
        int n = 0;
        for (int r = 1; r <= SplitRows; ++r)
            for (int c = 1; c <= SplitCols; ++c) {
                ++n;
                int left = 5 + (c - 1) * (segW + 5);
                int top = firstTop + (r - 1) * (segH + 5);
                int x = (c - 1) * segW, y = (r - 1) * segH;
                ui::TImage*& shown = ShownSegments(r, c);
                shown = new ui::TImage(this);
                shown->SetBounds(left, top, segW, segH);
                ui::TImage*& full = FullSegments(r, c);
                full = new ui::TImage(this);
                full->SetBounds(0, 0, segW, segH);
                // Both copies share the cut pixels until the number is drawn on the shown one.
                gfx::TBitmap cut = CutSegment(source, x, y, segW, segH);
                full->Picture().SetGraphicOwned(std::make_unique<gfx::TBitmap>(cut));
                if (numbers) DrawSegmentNumber(cut, n);
                shown->Picture().SetGraphicOwned(std::make_unique<gfx::TBitmap>(std::move(cut)));
                shown->SetParent(FrmView);
                list.Add("Image #" + rtl::IntToStr(n));
                ui::LetWindowsRepaint();
            }
        source.AssignNothing();
        FrmView->ListBox1->SetItemIndex(0);
        FrmView->ListBox1Click(FrmView->ListBox1);
    } catch (...) {
        freeAll();
        SplitCols = SplitRows = 0;
        throw;
    }
    try {
        FrmView->ShowModal();
    } catch (...) {
        freeAll();
        throw;
    }
    freeAll();
}

// ---- links and the About window ------------------------------------------------------------------

void TFrmFirst::BitBtn1Click(ui::TObject*) { Close(); }

void TFrmFirst::BitBtn4Click(ui::TObject*)
{
    String page = rtl::ExecutableFolder() + DownloadPage;
    if (ui::ShellExecute(this, "open", page, "", "", ui::SW_SHOWMAXIMIZED) < 32)
        ui::ShowMessage(String(MsgDownloadGone) + DownloadSite);
}

void TFrmFirst::BitBtn3Click(ui::TObject*)
{
    String page = rtl::ExecutableFolder() + HelpPage;
    if (ui::ShellExecute(this, "open", page, "", "", ui::SW_SHOWMAXIMIZED) < 32) ui::ShowMessage(MsgNoBrowser);
}

void TFrmFirst::CmdSupportClick(ui::TObject*)
{
    String link = String("mailto:") + SupportAddress + "?Subject=" + SupportSubject;
    if (ui::ShellExecute(this, "open", link, "", "", ui::SW_SHOWNORMAL) < 32)
        ui::ShowMessage(String(MsgNoMailer) + SupportAddress);
}

void TFrmFirst::Image1Click(ui::TObject*)
{
    // Before any picture has been chosen there is nothing to open.
    if (SourceImagePath.empty()) return;
    if (ui::ShellExecute(this, "open", SourceImagePath, "", "", ui::SW_SHOWMAXIMIZED) < 32)
        ui::ShowMessage(MsgNoViewer);
}

void TFrmFirst::CmdConvertClick(ui::TObject*)
{
    if (SelectionBusy || !ConverterHasPicture()) return;
    Frmadjust->ShowModal();
}

void TFrmFirst::Button1Click(ui::TObject*)
{
    Frmabout = new TFrmabout(this);
    std::unique_ptr<TFrmabout> about(Frmabout);
    about->ShowModal();
    Frmabout = nullptr;
}

}  // namespace app
