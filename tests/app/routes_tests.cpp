// The loader's GIF and TIFF routes: which codec reads which name, their failures, a click while a
// GIF decodes, and splitting what they load.
#include "tests/app/first_harness.h"

#include <cstring>

#include "gif/FmProgr.h"
#include "gif/GifUnit.h"
#include "tests/tiff/TiffBuilder.h"
#include "tiff/Bmp2Tiff.h"

namespace apptest {
namespace {

// At most 200 colours, so that a GIF holds them exactly.
gfx::TColor GifPixel(int x, int y)
{
    int i = (x / 3 + y / 5 * 7) % 200;
    return gfx::RGB(uint8_t(i), uint8_t(255 - i), uint8_t(i * 3));
}

gfx::TBitmap GifPattern(int w, int h)
{
    gfx::TBitmap b(w, h, gfx::TPixelFormat::pf24bit);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.SetPixel(x, y, GifPixel(x, y));
    return b;
}

class RoutesTest : public AppTest {
protected:
    String SaveGif(const String& name, const gfx::TBitmap& bitmap)
    {
        String path = Pictures + "/" + name;
        gif::TGifFile document;
        document.AddBitmap(std::make_unique<gfx::TBitmap>(bitmap));
        document.SaveToFile(path);
        return path;
    }

    String SaveTif(const String& name, const gfx::TBitmap& bitmap)
    {
        String path = Pictures + "/" + name;
        tif::WriteTiffFile(path, bitmap);
        return path;
    }

    static void ExpectPixels(const gfx::TGraphic* g, int w, int h, gfx::TColor (*pixel)(int, int))
    {
        ASSERT_NE(g, nullptr);
        gfx::TBitmap b;
        ASSERT_TRUE(g->ToBitmap(b));
        ASSERT_EQ(b.Width(), w);
        ASSERT_EQ(b.Height(), h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ASSERT_EQ(b.GetPixel(x, y), pixel(x, y)) << x << "," << y;
    }
};

struct SpellingCase {
    const char* Name;
    bool Gif;             // written as GIF, else as TIFF
    const char* Class;    // the holders' graphic class
};

class SpellingTest : public RoutesTest, public ::testing::WithParamInterface<SpellingCase> {};

// The codecs' routes give the holders plain bitmaps; the framework's classes keep their own.
TEST_P(SpellingTest, ExtensionPicksTheRoute)
{
    const SpellingCase& k = GetParam();
    Start();
    String path = k.Gif ? SaveGif(k.Name, GifPattern(30, 20)) : SaveTif(k.Name, GifPattern(30, 20));
    Select(path);
    ASSERT_TRUE(Seam->Messages.empty()) << Seam->Messages[0].Text;
    for (ui::TImage* holder : {&Hidden(), &Saved(), app::Frmadjust->Image1}) {
        ASSERT_NE(holder->Picture().Graphic(), nullptr);
        EXPECT_EQ(holder->Picture().Graphic()->ClassName(), k.Class);
        ExpectPixels(holder->Picture().Graphic(), 30, 20, GifPixel);
    }
    EXPECT_EQ(app::Frmadjust->GifFile, nullptr);
    EXPECT_EQ(app::SourceWidth, 30);
    EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), String("Image Chosen: ") + k.Name);
    EXPECT_EQ(app::Frmadjust->LblOldWidth->Caption(), "Original Width: 30");
}

INSTANTIATE_TEST_SUITE_P(Names, SpellingTest,
                         ::testing::Values(SpellingCase{"photo.Gif", true, "TBitmap"},
                                           SpellingCase{"photo.GIF", true, "TBitmap"},
                                           SpellingCase{"photo.gif", true, "TBitmap"},
                                           SpellingCase{"scan.tif", false, "TBitmap"},
                                           SpellingCase{"scan.TIF", false, "TBitmap"},
                                           SpellingCase{"scan.tiff", false, "TWICImage"}),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(RoutesTest, GifWithoutAnImageLeavesEveryHolderAsItWas)
{
    Start();
    Select(SaveBmp("first.bmp", PatternBitmap(40, 30)));
    ASSERT_TRUE(Seam->Messages.empty());
    // Header, a screen without a colour table, and the trailer at once.
    const char bytes[] = {'G', 'I', 'F', '8', '9', 'a', 10, 0, 10, 0, 0, 0, 0, 0x3B};
    String empty = Pictures + "/empty.gif";
    WriteBytes(empty, std::string(bytes, sizeof bytes));
    Select(empty);
    ASSERT_EQ(Seam->Messages.size(), 1u);
    EXPECT_EQ(Seam->Messages[0].Text, "List index out of bounds (0)");
    EXPECT_EQ(Hidden().Picture().Width(), 40);
    EXPECT_EQ(Saved().Picture().Width(), 40);
    EXPECT_EQ(app::Frmadjust->Image1->Picture().Width(), 40);
    EXPECT_EQ(Thumb().Picture().Width(), 40);
    EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), "Image Chosen: first.bmp");
    EXPECT_EQ(app::Frmadjust->GifFile, nullptr);
    EXPECT_TRUE(app::FrmFirst->Cmdimage->Enabled());
}

// A little-endian TIFF of 4 x 2 grey pixels whose Photometric interpretation tag is missing.
std::string TiffWithoutPhotometric()
{
    std::string t("II*\0\x08\0\0\0", 8);
    auto u16 = [&](int v) { t += char(v & 255); t += char(v >> 8); };
    auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) t += char((v >> (8 * i)) & 255); };
    const struct { int Tag, Type; uint32_t Value; } entries[] = {
        {256, 3, 4}, {257, 3, 2}, {258, 3, 8}, {259, 3, 1}, {273, 4, 8 + 2 + 7 * 12 + 4}, {278, 3, 2}, {279, 4, 8}};
    u16(int(std::size(entries)));
    for (const auto& e : entries) {
        u16(e.Tag);
        u16(e.Type);
        u32(1);
        if (e.Type == 3) {
            u16(int(e.Value));
            u16(0);
        } else {
            u32(e.Value);
        }
    }
    u32(0);
    t += std::string("\x10\x20\x30\x40\x50\x60\x70\x80", 8);
    return t;
}

TEST_F(RoutesTest, TifWithoutPhotometricTellsOncePerHolderAndGoesOn)
{
    Start();
    String path = Pictures + "/scan.tif";
    WriteBytes(path, TiffWithoutPhotometric());
    Select(path);
    ASSERT_EQ(Seam->Messages.size(), 3u);
    for (const auto& m : Seam->Messages) EXPECT_EQ(m.Text, "Error reading tag Photometric interpretation");
    // The selection went on with what the reader left.
    EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), "Image Chosen: scan.tif");
    EXPECT_EQ(app::FrmFirst->LblSizeAndWidth->Caption().rfind("Image is " + std::to_string(app::SourceWidth) + " x ", 0), 0u);
    rtl::TIniFile ini(app::HistoryIniPath);
    EXPECT_EQ(ini.ReadString("History", "Last Dir", ""), Pictures + "/");

    // What was left has no pixels: the split says so and shows no viewer.
    Seam->Messages.clear();
    bool shown = false;
    Seam->OnShowModal = [&](ui::TForm& form) { shown = true; form.Close(); };
    app::FrmFirst->CmdSplit->Click();
    EXPECT_FALSE(shown);
    EXPECT_EQ(Seam->Texts(), std::vector<std::string>{app::MsgNothingToSplit});
}

// A grey TIFF of three images: 3 x 2 pixels, then one the reader cannot decompress, then one of
// 16-bit grey. Each of the last two gives a message; the first stays the picture.
std::vector<uint8_t> TiffWithTwoProblems()
{
    tifftest::ImageSpec grey;
    grey.Width = 3;
    grey.Height = 2;
    grey.Pixels = {10, 20, 30, 40, 50, 60};
    tifftest::ImageSpec packed = grey;
    packed.Compression = 32773;
    tifftest::ImageSpec deep = grey;
    deep.Bits = {16};
    deep.Pixels.resize(12);
    return tifftest::MakeTiff(true, {grey, packed, deep});
}

gfx::TColor TwoProblemsPixel(int x, int y)
{
    const uint8_t v = uint8_t(10 + 10 * (y * 3 + x));
    return gfx::RGB(v, v, v);
}

// The file is read once: every holder gets the picture, sharing its pixels until one is drawn on,
// and the messages come once for each holder, in the reader's order.
TEST_F(RoutesTest, TifIsReadOnceAndItsMessagesComeOncePerHolder)
{
    Start();
    String path = Pictures + "/layers.tif";
    const std::vector<uint8_t> bytes = TiffWithTwoProblems();
    WriteBytes(path, std::string(bytes.begin(), bytes.end()));
    Select(path);
    const std::vector<std::string> twice = {"Cant read compressed Gray Scale Image",
                                            "Error: Bits Per Sample (Gray Scale) not 1, 4 or 8"};
    std::vector<std::string> expected;
    for (int holder = 0; holder < 3; ++holder) expected.insert(expected.end(), twice.begin(), twice.end());
    EXPECT_EQ(Seam->Texts(), expected);
    for (ui::TImage* holder : {&Hidden(), &Saved(), app::Frmadjust->Image1})
        ExpectPixels(holder->Picture().Graphic(), 3, 2, TwoProblemsPixel);
    gfx::TBitmap& hidden = Hidden().Picture().Bitmap();
    gfx::TBitmap& saved = Saved().Picture().Bitmap();
    EXPECT_EQ(hidden.Data().get(), saved.Data().get());
    EXPECT_EQ(hidden.Data().get(), app::Frmadjust->Image1->Picture().Bitmap().Data().get());
    hidden.SetPixel(0, 0, gfx::RGB(255, 0, 0));
    EXPECT_EQ(hidden.GetPixel(0, 0), gfx::RGB(255, 0, 0));
    ExpectPixels(Saved().Picture().Graphic(), 3, 2, TwoProblemsPixel);
    ExpectPixels(app::Frmadjust->Image1->Picture().Graphic(), 3, 2, TwoProblemsPixel);
}

// A file the reader decodes nothing from leaves each holder's picture, after its message.
TEST_F(RoutesTest, TifWithNothingDecodedKeepsTheHolders)
{
    Start();
    Select(SaveBmp("first.bmp", PatternBitmap(40, 30)));
    tifftest::ImageSpec packed;
    packed.Width = 2;
    packed.Pixels = {1, 2};
    packed.Compression = 5;
    const std::vector<uint8_t> bytes = tifftest::MakeTiff(false, {packed});
    String path = Pictures + "/packed.tif";
    WriteBytes(path, std::string(bytes.begin(), bytes.end()));
    Select(path);
    EXPECT_EQ(Seam->Texts(), std::vector<std::string>(3, "Cant read compressed Gray Scale Image"));
    for (ui::TImage* holder : {&Hidden(), &Saved(), app::Frmadjust->Image1})
        EXPECT_EQ(holder->Picture().Width(), 40);
}

// A ".tif" deleted between the dialog and the load is reported as one that cannot be opened; it
// is not created and no holder changes.
TEST_F(RoutesTest, TifGoneBeforeTheLoadIsReportedAndNotCreated)
{
    Start();
    Select(SaveBmp("first.bmp", PatternBitmap(40, 30)));
    const String gone = Pictures + "/gone.tif";
    Select(gone);
    ASSERT_EQ(Seam->Messages.size(), 1u);
    EXPECT_EQ(Seam->Messages[0].Text.rfind("Cannot open file \"" + gone + "\".", 0), 0u) << Seam->Messages[0].Text;
    EXPECT_FALSE(fs::exists(gone));
    for (ui::TImage* holder : {&Hidden(), &Saved(), app::Frmadjust->Image1})
        EXPECT_EQ(holder->Picture().Width(), 40);
    EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), "Image Chosen: first.bmp");
}

TEST_F(RoutesTest, TallGifReportsProgressAndAClickMeanwhileIsIgnored)
{
    Start();
    String tall = SaveGif("tall.gif", GifPattern(40, 260));
    String other = SaveBmp("other.bmp", PatternBitmap(10, 10));

    static int reports;
    static float last;
    reports = 0;
    last = -1;
    gif::TProgressProc previous = gif::ProgressCallback;
    static gif::TProgressProc chained;
    chained = previous;
    gif::ProgressCallback = [](float v) {
        ++reports;
        last = v;
        if (chained) chained(v);
    };
    // A person clicks "Select Image" again while the picture decodes.
    bool clicked = false, enabledMeanwhile = true;
    ui::QueueEvent([&] {
        clicked = true;
        enabledMeanwhile = app::FrmFirst->Cmdimage->Enabled() || app::FrmFirst->CmdSplit->Enabled();
        EXPECT_NE(app::Frmadjust->GifFile, nullptr);
        app::FrmFirst->Cmdimage->Click();
        app::FrmFirst->CmdSplit->Click();
    });
    Seam->Files.push_back(tall);
    Seam->Files.push_back(other);
    app::FrmFirst->Cmdimage->Click();
    gif::ProgressCallback = previous;

    EXPECT_TRUE(clicked);
    EXPECT_FALSE(enabledMeanwhile);
    EXPECT_GT(reports, 0);
    EXPECT_FLOAT_EQ(last, 1.0f);
    EXPECT_TRUE(Seam->Messages.empty());
    EXPECT_TRUE(Seam->ModalShown.empty());
    // The nested click did nothing: one dialog, and the second answer still waits.
    EXPECT_EQ(Seam->Dialogs.size(), 1u);
    EXPECT_EQ(Seam->Files.size(), 1u);
    // Holders, thumbnail and labels all describe the GIF.
    EXPECT_EQ(app::SourceImagePath, tall);
    for (ui::TImage* holder : {&Hidden(), &Saved(), app::Frmadjust->Image1, &Thumb()})
        ExpectPixels(holder->Picture().Graphic(), 40, 260, GifPixel);
    EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), "Image Chosen: tall.gif");
    EXPECT_EQ(app::FrmFirst->LblSizeAndWidth->Caption().rfind("Image is 40 x 260, ", 0), 0u);
    EXPECT_TRUE(app::FrmFirst->Cmdimage->Enabled());
    EXPECT_TRUE(app::FrmFirst->CmdSplit->Enabled());
}

TEST_F(RoutesTest, FileGoneBeforeItsFactsAreReadShowsWhatIsKnown)
{
    Start();
    String tall = SaveGif("gone.gif", GifPattern(20, 240));
    // The file goes away while it decodes, before the selection looks it up.
    ui::QueueEvent([&] { fs::remove(tall); });
    Select(tall);
    EXPECT_TRUE(Seam->Messages.empty());
    EXPECT_FALSE(fs::exists(tall));
    EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), "Image Chosen: gone.gif");
    EXPECT_EQ(app::FrmFirst->LblSizeAndWidth->Caption(), "Image is 20 x 240");
    EXPECT_EQ(app::FrmFirst->Lblcreate->Caption(), "Created on : ");
    EXPECT_EQ(app::FrmFirst->LblWrite->Caption(), "Modified : ");
    EXPECT_EQ(app::Frmadjust->Lblsize->Caption(), "");
}

TEST_F(RoutesTest, GifAndTiffSplitFourByFourPixelExact)
{
    Start();
    const String files[] = {SaveGif("grid.gif", GifPattern(83, 61)), SaveTif("grid.tif", GifPattern(83, 61))};
    for (const String& file : files) {
        SCOPED_TRACE(file);
        Select(file);
        ASSERT_TRUE(Seam->Messages.empty());
        bool shown = false;
        Seam->OnShowModal = [&](ui::TForm& form) {
            shown = true;
            ASSERT_EQ(app::SplitCols, 4);
            ASSERT_EQ(app::SplitRows, 4);
            for (int r = 1; r <= 4; ++r)
                for (int c = 1; c <= 4; ++c) {
                    gfx::TBitmap seg;
                    ASSERT_TRUE(app::FullSegments(r, c)->Picture().Graphic()->ToBitmap(seg));
                    ASSERT_EQ(seg.Width(), 20);
                    ASSERT_EQ(seg.Height(), 15);
                    for (int y = 0; y < 15; ++y)
                        for (int x = 0; x < 20; ++x)
                            ASSERT_EQ(seg.GetPixel(x, y), GifPixel((c - 1) * 20 + x, (r - 1) * 15 + y));
                }
            form.Close();
        };
        app::FrmFirst->CmdSplit->Click();
        EXPECT_TRUE(shown);
    }
}

}  // namespace
}  // namespace apptest
