// The printer object over the recording printer, the DIB stretch onto a page, and the clipboard.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/graphics/Dib.h"
#include "framework/ui/Clipbrd.h"
#include "framework/ui/Printers.h"
#include "framework/ui/Seam.h"

namespace {

using namespace ui;

// A 3 x 2 DIB of 24 bits, bottom-up: the bottom row first.
struct Dib24 {
    gfx::TBitmapInfoHeader header;
    std::vector<uint8_t> bits;
    Dib24()
    {
        header.biWidth = 3;
        header.biHeight = 2;
        header.biBitCount = 24;
        const uint8_t rows[2][12] = {
            {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0},          // bottom: red, green, blue
            {255, 255, 255, 0, 0, 0, 128, 128, 128, 0, 0, 0}};   // top: white, black, grey
        for (auto& r : rows) bits.insert(bits.end(), r, r + 12);
    }
};

TEST(Printer, SegmentStretchedBetweenTheMargins)
{
    ScriptedSeam seam;
    seam.Recorder.ResolutionY = 600;
    seam.Recorder.Width = 4800;
    seam.Recorder.Height = 6600;
    TPrinter& printer = Printer();
    printer.SetOrientation(TPrinterOrientation::poPortrait);
    printer.BeginDoc();
    const int p = printer.Canvas().Font.PixelsPerInch;
    EXPECT_EQ(p, 600);
    Dib24 dib;
    int rows = StretchDIBits(printer.Canvas().Handle(), p, 3 * p, printer.PageWidth() - 2 * p,
                             printer.PageHeight() - 6 * p, 0, 0, 3, 2, dib.bits.data(), &dib.header,
                             gfx::DIB_RGB_COLORS, gfx::SRCCOPY);
    printer.EndDoc();
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(seam.Recorder.DocsBegun, 1);
    EXPECT_EQ(seam.Recorder.DocsEnded, 1);
    EXPECT_FALSE(seam.Recorder.Landscape);
    ASSERT_EQ(seam.Recorder.Draws.size(), 1u);
    const PrintDraw& d = seam.Recorder.Draws[0];
    EXPECT_EQ(d.Dest.Left, 600);
    EXPECT_EQ(d.Dest.Top, 1800);
    EXPECT_EQ(d.Dest.Width(), 3600);
    EXPECT_EQ(d.Dest.Height(), 3000);
    ASSERT_EQ(d.Pixels.Width(), 3);
    ASSERT_EQ(d.Pixels.Height(), 2);
    EXPECT_EQ(d.Pixels.GetPixel(0, 0), gfx::RGB(255, 255, 255));
    EXPECT_EQ(d.Pixels.GetPixel(2, 0), gfx::RGB(128, 128, 128));
    EXPECT_EQ(d.Pixels.GetPixel(0, 1), gfx::RGB(255, 0, 0));
    EXPECT_EQ(d.Pixels.GetPixel(2, 1), gfx::RGB(0, 0, 255));
}

TEST(Printer, NoDefaultPrinterIsAClearError)
{
    ScriptedSeam seam;
    seam.Recorder.Present = false;
    try {
        Printer().BeginDoc();
        FAIL() << "no error";
    } catch (const rtl::EPrinter& e) {
        EXPECT_FALSE(e.Message().empty());
    }
    EXPECT_FALSE(Printer().Printing());
    EXPECT_THROW(Printer().EndDoc(), rtl::EPrinter);
}

TEST(Printer, NothingIsDrawnOutsideADocumentOrFromABadHeader)
{
    ScriptedSeam seam;
    Dib24 dib;
    EXPECT_EQ(StretchDIBits(Printer().Canvas().Handle(), 0, 0, 10, 10, 0, 0, 3, 2, dib.bits.data(), &dib.header,
                            gfx::DIB_RGB_COLORS, gfx::SRCCOPY),
              0);
    Printer().BeginDoc();
    dib.header.biBitCount = 7;
    EXPECT_EQ(StretchDIBits(Printer().Canvas().Handle(), 0, 0, 10, 10, 0, 0, 3, 2, dib.bits.data(), &dib.header,
                            gfx::DIB_RGB_COLORS, gfx::SRCCOPY),
              0);
    Printer().EndDoc();
    EXPECT_TRUE(seam.Recorder.Draws.empty());
}

struct DibCase {
    const char* what;
    int bits;
    int height;  // negative: top-down
    std::vector<uint8_t> table;   // BGRA entries
    std::vector<uint8_t> pixels;  // rows padded to 4
    std::vector<gfx::TColor> expect;  // top-down, row-major
};

class DibFormats : public ::testing::TestWithParam<DibCase> {};

TEST_P(DibFormats, DecodeToDevicePixels)
{
    const DibCase& c = GetParam();
    std::vector<uint8_t> info(sizeof(gfx::TBitmapInfoHeader));
    gfx::TBitmapInfoHeader h;
    h.biWidth = 2;
    h.biHeight = c.height;
    h.biBitCount = uint16_t(c.bits);
    h.biClrUsed = uint32_t(c.table.size() / 4);
    std::memcpy(info.data(), &h, sizeof h);
    info.insert(info.end(), c.table.begin(), c.table.end());
    gfx::TBitmap out;
    ASSERT_TRUE(DibToBitmap(info.data(), c.pixels.data(), c.pixels.size(), out)) << c.what;
    std::vector<gfx::TColor> got;
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x) got.push_back(out.GetPixel(x, y));
    EXPECT_EQ(got, c.expect) << c.what;
    // One byte short of the rows: refused.
    EXPECT_FALSE(DibToBitmap(info.data(), c.pixels.data(), c.pixels.size() - 1, out)) << c.what;
}

const gfx::TColor R = gfx::RGB(255, 0, 0), G = gfx::RGB(0, 255, 0), B = gfx::RGB(0, 0, 255), W = gfx::RGB(255, 255, 255);

INSTANTIATE_TEST_SUITE_P(
    Table, DibFormats,
    ::testing::Values(
        DibCase{"1 bit bottom-up", 1, 2, {0, 0, 255, 0, 255, 255, 255, 0}, {0x40, 0, 0, 0, 0x80, 0, 0, 0}, {W, R, R, W}},
        DibCase{"4 bits top-down", 4, -1, {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0}, {0x12, 0, 0, 0}, {G, B}},
        DibCase{"8 bits", 8, 1, {255, 0, 0, 0, 0, 255, 0, 0}, {1, 0, 0, 0}, {G, B}},
        DibCase{"32 bits top-down", 32, -1, {}, {0, 0, 255, 0, 255, 0, 0, 0}, {R, B}}));

TEST(Clipboard, TheScriptedSideRecordsEachCopy)
{
    ScriptedSeam seam;
    gfx::TPicture pic;
    gfx::TBitmap b(4, 3, gfx::TPixelFormat::pf24bit);
    b.SetPixel(1, 1, gfx::RGB(10, 20, 30));
    pic.SetGraphic(&b);
    Clipboard().Assign(pic);
    Clipboard().Assign(pic);
    ASSERT_EQ(seam.Clipboard.size(), 2u);
    EXPECT_EQ(seam.Clipboard.back().Width(), 4);
    EXPECT_EQ(seam.Clipboard.back().GetPixel(1, 1), gfx::RGB(10, 20, 30));
    gfx::TPicture empty;
    EXPECT_THROW(Clipboard().Assign(empty), rtl::EClipboardException);
    seam.ClipboardWorks = false;
    EXPECT_THROW(Clipboard().Assign(pic), rtl::EClipboardException);
}

}  // namespace
