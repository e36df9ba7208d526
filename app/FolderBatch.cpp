#include "app/FolderBatch.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <memory>

#include "app/Converter.h"
#include "app/Gallery.h"
#include "app/Uadjust.h"
#include "app/Uchoice.h"
#include "app/Ucompress.h"
#include "app/Ufolders.h"
#include "app/Uresults.h"
#include "app/Utype.h"
#include "framework/rtl/Classes.h"
#include "framework/rtl/Parallel.h"
#include "framework/ui/Application.h"
#include "framework/ui/Dialogs.h"

namespace app {

namespace {

constexpr const char* ConvertibleExtensions[] = {".JPG", ".ICO", ".BMP", ".EMF", ".TIF", ".GIF"};

constexpr const char* ChooserTitleStart =
    "Select the image types that you would like to have converted (Note that all original images remain "
    "untouched. New images will be created.)  ";
constexpr const char* ChooserTitleSameSize = "You have selected to create new image types, and keep the same image size.";
constexpr const char* ChooserTitleAtPercent = "You have selected to create the new images at ";
constexpr const char* ChooserTitlePercentOf = " percent of the ";
constexpr const char* ChooserTitleOriginal = "original image size.";

constexpr const char* NoteProcessingImages = "Processing images. Please be patient.";
constexpr const char* NoteProcessingFirst = "Processing -> ";
constexpr const char* NoteProcessing = "Processing ";
constexpr const char* StatusReading = "Please be patient. Reading File #";
constexpr const char* StatusFileName = " File name: ";
constexpr const char* StatusFinished = "Finished. Total Files = ";
constexpr const char* LineNoImagesOfType = "** No images of type ";
constexpr const char* LineNotFound = " found in this folder";
constexpr const char* LineSelectDifferent = "** Select a different type or different folder";
constexpr const char* MsgGalleryQuestion =
    "We will now automatically create a webpage for you, containing thumbnail images that show full sized "
    "images when clicked. Click YES to create the webpage, click no to cancel. ";
constexpr const char* MsgGalleryShown =
    "Your webpage is now displayed for you. This is exactly how it will look and work when uploaded to your "
    "website. To upload your new webpage to your website, simply upload ALL files located in folder: ";
constexpr const char* MsgNoJpegThumbnails =
    "No JPG thumbnails were created. To create a webpage of thumbnails, save your thumbnail images as JPG. "
    "Once you save your thumbnails as JPG, a webpage will be generated and displayed.";

constexpr gfx::TColor clStatusNavy = 8388608;
constexpr gfx::TColor clStatusMaroon = 128;

constexpr const char* MsgNoSourceFolder = "Please choose the folder that holds the pictures to convert.";
constexpr const char* MsgNoOutputFolder = "Please choose the folder for the new pictures.";
constexpr const char* MsgNoWebFolder = "Please choose the folder for the web page, or turn the web page off.";
constexpr const char* MsgMissingFolder = "This folder does not exist: ";

String FolderProblem(const String& folder, const char* whenEmpty)
{
    if (folder.empty()) return whenEmpty;
    if (!rtl::DirectoryExists(folder)) return MsgMissingFolder + folder;
    return {};
}

}  // namespace

bool IsConvertibleFile(const String& name)
{
    const size_t dot = name.rfind('.');
    const String ext = dot == String::npos ? String() : rtl::UpperCase(name.substr(dot));
    return std::ranges::find(ConvertibleExtensions, ext) != std::end(ConvertibleExtensions);
}

std::vector<String> FindBatchFiles(const String& folder, const String& mask)
{
    return rtl::FindFiles(folder, mask);
}

String BatchFolderPath(const String& text)
{
    String path = rtl::Trim(text);
    if (path.empty()) return path;
    if (path == "~" || path.starts_with("~/")) {
        const char* home = getenv("HOME");
        path = String(home ? home : "") + path.substr(1);
    }
    if (path[0] != rtl::PathDelim) path = rtl::IncludeTrailingPathDelimiter(rtl::GetCurrentDir()) + path;
    return rtl::IncludeTrailingPathDelimiter(path);
}

String BatchFoldersProblem(const TBatchFolders& folders)
{
    if (!folders.FolderMode) return {};
    String problem = FolderProblem(folders.Source, MsgNoSourceFolder);
    if (problem.empty()) problem = FolderProblem(folders.Output, MsgNoOutputFolder);
    if (problem.empty() && folders.MakeWebPage) problem = FolderProblem(folders.Web, MsgNoWebFolder);
    return problem;
}

bool CopyFileViaStream(const String& source, const String& dest)
{
    try {
        rtl::TMemoryStream bytes;
        bytes.LoadFromFile(source);
        bytes.SaveToFile(dest);
        return true;
    } catch (...) {
        return false;
    }
}

// ---- the batch -------------------------------------------------------------------------------

namespace {

bool gBatchRunning = false;

// What a batch converts to, taken when it starts: the converter's commands are disabled while it
// runs, and a picture chosen on the main window meanwhile changes none of it.
struct TBatchSettings {
    TOutputType Type = TOutputType::Cancel;
    bool ExactSize = false;
    int32_t ExactWidth = 0, ExactHeight = 0;  // the preview's size in exact mode
    int Percent = 100;                        // the bar's position otherwise
    int Quality = DefaultJpegQuality;         // for JPEG
};

TBatchSettings CurrentSettings(const TFrmadjust& converter, TOutputType type)
{
    TBatchSettings settings;
    settings.Type = type;
    settings.ExactSize = ExactSizeMode;
    settings.ExactWidth = converter.Image1->Picture().Width();
    settings.ExactHeight = converter.Image1->Picture().Height();
    settings.Percent = converter.ScrollBar1->Position();
    if (type == TOutputType::Jpeg) settings.Quality = QualityWindowQuality();
    return settings;
}

// The new size of a picture of width x height.
std::pair<int32_t, int32_t> NewSize(const TBatchSettings& settings, int32_t width, int32_t height)
{
    if (settings.ExactSize) return {settings.ExactWidth, settings.ExactHeight};
    return {PercentOf(settings.Percent, width), PercentOf(settings.Percent, height)};
}

// The picture stretched to its new size; a size that cannot be made raises its message.
gfx::TBitmap ResizedPicture(const TBatchSettings& settings, const gfx::TGraphic* picture)
{
    const auto [width, height] = NewSize(settings, picture ? picture->Width() : 0, picture ? picture->Height() : 0);
    const String problem = NewSizeProblem(width, height);
    if (!problem.empty()) throw rtl::Exception(problem);
    return StretchedCopy(picture, width, height);
}

// The kinds of file that are decoded and resized ahead of their turn, on helper threads: those
// the framework's loader reads without telling the user anything. GIF and TIFF files go through
// their codecs, which show progress and messages, in their turn on this thread.
bool DecodedAhead(const String& name)
{
    const String ext = UpperExtension(name);
    return ext == ".JPG" || ext == ".BMP";
}

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

void WriteConverted(const String& name, const TBatchSettings& settings)
{
    TFrmadjust& converter = *Frmadjust;
    ui::TImage* hidden = converter.ImageHidden;
    const String target = OutputFolder + name;
    switch (settings.Type) {
    case TOutputType::Jpeg:
        JpegThumbnailsMade = true;
        SaveImageAsJpeg(rtl::ChangeFileExt(target, ".JPG"), hidden, settings.Quality);
        break;
    case TOutputType::Bitmap: {
        const String file = rtl::ChangeFileExt(target, ".BMP");
        WriteUnlessPresent(file, [&] { WriteBitmapFile(file, PictureAsBitmap(hidden->Picture().Graphic())); });
        break;
    }
    case TOutputType::Tiff: {
        const String file = rtl::ChangeFileExt(target, ".TIF");
        WriteUnlessPresent(file,
                           [&] { WriteTiffOutput(file, WritableBitmap(PictureAsBitmap(hidden->Picture().Graphic()))); });
        break;
    }
    case TOutputType::Metafile:
        SaveImageAsMetafile(rtl::ChangeFileExt(target, ".EMF"), hidden);
        break;
    case TOutputType::Cancel:
        break;
    }
}

// The picture in ImageHidden takes its new size, the results window names the file, and the
// converted file is written (or kept when it is already there). `resized` is the new picture
// when it was made ahead.
void ConvertFolderFile(const String& name, const TBatchSettings& settings, gfx::TBitmap* resized)
{
    ui::TImage* hidden = Frmadjust->ImageHidden;
    gfx::TBitmap picture = resized ? std::move(*resized) : ResizedPicture(settings, hidden->Picture().Graphic());
    hidden->Picture().SetGraphicOwned(std::make_unique<gfx::TBitmap>(std::move(picture)));
    Frmresults->SetStatus(StatusReading + rtl::IntToStr(Frmresults->LineCount()) + StatusFileName + SourceFolder + name,
                          clStatusNavy);
    WriteConverted(name, settings);
}

// The gallery's copies of one converted JPEG: the thumbnail and the source picture. A copy that
// fails is passed over; it shows as a broken picture or link in the gallery.
void CopyForGallery(const String& name)
{
    if (!MakeWebPage || !JpegThumbnailsMade) return;
    const String ext = UpperExtension(name).substr(0, 4);
    if (ext != ".JPG" && ext != ".JPE") return;
    // The converted file carries the output type's extension in upper case.
    CopyFileViaStream(rtl::ChangeFileExt(OutputFolder + name, ".JPG"), WebFolder + ThumbPrefix + name);
    CopyFileViaStream(SourceFolder + name, WebFolder + FullSizePrefix + name);
}

void OfferGallery()
{
    if (!MakeWebPage || BatchCount <= 0) return;
    if (ui::MessageDlg(MsgGalleryQuestion, ui::TMsgDlgType::mtInformation, ui::mbYes | ui::mbNo) != ui::mrYes) return;
    WriteMenuAndMainPages(WebFolder);
    if (JpegThumbnailsMade) {
        WriteIndexPage(WebFolder);
        JpegThumbnailsMade = false;
        ui::ShowMessage(MsgGalleryShown + WebFolder);
    } else {
        ui::ShowMessage(MsgNoJpegThumbnails);
    }
}

void SumUp(const String& mask)
{
    TFrmresults& results = *Frmresults;
    if (results.LineCount() > 0) {
        results.SetStatus(StatusFinished + rtl::IntToStr(results.LineCount()), clStatusMaroon);
    } else {
        results.AddLine(LineNoImagesOfType + mask + LineNotFound);
        results.AddLine(LineSelectDifferent);
        results.Lblstatus->SetCaption("");
    }
}

// Steps 1 to 4: which pictures of the folder; the chooser lives only while it asks.
String AskSearchMask(TFrmadjust& converter)
{
    std::unique_ptr<TFrmchoice> chooser(new TFrmchoice(&converter));
    const int width = ReadFormWidth("Frmchoice");
    if (width != 0) chooser->SetWidth(width);
    const int height = ReadFormHeight("Frmchoice");
    if (height != 0) chooser->SetHeight(height);
    chooser->RadAll->SetChecked(true);
    chooser->Lbltitle->SetCaption(ChooserTitle(converter.Lblpercent->Caption()));
    chooser->ShowModal();
    return chooser->SearchMask();
}

// Ends a batch between two files once the program is ending.
struct TBatchStopped {};

// Converts the found files in turn. Pictures that the framework reads are decoded and resized
// ahead on helper threads; everything the user sees happens here, file by file, in the search's
// order, and a file that cannot be read or resized ends the batch at its turn.
void ConvertFoundFiles(TFrmadjust& converter, const std::vector<String>& found, const TBatchSettings& settings)
{
    struct Ahead {
        bool Made = false;
        gfx::TBitmap Picture;
        std::exception_ptr Error;
    };
    std::vector<Ahead> ahead(found.size());
    auto make = [&](int i) {
        const String& name = found[size_t(i)];
        if (!IsConvertibleFile(name) || !DecodedAhead(name)) return;
        Ahead& slot = ahead[size_t(i)];
        try {
            gfx::TPicture picture;
            picture.LoadFromFile(SourceFolder + name);
            slot.Picture = ResizedPicture(settings, picture.Graphic());
        } catch (...) {
            slot.Error = std::current_exception();
        }
        slot.Made = true;
    };
    auto use = [&](int i) {
        if (ui::Application().Terminated()) throw TBatchStopped();
        const String& name = found[size_t(i)];
        if (!IsConvertibleFile(name)) return;
        ++BatchCount;
        Ahead& slot = ahead[size_t(i)];
        if (slot.Error) std::rethrow_exception(slot.Error);
        bool converted = true;
        if (slot.Made) {
            ConvertFolderFile(name, settings, &slot.Picture);
        } else {
            // A codec that tells the user itself that it cannot read the file (a compressed TIFF)
            // gives no picture: the file is passed over, rather than written with the pixels of
            // the file before it.
            ui::TImage* hidden = converter.ImageHidden;
            hidden->Picture().Clear();
            LoadImageIntoHolders(SourceFolder + name, true, false);
            const gfx::TGraphic* loaded = hidden->Picture().Graphic();
            converted = loaded && !loaded->Empty();
            if (converted) ConvertFolderFile(name, settings, nullptr);
        }
        slot.Picture = gfx::TBitmap();
        if (converted) CopyForGallery(name);
        converter.Lblnote2->SetCaption((i == 0 ? NoteProcessingFirst : NoteProcessing) + name);
        ui::ProcessMessages();
    };
    rtl::MakeAheadInOrder(int(found.size()), rtl::ThreadCount(int64_t(found.size()), 1), make, use);
}

}  // namespace

bool FolderBatchRunning() { return gBatchRunning; }

String ChooserTitle(const String& percentText)
{
    if (percentText == "100%") return String(ChooserTitleStart) + ChooserTitleSameSize;
    return String(ChooserTitleStart) + ChooserTitleAtPercent + percentText + ChooserTitlePercentOf + ChooserTitleOriginal;
}

void ConvertFolderFile(const String& name)
{
    TFrmadjust& converter = *Frmadjust;
    ConvertFolderFile(name, CurrentSettings(converter, Frmtype->Chosen()), nullptr);
}

void RunFolderBatch(TFrmadjust& converter)
{
    if (gBatchRunning) return;
    gBatchRunning = true;
    struct Running {
        ~Running() { gBatchRunning = false; }
    } running;

    const String mask = AskSearchMask(converter);
    Frmtype->ShowModal();
    const TOutputType type = Frmtype->Chosen();
    if (type == TOutputType::Jpeg) {
        QualityWindow().ShowModal();
    } else if (type == TOutputType::Cancel) {
        ui::MessageDlg(MsgChoseCancel, ui::TMsgDlgType::mtInformation, ui::mbOK);
        return;
    }
    const TBatchSettings settings = CurrentSettings(converter, type);
    TCommandsDisabled disabled(converter);

    converter.Lblnote1->SetCaption(NoteProcessingImages);
    for (ui::TLabel* note : {converter.Lblnote2, converter.Lblnote3, converter.Lblnote4}) note->SetCaption("");
    Frmresults->Clear();
    Frmresults->Show();
    BatchCount = 0;

    try {
        ConvertFoundFiles(converter, FindBatchFiles(SourceFolder, mask), settings);
    } catch (const TBatchStopped&) {
        return;
    }

    OfferGallery();
    SumUp(mask);
    converter.Lblnote1->SetCaption("");
    converter.Lblnote2->SetCaption("");
}

void ChooseBatchFolders(TFrmadjust& converter)
{
    std::unique_ptr<TFrmfolders> window(new TFrmfolders(&converter));
    window->SetChoice({.FolderMode = FolderMode, .Source = SourceFolder, .Output = OutputFolder, .Web = WebFolder,
                       .MakeWebPage = MakeWebPage});
    if (window->ShowModal() != ui::mrOk) return;
    const TBatchFolders choice = window->Choice();
    FolderMode = choice.FolderMode;
    SourceFolder = choice.Source;
    OutputFolder = choice.Output;
    WebFolder = choice.Web;
    MakeWebPage = choice.MakeWebPage;
}

}  // namespace app
