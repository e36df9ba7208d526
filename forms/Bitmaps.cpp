#include "forms/Bitmaps.h"

#include <algorithm>
#include <cstdlib>

namespace forms {

Sketch::Sketch(int width, int height, gfx::TColor background) : FBitmap(width, height, gfx::TPixelFormat::pfDevice)
{
    Fill(0, 0, width, height, background);
}

Sketch& Sketch::Pixel(int x, int y, gfx::TColor c)
{
    if (x < 0 || y < 0 || x >= FBitmap.Width() || y >= FBitmap.Height()) return *this;
    uint8_t* p = FBitmap.UniqueData().Row(y) + 4 * x;
    p[0] = gfx::GetBValue(c);
    p[1] = gfx::GetGValue(c);
    p[2] = gfx::GetRValue(c);
    p[3] = 0;
    return *this;
}

Sketch& Sketch::Fill(int left, int top, int right, int bottom, gfx::TColor c)
{
    for (int y = std::max(0, top); y < std::min(bottom, FBitmap.Height()); ++y)
        for (int x = std::max(0, left); x < std::min(right, FBitmap.Width()); ++x) Pixel(x, y, c);
    return *this;
}

Sketch& Sketch::Frame(int left, int top, int right, int bottom, gfx::TColor c)
{
    Fill(left, top, right, top + 1, c);
    Fill(left, bottom - 1, right, bottom, c);
    Fill(left, top, left + 1, bottom, c);
    Fill(right - 1, top, right, bottom, c);
    return *this;
}

Sketch& Sketch::Disc(int cx, int cy, int radius, gfx::TColor c)
{
    for (int y = -radius; y <= radius; ++y)
        for (int x = -radius; x <= radius; ++x)
            if (x * x + y * y <= radius * radius + radius / 2) Pixel(cx + x, cy + y, c);
    return *this;
}

Sketch& Sketch::Ring(int cx, int cy, int radius, gfx::TColor c)
{
    for (int y = -radius; y <= radius; ++y)
        for (int x = -radius; x <= radius; ++x) {
            int d = x * x + y * y;
            if (d <= radius * radius + radius / 2 && d >= (radius - 1) * (radius - 1)) Pixel(cx + x, cy + y, c);
        }
    return *this;
}

Sketch& Sketch::Line(int x0, int y0, int x1, int y1, gfx::TColor c, int thickness)
{
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1, err = dx + dy;
    const int lo = -(thickness - 1) / 2, hi = thickness / 2;
    for (;;) {
        for (int a = lo; a <= hi; ++a)
            for (int b = lo; b <= hi; ++b) Pixel(x0 + a, y0 + b, c);
        if (x0 == x1 && y0 == y1) break;
        int e2 = 2 * err;
        if (e2 >= dy) { err += dy; x0 += sx; }
        if (e2 <= dx) { err += dx; y0 += sy; }
    }
    return *this;
}

namespace {
constexpr gfx::TColor kBlack = gfx::RGB(0, 0, 0), kWhite = gfx::RGB(255, 255, 255);
constexpr gfx::TColor kSky = gfx::RGB(120, 180, 235), kGrass = gfx::RGB(70, 160, 60), kSun = gfx::RGB(250, 210, 40);
constexpr gfx::TColor kFrame = gfx::RGB(60, 60, 60);
constexpr gfx::TColor kFolderBody = gfx::RGB(240, 200, 80), kFolderEdge = gfx::RGB(150, 110, 20);
}  // namespace

gfx::TBitmap ProgramIcon()
{
    // A landscape picture cut into four by white lines.
    Sketch s(32, 32, kSky);
    s.Fill(0, 20, 32, 32, kGrass).Disc(22, 9, 5, kSun);
    s.Fill(15, 0, 17, 32, kWhite).Fill(0, 15, 32, 17, kWhite).Frame(0, 0, 32, 32, kFrame);
    return s;
}

gfx::TBitmap ChooserIcon()
{
    // Two pictures standing in an open folder.
    Sketch s(32, 32, kWhite);
    s.Fill(2, 6, 13, 10, kFolderBody).Fill(2, 9, 30, 29, kFolderBody).Frame(2, 9, 30, 29, kFolderEdge);
    s.Fill(7, 3, 19, 15, kWhite).Fill(8, 4, 18, 14, kSky).Fill(8, 10, 18, 14, kGrass);
    s.Fill(15, 5, 27, 17, kWhite).Fill(16, 6, 26, 16, kSky).Fill(16, 12, 26, 16, kGrass).Disc(23, 8, 1, kSun);
    s.Fill(2, 15, 30, 29, kFolderBody).Frame(2, 15, 30, 29, kFolderEdge);
    return s;
}

gfx::TBitmap GlyphOk()
{
    Sketch s(16, 16, clGlyphKey);
    s.Line(3, 8, 6, 12, gfx::RGB(0, 140, 0), 2).Line(6, 12, 13, 3, gfx::RGB(0, 140, 0), 2);
    return s;
}

gfx::TBitmap GlyphCancel()
{
    Sketch s(16, 16, clGlyphKey);
    s.Line(4, 4, 12, 12, gfx::RGB(200, 0, 0), 2).Line(12, 4, 4, 12, gfx::RGB(200, 0, 0), 2);
    return s;
}

gfx::TBitmap GlyphFolder()
{
    Sketch s(16, 16, clGlyphKey);
    s.Fill(1, 4, 7, 6, kFolderBody).Fill(1, 5, 14, 14, kFolderBody).Frame(1, 5, 14, 14, kFolderEdge);
    s.Line(3, 8, 15, 8, kFolderEdge).Line(3, 8, 1, 13, kFolderEdge).Line(15, 8, 13, 13, kFolderEdge);
    return s;
}

gfx::TBitmap GlyphSplit()
{
    Sketch s(16, 16, clGlyphKey);
    s.Fill(1, 1, 15, 15, kSky).Fill(1, 9, 15, 15, kGrass).Disc(11, 5, 2, kSun);
    s.Fill(7, 1, 9, 15, kWhite).Fill(1, 7, 15, 9, kWhite).Frame(1, 1, 15, 15, kFrame);
    return s;
}

gfx::TBitmap GlyphMail()
{
    Sketch s(16, 16, clGlyphKey);
    s.Fill(1, 4, 15, 13, kWhite).Frame(1, 4, 15, 13, kFrame).Line(1, 4, 8, 9, kFrame).Line(8, 9, 14, 4, kFrame);
    return s;
}

gfx::TBitmap GlyphGlobe()
{
    Sketch s(16, 16, clGlyphKey);
    s.Disc(8, 8, 6, gfx::RGB(60, 120, 220)).Fill(4, 5, 8, 9, kGrass).Fill(9, 9, 12, 12, kGrass).Ring(8, 8, 6, kFrame);
    return s;
}

gfx::TBitmap GlyphHelp()
{
    Sketch s(16, 16, clGlyphKey);
    constexpr gfx::TColor blue = gfx::RGB(30, 80, 200);
    s.Disc(8, 8, 7, blue);
    s.Line(6, 5, 7, 4, kWhite, 2).Line(7, 4, 10, 4, kWhite, 2).Line(10, 4, 10, 7, kWhite, 2).Line(10, 7, 8, 8, kWhite, 2);
    s.Fill(7, 8, 9, 10, kWhite).Fill(7, 11, 9, 13, kWhite);
    return s;
}

gfx::TBitmap GlyphDoor()
{
    Sketch s(16, 16, clGlyphKey);
    s.Fill(3, 1, 12, 15, gfx::RGB(150, 90, 40)).Frame(3, 1, 12, 15, kFrame).Fill(9, 8, 11, 10, kSun);
    return s;
}

gfx::TBitmap GlyphResize()
{
    Sketch s(16, 16, clGlyphKey);
    s.Fill(5, 1, 15, 11, kSky).Fill(5, 7, 15, 11, kGrass).Frame(5, 1, 15, 11, kFrame);
    s.Fill(1, 9, 7, 15, kSky).Fill(1, 12, 7, 15, kGrass).Frame(1, 9, 7, 15, kFrame);
    return s;
}

gfx::TBitmap GlyphReset()
{
    Sketch s(16, 16, clGlyphKey);
    constexpr gfx::TColor green = gfx::RGB(0, 130, 0);
    s.Ring(8, 8, 6, green).Fill(9, 1, 16, 8, clGlyphKey);
    s.Line(8, 2, 11, 0, green, 2).Line(8, 2, 11, 5, green, 2);
    return s;
}

gfx::TBitmap GlyphMeasure()
{
    Sketch s(16, 16, clGlyphKey);
    s.Fill(1, 5, 15, 11, kSun).Frame(1, 5, 15, 11, kFrame);
    for (int x = 3; x < 14; x += 2) s.Line(x, 5, x, x % 4 == 3 ? 8 : 7, kFrame);
    return s;
}

gfx::TBitmap GlyphViewer()
{
    Sketch s(16, 16, clGlyphKey);
    s.Disc(6, 6, 4, gfx::RGB(200, 230, 250)).Ring(6, 6, 5, kFrame).Line(10, 10, 14, 14, gfx::RGB(120, 70, 20), 2);
    return s;
}

gfx::TBitmap GlyphSave()
{
    Sketch s(16, 16, clGlyphKey);
    constexpr gfx::TColor blue = gfx::RGB(40, 70, 160);
    s.Fill(1, 1, 15, 15, blue).Fill(4, 1, 12, 6, kWhite).Fill(9, 2, 11, 5, blue).Fill(3, 9, 13, 15, kWhite);
    s.Frame(1, 1, 15, 15, kFrame);
    return s;
}

gfx::TBitmap GlyphBack()
{
    Sketch s(16, 16, clGlyphKey);
    constexpr gfx::TColor green = gfx::RGB(0, 130, 0);
    s.Line(2, 8, 14, 8, green, 2).Line(2, 8, 7, 3, green, 2).Line(2, 8, 7, 13, green, 2);
    return s;
}

gfx::TBitmap DecorationTiles()
{
    Sketch s(40, 34, gfx::RGB(232, 231, 230));  // the main window's colour
    const gfx::TColor tints[4] = {kSky, kGrass, kSun, gfx::RGB(220, 120, 120)};
    for (int i = 0; i < 4; ++i) {
        int x = (i % 2) * 20 + 1, y = (i / 2) * 17 + 1;
        s.Fill(x, y, x + 18, y + 15, tints[i]).Frame(x, y, x + 18, y + 15, kFrame);
    }
    return s;
}

}  // namespace forms
