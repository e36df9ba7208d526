// Picture selection: the open dialog, the loader's framework route, the thumbnail, the facts and
// "Last Dir".
#include "tests/app/first_harness.h"

#include <sys/time.h>

#include <ctime>

#include "framework/graphics/Png.h"
#include "tiff/Bmp2Tiff.h"

namespace apptest {
namespace {

using LoadTest = AppTest;

// Every pixel of the holder's picture against the pattern.
void ExpectPattern(const gfx::TGraphic* graphic, int w, int h)
{
    ASSERT_NE(graphic, nullptr);
    gfx::TBitmap b;
    ASSERT_TRUE(graphic->ToBitmap(b));
    ASSERT_EQ(b.Width(), w);
    ASSERT_EQ(b.Height(), h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ASSERT_EQ(b.GetPixel(x, y), PatternPixel(x, y)) << x << "," << y;
}

TEST_F(LoadTest, SelectionFillsHoldersLabelsAndLastDir)
{
    Start();
    String path = SaveBmp("sun.bmp", PatternBitmap(120, 90));
    auto size = fs::file_size(path);
    Select(path);
    EXPECT_TRUE(Seam->Messages.empty()) << (Seam->Messages.empty() ? "" : Seam->Messages[0].Text);
    EXPECT_TRUE(app::ImageSelected);
    EXPECT_EQ(app::SourceImagePath, path);
    EXPECT_EQ(app::SourceWidth, 120);
    EXPECT_EQ(app::SourceHeight, 90);
    ExpectPattern(Hidden().Picture().Graphic(), 120, 90);
    ExpectPattern(Saved().Picture().Graphic(), 120, 90);
    ExpectPattern(app::Frmadjust->Image1->Picture().Graphic(), 120, 90);
    ExpectPattern(Thumb().Picture().Graphic(), 120, 90);

    app::TFrmFirst& w = *app::FrmFirst;
    EXPECT_EQ(w.LblChosen->Caption(), "Image Chosen: sun.bmp");
    EXPECT_EQ(w.LblSizeAndWidth->Caption(), "Image is 120 x 90, " + std::to_string(size) + " bytes");
    EXPECT_EQ(w.Lblinfo->Caption(),
              "Now simply choose the number of horizontal and vertical images to split into, then click the "
              "split image button. (The original image is never modified or altered in any way).");
    EXPECT_EQ(w.Lblcreate->Caption().rfind("Created on : ", 0), 0u);
    EXPECT_EQ(w.LblWrite->Caption().rfind("Modified : ", 0), 0u);
    EXPECT_GT(w.LblWrite->Caption().size(), String("Modified : ").size());

    app::TFrmadjust& h = *app::Frmadjust;
    EXPECT_EQ(h.Lblsize->Caption(), std::to_string(size));
    EXPECT_EQ(h.Lbldetails->Caption(), "Original Image Size:");
    EXPECT_EQ(h.Lblname->Caption(), "Original Image Name:");
    EXPECT_EQ(h.LblImageName->Caption(), "sun.bmp");
    EXPECT_EQ(h.LblOldWidth->Caption(), "Original Width: 120");
    EXPECT_EQ(h.LblOldHeight->Caption(), "Original Height: 90");
    EXPECT_EQ(h.LblNewWidth->Caption(), "120");
    EXPECT_EQ(h.LblNewHeight->Caption(), "90");
    EXPECT_EQ(h.Lbltitle->Caption().rfind("Slide the scroll bar below", 0), 0u);
    EXPECT_EQ(app::BaseWidth, 120);
    EXPECT_EQ(app::BaseHeight, 90);
    EXPECT_EQ(app::ConverterImagePath, path);

    // "Last Dir" keeps its trailing delimiter, and the next dialog starts there.
    rtl::TIniFile ini(app::HistoryIniPath);
    EXPECT_EQ(ini.ReadString("History", "Last Dir", "?"), Pictures + "/");
    Select(std::nullopt);
    ASSERT_EQ(Seam->Dialogs.size(), 2u);
    EXPECT_EQ(Seam->Dialogs[0].InitialDir, "");
    EXPECT_EQ(Seam->Dialogs[1].InitialDir, Pictures + "/");
    EXPECT_FALSE(Seam->Dialogs[1].Save);
}

TEST_F(LoadTest, CancelChangesNothing)
{
    Start();
    Select(std::nullopt);
    EXPECT_FALSE(app::ImageSelected);
    EXPECT_EQ(app::SourceImagePath, "");
    EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), "");
    EXPECT_EQ(Hidden().Picture().Graphic(), nullptr);
    EXPECT_FALSE(fs::exists(app::HistoryIniPath));
    EXPECT_TRUE(Seam->Messages.empty());

    // Cancelling after a picture keeps it.
    Select(SaveBmp("a.bmp", PatternBitmap(30, 20)));
    Select(std::nullopt);
    EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), "Image Chosen: a.bmp");
    EXPECT_EQ(app::SourceWidth, 30);
}

TEST_F(LoadTest, DoubledDelimiterLoadsTheFileButLabelsKeepThePath)
{
    Start();
    SaveBmp("sun.bmp", PatternBitmap(30, 20));
    String doubled = Pictures + "//sun.bmp";
    Select(doubled);
    EXPECT_TRUE(Seam->Messages.empty());
    EXPECT_EQ(app::SourceImagePath, doubled);
    EXPECT_EQ(app::SourceWidth, 30);
    EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), "Image Chosen: sun.bmp");
    rtl::TIniFile ini(app::HistoryIniPath);
    EXPECT_EQ(ini.ReadString("History", "Last Dir", ""), Pictures + "//");
    EXPECT_EQ(app::CollapseDelimiters("//a///b//c.jpg"), "/a/b/c.jpg");
}

TEST_F(LoadTest, TiffWithFourLettersGoesToTheFrameworkAndTextFilesFail)
{
    Start();
    String tiff = Pictures + "/scan.tiff";
    tif::WriteTiffFile(tiff, PatternBitmap(24, 16));
    Select(tiff);
    ASSERT_TRUE(Seam->Messages.empty()) << Seam->Messages[0].Text;
    ASSERT_NE(Hidden().Picture().Graphic(), nullptr);
    EXPECT_EQ(Hidden().Picture().Graphic()->ClassName(), "TWICImage");
    ExpectPattern(Hidden().Picture().Graphic(), 24, 16);
    EXPECT_EQ(app::FrmFirst->LblSizeAndWidth->Caption().rfind("Image is 24 x 16, ", 0), 0u);

    String notes = Pictures + "/notes.txt";
    WriteBytes(notes, "not a picture");
    Select(notes);
    ASSERT_EQ(Seam->Messages.size(), 1u);
    EXPECT_EQ(Seam->Messages[0].Text, "Unknown picture file extension (.txt)");
    // The failure comes after ImageSelected and the path; everything else keeps the first picture.
    EXPECT_EQ(app::SourceImagePath, notes);
    EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), "Image Chosen: scan.tiff");
    EXPECT_EQ(app::SourceWidth, 24);
    EXPECT_EQ(Hidden().Picture().Graphic()->ClassName(), "TWICImage");
}

struct ThumbCase {
    int W, H, ThumbWidth, ThumbHeight;
};

class ThumbnailTest : public AppTest, public ::testing::WithParamInterface<ThumbCase> {};

// Height 78 and the picture's proportions; a picture wider than the room left of the facts labels
// (129 pixels) takes that width and keeps its proportions.
TEST_P(ThumbnailTest, ThumbnailFollowsTheProportionsAndStaysLeftOfTheLabels)
{
    Start();
    Select(SaveBmp("p.bmp", gfx::TBitmap(GetParam().W, GetParam().H, gfx::TPixelFormat::pf24bit)));
    ASSERT_TRUE(Seam->Messages.empty());
    EXPECT_EQ(Thumb().Width(), GetParam().ThumbWidth);
    EXPECT_EQ(Thumb().Height(), GetParam().ThumbHeight);
    EXPECT_LE(Thumb().Left() + Thumb().Width(), app::FrmFirst->LblChosen->Left());
    EXPECT_TRUE(Thumb().Stretch());
    EXPECT_EQ(Thumb().Picture().Width(), GetParam().W);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ThumbnailTest,
                         ::testing::Values(ThumbCase{1000, 500, 129, 64}, ThumbCase{3000, 500, 129, 22},
                                           ThumbCase{1650, 1000, 129, 78}, ThumbCase{1700, 1000, 129, 76},
                                           ThumbCase{300, 600, 39, 78}, ThumbCase{100, 60, 110, 78},
                                           ThumbCase{100, 300, 26, 78}, ThumbCase{110, 110, 110, 78},
                                           ThumbCase{60, 78, 110, 78}));

TEST_F(LoadTest, JpegFactsReadAsThePictureAndFileGiveThem)
{
    Start();
    String path = SaveJpeg("photo.jpg", SmoothBitmap(640, 480), 75);
    auto size = fs::file_size(path);
    ASSERT_LT(size, 54321u);
    // Bytes after the end of the JPEG stream are ignored by the decoder.
    std::ofstream(path, std::ios::binary | std::ios::app) << std::string(54321 - size, '\0');
    Select(path);
    ASSERT_TRUE(Seam->Messages.empty()) << Seam->Messages[0].Text;
    EXPECT_EQ(app::FrmFirst->LblSizeAndWidth->Caption(), "Image is 640 x 480, 54321 bytes");
    EXPECT_EQ(Hidden().Picture().Graphic()->ClassName(), "TJPEGImage");
    EXPECT_EQ(Thumb().Width(), 104);  // 78 x 4/3
}

TEST_F(LoadTest, MidnightShowsOnlyTheDate)
{
    Start();
    String path = SaveBmp("night.bmp", PatternBitmap(8, 8));
    std::tm midnight{};
    midnight.tm_year = 2024 - 1900;
    midnight.tm_mon = 2;
    midnight.tm_mday = 15;
    midnight.tm_isdst = -1;
    time_t t = mktime(&midnight);
    struct timeval times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(utimes(path.c_str(), times), 0);
    Select(path);
    ASSERT_TRUE(Seam->Messages.empty());
    rtl::TSystemTime st{2024, 3, 15, 0, 0, 0, 0};
    String date = rtl::DateTimeToStr(rtl::SystemTimeToDateTime(st));
    EXPECT_EQ(app::FrmFirst->LblWrite->Caption(), "Modified : " + date);
    EXPECT_EQ(date.find(':'), String::npos) << date;
    // Where the file system keeps no birth time the creation time is the modification time.
    rtl::TFileFacts facts = rtl::FindFileFacts(path);
    if (facts.Created.Year == 2024 && facts.Created.Hour == 0) {
        EXPECT_EQ(app::FrmFirst->Lblcreate->Caption(), "Created on : " + date);
    }
}

TEST_F(LoadTest, SecondPictureReplacesTheFirstAndAFailingOneKeepsIt)
{
    Start();
    Select(SaveBmp("first.bmp", PatternBitmap(50, 40)));
    String second = SaveBmp("second.bmp", gfx::TBitmap(70, 20, gfx::TPixelFormat::pf24bit));
    Select(second);
    ASSERT_TRUE(Seam->Messages.empty());
    EXPECT_EQ(app::SourceWidth, 70);
    EXPECT_EQ(app::SourceHeight, 20);
    EXPECT_EQ(Saved().Picture().Width(), 70);
    EXPECT_EQ(Thumb().Picture().Width(), 70);
    EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), "Image Chosen: second.bmp");
    EXPECT_EQ(app::Frmadjust->LblImageName->Caption(), "second.bmp");
    const String facts = app::FrmFirst->LblSizeAndWidth->Caption();

    String broken = Pictures + "/broken.bmp";
    WriteBytes(broken, "BM this is no bitmap at all, only text that looks short");
    Select(broken);
    ASSERT_EQ(Seam->Messages.size(), 1u);
    EXPECT_EQ(Seam->Messages[0].Kind, ui::TMsgDlgType::mtError);
    EXPECT_EQ(Seam->Messages[0].Text, "Bitmap image is not valid");
    EXPECT_EQ(app::SourceWidth, 70);
    EXPECT_EQ(Hidden().Picture().Width(), 70);
    EXPECT_EQ(Saved().Picture().Width(), 70);
    EXPECT_EQ(app::Frmadjust->Image1->Picture().Width(), 70);
    EXPECT_EQ(Thumb().Picture().Width(), 70);
    EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), "Image Chosen: second.bmp");
    EXPECT_EQ(app::FrmFirst->LblSizeAndWidth->Caption(), facts);
    rtl::TIniFile ini(app::HistoryIniPath);
    EXPECT_EQ(ini.ReadString("History", "Last Dir", ""), Pictures + "/");
}

TEST_F(LoadTest, FileOfTwoGigabytesLoadsWithAllItsFacts)
{
    Start();
    String path = SaveBmp("huge.bmp", PatternBitmap(16, 12));
    // The bitmap's bytes, then a hole up to 2 GiB: the decoder reads only what the header names.
    fs::resize_file(path, uintmax_t(1) << 31);
    Select(path);
    EXPECT_TRUE(Seam->Messages.empty());
    EXPECT_EQ(Thumb().Picture().Width(), 16);
    EXPECT_EQ(Thumb().Width(), 110);
    EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), "Image Chosen: huge.bmp");
    EXPECT_EQ(app::FrmFirst->LblSizeAndWidth->Caption(), "Image is 16 x 12, 2147483648 bytes");
    EXPECT_EQ(app::SourceWidth, 16);
    EXPECT_TRUE(fs::exists(app::HistoryIniPath));
}

struct FormatCase {
    const char* Name;
    const char* Class;
};

class FormatTest : public AppTest, public ::testing::WithParamInterface<FormatCase> {};

// The framework's classes by extension, whatever its case; the pixels reach every holder.
TEST_P(FormatTest, FrameworkFormatsLoadIntoEveryHolder)
{
    Start();
    const String name = GetParam().Name;
    const String path = Pictures + "/" + name;
    const gfx::TBitmap picture = PatternBitmap(33, 21);
    const String ext = rtl::UpperCase(rtl::ExtractFileExt(name));
    if (ext == ".PNG") {
        gfx::TPngImage png;
        png.Assign(picture);
        png.SaveToFile(path);
    } else {
        gfx::TBitmap(picture).SaveToFile(path);
    }
    Select(path);
    ASSERT_TRUE(Seam->Messages.empty()) << Seam->Messages[0].Text;
    for (ui::TImage* holder : {&Hidden(), &Saved(), app::Frmadjust->Image1, &Thumb()}) {
        EXPECT_EQ(holder->Picture().Graphic()->ClassName(), GetParam().Class);
        ExpectPattern(holder->Picture().Graphic(), 33, 21);
    }
}

INSTANTIATE_TEST_SUITE_P(Names, FormatTest,
                         ::testing::Values(FormatCase{"a.png", "TPngImage"}, FormatCase{"b.PNG", "TPngImage"},
                                           FormatCase{"c.BMP", "TBitmap"}, FormatCase{"d.Bmp", "TBitmap"}),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

// A pipe named like a picture: no reader waits on it; the framework's routes and the GIF codec
// refuse it with a clear message, the TIFF codec reports it as it reports any unreadable file.
TEST_F(AppTest, PipeChosenAsPictureIsRefusedWithoutWaiting)
{
    Start();
    const String first = SaveBmp("first.bmp", PatternBitmap(20, 10));
    Select(first);
    ASSERT_TRUE(Seam->Messages.empty());
    for (const char* name : {"pipe.jpg", "pipe.gif", "pipe.tiff", "pipe.tif"}) {
        SCOPED_TRACE(name);
        Seam->Messages.clear();
        const String pipe = Pictures + "/" + name;
        ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
        Select(pipe);
        ASSERT_FALSE(Seam->Messages.empty());
        if (rtl::ExtractFileExt(pipe) != ".tif") {
            EXPECT_EQ(Seam->Messages[0].Text, "Cannot open file \"" + pipe + "\". Not a regular file");
        }
        EXPECT_EQ(app::SourceWidth, 20);
        EXPECT_EQ(Hidden().Picture().Width(), 20);
    }
}

// Files of 2 GiB and more (sparse here): the picture and its facts come together, the size as
// the 64-bit number it is, so the next split cuts the new picture with its own geometry.
TEST_F(AppTest, FilesOf2GiBAndMoreShowTheirSizeWithTheirPicture)
{
    Start();
    Select(SaveBmp("small.bmp", PatternBitmap(20, 10)));
    ASSERT_TRUE(Seam->Messages.empty());
    struct Case { const char* name; int64_t size; };
    for (const Case& c : {Case{"big.bmp", (int64_t(1) << 31) + 7}, Case{"huge.bmp", (int64_t(1) << 32) + 3}}) {
        SCOPED_TRACE(c.name);
        const String path = SaveBmp(c.name, PatternBitmap(30, 24));
        ASSERT_EQ(truncate(path.c_str(), off_t(c.size)), 0);
        Select(path);
        EXPECT_TRUE(Seam->Messages.empty());
        EXPECT_EQ(app::SourceWidth, 30);
        EXPECT_EQ(app::SourceHeight, 24);
        EXPECT_EQ(app::FrmFirst->LblSizeAndWidth->Caption(), "Image is 30 x 24, " + std::to_string(c.size) + " bytes");
        EXPECT_EQ(app::Frmadjust->Lblsize->Caption(), std::to_string(c.size));
        EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), String("Image Chosen: ") + c.name);
        Select(SaveBmp("small.bmp", PatternBitmap(20, 10)));
    }
}

}  // namespace
}  // namespace apptest
