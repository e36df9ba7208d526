#include <QPainter>

#include "framework/ui/QtBridge.h"
#include "framework/ui/StdCtrls.h"

namespace ui {

// The picture as the screen draws it, and its stretched copy for the last size drawn. A picture
// drawn at its own size that is larger than the control is kept only for the part in view, so a
// large picture costs the screen no second copy of itself.
struct TImage::Cache {
    QImage Source;
    bool Valid = false;
    QRect Part;  // the part of the picture that Source holds
    QImage Scaled;
    QRect Played;  // a picture without pixels: where it was played, Source holding the part in view
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

namespace {

// Where the picture's top-left corner lands in rect, drawn at its own size.
QPoint PictureOrigin(const QRect& rect, int width, int height, bool center)
{
    QPoint at = rect.topLeft();
    if (center) at += QPoint((rect.width() - width) / 2, (rect.height() - height) / 2);
    return at;
}

}  // namespace

void TImage::PaintOn(void* painter, const TRect& rect)
{
    ++FPaintCount;
    gfx::TGraphic* g = FPicture.Graphic();
    if (!g || g->Empty()) return;
    if (!FCache) FCache = std::make_unique<Cache>();
    Cache& c = *FCache;
    auto* p = static_cast<QPainter*>(painter);
    const QRect r = Q(rect);
    const QRect whole(0, 0, g->Width(), g->Height());
    const QPoint at = PictureOrigin(r, g->Width(), g->Height(), FCenter);
    // The part of the picture that meets the control (the painter is clipped to it).
    QRect part = whole;
    if (!FStretch && !FTransparent) part = r.translated(-at).intersected(whole);
    if (part.isEmpty()) return;
    gfx::TBitmap bmp;
    if (!g->ToBitmap(bmp)) {
        // A picture without pixels of its own (a metafile) is played at the size it is shown and
        // only over the part in view: its header may claim a size far beyond what memory holds.
        const QRect played = FStretch ? r : QRect(at, QSize(g->Width(), g->Height()));
        QRect view = played.intersected(r);
        if (p->hasClipping()) view = view.intersected(p->clipBoundingRect().toAlignedRect());
        if (view.isEmpty()) return;
        if (!c.Valid || c.Played != played || c.Part != view) {
            gfx::TBitmap piece(view.width(), view.height());
            g->Draw(piece.Canvas(), gfx::Rect(played.left() - view.left(), played.top() - view.top(),
                                               played.right() + 1 - view.left(), played.bottom() + 1 - view.top()));
            c.Source = ToQImage(piece);
            c.Played = played;
            c.Part = view;
            c.Scaled = QImage();
            c.Valid = true;
        }
        p->drawImage(view.topLeft(), c.Source);
        return;
    }
    if (!c.Valid || c.Part != part || !c.Played.isNull()) {
        c.Played = QRect();
        if (part != whole) {
            gfx::TBitmap piece(part.width(), part.height());
            piece.Canvas().CopyRect(gfx::Rect(0, 0, part.width(), part.height()), bmp.Canvas(),
                                    gfx::Rect(part.left(), part.top(), part.right() + 1, part.bottom() + 1));
            bmp = piece;
        }
        c.Source = ToQImage(bmp);
        c.Part = part;
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
    if (FStretch) {
        if (c.Scaled.size() != r.size())
            c.Scaled = c.Source.scaled(r.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        p->drawImage(r.topLeft(), c.Scaled);
        return;
    }
    p->drawImage(at + part.topLeft(), c.Source);
}

}  // namespace ui
