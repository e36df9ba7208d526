// The segment viewer: the segments of one split, the selection with its thumbnail, and the
// commands on the selected segment (save, save all, copy, print, open in the paint program).
#pragma once

#include <array>
#include <cstdint>

#include "app/SegmentFiles.h"
#include "app/SplitPlan.h"
#include "framework/graphics/Graphics.h"
#include "framework/rtl/SysUtils.h"
#include "framework/ui/Dialogs.h"
#include "framework/ui/Forms.h"
#include "framework/ui/StdCtrls.h"

namespace app {

using rtl::String;

// A grid of segment image controls indexed [row 1..120, column 1..120]; every index outside
// 1..120 raises rtl::ERangeError. Cells hold nullptr until the split fills them. The grid does not
// own the controls (the main window does).
class SegmentGrid {
public:
    ui::TImage*& operator()(int row, int col);
    ui::TImage* operator()(int row, int col) const;
    // Every cell back to nullptr (frees nothing).
    void Reset();

private:
    static size_t Index(int row, int col);
    std::array<ui::TImage*, MaxSplitCells * MaxSplitCells> FCells{};
};

// Filled by the split command: the shown copies (on the viewer, maybe numbered) and the clean
// copies that every output of the viewer uses. Valid cells: [1..SplitRows, 1..SplitCols].
extern SegmentGrid ShownSegments;
extern SegmentGrid FullSegments;
extern int32_t SplitCols;
extern int32_t SplitRows;
// The cell of the segment selected in the viewer (1-based).
extern int32_t SelectedRow;
extern int32_t SelectedCol;

// How many segments save all encodes at the same time, ahead of writing them in order; 0: one per
// processor, 1: each in its turn.
extern int SaveAllEncoders;

class TFrmView;
// The viewer of the current split.
extern TFrmView* FrmView;

class TFrmView : public ui::TForm {
public:
    explicit TFrmView(ui::TComponent* owner);

    ui::TGroupBox* GroupBox1 = nullptr;
    ui::TLabel* Label1 = nullptr;
    ui::TListBox* ListBox1 = nullptr;
    ui::TImage* ImageThumb = nullptr;
    ui::TImage* Image1 = nullptr;
    ui::TButton* Cmdwork = nullptr;
    ui::TButton* CmdCopy = nullptr;
    ui::TButton* CmdSaveAll = nullptr;
    ui::TButton* CmdPaint = nullptr;
    ui::TButton* CmdPrint = nullptr;
    ui::TBitBtn* BitBtn1 = nullptr;
    ui::TSaveDialog* SaveDialog1 = nullptr;

    // Handlers; the split command calls ListBox1Click once itself after filling the list.
    void ListBox1Click(ui::TObject* sender);
    void BitBtn1Click(ui::TObject* sender);
    void CmdworkClick(ui::TObject* sender);
    void CmdSaveAllClick(ui::TObject* sender);
    void CmdCopyClick(ui::TObject* sender);
    void CmdPrintClick(ui::TObject* sender);
    void CmdPaintClick(ui::TObject* sender);

    // The one guard of every command on the selected segment: true only once this viewer's list
    // selected a segment of its own split (a split without segments never selects one).
    bool HasSelection() const;
    // FullSegments[SelectedRow, SelectedCol]; only valid when HasSelection().
    ui::TImage* SelectedSegment() const;
    // HasSelection(); without one, says that this split made no segments.
    bool SegmentToWorkOn() const;

    void SelectSegmentFromList();
    void FitSegmentThumb(ui::TImage* segment);

private:
    // Writes every segment under the chosen name with its running number, in row-major order.
    void SaveEverySegment(const String& chosen);
    bool FSelected = false;
};

// The question asked before a file of that name is replaced.
String ReplaceQuestion(const String& fileName);

// Writes the segment as a JPEG file at JpegQuality, asking before replacing a file.
void SaveSegmentAsJpeg(const String& fileName, ui::TImage* segment, bool showMessages);
// Prints the segment on the default printer, stretched between the page's margins.
void PrintSegment(ui::TImage* segment);

}  // namespace app
