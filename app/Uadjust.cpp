#include "app/Uadjust.h"

#include <algorithm>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/Converter.h"
#include "app/FolderBatch.h"
#include "app/UFrmView.h"
#include "app/Uchoice.h"
#include "app/Ucompress.h"
#include "app/Ufirst.h"
#include "app/Ufolders.h"
#include "app/Uimgview.h"
#include "app/Uresults.h"
#include "app/Utype.h"
#include "forms/FrmadjustLayout.h"
#include "framework/ui/Application.h"
#include "gif/GifUnit.h"
#include "tiff/Bmp2Tiff.h"
#include "tiff/ReadTiff.h"

namespace app {

int32_t BaseWidth = 0;
int32_t BaseHeight = 0;
bool ExactSizeMode = false;
String ProgramFolder;
bool FolderMode = false;
String ConverterImagePath;
String SourceFolder;
String OutputFolder;
String WebFolder;
bool MakeWebPage = false;
bool JpegThumbnailsMade = false;
int32_t BatchCount = 0;

TFrmadjust* Frmadjust = nullptr;
TFrmtype* Frmtype = nullptr;
TFrmresults* Frmresults = nullptr;
TFrmimgview* Frmimgview = nullptr;

const char* const MsgEnterWidthAndHeight =
    "You must enter the width and height in the boxes on the left. If you do not want to use a specific "
    "width and height to adjust your images, then use the scroll bar to adjust the image size.";
const char* const MsgNoPixels =
    "The new image has no pixels (its width or height is 0). Please make it larger with the scroll bar, "
    "or enter a larger width and height.";
const char* const MsgChoseCancel = "You chose cancel, nothing was done.";
const char* const ModeOnePicture = "Save: the picture chosen on the main window.";
const char* const ModeFolder = "Save: every picture of the folder ";
const char* const ModeFolderEnded = "Folder mode ended with the new picture. ";

namespace {

// A resize that stretches this many pixels (read and written together) shows the busy cursor.
constexpr int64_t LargeResizePixels = 4'000'000;

const char* const NoteSaved = "New image has been saved.";
const char* const NoteNotSaved = "Image has not been saved.";
const char* const NoteAlreadyExists = "File already exists -> ";
const char* const NoteSizeUnknown = "not known, the file could not be written.";

// The size calculator's scratch files, in the data folder.
const char* const TempJpegName = "Temp.jpg";
const char* const TempBitmapName = "Temp.bmp";
const char* const TempTiffName = "Temp.tif";
const char* const TempMetaName = "Temp.emf";

bool AskReplace(const String& fileName)
{
    return ui::MessageDlg(ReplaceQuestion(fileName), ui::TMsgDlgType::mtConfirmation, ui::mbYes | ui::mbNo) ==
           ui::mrYes;
}

bool HasPixels(const ui::TImage& image)
{
    const gfx::TGraphic* graphic = image.Picture().Graphic();
    return graphic && !graphic->Empty();
}

// What keeps the save of the preview as type from having all the memory it makes; empty when it
// can go ahead. A bitmap is saved at the bar's percent, made first from the loaded picture.
String SaveMemoryProblem(const TFrmadjust& window, TOutputType type)
{
    if (type != TOutputType::Bitmap) {
        const gfx::TGraphic* preview = window.Image1->Picture().Graphic();
        return ConversionProblem(preview, SaveBytes(preview, type));
    }
    const int p = window.ScrollBar1->Position();
    const int32_t width = PercentOf(p, BaseWidth), height = PercentOf(p, BaseHeight);
    if (width <= 0 || height <= 0) return "";
    return NewSizeProblem(window.ImageSave->Picture().Graphic(), width, height);
}

}  // namespace

Tfrmcomp& QualityWindow()
{
    // Made at start-up; a converter used without it (a tool, a test) gets one that lives as long.
    if (!frmcomp) frmcomp = new Tfrmcomp(&ui::Application());
    return *frmcomp;
}

int QualityWindowQuality()
{
    const int quality = rtl::StrToInt(rtl::Trim(QualityWindow().Lblnumber->Caption()));
    rtl::RangeCheck(quality, 1, 100);
    return quality;
}

// ---- the window ------------------------------------------------------------------------------

TFrmadjust::TFrmadjust(ui::TComponent* owner) : ui::TForm(owner)
{
    forms::ApplyDesign(*this, forms::FrmadjustLayout());
    Bind(GroupBox1, "GroupBox1");
    Bind(Image1, "Image1");
    Bind(LblOldWidth, "LblOldWidth");
    Bind(LblOldHeight, "LblOldHeight");
    Bind(Label3, "Label3");
    Bind(Label4, "Label4");
    Bind(LblNewWidth, "LblNewWidth");
    Bind(LblNewHeight, "LblNewHeight");
    Bind(Label7, "Label7");
    Bind(Lblpercent, "Lblpercent");
    Bind(Label9, "Label9");
    Bind(Label10, "Label10");
    Bind(ScrollBar1, "ScrollBar1");
    Bind(ImageHidden, "ImageHidden");
    Bind(Lbldetails, "Lbldetails");
    Bind(Lblname, "Lblname");
    Bind(Lblsize, "Lblsize");
    Bind(LblImageName, "LblImageName");
    Bind(BitBtn1, "BitBtn1");
    Bind(Cmdcalculate, "Cmdcalculate");
    Bind(Cmdsave, "Cmdsave");
    Bind(BitBtn4, "BitBtn4");
    Bind(BitBtn5, "BitBtn5");
    Bind(Lbltitle, "Lbltitle");
    Bind(Imagejpeg, "Imagejpeg");
    Bind(SaveDialog1, "SaveDialog1");
    Bind(Lblnote1, "Lblnote1");
    Bind(Lblnote2, "Lblnote2");
    Bind(Lblnote3, "Lblnote3");
    Bind(Lblnote4, "Lblnote4");
    Bind(BitBtn6, "BitBtn6");
    Bind(ImageSave, "ImageSave");
    Bind(Label1, "Label1");
    Bind(EdW, "EdW");
    Bind(EdH, "EdH");
    Bind(Label2, "Label2");
    Bind(Button1, "Button1");
    Bind(Label5, "Label5");
    Bind(CmdFolders, "CmdFolders");
    Bind(LblMode, "LblMode");
    ScrollBar1->OnChange = [this](ui::TObject* s) { ScrollBar1Change(s); };
    Button1->OnClick = [this](ui::TObject* s) { Button1Click(s); };
    BitBtn1->OnClick = [this](ui::TObject* s) { BitBtn1Click(s); };
    Cmdcalculate->OnClick = [this](ui::TObject* s) { CmdcalculateClick(s); };
    Cmdsave->OnClick = [this](ui::TObject* s) { CmdsaveClick(s); };
    Image1->OnClick = [this](ui::TObject* s) { Image1Click(s); };
    BitBtn6->OnClick = [this](ui::TObject* s) { BitBtn6Click(s); };
    BitBtn4->OnClick = [this](ui::TObject* s) { BitBtn4Click(s); };
    BitBtn5->OnClick = [this](ui::TObject* s) { BitBtn5Click(s); };
    CmdFolders->OnClick = [this](ui::TObject* s) { CmdFoldersClick(s); };
    OnCloseQuery = [this](ui::TObject* s, bool& canClose) { FormCloseQuery(s, canClose); };
    Frmtype = new TFrmtype(this);
    Frmresults = new TFrmresults(this);
    Frmimgview = new TFrmimgview(this);
    OnCreate = [this](ui::TObject* s) { FormCreate(s); };
    DoCreate();
}

TFrmadjust::~TFrmadjust()
{
    Frmtype = nullptr;
    Frmresults = nullptr;
    Frmimgview = nullptr;
}

void TFrmadjust::FormCreate(ui::TObject*)
{
    ExactSizeMode = false;
    ScrollBar1->SetPosition(100);
    ProgramFolder = rtl::ExecutableFolder();
    int width = ReadFormWidth("Frmadjust");
    if (width != 0) SetWidth(width);
    int height = ReadFormHeight("Frmadjust");
    if (height != 0) SetHeight(height);
    ShowSaveMode();
}

void TFrmadjust::FormCloseQuery(ui::TObject*, bool&) { SaveFormSize("Frmadjust", Width(), Height()); }

void TFrmadjust::BitBtn4Click(ui::TObject*) { Close(); }

void TFrmadjust::BitBtn5Click(ui::TObject*) { Close(); }

// ---- resizing ----------------------------------------------------------------------------------

void TFrmadjust::ShowNewPicture(int width, int height)
{
    // A large picture takes a while to stretch: the busy cursor says so.
    const gfx::TGraphic* source = ImageSave->Picture().Graphic();
    const int64_t pixels = int64_t(width) * height + (source ? int64_t(source->Width()) * source->Height() : 0);
    std::optional<ui::TBusyCursor> busy;
    if (pixels >= LargeResizePixels) busy.emplace();
    // The old preview goes first, so that a drag holds at most the loaded picture and one preview.
    Image1->Picture().Clear();
    gfx::TBitmap picture = StretchedCopy(ImageSave->Picture().Graphic(), width, height);
    Image1->Picture().SetGraphicOwned(std::make_unique<gfx::TBitmap>(std::move(picture)));
    LblNewWidth->SetCaption(rtl::IntToStr(width));
    LblNewHeight->SetCaption(rtl::IntToStr(height));
}

void TFrmadjust::RestoreBar()
{
    FRestoringBar = true;
    ScrollBar1->SetPosition(FShownPosition);
    FRestoringBar = false;
}

void TFrmadjust::ScrollBar1Change(ui::TObject*)
{
    if (FRestoringBar) return;
    const int p = ScrollBar1->Position();
    const int32_t width = PercentOf(p, BaseWidth), height = PercentOf(p, BaseHeight);
    if (width > 0 && height > 0) {
        const String problem = NewSizeProblem(ImageSave->Picture().Graphic(), width, height);
        if (!problem.empty()) {
            // The bar stays with the preview and the labels, so that a save or a batch later
            // works at the size shown.
            RestoreBar();
            ui::ShowMessage(problem);
            return;
        }
    }
    ShowNewPicture(width, height);
    FShownPosition = p;
    Lblpercent->SetCaption(rtl::IntToStr(p) + "%");
    ExactSizeMode = false;
    EdW->SetText("");
    EdH->SetText("");
}

void TFrmadjust::Button1Click(ui::TObject*)
{
    const String widthText = rtl::Trim(EdW->Text()), heightText = rtl::Trim(EdH->Text());
    if (widthText.empty() || heightText.empty()) {
        ui::ShowMessage(MsgEnterWidthAndHeight);
        return;
    }
    const int width = rtl::StrToInt(widthText), height = rtl::StrToInt(heightText);
    const String problem = NewSizeProblem(ImageSave->Picture().Graphic(), width, height);
    if (!problem.empty()) {
        ui::ShowMessage(problem);
        return;
    }
    ShowNewPicture(width, height);
    Lblpercent->SetCaption("");
    ExactSizeMode = true;
}

void TFrmadjust::BitBtn1Click(ui::TObject*)
{
    // The reset ends at the loaded picture's own size: when that cannot be made, one message says
    // so and nothing changes.
    if (BaseWidth > 0 && BaseHeight > 0) {
        const String problem = NewSizeProblem(ImageSave->Picture().Graphic(), BaseWidth, BaseHeight);
        if (!problem.empty()) {
            ui::ShowMessage(problem);
            return;
        }
    }
    EdW->SetText("");
    EdH->SetText("");
    ScrollBar1->SetPosition(99);
    ScrollBar1->SetPosition(100);
}

// ---- the viewer --------------------------------------------------------------------------------

void TFrmadjust::ShowInViewer()
{
    TFrmimgview& viewer = *Frmimgview;
    viewer.SetTag(0);
    viewer.Image1->SetHeight(Image1->Picture().Height());
    viewer.Image1->SetWidth(Image1->Picture().Width());
    viewer.Image1->Picture().Assign(Image1->Picture());
    viewer.Image2->Picture().Assign(Image1->Picture());
    try {
        viewer.ShowModal();
    } catch (...) {
        viewer.Image1->Picture().Clear();
        viewer.Image2->Picture().Clear();
        throw;
    }
    // The viewer keeps no copy of a preview that is about to change.
    viewer.Image1->Picture().Clear();
    viewer.Image2->Picture().Clear();
}

void TFrmadjust::Image1Click(ui::TObject*) { ShowInViewer(); }

void TFrmadjust::BitBtn6Click(ui::TObject*) { ShowInViewer(); }

// ---- saving ------------------------------------------------------------------------------------

bool WriteUnlessPresent(const String& fileName, const std::function<void(rtl::TStream&)>& write)
{
    return app::WriteUnlessPresent(fileName, write, [](const String& line) { Frmresults->AddLine(line); });
}

bool SaveImageAsJpeg(const String& fileName, ui::TImage* image)
{
    return SaveImageAsJpeg(fileName, image, QualityWindowQuality());
}

bool SaveImageAsJpeg(const String& fileName, ui::TImage* image, int quality)
{
    ui::TImage& holder = *Frmadjust->Imagejpeg;
    {
        gfx::TJPEGImage jpeg;
        jpeg.Assign(PictureAsBitmap(image->Picture().Graphic()));
        jpeg.SetCompressionQuality(quality);
        jpeg.Compress();
        holder.Picture().SetGraphic(&jpeg);
    }
    struct ReleaseHolder {
        ui::TImage& Holder;
        ~ReleaseHolder() { Holder.Picture().Clear(); }
    } release{holder};
    return WriteUnlessPresent(fileName, [&](rtl::TStream& out) { holder.Picture().Graphic()->SaveToStream(out); });
}

bool SaveImageAsMetafile(const String& fileName, ui::TImage* image)
{
    gfx::TMetafile metafile;
    metafile.RecordBitmap(PictureAsBitmap(image->Picture().Graphic()));
    return WriteUnlessPresent(fileName, [&](rtl::TStream& out) { metafile.SaveToStream(out); });
}

void TFrmadjust::PrepareSaveDialog()
{
    const TOutputType type = Frmtype->Chosen();
    const TSaveDialogSetup* setup = SaveDialogSetupFor(type);
    if (!setup) return;
    SaveDialog1->SetDefaultExt(setup->DefaultExt);
    SaveDialog1->SetFileName(setup->FileName);
    SaveDialog1->SetFilter(setup->Filter);
    if (type == TOutputType::Jpeg) QualityWindow().ShowModal();
}

void TFrmadjust::CmdsaveClick(ui::TObject*)
{
    if (FolderMode) SaveFolder();
    else SaveSinglePicture();
}

// Shows the folder window; on OK sets FolderMode, SourceFolder, OutputFolder, WebFolder and
// MakeWebPage.
void TFrmadjust::CmdFoldersClick(ui::TObject*)
{
    std::unique_ptr<TFrmfolders> window(new TFrmfolders(this));
    window->SetChoice({.FolderMode = FolderMode, .Source = SourceFolder, .Output = OutputFolder, .Web = WebFolder,
                       .MakeWebPage = MakeWebPage});
    if (window->ShowModal() != ui::mrOk) return;
    const TBatchFolders choice = window->Choice();
    FolderMode = choice.FolderMode;
    SourceFolder = choice.Source;
    OutputFolder = choice.Output;
    WebFolder = choice.Web;
    MakeWebPage = choice.MakeWebPage;
    ShowSaveMode();
}

void TFrmadjust::ShowSaveMode(bool folderModeEnded)
{
    if (FolderMode) LblMode->SetCaption(ModeFolder + SourceFolder);
    else LblMode->SetCaption(String(folderModeEnded ? ModeFolderEnded : "") + ModeOnePicture);
}

// ---- the folder batch ----------------------------------------------------------------------------

namespace {

// The batch's view: the converter's status lines, the results window and ImageHidden.
class TConverterBatchView : public TBatchView {
public:
    explicit TConverterBatchView(TFrmadjust& converter) : FConverter(converter) {}

    void SetNote(int line, const String& text) override
    {
        ui::TLabel* const notes[] = {FConverter.Lblnote1, FConverter.Lblnote2, FConverter.Lblnote3, FConverter.Lblnote4};
        notes[std::clamp(line, 1, 4) - 1]->SetCaption(text);
    }
    void StartResults() override
    {
        Frmresults->Clear();
        Frmresults->Show();
    }
    void AddResult(const String& line) override { Frmresults->AddLine(line); }
    int ResultCount() const override { return Frmresults->LineCount(); }
    void SetResultStatus(const String& text, gfx::TColor color) override
    {
        if (text.empty()) Frmresults->Lblstatus->SetCaption(text);
        else Frmresults->SetStatus(text, color);
    }
    void KeepPicture(gfx::TBitmap picture) override
    {
        FConverter.ImageHidden->Picture().SetGraphicOwned(std::make_unique<gfx::TBitmap>(std::move(picture)));
    }

private:
    TFrmadjust& FConverter;
};

// What a batch started now converts to: the converter's size and quality, the folders chosen.
TBatchSettings CurrentBatchSettings(const TFrmadjust& converter, TOutputType type, const String& mask)
{
    TBatchSettings settings;
    settings.Mask = mask;
    settings.Type = type;
    settings.ExactSize = ExactSizeMode;
    settings.ExactWidth = converter.Image1->Picture().Width();
    settings.ExactHeight = converter.Image1->Picture().Height();
    settings.Percent = converter.ScrollBar1->Position();
    if (type == TOutputType::Jpeg) settings.Quality = QualityWindowQuality();
    settings.Folders = {.FolderMode = true, .Source = SourceFolder, .Output = OutputFolder, .Web = WebFolder,
                        .MakeWebPage = MakeWebPage};
    return settings;
}

// The batch's tally kept in the converter's state, whatever way the batch ends.
class TTallyKept {
public:
    TTallyKept() : FTally{.Count = BatchCount, .JpegThumbnailsMade = JpegThumbnailsMade} {}
    ~TTallyKept()
    {
        BatchCount = FTally.Count;
        JpegThumbnailsMade = FTally.JpegThumbnailsMade;
    }
    TBatchTally& Tally() { return FTally; }

private:
    TBatchTally FTally;
};

// The converter's commands, disabled while a batch runs and given back their state after it.
class TCommandsDisabled {
public:
    explicit TCommandsDisabled(TFrmadjust& c)
        : FControls{c.ScrollBar1, c.EdW, c.EdH, c.Button1, c.BitBtn1, c.Cmdcalculate, c.Cmdsave, c.BitBtn6, c.Image1}
    {
        if (c.CmdFolders) FControls.push_back(c.CmdFolders);
        for (ui::TControl* control : FControls) {
            FEnabled.push_back(control->Enabled());
            control->SetEnabled(false);
        }
    }
    ~TCommandsDisabled()
    {
        for (size_t i = 0; i < FControls.size(); ++i) FControls[i]->SetEnabled(FEnabled[i]);
    }

private:
    std::vector<ui::TControl*> FControls;
    std::vector<bool> FEnabled;
};

// Which pictures of the folder; the file-kind chooser lives only while it asks. Empty when it was
// cancelled (Escape or its close box).
String AskSearchMask(TFrmadjust& converter)
{
    std::unique_ptr<TFrmchoice> chooser(new TFrmchoice(&converter));
    const int width = ReadFormWidth("Frmchoice");
    if (width != 0) chooser->SetWidth(width);
    const int height = ReadFormHeight("Frmchoice");
    if (height != 0) chooser->SetHeight(height);
    chooser->RadAll->SetChecked(true);
    chooser->Lbltitle->SetCaption(ChooserTitle(converter.Lblpercent->Caption()));
    if (chooser->ShowModal() != ui::mrOk) return {};
    return chooser->SearchMask();
}

}  // namespace

void TFrmadjust::SaveFolder()
{
    if (FolderBatchRunning()) return;
    const String mask = AskSearchMask(*this);
    if (mask.empty()) {
        ui::MessageDlg(MsgChoseCancel, ui::TMsgDlgType::mtInformation, ui::mbOK);
        return;
    }
    Frmtype->ShowModal();
    const TOutputType type = Frmtype->Chosen();
    if (type == TOutputType::Jpeg) {
        QualityWindow().ShowModal();
    } else if (type == TOutputType::Cancel) {
        ui::MessageDlg(MsgChoseCancel, ui::TMsgDlgType::mtInformation, ui::mbOK);
        return;
    }
    const TBatchSettings settings = CurrentBatchSettings(*this, type, mask);
    TCommandsDisabled disabled(*this);
    TConverterBatchView view(*this);
    TTallyKept kept;
    ui::TBusyCursor busy;
    RunFolderBatch(settings, view, kept.Tally());
}

void ConvertFolderFile(const String& name)
{
    TFrmadjust& converter = *Frmadjust;
    TConverterBatchView view(converter);
    TTallyKept kept;
    ConvertFolderFile(name, converter.ImageHidden->Picture().Graphic(),
                      CurrentBatchSettings(converter, Frmtype->Chosen(), "*.*"), view, kept.Tally());
}

void TFrmadjust::SaveSinglePicture()
{
    if (!HasPixels(*Image1)) {
        ui::ShowMessage(MsgNoPixels);
        return;
    }
    Frmtype->ShowModal();
    PrepareSaveDialog();
    const TOutputType type = Frmtype->Chosen();
    if (type == TOutputType::Cancel) {
        ui::MessageDlg(MsgChoseCancel, ui::TMsgDlgType::mtInformation, ui::mbOK);
        return;
    }
    const String problem = SaveMemoryProblem(*this, type);
    if (!problem.empty()) {
        ui::ShowMessage(problem);
        return;
    }
    if (!SaveDialog1->Execute() || SaveDialog1->FileName().empty()) return;
    String fileName = SaveDialog1->FileName();
    ui::TBusyCursor busy;
    bool saved = false;
    switch (type) {
    case TOutputType::Jpeg:
        saved = SaveImageAsJpeg(fileName, Image1);
        break;
    case TOutputType::Bitmap:
        // Saved at the bar's percent: an exact size gives way to it.
        ScrollBar1Change(ScrollBar1);
        saved = !rtl::FileExists(fileName) || AskReplace(fileName);
        if (saved) WriteBitmapFile(fileName, PictureAsBitmap(Image1->Picture().Graphic()));
        break;
    case TOutputType::Tiff:
        fileName = rtl::ChangeFileExt(fileName, ".TIF");
        saved = !rtl::FileExists(fileName) || AskReplace(fileName);
        if (saved) WriteTiffOutput(fileName, WritableBitmap(PictureAsBitmap(Image1->Picture().Graphic())));
        break;
    case TOutputType::Metafile:
        saved = SaveImageAsMetafile(fileName, Image1);
        break;
    case TOutputType::Cancel:
        break;
    }
    if (saved) {
        Lblnote1->SetCaption(NoteSaved);
        Lblnote2->SetCaption(fileName);
    } else {
        Lblnote1->SetCaption(NoteNotSaved);
        Lblnote2->SetCaption(NoteAlreadyExists + fileName);
    }
}

// ---- size calculator ---------------------------------------------------------------------------

void TFrmadjust::CmdcalculateClick(ui::TObject*)
{
    if (!HasPixels(*Image1)) {
        ui::ShowMessage(MsgNoPixels);
        return;
    }
    ui::TBusyCursor busy;
    // The picture's bitmap form is held through all four writes.
    const gfx::TGraphic* preview = Image1->Picture().Graphic();
    uint64_t writeBytes = 0;
    for (TOutputType type : {TOutputType::Jpeg, TOutputType::Bitmap, TOutputType::Tiff, TOutputType::Metafile})
        writeBytes = std::max(writeBytes, SaveBytes(preview, type));
    const String problem = ConversionProblem(preview, BitmapFormBytes(preview) + writeBytes);
    if (!problem.empty()) {
        ui::ShowMessage(problem);
        return;
    }
    const String jpegPath = DataFile(TempJpegName), bitmapPath = DataFile(TempBitmapName),
                 tiffPath = DataFile(TempTiffName), metaPath = DataFile(TempMetaName);

    // Each file is made afresh and on its own; the size shown is that of the file made here, and
    // one that cannot be made is named in its line. Nothing is written in a data folder that is
    // not the user's own.
    const bool usable = DataFolderUsable();
    auto measure = [usable](const String& path, const std::function<void(rtl::TStream&)>& write) -> int64_t {
        if (!usable) return -1;
        try {
            return rtl::WriteScratchFile(path, write);
        } catch (const rtl::Exception&) {
            return -1;
        }
    };
    // As the JPEG and metafile savers do, those two are noted in the results list.
    auto note = [usable](const String& path, int64_t size) {
        if (size >= 0) Frmresults->AddLine(LineCreated + path);
        else if (usable && rtl::FileExists(path)) Frmresults->AddLine(LineAlreadyExists + path);
    };
    const gfx::TBitmap pixels = PictureAsBitmap(Image1->Picture().Graphic());

    const int64_t jpegSize = measure(jpegPath, [&](rtl::TStream& s) {
        gfx::TJPEGImage jpeg;
        jpeg.Assign(pixels);
        jpeg.SetCompressionQuality(QualityWindowQuality());
        jpeg.Compress();
        jpeg.SaveToStream(s);
    });
    note(jpegPath, jpegSize);
    const int64_t bitmapSize = measure(bitmapPath, [&](rtl::TStream& s) {
        gfx::TBitmap copy = pixels;
        copy.SaveToStream(s);
    });
    const int64_t tiffSize =
        measure(tiffPath, [&](rtl::TStream& s) { tif::WriteTiffToStream(s, WritableBitmap(pixels)); });
    gfx::TMetafile metafile;
    metafile.RecordBitmap(pixels);
    const int64_t metaSize = measure(metaPath, [&](rtl::TStream& s) { metafile.SaveToStream(s); });
    note(metaPath, metaSize);

    auto sizeText = [](int64_t size, const String& after) -> String {
        return size < 0 ? String(NoteSizeUnknown) : rtl::IntToStr(size) + after;
    };
    Lblnote1->SetCaption("Current Jpeg Size = " + sizeText(jpegSize, " bytes. (Compression at 75)"));
    Lblnote2->SetCaption("Current Bitmap Size = " + sizeText(bitmapSize, " bytes."));
    Lblnote3->SetCaption("Current Tif Size = " + sizeText(tiffSize, " bytes."));
    Lblnote4->SetCaption("Current Meta Size = " + sizeText(metaSize, " bytes."));
}

String CollapseDelimiters(const String& path)
{
    String result;
    result.reserve(path.size());
    for (char ch : path)
        if (!(ch == '/' && !result.empty() && result.back() == '/')) result += ch;
    return result;
}

String UpperExtension(const String& path) { return rtl::UpperCase(rtl::ExtractFileExt(path)); }

namespace {

// The framework's route: the file is decoded once and every holder gets its own copy, which
// shares the decoded pixels until one of them is drawn on.
void LoadThroughRegistry(TFrmadjust& holder, const String& file, bool previewOnly, bool intoSaveHolder)
{
    gfx::TPicture loaded;
    loaded.LoadFromFile(file);
    holder.ImageHidden->Picture().Assign(loaded);
    if (!previewOnly) holder.Image1->Picture().Assign(loaded);
    if (intoSaveHolder) holder.ImageSave->Picture().Assign(loaded);
}

// The GIF codec's route: one document of this load's own, its first image as a bitmap whose copies
// go to the holders. The holders change only once the whole file has been decoded.
void LoadThroughGifCodec(TFrmadjust& holder, const String& file, bool previewOnly, bool intoSaveHolder)
{
    auto document = std::make_unique<gif::TGifFile>();
    holder.GifFile = document.get();
    std::unique_ptr<gfx::TBitmap> bitmap;
    try {
        document->LoadFromFile(file);
        bitmap = document->AsBitmap();
    } catch (...) {
        holder.GifFile = nullptr;
        throw;
    }
    holder.ImageHidden->Picture().SetGraphic(bitmap.get());
    if (!previewOnly) holder.Image1->Picture().SetGraphic(bitmap.get());
    if (intoSaveHolder) holder.ImageSave->Picture().SetGraphic(bitmap.get());
    holder.GifFile = nullptr;
    document.reset();
    bitmap.reset();
}

// The TIFF codec's route: the file is decoded once; each holder (Image1, ImageSave, ImageHidden,
// in that order) sees the reader's messages and then gets its own copy of the picture, which
// shares the pixels until one of them is drawn on. A holder the reader left alone keeps its
// picture. When the reader raises, only the first holder has been filled, and only when the reader
// had got as far as a message or a picture (a file that cannot be opened changes nothing).
void LoadThroughTiffCodec(TFrmadjust& holder, const String& file, bool previewOnly, bool intoSaveHolder)
{
    std::vector<ui::TImage*> holders;
    if (!previewOnly) holders.push_back(holder.Image1);
    if (intoSaveHolder) holders.push_back(holder.ImageSave);
    holders.push_back(holder.ImageHidden);
    gfx::TBitmap picture;
    tif::TTiffRead read;
    auto fill = [&](ui::TImage* image) {
        tif::ShowProblems(read);
        gfx::TBitmap& bitmap = image->Picture().Bitmap();
        if (read.Changed) bitmap = picture;
        image->Invalidate();
    };
    try {
        tif::DecodeTiffFile(file, picture, read);
    } catch (...) {
        if (read.Changed || !read.Problems.empty()) fill(holders.front());
        throw;
    }
    for (ui::TImage* image : holders) fill(image);
}

void PrepareConverter(TFrmadjust& holder)
{
    const gfx::TPicture& picture = holder.ImageHidden->Picture();
    int width = picture.Width(), height = picture.Height();
    // The base size is the new picture's before the bar moves, so that a resize the move runs
    // works on the new picture's size.
    BaseWidth = width;
    BaseHeight = height;
    holder.ScrollBar1->SetPosition(100);
    holder.LblOldWidth->SetCaption("Original Width: " + rtl::IntToStr(width));
    holder.LblOldHeight->SetCaption("Original Height: " + rtl::IntToStr(height));
    holder.LblNewWidth->SetCaption(rtl::IntToStr(width));
    holder.LblNewHeight->SetCaption(rtl::IntToStr(height));
}

}  // namespace

void LoadImageIntoHolders(const String& path, bool previewOnly, bool intoSaveHolder)
{
    TFrmadjust& holder = *Frmadjust;
    String file = CollapseDelimiters(path);
    String ext = UpperExtension(file);
    if (ext == ".GIF") LoadThroughGifCodec(holder, file, previewOnly, intoSaveHolder);
    else if (ext == ".TIF") LoadThroughTiffCodec(holder, file, previewOnly, intoSaveHolder);
    else LoadThroughRegistry(holder, file, previewOnly, intoSaveHolder);
    if (!previewOnly) PrepareConverter(holder);
}

void FitMainThumbnail()
{
    ui::TImage* thumb = FrmFirst->Image1;
    thumb->Picture().Clear();
    const gfx::TPicture& picture = Frmadjust->ImageSave->Picture();
    int w = picture.Width(), h = picture.Height();
    thumb->SetWidth(110);
    thumb->SetHeight(78);
    if (w >= h) {
        if (110 >= w) return;
        float ratio = float(w) / float(h);
        thumb->SetWidth(int(rtl::Round(78.0 * double(ratio))));
    } else {
        if (78 >= h) return;
        float ratio = float(h) / float(w);
        thumb->SetWidth(int(rtl::Round(78.0 / double(ratio))));
    }
    // A wide picture never reaches under the facts labels: it keeps its proportions in the room
    // left of them.
    const int room = FrmFirst->LblChosen->Left() - thumb->Left();
    if (thumb->Width() > room) {
        thumb->SetWidth(room);
        thumb->SetHeight(std::max(1, int(rtl::Round(double(room) * h / w))));
    }
}

}  // namespace app
