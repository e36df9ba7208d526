#include <QPainter>

#include "framework/ui/QtBridge.h"
#include "framework/ui/StdCtrls.h"

namespace ui {

// The picture as the screen draws it, and its stretched copy for the last size drawn.
struct TImage::Cache {
    QImage Source;
    bool Valid = false;
    QImage Scaled;
};

TImage::TImage(TComponent* owner) : TGraphicControl(owner)
{
    SetBounds(0, 0, 105, 105);
    FPicture.OnChange = &TImage::PictureChanged;
    FPicture.OnChangeContext = this;
}

TImage::~TImage()
{
    FPicture.OnChange = nullptr;
}

void TImage::PictureChanged(void* self)
{
    auto* image = static_cast<TImage*>(self);
    if (image->FCache) image->FCache->Valid = false;
    if (image->FAutoSize && image->FPicture.Graphic() && !image->FPicture.Graphic()->Empty())
        image->SetBounds(image->Left(), image->Top(), image->FPicture.Width(), image->FPicture.Height());
    image->InvalidateInParent();
}

gfx::TCanvas& TImage::Canvas()
{
    gfx::TGraphic* g = FPicture.Graphic();
    if (!g) {
        FPicture.SetGraphicOwned(std::make_unique<gfx::TBitmap>(Width(), Height()));
        g = FPicture.Graphic();
    }
    auto* bmp = dynamic_cast<gfx::TBitmap*>(g);
    if (!bmp) throw rtl::EInvalidOperation("Can only modify an image if it contains a bitmap");
    // The caller is about to draw.
    if (FCache) FCache->Valid = false;
    InvalidateInParent();
    return bmp->Canvas();
}

void TImage::SetStretch(bool on)
{
    FStretch = on;
    Invalidate();
}

void TImage::SetCenter(bool on)
{
    FCenter = on;
    Invalidate();
}

void TImage::SetAutoSize(bool on)
{
    FAutoSize = on;
    if (on && FPicture.Graphic() && !FPicture.Graphic()->Empty())
        SetBounds(Left(), Top(), FPicture.Width(), FPicture.Height());
}

void TImage::Invalidate()
{
    if (FCache) FCache->Valid = false;
    InvalidateInParent();
}

void TImage::PaintOn(void* painter, const TRect& rect)
{
    ++FPaintCount;
    gfx::TGraphic* g = FPicture.Graphic();
    if (!g || g->Empty()) return;
    if (!FCache) FCache = std::make_unique<Cache>();
    Cache& c = *FCache;
    if (!c.Valid) {
        gfx::TBitmap bmp;
        if (!g->ToBitmap(bmp)) {
            bmp = gfx::TBitmap(g->Width(), g->Height());
            g->Draw(bmp.Canvas(), gfx::Rect(0, 0, g->Width(), g->Height()));
        }
        c.Source = ToQImage(bmp);
        if (FTransparent && !c.Source.isNull()) {
            // The bottom-left colour is see-through, as the framework does for bitmaps.
            c.Source = c.Source.convertToFormat(QImage::Format_ARGB32);
            const QRgb key = c.Source.pixel(0, c.Source.height() - 1) | 0xFF000000u;
            for (int y = 0; y < c.Source.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(c.Source.scanLine(y));
                for (int x = 0; x < c.Source.width(); ++x)
                    if ((row[x] | 0xFF000000u) == key) row[x] = 0;
            }
        }
        c.Scaled = QImage();
        c.Valid = true;
    }
    auto* p = static_cast<QPainter*>(painter);
    QRect r = Q(rect);
    if (FStretch) {
        if (c.Scaled.size() != r.size())
            c.Scaled = c.Source.scaled(r.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        p->drawImage(r.topLeft(), c.Scaled);
        return;
    }
    QPoint at = r.topLeft();
    if (FCenter) at += QPoint((r.width() - c.Source.width()) / 2, (r.height() - c.Source.height()) / 2);
    p->drawImage(at, c.Source);
}

}  // namespace ui
