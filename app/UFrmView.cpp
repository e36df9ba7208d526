#include "app/UFrmView.h"

#include <cstring>
#include <exception>
#include <vector>

#include "app/Globals.h"
#include "app/SegmentFiles.h"
#include "app/Ucompress.h"
#include "forms/FrmViewLayout.h"
#include "framework/graphics/Dib.h"
#include "framework/rtl/Parallel.h"
#include "framework/ui/Application.h"
#include "framework/ui/Clipbrd.h"
#include "framework/ui/Printers.h"
#include "framework/ui/Shell.h"

namespace app {

using rtl::Format;
using rtl::IntToStr;

SegmentGrid ShownSegments;
SegmentGrid FullSegments;
int32_t SplitCols = 0;
int32_t SplitRows = 0;
int32_t SelectedRow = 0;
int32_t SelectedCol = 0;
TFrmView* FrmView = nullptr;
int SaveAllEncoders = 0;

// ---- segment grid --------------------------------------------------------------------------

size_t SegmentGrid::Index(int row, int col)
{
    rtl::RangeCheck(row, 1, MaxSplitCells);
    rtl::RangeCheck(col, 1, MaxSplitCells);
    return size_t(row - 1) * MaxSplitCells + size_t(col - 1);
}

ui::TImage*& SegmentGrid::operator()(int row, int col) { return FCells[Index(row, col)]; }

ui::TImage* SegmentGrid::operator()(int row, int col) const { return FCells[Index(row, col)]; }

void SegmentGrid::Reset() { FCells.fill(nullptr); }

// ---- texts ---------------------------------------------------------------------------------

namespace {

constexpr const char* SNotSaved = "Image has not been saved.";
constexpr const char* SFileSaved = "File saved -> ";
constexpr const char* SSaveAllHint =
    "Hint: A window will now open and ask you to enter a file name. Since you have chosen to save ALL "
    "images, a number will be appended to the end of each file name as all image segments are saved (i.e. "
    "If you enter sunset.jpg as your image name, the image segments will be named sunset1.jpg, "
    "sunset2.jpg, etc)";
constexpr const char* SAllSaved =
    "All image segments have now been saved. These images were saved in the following folder: ";
constexpr const char* SCopied =
    "Your chosen image segment has now been copied into the windows clipboard. You may now paste your "
    "image segment into any other application or document.";
constexpr const char* SNoSegments =
    "This split made no image segments (the segment size asked for does not fit the picture), so there is "
    "nothing to save, copy, print or open. Close this screen, then choose fewer or smaller segments.";
constexpr const char* SNoPaintProgram =
    "PC Paintbrush was not found in the default windows directory on your system. Please find and copy PC "
    "Paintbrush (pbrush.exe or mspaint.exe) into your windows directory on your system, then run this "
    "option again.";
constexpr const char* SPaintNotStarted =
    "You cannot view this file because you do not have a default Paintbrush application found on your "
    "computer.";

// The paint programs' names, as this platform localises them.
constexpr const char* SPaintbrushName = "/kolourpaint";
constexpr const char* SMsPaintName = "/mtpaint";

constexpr const char* PaintTempFileName = "tempbitm.bmp";

// ShellExecute results below this one are failures.
constexpr int ShellFailureBelow = 32;

// The thumbnail box and its two sides.
constexpr int ThumbWidth = 115;
constexpr int ThumbHeight = 68;

String JpegReplaceQuestion(const String& fileName)
{
    return "This file name, " + fileName + ", already exists. Replace the existing file?";
}

bool AskReplace(const String& question)
{
    return ui::MessageDlg(question, ui::TMsgDlgType::mtConfirmation, ui::mbYes | ui::mbNo) == ui::mrYes;
}

}  // namespace

// ---- files -----------------------------------------------------------------------------------

String ReplaceQuestion(const String& fileName)
{
    return "This file name (" + rtl::ExtractFileName(fileName) + ") already exists. Replace the existing file?";
}

namespace {

gfx::TGraphic& SegmentGraphic(ui::TImage* segment) { return HeldGraphic(segment->Picture().Graphic()); }

SegmentFile SegmentFileOf(const String& name, SaveFormat format, ui::TImage* segment)
{
    return SegmentFileFor(name, format, segment->Picture().Graphic());
}

// Writes one segment file as both save commands do: a JPEG is compressed before the question
// about an existing file, any other format is written after it. False when the user keeps the
// existing file.
bool SaveAskingFirst(SegmentFile& file, int quality)
{
    if (file.Format == SaveFormat::Jpeg) {
        EncodeSegmentFile(file, quality);
        if (file.Error) std::rethrow_exception(file.Error);
        if (rtl::FileExists(file.Name) && !AskReplace(JpegReplaceQuestion(file.Name))) return false;
    } else if (rtl::FileExists(file.Name) && !AskReplace(ReplaceQuestion(file.Name))) {
        return false;
    }
    EncodeSegmentFile(file, quality);
    WriteSegmentFile(file);
    return true;
}

// Threads that encode the files of save all beside the one that asks and writes.
int EncoderCount(int files)
{
    return SaveAllEncoders > 0 ? SaveAllEncoders : rtl::ThreadCount(files, 1);
}

Tfrmcomp& QualityDialog()
{
    // Made at start-up; a viewer used without it (a tool, a test) gets one that lives as long.
    if (!frmcomp) frmcomp = new Tfrmcomp(&ui::Application());
    return *frmcomp;
}

// Every JPEG save starts at the recommended quality and shows it; the bar may change it. However
// the dialog is closed, the save goes on with JpegQuality as it is then.
void AskJpegQuality()
{
    Tfrmcomp& dialog = QualityDialog();
    JpegQuality = DefaultJpegQuality;
    dialog.ShowQuality(DefaultJpegQuality);
    dialog.ShowModal();
}

}  // namespace

// ---- the viewer ---------------------------------------------------------------------------------

TFrmView::TFrmView(ui::TComponent* owner) : ui::TForm(owner)
{
    forms::ApplyDesign(*this, forms::FrmViewDesign());
    Bind(GroupBox1, "GroupBox1");
    Bind(Label1, "Label1");
    Bind(ListBox1, "ListBox1");
    Bind(ImageThumb, "ImageThumb");
    Bind(Image1, "Image1");
    Bind(Cmdwork, "Cmdwork");
    Bind(CmdCopy, "CmdCopy");
    Bind(CmdSaveAll, "CmdSaveAll");
    Bind(CmdPaint, "CmdPaint");
    Bind(CmdPrint, "CmdPrint");
    Bind(BitBtn1, "BitBtn1");
    Bind(SaveDialog1, "SaveDialog1");
    ListBox1->OnClick = [this](ui::TObject* s) { ListBox1Click(s); };
    BitBtn1->OnClick = [this](ui::TObject* s) { BitBtn1Click(s); };
    Cmdwork->OnClick = [this](ui::TObject* s) { CmdworkClick(s); };
    CmdSaveAll->OnClick = [this](ui::TObject* s) { CmdSaveAllClick(s); };
    CmdCopy->OnClick = [this](ui::TObject* s) { CmdCopyClick(s); };
    CmdPrint->OnClick = [this](ui::TObject* s) { CmdPrintClick(s); };
    CmdPaint->OnClick = [this](ui::TObject* s) { CmdPaintClick(s); };
    DoCreate();
}

bool TFrmView::HasSelection() const
{
    return FSelected && SelectedRow >= 1 && SelectedRow <= SplitRows && SelectedCol >= 1 &&
           SelectedCol <= SplitCols && SelectedRow <= MaxSplitCells && SelectedCol <= MaxSplitCells &&
           FullSegments(SelectedRow, SelectedCol) != nullptr;
}

ui::TImage* TFrmView::SelectedSegment() const { return FullSegments(SelectedRow, SelectedCol); }

bool TFrmView::SegmentToWorkOn() const
{
    if (HasSelection()) return true;
    ui::ShowMessage(SNoSegments);
    return false;
}

// ---- selection and thumbnail ----------------------------------------------------------------------

void TFrmView::ListBox1Click(ui::TObject*)
{
    if (ListBox1->Items().Count() == 0 || ListBox1->ItemIndex() < 0 || SplitCols <= 0) return;
    FSelected = false;
    SelectSegmentFromList();
    ui::TImage* segment = FullSegments(SelectedRow, SelectedCol);
    if (!segment) return;
    FitSegmentThumb(segment);
    ImageThumb->Picture().Assign(segment->Picture());
    FSelected = true;
}

void TFrmView::SelectSegmentFromList()
{
    String text = ListBox1->Items()[ListBox1->ItemIndex()];
    const size_t hash = text.find('#');
    if (hash != String::npos) text.erase(0, hash + 1);
    const int n = rtl::StrToInt(text);
    if (n > SplitCols) SelectedRow = n / SplitCols + (n % SplitCols != 0 ? 1 : 0);
    else SelectedRow = 1;
    SelectedCol = n % SplitCols;
    if (SelectedCol == 0) SelectedCol = SplitCols;
    Cmdwork->SetCaption("Save Image #" + IntToStr(n));
    CmdPrint->SetCaption("Print Image #" + IntToStr(n));
}

void TFrmView::FitSegmentThumb(ui::TImage* segment)
{
    const int w = segment->Picture().Width();
    const int h = segment->Picture().Height();
    ImageThumb->Picture().Clear();
    ImageThumb->SetWidth(ThumbWidth);
    ImageThumb->SetHeight(ThumbHeight);
    if (w < ThumbWidth && h < ThumbHeight) {
        ImageThumb->SetStretch(false);
        return;
    }
    ImageThumb->SetStretch(true);
    if (w >= h) {
        const float r = float(h) / float(w);
        const int64_t fitted = rtl::Round(double(ThumbWidth) * double(r));
        if (fitted <= ThumbHeight) ImageThumb->SetHeight(int(fitted));
        else ImageThumb->SetWidth(int(rtl::Round(6800.0 / (double(r) * 100.0))));
    } else {
        const float r = float(w) / float(h);
        ImageThumb->SetWidth(int(rtl::Round(double(ThumbHeight) * double(r))));
    }
}

void TFrmView::BitBtn1Click(ui::TObject*) { Close(); }

// ---- saving ------------------------------------------------------------------------------------

void SaveSegmentAsJpeg(const String& fileName, ui::TImage* segment, bool showMessages)
{
    SegmentFile file = SegmentFileOf(fileName, SaveFormat::Jpeg, segment);
    if (!SaveAskingFirst(file, JpegQuality)) {
        if (showMessages) ui::ShowMessage(SNotSaved);
        return;
    }
    if (showMessages) ui::ShowMessage(SFileSaved + fileName);
}

void TFrmView::CmdworkClick(ui::TObject*)
{
    if (!SegmentToWorkOn()) return;
    if (!SaveDialog1->Execute() || SaveDialog1->FileName().empty()) return;
    const String fileName = SaveDialog1->FileName();
    ui::TImage* segment = SelectedSegment();
    const SaveFormat format = FormatForName(fileName);
    if (format == SaveFormat::Jpeg) {
        AskJpegQuality();
        SaveSegmentAsJpeg(fileName, segment, true);
        return;
    }
    SegmentFile file = SegmentFileOf(fileName, format, segment);
    if (!SaveAskingFirst(file, JpegQuality)) {
        ui::ShowMessage(SNotSaved);
        return;
    }
    ui::ShowMessage(SFileSaved + fileName);
}

// The files are encoded ahead on the run-time library's pool; questions, messages and writes
// stay on this thread, in the segments' order.
void TFrmView::SaveEverySegment(const String& chosen)
{
    ui::TBusyCursor busy;
    std::vector<SegmentFile> files;
    int n = 0;
    for (int r = 1; r <= SplitRows; ++r)
        for (int c = 1; c <= SplitCols; ++c) {
            const String name = NumberedName(chosen, ++n);
            files.push_back(SegmentFileOf(name, FormatForName(name), FullSegments(r, c)));
        }
    const int quality = JpegQuality;
    const int count = int(files.size());
    rtl::MakeAheadInOrder(
        count, EncoderCount(count), [&](int i) { EncodeSegmentFile(files[size_t(i)], quality); },
        [&](int i) {
            ui::LetWindowsRepaint();
            SaveAskingFirst(files[size_t(i)], quality);
            files[size_t(i)] = SegmentFile();  // its pixels and bytes are no longer needed
        });
}

void TFrmView::CmdSaveAllClick(ui::TObject*)
{
    // Without a segment of this split there is nothing to write, and nothing to report as saved.
    if (!SegmentToWorkOn()) return;
    ui::ShowMessage(SSaveAllHint);
    if (!SaveDialog1->Execute() || SaveDialog1->FileName().empty()) return;
    const String chosen = SaveDialog1->FileName();
    JpegQuality = DefaultJpegQuality;
    if (FormatForName(chosen) == SaveFormat::Jpeg) AskJpegQuality();
    SaveEverySegment(chosen);
    ui::ShowMessage(SAllSaved + rtl::ExtractFilePath(chosen));
}

// ---- copy, print, paint ----------------------------------------------------------------------------

void TFrmView::CmdCopyClick(ui::TObject*)
{
    if (!SegmentToWorkOn()) return;
    ui::Clipboard().Assign(SelectedSegment()->Picture());
    ui::MessageDlg(SCopied, ui::TMsgDlgType::mtInformation, ui::mbOK);
}

void PrintSegment(ui::TImage* segment)
{
    gfx::TBitmap& bitmap = segment->Picture().Bitmap();
    uint32_t headerSize = 0, imageSize = 0;
    gfx::GetDIBSizes(bitmap, headerSize, imageSize);
    std::vector<uint8_t> header(headerSize), pixels(imageSize);
    if (!gfx::GetDIB(bitmap, header.data(), pixels.data())) return;
    gfx::TBitmapInfoHeader info;
    std::memcpy(&info, header.data(), sizeof info);

    ui::TPrinter& printer = ui::Printer();
    printer.SetOrientation(ui::TPrinterOrientation::poPortrait);
    printer.BeginDoc();
    try {
        const int p = printer.Canvas().Font.PixelsPerInch;
        ui::StretchDIBits(printer.Canvas().Handle(), p, 3 * p, printer.PageWidth() - 2 * p,
                          printer.PageHeight() - 6 * p, 0, 0, info.biWidth, info.biHeight, pixels.data(),
                          header.data(), gfx::DIB_RGB_COLORS, gfx::SRCCOPY);
    } catch (...) {
        printer.EndDoc();
        throw;
    }
    printer.EndDoc();
}

void TFrmView::CmdPrintClick(ui::TObject*)
{
    if (!SegmentToWorkOn()) return;
    const int n = (SelectedRow - 1) * SplitCols + SelectedCol;
    ui::Printer().SetTitle(ui::Application().Title() + " - Image #" + IntToStr(n));
    PrintSegment(SelectedSegment());
}

void TFrmView::CmdPaintClick(ui::TObject*)
{
    if (!SegmentToWorkOn()) return;
    const String candidates[] = {
        WindowsDir + SPaintbrushName,
        WindowsDir + SMsPaintName,
        WindowsDir + "/system32" + SMsPaintName,
        WindowsDir + "/system32" + SPaintbrushName,
        WindowsDir + "/system" + SMsPaintName,
        WindowsDir + "/system" + SPaintbrushName,
    };
    String program;
    for (const String& candidate : candidates) {
        if (rtl::FileExists(candidate)) {
            program = candidate;
            break;
        }
    }
    if (program.empty()) {
        ui::MessageDlg(SNoPaintProgram, ui::TMsgDlgType::mtInformation, ui::mbOK);
        return;
    }
    const String paintTempFile = DataFile(PaintTempFileName);
    CheckDataFolderFor(paintTempFile);
    gfx::TGraphic& graphic = SegmentGraphic(SelectedSegment());
    graphic.SaveToFile(paintTempFile);
    // Both paths go whole to the program, however long.
    if (ui::ShellExecute(nullptr, "open", program, paintTempFile, "", ui::SW_SHOWMAXIMIZED) < ShellFailureBelow)
        ui::ShowMessage(SPaintNotStarted);
}

}  // namespace app
