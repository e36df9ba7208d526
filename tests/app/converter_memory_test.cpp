// The converter under a tight address-space limit: every resize and every conversion of a picture
// to a bitmap counts what it will make first, and tells the user instead of running out.
#include "tests/app/converter_fixture.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iostream>

#include "app/FolderBatch.h"
#include "app/Uchoice.h"
#include "framework/rtl/Parallel.h"
#include "tests/common/PeakMemory.h"

namespace convtest {
namespace {

namespace fs = std::filesystem;
using testmemory::MB;

const std::string MsgTooLargeToConvert =
    "The image of 12000 x 12000 pixels needs more memory than this computer has free to be converted. Please "
    "make it smaller with the scroll bar, or enter a smaller width and height.";

std::string NewImageTooLarge(int width, int height)
{
    return "A new image of " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels needs more memory than this computer has free. Please enter a smaller width and height.";
}

void Put32(std::string& bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes += char(value >> (8 * i));
}

// An enhanced metafile of width x height pixels (its bounds; an empty frame) with no drawing.
std::string EmptyEmf(int width, int height)
{
    std::string bytes;
    for (uint32_t v : {1u, 108u, 0u, 0u, uint32_t(width - 1), uint32_t(height - 1), 0u, 0u, 0u, 0u, 0x464D4520u,
                       0x10000u, 128u, 2u, 1u, 0u, 0u, 0u, 1920u, 1080u, 508u, 286u, 0u, 0u, 0u, 508000u, 285750u})
        Put32(bytes, v);
    for (uint32_t v : {14u, 20u, 0u, 16u, 20u}) Put32(bytes, v);
    return bytes;
}

class ConverterMemory : public ConverterTest {
public:
    // "Save The Images/Thumbnails" as type, the save dialog answered with a name.
    void SaveAs(app::TOutputType type) { Save(type, Out("out.file")); }

protected:
    void SetUp() override
    {
        ConverterTest::SetUp();
        // The worker pool is made before the limit: its threads' stacks are not the operation's.
        rtl::ParallelBands(2, 2, 2, [](int, int) {});
    }

    void ChooseMetafile(int width, int height)
    {
        const String path = Pictures + "/drawing.emf";
        apptest::WriteBytes(path, EmptyEmf(width, height));
        Select(path);
        ASSERT_EQ(app::BaseWidth, width);
        Seam->Dialogs.clear();
        Seam->ModalShown.clear();
    }

    // Runs act with `headroom` bytes of address space beyond what the process maps; true when the
    // messages it shows are `expected` and the preview is still `previewWidth` wide.
    void ExpectUnderLimit(int64_t headroom, const std::function<void()>& act, const std::vector<std::string>& expected,
                          int previewWidth)
    {
        if (testmemory::Sanitized) GTEST_SKIP() << "an address-space limit cannot be set under AddressSanitizer";
        const testmemory::Outcome outcome = testmemory::RunLimited(headroom, [&] {
            Seam->Messages.clear();
            act();
            const bool messages = Texts() == expected;
            const bool preview = W().Image1->Picture().Width() == previewWidth;
            if (!messages)
                for (const std::string& text : Texts()) std::cerr << "shown: " << text << "\n";
            if (!preview) std::cerr << "preview width " << W().Image1->Picture().Width() << "\n";
            return messages && preview ? 0 : 1;
        });
        ASSERT_TRUE(outcome.Finished) << "the child was killed";
        EXPECT_EQ(outcome.Result, 0);
    }
};

// A 128-byte metafile of 12000 x 12000 pixels is 576 MB as a bitmap: with 256 MB to spare, each
// command that would turn it into one says so, and nothing changes.
struct ConversionCase {
    const char* name;
    std::function<void(ConverterMemory&)> act;
    std::string message;
};

void PrintTo(const ConversionCase& c, std::ostream* os) { *os << c.name; }

class MetafileConversion : public ConverterMemory, public ::testing::WithParamInterface<ConversionCase> {};

TEST_P(MetafileConversion, TellsInsteadOfRunningOut)
{
    ChooseMetafile(12000, 12000);
    ExpectUnderLimit(256 * MB, [this] { GetParam().act(*this); }, {GetParam().message}, 12000);
    for (const char* name : {"out.file", "out.TIF"}) EXPECT_FALSE(fs::exists(Out(name))) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, MetafileConversion,
    ::testing::Values(
        ConversionCase{"Calculator", [](ConverterMemory&) { app::Frmadjust->Cmdcalculate->Click(); },
                       MsgTooLargeToConvert},
        ConversionCase{"Jpeg", [](ConverterMemory& t) { t.SaveAs(app::TOutputType::Jpeg); },
                       MsgTooLargeToConvert},
        ConversionCase{"Tiff", [](ConverterMemory& t) { t.SaveAs(app::TOutputType::Tiff); },
                       MsgTooLargeToConvert},
        ConversionCase{"Metafile",
                       [](ConverterMemory& t) { t.SaveAs(app::TOutputType::Metafile); },
                       MsgTooLargeToConvert},
        // A bitmap is saved at the bar's percent, made first from the loaded picture.
        ConversionCase{"Bitmap",
                       [](ConverterMemory& t) { t.SaveAs(app::TOutputType::Bitmap); },
                       NewImageTooLarge(12000, 12000)},
        // One message, although the bar moves twice.
        ConversionCase{"Reset", [](ConverterMemory&) { app::Frmadjust->BitBtn1->Click(); },
                       NewImageTooLarge(12000, 12000)}),
    [](const auto& info) { return std::string(info.param.name); });

// The folder batch sizes a metafile of the folder before it makes its bitmap: the file is not
// converted, the user is told why, and the batch does not run out of memory.
TEST_F(ConverterMemory, BatchTellsInsteadOfRunningOut)
{
    if (testmemory::Sanitized) GTEST_SKIP() << "an address-space limit cannot be set under AddressSanitizer";
    Choose(apptest::PatternBitmap(64, 48));
    const String source = Root + "/source/", output = Root + "/output/";
    fs::create_directory(source);
    fs::create_directory(output);
    apptest::WriteBytes(source + "drawing.emf", EmptyEmf(12000, 12000));
    app::FolderMode = true;
    app::SourceFolder = source;
    app::OutputFolder = output;
    app::WebFolder = "";
    app::MakeWebPage = false;
    auto others = Seam->OnShowModal;
    Seam->OnShowModal = [others](ui::TForm& form) {
        if (auto* chooser = dynamic_cast<app::TFrmchoice*>(&form)) chooser->BitBtn1->Click();
        else others(form);
    };
    Type = app::TOutputType::Bitmap;
    const testmemory::Outcome outcome = testmemory::RunLimited(256 * MB, [&] {
        W().Cmdsave->Click();
        // Told in a message or in the results list, whichever the batch uses for a file it passes over.
        std::vector<std::string> seen = Texts();
        for (const String& line : ResultLines()) seen.push_back(line);
        const bool told = std::ranges::any_of(seen, [](const std::string& text) {
            return text.find(NewImageTooLarge(12000, 12000)) != std::string::npos;
        });
        if (!told)
            for (const std::string& text : seen) std::cerr << "seen: " << text << "\n";
        return told && !fs::exists(output + "drawing.BMP") ? 0 : 1;
    });
    app::FolderMode = false;
    app::SourceFolder = app::OutputFolder = "";
    ASSERT_TRUE(outcome.Finished) << "the child was killed";
    EXPECT_EQ(outcome.Result, 0);
}

// Every buffer of a resize is counted, not the new bitmap alone. With 56 MB to spare: a new
// 10000 x 10000 picture (400 MB) is refused; an 8-bit 3000 x 3000 source stretched to the same size
// makes a 36 MB bitmap and a 36 MB copy of the source in 32 bits, which together do not fit, while
// 1000 x 1000 (4 MB beside the 36 MB copy) does; 200 % of a 2000 x 2000 picture is 64 MB.
struct ResizeCase {
    const char* name;
    int sourceWidth, sourceHeight;
    gfx::TPixelFormat format;
    std::function<void(app::TFrmadjust&)> act;
    std::vector<std::string> messages;
    int previewWidth;  // afterwards
};

void PrintTo(const ResizeCase& c, std::ostream* os) { *os << c.name; }

class ResizeUnderLimit : public ConverterMemory, public ::testing::WithParamInterface<ResizeCase> {};

TEST_P(ResizeUnderLimit, CountsEveryBuffer)
{
    const ResizeCase& c = GetParam();
    gfx::TBitmap source(c.sourceWidth, c.sourceHeight, c.format);
    Choose(source);
    ExpectUnderLimit(56 * MB, [&] { c.act(W()); }, c.messages, c.previewWidth);
}

void Exact(app::TFrmadjust& w, const char* width, const char* height)
{
    w.EdW->Type(width);
    w.EdH->Type(height);
    w.Button1->Click();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResizeUnderLimit,
    ::testing::Values(
        ResizeCase{"ExactSizeBeyondTheLimit", 64, 48, gfx::TPixelFormat::pfDevice,
                   [](app::TFrmadjust& w) { Exact(w, "10000", "10000"); }, {NewImageTooLarge(10000, 10000)}, 64},
        ResizeCase{"SourceCopyCounted", 3000, 3000, gfx::TPixelFormat::pf8bit,
                   [](app::TFrmadjust& w) { Exact(w, "3001", "3000"); }, {NewImageTooLarge(3001, 3000)}, 3000},
        ResizeCase{"SourceCopyAndSmallPictureFit", 3000, 3000, gfx::TPixelFormat::pf8bit,
                   [](app::TFrmadjust& w) { Exact(w, "1000", "1000"); }, {}, 1000},
        ResizeCase{"BarAt200Percent", 2000, 2000, gfx::TPixelFormat::pfDevice,
                   [](app::TFrmadjust& w) { w.ScrollBar1->SetPosition(200); }, {NewImageTooLarge(4000, 4000)}, 2000}),
    [](const auto& info) { return std::string(info.param.name); });

// The split cuts the picture's pixels in the device format: an 8-bit picture of 4000 x 4000 is
// copied into 64 MB first, more than the 32 MB to spare.
TEST_F(ConverterMemory, SplitTellsInsteadOfRunningOut)
{
    Choose(gfx::TBitmap(4000, 4000, gfx::TPixelFormat::pf8bit));
    ExpectUnderLimit(
        32 * MB, [] { app::FrmFirst->CmdSplit->Click(); },
        {"The image of 4000 x 4000 pixels needs more memory than this computer has free to be split."}, 4000);
    EXPECT_EQ(app::FrmView, nullptr);
}

}  // namespace
}  // namespace convtest
