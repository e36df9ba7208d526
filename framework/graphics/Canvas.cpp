// TCanvas: block copies, drawing of graphics, rectangles and pixels on a bitmap.
#include <algorithm>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/PixelRows.h"

namespace gfx {

namespace {

// Puts a bitmap over dest: a plain copy when the sizes agree, the stretch filter otherwise.
void PutBitmap(TBitmap& target, const TRect& dest, const TBitmap& source, const TRect& s)
{
    if (dest.Width() <= 0 || dest.Height() <= 0 || s.Width() <= 0 || s.Height() <= 0)
        return;
    if (dest.Width() == s.Width() && dest.Height() == s.Height()) {
        std::shared_ptr<TBitmapData> held = source.Data();  // the source as it was, also when it is the target
        TBitmapData& d = detail::DrawableData(target);
        detail::CopyBlock(*held, s.Left, s.Top, d, dest.Left, dest.Top, s.Width(), s.Height());
        return;
    }
    StretchBitmap(source, s, target, dest);
}

}  // namespace

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& s)
{
    PutBitmap(Target(), dest, source.Target(), s);
}

void TCanvas::Draw(int x, int y, const TGraphic& graphic)
{
    StretchDraw(Rect(x, y, x + graphic.Width(), y + graphic.Height()), graphic);
}

void TCanvas::StretchDraw(const TRect& dest, const TGraphic& graphic)
{
    if (graphic.Empty())
        return;
    if (auto* b = dynamic_cast<const TBitmap*>(&graphic)) {
        PutBitmap(Target(), dest, *b, Rect(0, 0, b->Width(), b->Height()));
        return;
    }
    TBitmap converted;
    if (graphic.ToBitmap(converted)) {
        PutBitmap(Target(), dest, converted, Rect(0, 0, converted.Width(), converted.Height()));
        return;
    }
    graphic.Draw(*this, dest);  // a class without a bitmap form draws itself
}

void TCanvas::FillRect(const TRect& r)
{
    if (Brush.Clear)
        return;
    TBitmap& t = Target();
    int l = std::max(0, r.Left), top = std::max(0, r.Top);
    int rr = std::min(t.Width(), r.Right), b = std::min(t.Height(), r.Bottom);
    if (l >= rr || top >= b)
        return;
    TBitmapData& d = detail::DrawableData(t);
    std::vector<uint8_t> row(size_t(rr - l) * 4);
    for (size_t i = 0; i < row.size(); i += 4) {
        row[i] = GetBValue(Brush.Color);
        row[i + 1] = GetGValue(Brush.Color);
        row[i + 2] = GetRValue(Brush.Color);
        row[i + 3] = 0xFF;
    }
    for (int y = top; y < b; ++y)
        detail::WriteRow32(d, y, l, rr - l, row.data(), nullptr);
}

TColor TCanvas::Pixel(int x, int y) const { return FTarget->GetPixel(x, y); }

void TCanvas::SetPixel(int x, int y, TColor c) { FTarget->SetPixel(x, y, c); }

}  // namespace gfx
