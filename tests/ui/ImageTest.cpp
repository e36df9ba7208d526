// Images drawn by their parent: thousands of them are cheap, and only those in view are drawn.
#include <gtest/gtest.h>

#include "framework/graphics/Metafile.h"
#include "framework/rtl/Classes.h"
#include "framework/ui/Application.h"
#include "framework/ui/Forms.h"
#include "framework/ui/StdCtrls.h"
#include "tests/common/PeakMemory.h"

namespace {

using namespace ui;

gfx::TBitmap Solid(int w, int h, gfx::TColor c)
{
    gfx::TBitmap b(w, h, gfx::TPixelFormat::pf24bit);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.SetPixel(x, y, c);
    return b;
}

TEST(Image, CanvasGivesABitmapOfTheControlsSize)
{
    TForm form(nullptr);
    auto* image = new TImage(&form);
    image->SetBounds(0, 0, 33, 17);
    gfx::TCanvas& canvas = image->Canvas();
    ASSERT_NE(image->Picture().Graphic(), nullptr);
    EXPECT_EQ(image->Picture().Width(), 33);
    EXPECT_EQ(image->Picture().Height(), 17);
    EXPECT_EQ(&canvas, &image->Canvas());  // the same bitmap the next time
}

TEST(Image, AutoSizeFollowsThePicture)
{
    TForm form(nullptr);
    auto* image = new TImage(&form);
    image->SetAutoSize(true);
    gfx::TBitmap pic = Solid(34, 34, gfx::RGB(255, 255, 0));
    image->Picture().SetGraphic(&pic);
    EXPECT_EQ(image->Width(), 34);
    EXPECT_EQ(image->Height(), 34);
}

class ImageScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!GuiRunning()) GTEST_SKIP() << "no GUI";
    }
};

TEST_F(ImageScreen, TheParentDrawsThePicture)
{
    TForm form(nullptr);
    form.SetBorderStyle(TFormBorderStyle::bsNone);
    form.SetClientSize(100, 80);
    form.SetColor(clWhite);
    auto* stretched = new TImage(&form);
    stretched->SetParent(&form);
    stretched->SetBounds(10, 10, 40, 20);
    stretched->SetStretch(true);
    gfx::TBitmap red = Solid(4, 2, gfx::RGB(255, 0, 0));
    stretched->Picture().SetGraphic(&red);
    auto* plain = new TImage(&form);
    plain->SetParent(&form);
    plain->SetBounds(60, 40, 30, 30);
    gfx::TBitmap blue = Solid(10, 10, gfx::RGB(0, 0, 255));
    plain->Picture().SetGraphic(&blue);

    gfx::TBitmap shot = form.Snapshot();
    ASSERT_EQ(shot.Width(), 100);
    EXPECT_EQ(shot.GetPixel(12, 12), gfx::RGB(255, 0, 0));
    EXPECT_EQ(shot.GetPixel(48, 28), gfx::RGB(255, 0, 0));  // stretched over the whole control
    EXPECT_EQ(shot.GetPixel(52, 12), gfx::RGB(255, 255, 255));
    EXPECT_EQ(shot.GetPixel(65, 45), gfx::RGB(0, 0, 255));
    EXPECT_EQ(shot.GetPixel(80, 60), gfx::RGB(255, 255, 255));  // not stretched: its own size
}

TEST_F(ImageScreen, APictureLargerThanItsControlShowsThePartInView)
{
    auto pattern = [](int x, int y) { return gfx::RGB(uint8_t(x), uint8_t(y), uint8_t(x ^ y)); };
    gfx::TBitmap large(300, 200, gfx::TPixelFormat::pf24bit);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) large.SetPixel(x, y, pattern(x, y));
    TForm form(nullptr);
    form.SetBorderStyle(TFormBorderStyle::bsNone);
    form.SetClientSize(140, 60);
    auto* centred = new TImage(&form);
    centred->SetParent(&form);
    centred->SetBounds(10, 10, 50, 40);
    centred->SetCenter(true);
    centred->Picture().SetGraphic(&large);
    auto* corner = new TImage(&form);
    corner->SetParent(&form);
    corner->SetBounds(80, 10, 50, 40);
    corner->Picture().SetGraphic(&large);
    for (int pass = 0; pass < 2; ++pass) {  // drawn anew, and again from what it keeps
        gfx::TBitmap shot = form.Snapshot();
        for (int j = 0; j < 40; ++j)
            for (int i = 0; i < 50; ++i) {
                ASSERT_EQ(shot.GetPixel(10 + i, 10 + j), pattern(125 + i, 80 + j)) << i << "," << j;
                ASSERT_EQ(shot.GetPixel(80 + i, 10 + j), pattern(i, j)) << i << "," << j;
            }
    }
    // A control that grows shows more of the picture.
    corner->SetBounds(80, 10, 60, 50);
    gfx::TBitmap shot = form.Snapshot();
    EXPECT_EQ(shot.GetPixel(80 + 55, 10 + 45), pattern(55, 45));
}

void Put32(std::vector<uint8_t>& bytes, std::initializer_list<int64_t> values)
{
    for (int64_t v : values)
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(uint64_t(v) >> (8 * i)));
}

// A metafile of 16000 x 16000 pixels, red on its left half and blue on its right: 1 GB as a bitmap
// of its own size.
gfx::TMetafile HalvesMetafile()
{
    std::vector<uint8_t> body;
    const gfx::TColor colours[] = {gfx::RGB(255, 0, 0), gfx::RGB(0, 0, 255)};
    for (int half = 0; half < 2; ++half) {
        Put32(body, {39, 24, 1 + half, 0, colours[half], 0});  // a solid brush
        Put32(body, {37, 12, 1 + half});                        // selected
        Put32(body, {43, 24, half * 8000, 0, 8000 + half * 8000, 16000});
    }
    Put32(body, {14, 20, 0, 16, 20});
    std::vector<uint8_t> file;
    Put32(file, {1, 108, 0, 0, 15999, 15999, 0, 0, 0, 0, 0x464D4520, 0x10000, 108 + int64_t(body.size()), 8, 3, 0, 0,
                 0, 1920, 1080, 508, 286, 0, 0, 0, 508000, 285750});
    file.insert(file.end(), body.begin(), body.end());
    rtl::TMemoryStream stream;
    stream.WriteBuffer(file.data(), int64_t(file.size()));
    stream.SetPosition(0);
    gfx::TMetafile meta;
    meta.LoadFromStream(stream);
    return meta;
}

// A metafile is played at the size it is shown, over the part in view, never made a bitmap of its
// own size: with 64 MB to spare, a 16000 x 16000 one shows stretched and at its own size.
TEST_F(ImageScreen, AMetafileIsPlayedOnlyAtTheSizeInView)
{
    SKIP_UNDER_SANITIZERS();
    const gfx::TMetafile meta = HalvesMetafile();
    TForm form(nullptr);
    form.SetBorderStyle(TFormBorderStyle::bsNone);
    form.SetClientSize(100, 60);
    auto* stretched = new TImage(&form);
    stretched->SetParent(&form);
    stretched->SetBounds(10, 10, 40, 20);
    stretched->SetStretch(true);
    stretched->Picture().SetGraphic(&meta);
    auto* plain = new TImage(&form);
    plain->SetParent(&form);
    plain->SetBounds(60, 10, 30, 30);
    plain->Picture().SetGraphic(&meta);
    const testmemory::Outcome outcome = testmemory::RunLimited(64 * testmemory::MB, [&] {
        int wrong = 0;
        for (int pass = 0; pass < 2; ++pass) {  // played anew, and again from what it keeps
            const gfx::TBitmap shot = form.Snapshot();
            wrong += shot.GetPixel(15, 20) != gfx::RGB(255, 0, 0);
            wrong += shot.GetPixel(45, 20) != gfx::RGB(0, 0, 255);
            wrong += shot.GetPixel(75, 25) != gfx::RGB(255, 0, 0);  // the picture's top-left part
        }
        return wrong;
    });
    ASSERT_TRUE(outcome.Finished) << "the child did not finish";
    EXPECT_EQ(outcome.Result, 0);
}

TEST_F(ImageScreen, TenThousandImagesOnlyThoseInViewAreDrawn)
{
    constexpr int kSide = 100, kCell = 20, kGap = 5;
    TForm form(nullptr);
    form.SetBorderStyle(TFormBorderStyle::bsNone);
    form.SetClientSize(400, 300);
    form.SetAutoScroll(true);
    gfx::TBitmap pic = Solid(kCell, kCell, gfx::RGB(0, 128, 0));
    std::vector<TImage*> images;
    for (int r = 0; r < kSide; ++r)
        for (int c = 0; c < kSide; ++c) {
            auto* image = new TImage(&form);
            image->SetBounds(kGap + c * (kCell + kGap), kGap + r * (kCell + kGap), kCell, kCell);
            image->Picture().SetGraphic(&pic);
            image->SetParent(&form);
            images.push_back(image);
        }
    form.Snapshot();
    gfx::TPoint at = form.ScrollPosition();
    auto painted = [&] {
        int n = 0;
        for (TImage* i : images) n += i->PaintCount() > 0;
        return n;
    };
    EXPECT_EQ(at.X, 0);
    EXPECT_GT(painted(), 0);
    EXPECT_LE(painted(), 16 * 12);  // the images meeting the 400 x 300 view
    for (TImage* i : images)
        if (i->PaintCount() > 0) {
            EXPECT_LT(i->Left(), 400);
            EXPECT_LT(i->Top(), 300);
        }
    EXPECT_GT(images.front()->PaintCount(), 0);
    EXPECT_EQ(images.back()->PaintCount(), 0);

    // The bars reach the farthest image.
    gfx::TPoint range = form.ScrollRange();
    EXPECT_GE(range.X + 400, kGap + kSide * (kCell + kGap) - kGap);
    EXPECT_GE(range.Y + 300, kGap + kSide * (kCell + kGap) - kGap);
    form.SetScrollPosition(range.X, range.Y);
    form.Snapshot();
    EXPECT_GT(images.back()->PaintCount(), 0);
    EXPECT_LE(painted(), 2 * 16 * 12);
}

TEST_F(ImageScreen, AClickOnAnImageReachesItsHandler)
{
    ScriptedSeam seam;
    TForm form(nullptr);
    auto* image = new TImage(&form);
    image->SetParent(&form);
    int clicks = 0;
    image->OnClick = [&](TObject* s) { ++clicks; EXPECT_EQ(s, image); };
    image->Click();
    EXPECT_EQ(clicks, 1);
}

}  // namespace
