#include "app/Segments.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "framework/rtl/SysUtils.h"

namespace app {

using rtl::String;

gfx::TBitmap CutSegment(const gfx::TBitmap& source, int x, int y, int w, int h)
{
    gfx::TBitmap segment;
    const auto& src = *source.Data();
    bool inside = x + w <= src.Width && y + h <= src.Height;
    if (inside && src.PixelFormat == gfx::TPixelFormat::pfDevice) {
        segment.SetData(gfx::TBitmapData::View(source.Data(), x, y, w, h));
        return segment;
    }
    auto data = gfx::TBitmapData::Create(w, h, gfx::TPixelFormat::pfDevice, !inside);
    int copyWidth = std::clamp(src.Width - x, 0, w);
    int copyRows = std::clamp(src.Height - y, 0, h);
    if (copyWidth > 0)
        for (int row = 0; row < copyRows; ++row)
            std::memcpy(data->Row(row), src.Row(y + row) + size_t(x) * 4, size_t(copyWidth) * 4);
    segment.SetData(std::move(data));
    return segment;
}

namespace {

// The running numbers on the shown segments, written at x 1, y 1 with the canvas's default font
// and brush. Drawing text costs far more than cutting a segment, so the numbers are put together
// from digits drawn once: digit d in place k of a number is cut from the canvas's own drawing of
// k + 1 d's, and copied row by row, clipped to the segment as the canvas clips its text. That is
// used only where it gives exactly what the canvas draws, checked once for every pair of digits in
// every pair of places; otherwise the canvas draws each number itself.
class NumberStamps {
public:
    static constexpr int MaxDigits = 5;  // 14400 segments at most

    NumberStamps()
    {
        gfx::TBitmap probe(1, 1);
        gfx::TCanvas& canvas = probe.Canvas();
        FHeight = canvas.TextHeight("0");
        for (int k = 0; k <= MaxDigits; ++k) FEdge[k] = canvas.TextWidth(String(size_t(k), '0'));
        if (FHeight <= 0) return;
        for (int k = 0; k < MaxDigits; ++k) {
            if (FEdge[k + 1] <= FEdge[k]) return;
            for (int d = 0; d < 10; ++d) {
                String text(size_t(k + 1), char('0' + d));
                if (canvas.TextWidth(text) != FEdge[k + 1]) return;
                gfx::TBitmap drawn(FEdge[k + 1], FHeight);
                drawn.Canvas().TextOut(0, 0, text);
                gfx::TBitmap& cell = FCells[k][d];
                cell = gfx::TBitmap(FEdge[k + 1] - FEdge[k], FHeight);
                for (int row = 0; row < FHeight; ++row)
                    std::memcpy(cell.ScanLineW(row), drawn.ScanLine(row) + size_t(FEdge[k]) * 4, size_t(cell.Width()) * 4);
            }
        }
        FComposable = true;
        for (int k = 0; k + 1 < MaxDigits && FComposable; ++k)
            for (int a = 0; a < 10 && FComposable; ++a)
                for (int b = 0; b < 10 && FComposable; ++b)
                    FComposable = SameAsCanvas(String(size_t(k), char('0' + (a + b) % 10)) + char('0' + a) + char('0' + b));
    }

    // The rows from the top that drawing a number on a bitmap of this height can change.
    int RowsChanged(int height) const { return FComposable ? std::min(height, 1 + FHeight) : height; }

    void Draw(gfx::TBitmap& target, int number) const
    {
        String text = rtl::IntToStr(number);
        if (!FComposable || text.size() > size_t(MaxDigits)) target.Canvas().TextOut(1, 1, text);
        else Compose(target, 1, 1, text);
    }

private:
    void Compose(gfx::TBitmap& target, int x, int y, const String& text) const
    {
        const int w = target.Width(), h = target.Height();
        const int bottom = std::min(y + FHeight, h);
        for (size_t k = 0; k < text.size(); ++k) {
            const gfx::TBitmap& cell = FCells[k][text[k] - '0'];
            const int at = x + FEdge[k];
            const int left = std::max(at, 0), right = std::min(at + cell.Width(), w);
            if (left >= right) continue;
            for (int row = std::max(y, 0); row < bottom; ++row)
                std::memcpy(target.ScanLineW(row) + size_t(left) * 4, cell.ScanLine(row - y) + size_t(left - at) * 4,
                            size_t(right - left) * 4);
        }
    }

    bool SameAsCanvas(const String& text) const
    {
        gfx::TBitmap drawn(FEdge[text.size()] + 2, FHeight + 2);
        if (drawn.Canvas().TextWidth(text) != FEdge[text.size()]) return false;
        gfx::TBitmap composed(drawn.Width(), drawn.Height());
        drawn.Canvas().TextOut(1, 1, text);
        Compose(composed, 1, 1, text);
        for (int row = 0; row < drawn.Height(); ++row)
            if (std::memcmp(drawn.ScanLine(row), composed.ScanLine(row), size_t(drawn.Width()) * 4) != 0) return false;
        return true;
    }

    bool FComposable = false;
    int FHeight = 0;
    std::array<int, MaxDigits + 1> FEdge{};
    std::array<std::array<gfx::TBitmap, 10>, MaxDigits> FCells;
};

}  // namespace

void DrawSegmentNumber(gfx::TBitmap& target, int number)
{
    static const NumberStamps stamps;
    const int rows = stamps.RowsChanged(target.Height());
    if (rows <= 0 || rows >= target.Height() || !target.Data()->SharesRows()) {
        stamps.Draw(target, number);
        return;
    }
    // A segment that shares the picture's pixels owns only the rows under its number, and only
    // once they are first read.
    target.SetData(gfx::TBitmapData::WithTopRows(target.Data(), rows,
                                                 [number](gfx::TBitmap& top) { stamps.Draw(top, number); }));
}

}  // namespace app
