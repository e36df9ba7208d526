#include "app/FolderBatch.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <memory>
#include <set>

#include "app/Gallery.h"
#include "framework/graphics/Jpeg.h"
#include "framework/rtl/Classes.h"
#include "framework/rtl/Parallel.h"
#include "framework/ui/Application.h"
#include "framework/ui/Dialogs.h"
#include "gif/GifUnit.h"
#include "tiff/Bmp2Tiff.h"
#include "tiff/ReadTiff.h"

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
constexpr const char* LineNotConverted = "  Not converted -> ";
constexpr const char* LineNotCopied = "  Not copied -> ";
constexpr const char* ReasonNoPicture = "the file holds no picture";
constexpr const char* LineNoImagesOfType = "** No images of type ";
constexpr const char* LineNotFound = " found in this folder";
constexpr const char* LineSelectDifferent = "** Select a different type or different folder";
constexpr const char* StatusNothingFound = "Nothing to convert in ";
constexpr const char* MsgGalleryQuestion =
    "We will now automatically create a webpage for you, containing thumbnail images that show full sized "
    "images when clicked. Click YES to create the webpage, click no to cancel. ";
constexpr const char* MsgGalleryShown =
    "Your webpage is now displayed for you. This is exactly how it will look and work when uploaded to your "
    "website. To upload your new webpage to your website, simply upload ALL files located in folder: ";
constexpr const char* MsgNoJpegThumbnails =
    "No JPG thumbnails were created. To create a webpage of thumbnails, save your thumbnail images as JPG. "
    "Once you save your thumbnails as JPG, a webpage will be generated and displayed.";

constexpr const char* MsgReplaceGalleryFiles =
    "The web page would replace %d files that are already in the folder %s: %s. Click YES to replace them, "
    "click NO to keep every one of them.";
constexpr size_t GalleryFilesNamed = 5;  // names listed in the question, then "..."

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

namespace {
String ErrorText(const std::exception_ptr& error);
}  // namespace

bool CopyFileViaStream(const String& source, const String& dest, String* problem)
{
    try {
        rtl::TMemoryStream bytes;
        bytes.LoadFromFile(source);
        bytes.SaveToFile(dest);
        return true;
    } catch (...) {
        if (problem) *problem = ErrorText(std::current_exception());
        return false;
    }
}

// ---- the batch -------------------------------------------------------------------------------

namespace {

bool gBatchRunning = false;

// The new size of a picture of width x height.
std::pair<int32_t, int32_t> NewSize(const TBatchSettings& settings, int32_t width, int32_t height)
{
    if (settings.ExactSize) return {settings.ExactWidth, settings.ExactHeight};
    return {PercentOf(settings.Percent, width), PercentOf(settings.Percent, height)};
}

// What pictures decoded and resized ahead of their turn may hold at once: the batch's memory does
// not grow with the folder.
constexpr int64_t AheadBudgetBytes = int64_t(64) << 20;
constexpr int64_t DevicePixelBytes = 4;
// How much of a file's start is read to learn its picture's size.
constexpr int64_t HeaderProbeBytes = int64_t(256) << 10;

int64_t PixelBytes(int64_t width, int64_t height) { return std::max<int64_t>(width, 0) * std::max<int64_t>(height, 0) * DevicePixelBytes; }

// The new size of a picture of width x height made from source (nullptr: made from a picture of
// decodedBytes still to be decoded), checked with every buffer it needs; a size that cannot be made
// raises its message.
std::pair<int32_t, int32_t> CheckedNewSize(const TBatchSettings& settings, const gfx::TGraphic* source, int32_t width,
                                           int32_t height, uint64_t decodedBytes = 0)
{
    const auto size = NewSize(settings, width, height);
    const String problem = NewSizeProblem(source, size.first, size.second,
                                          OutputBytes(settings.Type, size.first, size.second) + decodedBytes);
    if (!problem.empty()) throw rtl::Exception(problem);
    return size;
}

// The bytes of a width x height JPEG decoded at the reduction its new size allows.
uint64_t ReducedJpegBytes(const TBatchSettings& settings, int64_t width, int64_t height)
{
    const auto [newWidth, newHeight] =
        NewSize(settings, int32_t(std::min<int64_t>(width, INT32_MAX)), int32_t(std::min<int64_t>(height, INT32_MAX)));
    const int reduction = gfx::JpegReduction(width, height, newWidth, newHeight);
    return uint64_t(PixelBytes((width + reduction - 1) / reduction, (height + reduction - 1) / reduction));
}

// A JPEG's pixels for a new size: the decoder reduces by 2, 4 or 8 as far as the new size allows,
// the stretch does the rest.
gfx::TBitmap ResizedJpeg(const TBatchSettings& settings, const uint8_t* data, size_t size)
{
    const auto [width, height] = gfx::JpegSize(data, size);
    const auto [newWidth, newHeight] = CheckedNewSize(settings, nullptr, width, height, ReducedJpegBytes(settings, width, height));
    gfx::TBitmap reduced;
    gfx::DecodeJpegReduced(data, size, newWidth, newHeight, reduced);
    return StretchedCopy(&reduced, newWidth, newHeight);
}

// The picture stretched to its new size; a size that cannot be made raises its message. A JPEG
// that still holds its bytes is decoded anew at the reduced size the new one allows, as when it
// is made ahead.
gfx::TBitmap ResizedPicture(const TBatchSettings& settings, const gfx::TGraphic* picture)
{
    if (const auto* jpeg = dynamic_cast<const gfx::TJPEGImage*>(picture); jpeg && !jpeg->Data().empty())
        return ResizedJpeg(settings, jpeg->Data().data(), jpeg->Data().size());
    const auto [width, height] =
        CheckedNewSize(settings, picture, picture ? picture->Width() : 0, picture ? picture->Height() : 0);
    return StretchedCopy(picture, width, height);
}

// The file's bytes, whole or (probe) only its start.
std::vector<uint8_t> FileBytes(const String& path, int64_t most = INT64_MAX)
{
    rtl::TFileStream file(path, rtl::fmOpenRead);
    std::vector<uint8_t> bytes(size_t(std::min(file.Size(), most)));
    bytes.resize(size_t(file.Read(bytes.data(), int64_t(bytes.size()))));
    return bytes;
}

// The picture's width and height from the start of a JPEG or bitmap file; 0 x 0 when it does not
// tell.
std::pair<int64_t, int64_t> ProbedSize(const String& path, bool jpeg)
{
    try {
        const std::vector<uint8_t> start = FileBytes(path, HeaderProbeBytes);
        if (jpeg) return gfx::JpegSize(start.data(), start.size());
        if (start.size() < 26 || start[0] != 'B' || start[1] != 'M') return {0, 0};
        auto field = [&](size_t at) { return int32_t(uint32_t(start[at]) | uint32_t(start[at + 1]) << 8 |
                                                     uint32_t(start[at + 2]) << 16 | uint32_t(start[at + 3]) << 24); };
        return {std::abs(int64_t(field(18))), std::abs(int64_t(field(22)))};
    } catch (const std::exception&) {
        return {0, 0};
    }
}

// What making a file ahead may take at most: its bytes, its decoded picture (a JPEG's reduced one)
// and the new picture. A file whose size cannot be learnt counts its bytes alone; it fails to
// decode in a moment.
int64_t AheadCost(const String& path, const TBatchSettings& settings)
{
    const bool jpeg = rtl::UpperCase(rtl::ExtractFileExt(path)) == ".JPG";
    const auto [width, height] = ProbedSize(path, jpeg);
    const int64_t fileBytes = rtl::FindFileFacts(path).Size;
    if (width <= 0 || height <= 0) return fileBytes;
    const auto [newWidth, newHeight] = NewSize(settings, int32_t(std::min<int64_t>(width, INT32_MAX)),
                                               int32_t(std::min<int64_t>(height, INT32_MAX)));
    const int64_t decoded = jpeg ? int64_t(ReducedJpegBytes(settings, width, height)) : PixelBytes(width, height);
    return fileBytes + decoded + PixelBytes(newWidth, newHeight);
}

String UpperExt(const String& name) { return rtl::UpperCase(rtl::ExtractFileExt(name)); }

// The kinds of file that are decoded and resized ahead of their turn, on helper threads: those
// the framework's loader reads without telling the user anything. GIF and TIFF files go through
// their codecs, which show progress and messages, in their turn on this thread.
bool DecodedAhead(const String& name)
{
    const String ext = UpperExt(name);
    return ext == ".JPG" || ext == ".BMP";
}

// A source picture decoded in its turn on this thread, through the codec its extension names.
// Returns why the file gives no picture when its codec told so itself rather than raising (a
// compressed TIFF); the codec's own messages name the file.
String DecodeInTurn(const String& path, gfx::TPicture& into)
{
    const String ext = UpperExt(path);
    if (ext == ".GIF") {
        gif::TGifFile document;
        document.LoadFromFile(path);
        into.SetGraphicOwned(document.AsBitmap());
    } else if (ext == ".TIF") {
        gfx::TBitmap picture;
        tif::TTiffRead read;
        auto tell = [&] {
            for (const String& text : read.Problems) ui::ShowMessage(path + ": " + text);
        };
        try {
            tif::DecodeTiffFile(path, picture, read);
        } catch (...) {
            tell();
            throw;
        }
        tell();
        if (read.Changed) into.SetGraphicOwned(std::make_unique<gfx::TBitmap>(std::move(picture)));
        else if (!read.Problems.empty()) return read.Problems.back();
    } else {
        into.LoadFromFile(path);
    }
    return into.Graphic() && !into.Graphic()->Empty() ? String() : String(ReasonNoPicture);
}

// What an exception caught while a file was read or sized says, as the default handler shows it.
String ErrorText(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const rtl::Exception& e) {
        return e.Message();
    } catch (const std::bad_alloc&) {
        return rtl::EOutOfMemory().Message();
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "An unexpected error";
    }
}

void WriteConverted(const String& name, const gfx::TBitmap& picture, const TBatchSettings& settings, TBatchView& view,
                    TBatchTally& tally)
{
    bool& thumbnailsMade = tally.JpegThumbnailsMade;
    const String target = settings.Folders.Output + name;
    const auto note = [&](const String& line) {
        ++tally.Converted;
        view.AddResult(line);
    };
    switch (settings.Type) {
    case TOutputType::Jpeg: {
        thumbnailsMade = true;
        const String file = rtl::ChangeFileExt(target, ".JPG");
        gfx::TJPEGImage jpeg;
        jpeg.Assign(picture);
        jpeg.SetCompressionQuality(settings.Quality);
        jpeg.Compress();
        WriteUnlessPresent(file, [&](rtl::TStream& out) { jpeg.SaveToStream(out); }, note);
        break;
    }
    case TOutputType::Bitmap: {
        const String file = rtl::ChangeFileExt(target, ".BMP");
        WriteUnlessPresent(file, [&](rtl::TStream& out) { gfx::TBitmap(picture).SaveToStream(out); }, note);
        break;
    }
    case TOutputType::Tiff: {
        const String file = rtl::ChangeFileExt(target, ".TIF");
        WriteUnlessPresent(
            file, [&](rtl::TStream& out) { tif::WriteTiffToStream(out, WritableBitmap(picture)); }, note);
        break;
    }
    case TOutputType::Metafile: {
        const String file = rtl::ChangeFileExt(target, ".EMF");
        gfx::TMetafile metafile;
        metafile.RecordBitmap(picture);
        WriteUnlessPresent(file, [&](rtl::TStream& out) { metafile.SaveToStream(out); }, note);
        break;
    }
    case TOutputType::Cancel:
        break;
    }
}

// The results name the file, the view keeps the picture, and the converted file is written (or
// kept when it is already there).
void WriteFolderFile(const String& name, gfx::TBitmap picture, const TBatchSettings& settings, TBatchView& view,
                     TBatchTally& tally)
{
    view.SetResultStatus(StatusReading + rtl::IntToStr(view.ResultCount()) + StatusFileName + settings.Folders.Source +
                             name,
                         clStatusNavy);
    view.KeepPicture(picture);
    WriteConverted(name, picture, settings, view, tally);
}

// The gallery's copies of one converted JPEG: the thumbnail and the source picture. A copy that
// fails gets a results line and the batch goes on.
bool CopiedForGallery(const String& name)
{
    const String ext = UpperExt(name).substr(0, 4);
    return ext == ".JPG" || ext == ".JPE";
}

void CopyForGallery(const String& name, const TBatchSettings& settings, bool thumbnailsMade,
                    const std::set<String>& keep, TBatchView& view)
{
    const TBatchFolders& folders = settings.Folders;
    if (!folders.MakeWebPage || !thumbnailsMade || !CopiedForGallery(name)) return;
    // The converted file carries the output type's extension in upper case.
    const String thumb = folders.Web + ThumbPrefix + name, full = folders.Web + FullSizePrefix + name;
    const auto copy = [&](const String& source, const String& dest) {
        String problem;
        if (!keep.contains(dest) && !CopyFileViaStream(source, dest, &problem))
            view.AddResult(LineNotCopied + dest + ": " + problem);
    };
    copy(rtl::ChangeFileExt(folders.Output + name, ".JPG"), thumb);
    copy(folders.Source + name, full);
}

// The files of the web folder that the gallery would replace: the copies of the JPEGs found (when
// this batch or an earlier one makes JPEG thumbnails) and the pages.
std::vector<String> GalleryFilesPresent(const std::vector<String>& found, const TBatchSettings& settings,
                                        const TBatchTally& tally)
{
    const TBatchFolders& folders = settings.Folders;
    std::vector<String> paths;
    if (!folders.MakeWebPage || std::ranges::none_of(found, IsConvertibleFile)) return paths;
    if (settings.Type == TOutputType::Jpeg || tally.JpegThumbnailsMade)
        for (const String& name : found)
            if (IsConvertibleFile(name) && CopiedForGallery(name))
                for (const char* prefix : {ThumbPrefix, FullSizePrefix}) paths.push_back(folders.Web + prefix + name);
    for (const char* page : {MainPageName, MenuPageName, IndexPageName}) paths.push_back(folders.Web + page);
    std::erase_if(paths, [](const String& path) { return !rtl::FileExists(path); });
    return paths;
}

// One question for the whole batch before any gallery file replaces one already there; the files
// to keep, each named in the results. Found files that the gallery will replace (the web folder is
// the source folder) are not converted: whether one is read before or after its copy replaces it
// would depend on how far ahead the batch reads.
std::set<String> GalleryFilesKept(std::vector<String>& found, const TBatchSettings& settings,
                                  const TBatchTally& tally, TBatchView& view)
{
    const std::vector<String> present = GalleryFilesPresent(found, settings, tally);
    if (present.empty()) return {};
    String names;
    for (size_t i = 0; i < present.size() && i < GalleryFilesNamed; ++i)
        names += (i ? ", " : "") + rtl::ExtractFileName(present[i]);
    if (present.size() > GalleryFilesNamed) names += ", ...";
    const String question =
        rtl::Format(MsgReplaceGalleryFiles, {int64_t(present.size()), settings.Folders.Web, names});
    if (ui::MessageDlg(question, ui::TMsgDlgType::mtConfirmation, ui::mbYes | ui::mbNo) == ui::mrYes) {
        const std::set<String> replaced(present.begin(), present.end());
        std::erase_if(found, [&](const String& name) { return replaced.contains(settings.Folders.Source + name); });
        return {};
    }
    for (const String& path : present) view.AddResult(LineAlreadyExists + path);
    return {present.begin(), present.end()};
}

void OfferGallery(const TBatchSettings& settings, TBatchTally& tally, const std::set<String>& keep)
{
    const String& web = settings.Folders.Web;
    if (!settings.Folders.MakeWebPage || tally.Count <= 0) return;
    if (ui::MessageDlg(MsgGalleryQuestion, ui::TMsgDlgType::mtInformation, ui::mbYes | ui::mbNo) != ui::mrYes) return;
    WriteMenuAndMainPages(web, keep);
    if (tally.JpegThumbnailsMade) {
        WriteIndexPage(web, keep);
        tally.JpegThumbnailsMade = false;
        ui::ShowMessage(MsgGalleryShown + web);
    } else {
        ui::ShowMessage(MsgNoJpegThumbnails);
    }
}

void SumUp(const TBatchSettings& settings, TBatchView& view, const TBatchTally& tally)
{
    if (view.ResultCount() > 0) {
        view.SetResultStatus(StatusFinished + rtl::IntToStr(tally.Converted), clStatusMaroon);
    } else {
        view.AddResult(LineNoImagesOfType + settings.Mask + LineNotFound);
        view.AddResult(LineSelectDifferent);
        view.SetResultStatus(StatusNothingFound + settings.Folders.Source, clStatusMaroon);
    }
}

// Ends a batch between two files once the program is ending.
struct TBatchStopped {};

// Converts the found files in turn. Pictures that the framework reads are decoded and resized
// ahead on helper threads; everything the user sees happens here, file by file, in the search's
// order. A file that cannot be read or resized is passed over with a results line that names it
// and says why; an error while writing ends the batch.
void ConvertFoundFiles(const std::vector<String>& found, const TBatchSettings& settings, TBatchView& view,
                       TBatchTally& tally, const std::set<String>& keep)
{
    const String& source = settings.Folders.Source;
    struct Ahead {
        bool Made = false;
        gfx::TBitmap Picture;
        std::exception_ptr Error;
    };
    std::vector<Ahead> ahead(found.size());
    auto takenAhead = [&](int i) { return IsConvertibleFile(found[size_t(i)]) && DecodedAhead(found[size_t(i)]); };
    auto cost = [&](int i) -> int64_t { return takenAhead(i) ? AheadCost(source + found[size_t(i)], settings) : 0; };
    auto make = [&](int i) -> int64_t {
        if (!takenAhead(i)) return 0;
        const String path = source + found[size_t(i)];
        Ahead& slot = ahead[size_t(i)];
        try {
            if (UpperExt(path) == ".JPG") {
                const std::vector<uint8_t> bytes = FileBytes(path);
                slot.Picture = ResizedJpeg(settings, bytes.data(), bytes.size());
            } else {
                gfx::TPicture picture;
                picture.LoadFromFile(path);
                slot.Picture = ResizedPicture(settings, picture.Graphic());
            }
        } catch (...) {
            slot.Error = std::current_exception();
        }
        slot.Made = true;
        return PixelBytes(slot.Picture.Width(), slot.Picture.Height());
    };
    // The file's new picture, or why there is none.
    auto resized = [&](int i, gfx::TBitmap& picture) -> String {
        Ahead& slot = ahead[size_t(i)];
        try {
            if (slot.Error) std::rethrow_exception(slot.Error);
            if (slot.Made) {
                picture = std::move(slot.Picture);
                return {};
            }
            gfx::TPicture loaded;
            const String problem = DecodeInTurn(source + found[size_t(i)], loaded);
            if (!problem.empty()) return problem;
            picture = ResizedPicture(settings, loaded.Graphic());
            return {};
        } catch (...) {
            return ErrorText(std::current_exception());
        }
    };
    auto use = [&](int i) {
        if (ui::Application().Terminated()) throw TBatchStopped();
        const String& name = found[size_t(i)];
        if (!IsConvertibleFile(name)) return;
        ++tally.Count;
        gfx::TBitmap picture;
        const String problem = resized(i, picture);
        ahead[size_t(i)] = Ahead();
        if (problem.empty()) {
            WriteFolderFile(name, std::move(picture), settings, view, tally);
            CopyForGallery(name, settings, tally.JpegThumbnailsMade, keep, view);
        } else {
            view.AddResult(LineNotConverted + source + name + ": " + problem);
        }
        view.SetNote(2, (i == 0 ? NoteProcessingFirst : NoteProcessing) + name);
        ui::ProcessMessages();
    };
    rtl::MakeAheadInOrder(int(found.size()), rtl::ThreadCount(int64_t(found.size()), 1),
                          rtl::TAheadBudget{.Bytes = AheadBudgetBytes, .Cost = cost}, make, use);
}

}  // namespace

bool FolderBatchRunning() { return gBatchRunning; }

String ChooserTitle(const String& percentText)
{
    if (percentText == "100%") return String(ChooserTitleStart) + ChooserTitleSameSize;
    return String(ChooserTitleStart) + ChooserTitleAtPercent + percentText + ChooserTitlePercentOf + ChooserTitleOriginal;
}

void ConvertFolderFile(const String& name, const gfx::TGraphic* picture, const TBatchSettings& settings,
                       TBatchView& view, TBatchTally& tally)
{
    WriteFolderFile(name, ResizedPicture(settings, picture), settings, view, tally);
}

void RunFolderBatch(const TBatchSettings& settings, TBatchView& view, TBatchTally& tally)
{
    if (gBatchRunning) return;
    gBatchRunning = true;
    tally.Count = tally.Converted = 0;
    struct Running {
        ~Running() { gBatchRunning = false; }
    } running;

    view.SetNote(1, NoteProcessingImages);
    for (int line : {2, 3, 4}) view.SetNote(line, "");
    view.StartResults();

    // An error that ends the batch (a file that cannot be written, a gallery page) is shown as
    // the default handler shows it; the batch still sums up what it did.
    try {
        std::vector<String> found = FindBatchFiles(settings.Folders.Source, settings.Mask);
        const std::set<String> keep = GalleryFilesKept(found, settings, tally, view);
        ConvertFoundFiles(found, settings, view, tally, keep);
        OfferGallery(settings, tally, keep);
    } catch (const TBatchStopped&) {
        return;
    } catch (const std::bad_alloc&) {
        ui::Application().HandleException(rtl::EOutOfMemory());
    } catch (const std::exception& e) {
        ui::Application().HandleException(e);
    } catch (...) {
        ui::Application().ShowException("An unexpected error ended the command");
    }
    SumUp(settings, view, tally);
    view.SetNote(1, "");
    view.SetNote(2, "");
}

}  // namespace app
