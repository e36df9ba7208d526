// Text on a canvas, drawn with QtGui into a small image and copied into the bitmap.
//
// Qt's fonts need a QGuiApplication. A program with a GUI has made its application object before
// it draws; a program without one (tests, benchmarks, fuzzers) gets a QGuiApplication here on the
// first use, on Qt's "offscreen" platform unless QT_QPA_PLATFORM names another. It lives until the
// process ends, so such a program cannot make a QApplication of its own after drawing text.
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/PixelRows.h"

namespace gfx {

namespace {

void EnsureGuiApplication()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (QCoreApplication::instance())
            return;
        static char name[] = "quadrell";
        static char option[] = "-platform";
        static char platform[] = "offscreen";
        static char* argv[] = {name, option, platform, nullptr};
        static int argc = qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ? 3 : 1;
        new QGuiApplication(argc, argv);  // never freed: Qt's font caches belong to it
    });
}

QFont MakeFont(const TFont& f)
{
    EnsureGuiApplication();
    QFont font(QString::fromStdString(PlatformFontFamily(f.Name)));
    font.setBold(f.Bold);
    font.setStyleHint(QFont::SansSerif);
    if (f.Height < 0) {
        font.setPixelSize(-f.Height);  // character height
    } else {
        // Cell height: the character height that gives this line height.
        int cell = f.Height ? f.Height : 13;
        font.setPixelSize(cell);
        int line = QFontMetrics(font).height();
        if (line > cell)
            font.setPixelSize(std::max(1, cell * cell / line));
    }
    return font;
}

inline QColor ToQColor(TColor c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

}  // namespace

int TFont::SizePt() const
{
    int h = Height < 0 ? -Height : Height;
    return PixelsPerInch > 0 ? (h * 72 + PixelsPerInch / 2) / PixelsPerInch : 0;
}

void TFont::SetSizePt(int pt) { Height = -((pt * PixelsPerInch + 36) / 72); }

int TCanvas::TextWidth(const String& text)
{
    QFont font = MakeFont(Font);
    return QFontMetrics(font).horizontalAdvance(QString::fromUtf8(text.data(), qsizetype(text.size())));
}

int TCanvas::TextHeight(const String& text)
{
    QFont font = MakeFont(Font);
    return QFontMetrics(font).height();
}

void TCanvas::TextOut(int x, int y, const String& text)
{
    if (text.empty())
        return;
    QFont font = MakeFont(Font);
    QFontMetrics metrics(font);
    QString s = QString::fromUtf8(text.data(), qsizetype(text.size()));
    int w = metrics.horizontalAdvance(s), h = metrics.height();
    TBitmap& t = Target();
    // Only the part of the text's box inside the bitmap is drawn.
    int l = std::max(x, 0), top = std::max(y, 0);
    int r = int(std::min<int64_t>(int64_t(x) + w, t.Width())), b = int(std::min<int64_t>(int64_t(y) + h, t.Height()));
    if (w <= 0 || h <= 0 || l >= r || top >= b)
        return;
    TBitmapData& d = detail::DrawableData(t);

    QImage image(r - l, b - top, QImage::Format_RGB32);  // bytes blue, green, red, 0xFF
    if (Brush.Clear) {
        for (int row = 0; row < image.height(); ++row) {
            uchar* line = image.scanLine(row);
            detail::ReadRow32(d, top + row, l, image.width(), line);
            for (int i = 0; i < image.width(); ++i)
                line[4 * i + 3] = 0xFF;  // RGB32 wants its fourth byte set
        }
    } else {
        image.fill(ToQColor(Brush.Color));
    }
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(ToQColor(Font.Color));
        painter.drawText(x - l, y - top + metrics.ascent(), s);
    }
    for (int row = 0; row < image.height(); ++row)
        detail::WriteRow32(d, top + row, l, image.width(), image.constScanLine(row), nullptr);
}

}  // namespace gfx
