// "Print Image" through the real Qt printer into a PDF file, read back with poppler's tools: the
// segment's box on A4 and US Letter paper, its pixels in the file, and the job's title.
#include "view_fixture.h"

#include <sys/wait.h>

#include <cstdio>
#include <regex>

#include "framework/graphics/Png.h"
#include "framework/ui/Application.h"
#include "framework/ui/Printers.h"

namespace {

using viewtest::ViewerTest;

bool HavePoppler()
{
    static const bool have = std::system("pdftoppm -v > /dev/null 2>&1 && pdfimages -v > /dev/null 2>&1") == 0;
    return have;
}

// The command's standard output; empty when it fails.
std::string Output(const std::string& command)
{
    std::string out;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    const int rc = pclose(pipe);
    return WIFEXITED(rc) && WEXITSTATUS(rc) == 0 ? out : std::string();
}

gfx::TBitmap LoadPng(const std::string& path)
{
    const std::string bytes = viewtest::ReadFile(path);
    gfx::TBitmap b;
    gfx::DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), b);
    return b;
}

// A segment of sharp edges, as pixel art and text have, dark enough to stand out from paper.
void PaintSharpSegment(gfx::TBitmap& bmp)
{
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x) {
            const bool on = ((x / 3) + (y / 2)) % 2 == 0;
            bmp.SetPixel(x, y, on ? gfx::RGB(200, uint8_t(x * 5), 0) : gfx::RGB(0, uint8_t(y * 7), 180));
        }
}

struct Box {
    double left = 0, top = 0, width = 0, height = 0;
};

constexpr int kRenderDpi = 288;  // a rendered pixel is a quarter point

// The rectangle of everything that is not paper on a page rendered at kRenderDpi, in points.
Box InkBox(const gfx::TBitmap& page)
{
    int x0 = page.Width(), y0 = page.Height(), x1 = -1, y1 = -1;
    for (int y = 0; y < page.Height(); ++y)
        for (int x = 0; x < page.Width(); ++x)
            if ((page.GetPixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                x0 = std::min(x0, x), x1 = std::max(x1, x);
                y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
    const double pt = 72.0 / kRenderDpi;
    if (x1 < 0) return {};
    return {x0 * pt, y0 * pt, (x1 + 1 - x0) * pt, (y1 + 1 - y0) * pt};
}

struct Paper {
    const char* name;
    ui::TPaper paper;
    double width, height;  // points
};

class PrintToPdf : public ViewerTest, public ::testing::WithParamInterface<Paper> {};

TEST_P(PrintToPdf, SegmentLiesBetweenTheMarginsWithItsOwnPixels)
{
    if (!HavePoppler()) FAIL() << "pdftoppm and pdfimages are not installed (Debian package poppler-utils; scripts/test installs it)";
    const Paper paper = GetParam();
    const std::string pdf = File("page.pdf");
    struct PdfSeam : ui::ScriptedSeam {
        std::unique_ptr<ui::PrinterDevice> Pdf;
        ui::PrinterDevice& Printer() override { return *Pdf; }
    } seam;
    seam.Pdf = ui::NewPdfFilePrinter(pdf, paper.paper);
    const rtl::String title = ui::Application().Title();
    ui::Application().SetTitle("Quadrell Image Splitter");

    app::TFrmView& view = MakeViewer(2, 2, 41, 23);
    PaintSharpSegment(app::FullSegments(2, 1)->Picture().Bitmap());
    view.ListBox1->ClickItem(2);
    view.CmdPrint->Click();
    ui::Application().SetTitle(title);
    ASSERT_TRUE(seam.Messages.empty()) << seam.Messages[0].Text;

    const std::string info = Output("pdfinfo '" + pdf + "'");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(info, m, std::regex("Page size: +([0-9.]+) x ([0-9.]+) pts"))) << info;
    EXPECT_NEAR(std::stod(m[1]), paper.width, 0.5);
    EXPECT_NEAR(std::stod(m[2]), paper.height, 0.5);
    EXPECT_TRUE(std::regex_search(info, std::regex("Pages: +1\n"))) << info;
    EXPECT_TRUE(std::regex_search(info, std::regex("Title: +Quadrell Image Splitter - Image #3\n"))) << info;

    // Margins of one inch left and right and three inches top and bottom, counted from the
    // printable area, which is the whole sheet for a PDF file.
    ASSERT_FALSE(Output("pdftoppm -r " + std::to_string(kRenderDpi) + " -png -singlefile '" + pdf + "' '" +
                        File("page") + "' && echo ok")
                     .empty());
    const Box box = InkBox(LoadPng(File("page.png")));
    EXPECT_NEAR(box.left, 72, 0.5);
    EXPECT_NEAR(box.top, 216, 0.5);
    EXPECT_NEAR(box.width, paper.width - 144, 0.5);
    EXPECT_NEAR(box.height, paper.height - 432, 0.5);

    // The one picture in the file is the clean segment, pixel for pixel.
    ASSERT_FALSE(Output("pdfimages -png '" + pdf + "' '" + File("img") + "' && echo ok").empty());
    const gfx::TBitmap stored = LoadPng(File("img-000.png"));
    EXPECT_FALSE(std::filesystem::exists(File("img-001.png")));
    const gfx::TBitmap& segment = app::FullSegments(2, 1)->Picture().Bitmap();
    ASSERT_EQ(stored.Width(), segment.Width());
    ASSERT_EQ(stored.Height(), segment.Height());
    int differing = 0;
    for (int y = 0; y < segment.Height(); ++y)
        for (int x = 0; x < segment.Width(); ++x)
            differing += (stored.GetPixel(x, y) & 0xFFFFFF) != (segment.GetPixel(x, y) & 0xFFFFFF);
    EXPECT_EQ(differing, 0);
}

INSTANTIATE_TEST_SUITE_P(Papers, PrintToPdf,
                         ::testing::Values(Paper{"A4", ui::TPaper::A4, 595.276, 841.89},
                                           Paper{"Letter", ui::TPaper::Letter, 612, 792}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
