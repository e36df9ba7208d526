#include "framework/ui/QtBridge.h"

#include <cstring>

#include <QApplication>

#include "framework/ui/Application.h"

namespace ui {

QWidget* ActiveWindowWidget()
{
    if (!GuiRunning()) return nullptr;
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) return modal;
    if (QWidget* active = QApplication::activeWindow(); active && active->isVisible()) return active;
    if (TForm* main = Application().MainForm(); main && main->Widget() && main->Widget()->isVisible())
        return main->Widget();
    return nullptr;
}

QImage ToQImage(const gfx::TBitmap& bitmap)
{
    const int w = bitmap.Width(), h = bitmap.Height();
    if (w <= 0 || h <= 0) return QImage();
    QImage img(w, h, QImage::Format_RGB32);
    if (img.isNull()) throw rtl::EOutOfMemory();
    const gfx::TBitmapData& d = *bitmap.Data();
    const auto pf = d.PixelFormat;
    std::vector<QRgb> pal;
    for (const auto& q : d.Palette) pal.push_back(qRgb(q.Red, q.Green, q.Blue));
    auto entry = [&](unsigned i) { return i < pal.size() ? pal[i] : qRgb(0, 0, 0); };
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = d.Row(y);
        auto* t = reinterpret_cast<QRgb*>(img.scanLine(y));
        switch (pf) {
        case gfx::TPixelFormat::pfDevice:
        case gfx::TPixelFormat::pf32bit:
            for (int x = 0; x < w; ++x) t[x] = qRgb(s[4 * x + 2], s[4 * x + 1], s[4 * x]);
            break;
        case gfx::TPixelFormat::pf24bit:
            for (int x = 0; x < w; ++x) t[x] = qRgb(s[3 * x + 2], s[3 * x + 1], s[3 * x]);
            break;
        case gfx::TPixelFormat::pf8bit:
            for (int x = 0; x < w; ++x) t[x] = entry(s[x]);
            break;
        case gfx::TPixelFormat::pf4bit:
            for (int x = 0; x < w; ++x) t[x] = entry((s[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F);
            break;
        case gfx::TPixelFormat::pf1bit:
            for (int x = 0; x < w; ++x) t[x] = entry((s[x / 8] >> (7 - x % 8)) & 1);
            break;
        default:
            for (int x = 0; x < w; ++x) {
                gfx::TColor c = bitmap.GetPixel(x, y);
                t[x] = qRgb(gfx::GetRValue(c), gfx::GetGValue(c), gfx::GetBValue(c));
            }
        }
    }
    return img;
}

gfx::TBitmap FromQImage(const QImage& image)
{
    if (image.isNull()) return gfx::TBitmap();
    QImage img = image.convertToFormat(QImage::Format_RGB32);
    gfx::TBitmap bmp(img.width(), img.height(), gfx::TPixelFormat::pfDevice);
    gfx::TBitmapData& d = bmp.UniqueData();
    for (int y = 0; y < img.height(); ++y) std::memcpy(d.Row(y), img.constScanLine(y), size_t(img.width()) * 4);
    return bmp;
}

}  // namespace ui
