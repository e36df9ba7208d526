// The progress window while "Select Image" decodes a tall GIF picture: shown with the needle at
// each report, hidden by the last one, and the selection's result afterwards.
#include "tests/app/first_harness.h"

#include <cmath>
#include <vector>

#include "gif/FmProgr.h"
#include "gif/GifUnit.h"

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

// What the window looked like right after each report was handled.
struct Report {
    float Value;
    bool Visible;
    int Progress;
    bool MainEnabled;
};

std::vector<Report> gReports;
gif::TProgressProc gShow = nullptr;

void Recording(float value)
{
    gShow(value);
    gif::TProgressForm* form = gif::ProgressForm;
    gReports.push_back({value, form && form->Visible(), form ? form->Gauge1->Progress() : -1,
                        app::FrmFirst->Enabled()});
}

class ProgressRouteTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        gReports.clear();
        gShow = gif::ProgressCallback;
        ASSERT_NE(gShow, nullptr);
        gif::ProgressCallback = Recording;
    }

    void TearDown() override
    {
        gif::ProgressCallback = gShow;
        AppTest::TearDown();
    }

    String SaveGif(const String& name, const gfx::TBitmap& bitmap)
    {
        String path = Pictures + "/" + name;
        gif::TGifFile document;
        document.AddBitmap(std::make_unique<gfx::TBitmap>(bitmap));
        document.SaveToFile(path);
        return path;
    }
};

struct TallCase {
    int Width, Height;
};

class TallGifTest : public ProgressRouteTest, public ::testing::WithParamInterface<TallCase> {};

TEST_P(TallGifTest, ProgressWindowShownWhileDecodingAndHiddenAtTheEnd)
{
    const TallCase& k = GetParam();
    Start();
    // A window left showing by an earlier operation is hidden by this one's last report too.
    if (gif::ProgressForm) gif::ProgressForm->SetVisible(false);
    String path = SaveGif("tall.gif", GifPattern(k.Width, k.Height));
    gReports.clear();  // the writer's own
    Select(path);
    ASSERT_TRUE(Seam->Messages.empty()) << Seam->Messages[0].Text;

    // One report per row of the decoder, then those of the bitmap copy for the tallest.
    ASSERT_GE(gReports.size(), size_t(k.Height));
    for (size_t i = 0; i + 1 < gReports.size(); ++i) {
        const Report& r = gReports[i];
        SCOPED_TRACE(i);
        if (static_cast<long double>(r.Value) <= 0.9999L) {
            EXPECT_TRUE(r.Visible) << r.Value;
            EXPECT_EQ(r.Progress, int(std::nearbyint(double(r.Value) * 100))) << r.Value;
            EXPECT_TRUE(r.MainEnabled);  // modeless: the main window stays usable
        } else {
            EXPECT_FALSE(r.Visible) << r.Value;
        }
    }
    // Half way the window shows the needle near 50.
    bool halfWay = false;
    for (const Report& r : gReports) halfWay |= r.Visible && r.Progress == 50;
    EXPECT_TRUE(halfWay);
    EXPECT_FLOAT_EQ(gReports.back().Value, 1.0f);
    EXPECT_FALSE(gReports.back().Visible);
    ASSERT_NE(gif::ProgressForm, nullptr);
    EXPECT_FALSE(gif::ProgressForm->Visible());
    EXPECT_EQ(gif::ProgressForm->Caption(), "Progress");

    // Holders, thumbnail and labels describe the picture.
    EXPECT_EQ(app::SourceImagePath, path);
    EXPECT_EQ(app::SourceWidth, k.Width);
    EXPECT_EQ(app::SourceHeight, k.Height);
    for (ui::TImage* holder : {&Hidden(), &Saved(), app::Frmadjust->Image1, &Thumb()}) {
        gfx::TBitmap b;
        ASSERT_TRUE(holder->Picture().Graphic()->ToBitmap(b));
        ASSERT_EQ(b.Width(), k.Width);
        ASSERT_EQ(b.Height(), k.Height);
        for (int y = 0; y < k.Height; ++y)
            for (int x = 0; x < k.Width; ++x) ASSERT_EQ(b.GetPixel(x, y), GifPixel(x, y)) << x << "," << y;
    }
    EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), "Image Chosen: tall.gif");
    EXPECT_EQ(app::FrmFirst->LblSizeAndWidth->Caption().rfind(
                  "Image is " + std::to_string(k.Width) + " x " + std::to_string(k.Height) + ", ", 0),
              0u);
    EXPECT_EQ(app::Frmadjust->LblOldWidth->Caption(), "Original Width: " + std::to_string(k.Width));
    EXPECT_EQ(app::Frmadjust->GifFile, nullptr);
    EXPECT_TRUE(app::FrmFirst->Cmdimage->Enabled());
}

// Just above the decoder's threshold, and tall enough for the bitmap copy's reports as well.
INSTANTIATE_TEST_SUITE_P(Heights, TallGifTest, ::testing::Values(TallCase{16, 201}, TallCase{12, 520}),
                         [](const auto& info) { return "rows" + std::to_string(info.param.Height); });

TEST_F(ProgressRouteTest, GifOfAtMostTwoHundredRowsReportsNothing)
{
    Start();
    String path = SaveGif("short.gif", GifPattern(30, 200));
    gReports.clear();  // the writer's own
    Select(path);
    ASSERT_TRUE(Seam->Messages.empty());
    EXPECT_TRUE(gReports.empty());
    EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), "Image Chosen: short.gif");
}

}  // namespace
}  // namespace apptest
