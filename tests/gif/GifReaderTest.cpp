#include <gtest/gtest.h>

#include "GifTestUtil.h"
#include "framework/ui/Application.h"
#include "tests/common/PeakMemory.h"

using namespace gif;
using namespace giftest;

namespace {

// One 2 x 1 image with the pixels 1 and 2 (minimum code size 2).
std::string TwoPixels()
{
    CodeStream s(2);
    s.Literals({1, 2});
    s.Put(s.End());
    return s.Bytes();
}

std::string ErrorOf(const std::string& bytes)
{
    try {
        Load(bytes);
    } catch (const rtl::Exception& e) {
        return e.ClassName() + ": " + e.Message();
    }
    return "no error";
}

}  // namespace

TEST(GifReader, OnlyTheVersionIsCompared)
{
    const struct {
        const char* signature;
        const char* version;
        bool accepted;
    } cases[] = {{"GIF", "87a", true}, {"GIF", "89a", true}, {"GIF", "87A", true}, {"GIF", "89A", true},
                 {"XYZ", "89a", true}, {"GIF", "88a", false}, {"GIF", "89b", false}, {"GIF", "89", false}};
    for (const auto& c : cases) {
        std::string bytes = GifBuilder(c.version, c.signature).Screen(2, 1).Image(2, 1, 0, 2, TwoPixels()).Trailer().S;
        if (c.accepted) {
            auto gif = Load(bytes);
            EXPECT_EQ(gif->SubImages.Count(), 1) << c.version;
            EXPECT_EQ(std::string(gif->Header.Signature, 3), c.signature);
        } else {
            EXPECT_EQ(ErrorOf(bytes), "EGifException: Gif Version must be 87a or 89a") << c.version;
        }
    }
}

TEST(GifReader, ScreenAndGlobalTable)
{
    auto gif = Load(GifBuilder().Screen(300, 200, true, 2, 3).Image(2, 1, 0, 2, TwoPixels()).Trailer().S);
    EXPECT_EQ(int(gif->ScreenDescriptor.ScreenWidth), 300);
    EXPECT_EQ(int(gif->ScreenDescriptor.ScreenHeight), 200);
    EXPECT_TRUE(gif->HasGlobalColorMap);
    EXPECT_EQ(gif->BitsPerPixel, 3);
    EXPECT_EQ(gif->GlobalColorMap->Count(), 8);
    EXPECT_EQ(gif->GlobalColorMap->GetColor(2), gfx::RGB(32, 33, 34));
    EXPECT_EQ(gif->GetSubImage(1)->BackgroundColor(), gfx::RGB(48, 49, 50));
}

TEST(GifReader, NoGlobalTable)
{
    // The byte right after the descriptor is the first block introducer.
    auto gif = Load(GifBuilder().Screen(2, 1, false, 0).Image(2, 1, 0, 2, TwoPixels()).Trailer().S);
    EXPECT_FALSE(gif->HasGlobalColorMap);
    EXPECT_EQ(gif->BitsPerPixel, 1);
    EXPECT_EQ(gif->GlobalColorMap->Count(), 2);
    ASSERT_EQ(gif->SubImages.Count(), 1);
    EXPECT_EQ(Rows(*gif->GetSubImage(1)->Pixels), (std::vector<std::vector<uint8_t>>{{1, 2}}));
}

TEST(GifReader, ImageDescriptorAndLocalTable)
{
    std::string local = GifBuilder::GreyTable(4, 100);
    auto gif = Load(GifBuilder().Screen(9, 9).Image(2, 1, 0x81, 2, TwoPixels(), local, 3, 4).Trailer().S);
    TGifSubImage* image = gif->GetSubImage(1);
    EXPECT_EQ(int(image->ImageDescriptor.ImageLeftPos), 3);
    EXPECT_EQ(int(image->ImageDescriptor.ImageTopPos), 4);
    EXPECT_TRUE(image->HasLocalColorMap);
    EXPECT_FALSE(image->Interlaced);
    EXPECT_EQ(image->BitsPerPixel, 2);
    EXPECT_EQ(image->LocalColorMap->Count(), 4);
    EXPECT_EQ(image->LocalColorMap->GetColor(1), gfx::RGB(116, 117, 118));
    EXPECT_EQ(image->BackgroundColor(), gfx::RGB(100, 101, 102));
    EXPECT_EQ(image->LZWCodeSize, 2);
    EXPECT_EQ(image->CompressedRasterData->StringCount(), 1);
}

TEST(GifReader, CommentSubBlocks)
{
    auto gif = Load(GifBuilder()
                        .Screen(2, 1)
                        .Comment({std::string(3, 'a'), std::string(200, 'b')})
                        .Image(2, 1, 0, 2, TwoPixels())
                        .Trailer()
                        .S);
    TExtensionList* list = gif->GetSubImage(1)->Extensions();
    ASSERT_EQ(list->Count(), 1);
    const TExtensionRecord& rec = list->Items(0)->ExtRec;
    EXPECT_EQ(rec.ExtensionType, etCE);
    ASSERT_EQ(rec.Comment->Count(), 2);
    EXPECT_EQ((*rec.Comment)[0], std::string(3, 'a'));
    EXPECT_EQ((*rec.Comment)[1].size(), 200u);
}

TEST(GifReader, PlainTextAndApplicationExtensions)
{
    std::string pte = Bytes({0x21, 0x01, 12}) + Word(1) + Word(2) + Word(30) + Word(40) + Bytes({8, 16, 3, 4}) +
                      SubBlocks("hello");
    std::string appe = Bytes({0x21, 0xFF, 11}) + "NETSCAPE2.0" + SubBlocks(Bytes({1, 0, 0}));
    auto gif = Load(GifBuilder().Screen(2, 1).Raw(appe).Raw(pte).Image(2, 1, 0, 2, TwoPixels()).Trailer().S);
    TExtensionList* list = gif->GetSubImage(1)->Extensions();
    ASSERT_EQ(list->Count(), 2);
    const TApplicationExtension& a = list->Items(0)->ExtRec.APPE;
    EXPECT_EQ(list->Items(0)->ExtRec.ExtensionType, etAPPE);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(a.ApplicationIdentifier), 8), "NETSCAPE");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(a.AppAuthenticationCode), 3), "2.0");
    EXPECT_EQ(a.AppData->Count(), 1);
    const TPlainTextExtension& p = list->Items(1)->ExtRec.PTE;
    EXPECT_EQ(list->Items(1)->ExtRec.ExtensionType, etPTE);
    EXPECT_EQ(p.Width, 30);
    EXPECT_EQ(p.TextBGColorIndex, 4);
    EXPECT_EQ((*p.PlainTextData)[0], "hello");
}

TEST(GifReader, ExtensionsWithoutAnImageAreDropped)
{
    auto gif = Load(GifBuilder().Screen(2, 1).Image(2, 1, 0, 2, TwoPixels()).Gce(1, 5, 0).Comment({"x"}).Trailer().S);
    ASSERT_EQ(gif->SubImages.Count(), 1);
    EXPECT_EQ(gif->GetSubImage(1)->Extensions()->Count(), 0);
}

TEST(GifReader, GraphicControlExtensionIsAlwaysSixBytes)
{
    // Block size 6: the reader still takes 6 bytes, so the block's last two bytes are read as
    // the next introducer and label (a comment here).
    std::string gce = Bytes({0x21, 0xF9, 6, 0x01, 7, 0, 9, 0, 0x21, 0xFE}) + SubBlocks("zz");
    auto gif = Load(GifBuilder().Screen(2, 1).Raw(gce).Image(2, 1, 0, 2, TwoPixels()).Trailer().S);
    ASSERT_EQ(gif->SubImages.Count(), 1);
    TExtensionList* list = gif->GetSubImage(1)->Extensions();
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Items(0)->ExtRec.GCE.BlockSize, 6);
    EXPECT_EQ(list->Items(0)->ExtRec.GCE.TransparentColorIndex, 9);
    EXPECT_EQ(list->Items(1)->ExtRec.ExtensionType, etCE);
}

TEST(GifReader, EndsOfTheBlockSequence)
{
    const struct {
        const char* what;
        std::string tail;
        int images;
    } cases[] = {
        {"trailer", Bytes({0x3B}), 2},
        {"no trailer", "", 2},
        {"zero introducer", Bytes({0x00, 0x2C, 1, 2, 3}), 1},
        {"unknown introducer", Bytes({0x77}), 1},
    };
    for (const auto& c : cases) {
        GifBuilder b;
        b.Screen(2, 1).Image(2, 1, 0, 2, TwoPixels());
        if (c.images == 2) b.Image(2, 1, 0, 2, TwoPixels());
        auto gif = Load(b.Raw(c.tail).S);
        EXPECT_EQ(gif->SubImages.Count(), c.images) << c.what;
    }
}

TEST(GifReader, UnknownExtensionLabel)
{
    std::string bytes = GifBuilder().Screen(2, 1).Raw(Bytes({0x21, 0x3A, 0})).Image(2, 1, 0, 2, TwoPixels()).S;
    EXPECT_EQ(ErrorOf(bytes), "EGifException: Unrecognized extension block.\r\nCode = $3A");
}

TEST(GifReader, TwoGraphicControlExtensions)
{
    // The first is transparent with delay 10; the second not, delay 20, disposal 2.
    auto gif = Load(GifBuilder()
                        .Screen(2, 1)
                        .Gce(0x01, 10, 3)
                        .Gce(2 << 2, 20, 1)
                        .Image(2, 1, 0, 2, TwoPixels())
                        .Trailer()
                        .S);
    TGifSubImage* image = gif->GetSubImage(1);
    EXPECT_EQ(image->TransparentColorIndex(), 3);
    EXPECT_EQ(image->TransparentColor(), gif->GlobalColorMap->GetColor(3));
    EXPECT_FALSE(image->IsTransparent());
    EXPECT_EQ(image->AnimateInterval(), 20);
    EXPECT_EQ(image->DisposalMethod(), dmRestoreBackgroundColor);

    image->SetAnimateInterval(7);
    EXPECT_EQ(int(image->Extensions()->Items(0)->ExtRec.GCE.DelayTime), 7);
    EXPECT_EQ(image->AnimateInterval(), 7);
}

TEST(GifReader, DisposalMethodField)
{
    auto gif = Load(GifBuilder().Screen(2, 1).Gce(5 << 2 | 1, 0, 0).Image(2, 1, 0, 2, TwoPixels()).Trailer().S);
    EXPECT_EQ(gif->GetSubImage(1)->DisposalMethod(), dm5);
    EXPECT_TRUE(gif->GetSubImage(1)->IsTransparent());
}

TEST(GifReader, TransparencyFlagOfTheGraphicControlBlock)
{
    const struct {
        uint8_t packed;
        bool transparent;
        int index;  // of the transparent colour, -1 for none
    } cases[] = {
        {0x01, true, 3},
        {0x00, false, -1},
        {2 << 2, false, -1},  // a disposal method alone sets no transparency
        {0xFE, false, -1},    // every bit but the flag
    };
    for (const auto& c : cases) {
        auto gif = Load(GifBuilder().Screen(2, 1).Gce(c.packed, 0, 3).Image(2, 1, 0, 2, TwoPixels()).Trailer().S);
        TGifSubImage* image = gif->GetSubImage(1);
        EXPECT_EQ(image->IsTransparent(), c.transparent) << int(c.packed);
        EXPECT_EQ(image->TransparentColorIndex(), c.index) << int(c.packed);
        const TColor expected = c.index < 0 ? static_cast<TColor>(-1) : gif->GlobalColorMap->GetColor(c.index);
        EXPECT_EQ(image->TransparentColor(), expected) << int(c.packed);
    }
}

TEST(GifReader, NoGraphicControlExtension)
{
    auto gif = Load(GifBuilder().Screen(2, 1).Image(2, 1, 0, 2, TwoPixels()).Trailer().S);
    TGifSubImage* image = gif->GetSubImage(1);
    EXPECT_EQ(image->AnimateInterval(), 0);
    EXPECT_EQ(image->DisposalMethod(), dmNone);
    EXPECT_FALSE(image->IsTransparent());
    EXPECT_EQ(image->TransparentColor(), static_cast<TColor>(-1));
    EXPECT_EQ(image->TransparentColorIndex(), -1);
    image->SetAnimateInterval(30);
    EXPECT_EQ(image->AnimateInterval(), 0);

    // A placeholder has no extension list and answers the same.
    auto empty = TGifSubImage::CreateEmpty();
    EXPECT_EQ(empty->AnimateInterval(), 0);
    empty->SetAnimateInterval(3);
    EXPECT_EQ(empty->TransparentColor(), static_cast<TColor>(-1));
    EXPECT_EQ(empty->TransparentColorIndex(), -1);
    EXPECT_EQ(empty->Extensions(), nullptr);
}

TEST(GifSubImage, ColourCounts)
{
    TGifFile doc;
    try {
        TGifSubImage bad(3, &doc);
        FAIL();
    } catch (const EGifException& e) {
        EXPECT_EQ(e.Message(), "Number of colors (3) wrong; must be a power of 2");
    }
    EXPECT_THROW(TGifSubImage(0, &doc), EGifException);
    EXPECT_THROW(TGifSubImage(1, &doc), EGifException);
    EXPECT_THROW(TGifSubImage(512, &doc), EGifException);

    const struct {
        uint16_t colors;
        uint8_t bits, codeSize;
    } cases[] = {{2, 1, 2}, {4, 2, 2}, {8, 3, 3}, {16, 4, 4}, {128, 7, 7}, {256, 8, 8}};
    for (const auto& c : cases) {
        TGifSubImage image(c.colors, &doc);
        EXPECT_EQ(image.BitsPerPixel, c.bits);
        EXPECT_EQ(image.LZWCodeSize, c.codeSize);
        EXPECT_EQ(image.LocalColorMap->Count(), c.colors);
        EXPECT_EQ(image.ImageDescriptor.PackedFields, 0);
        EXPECT_FALSE(image.HasLocalColorMap);
        EXPECT_EQ(image.Pixels->TotalCount(), 0);
    }
}

TEST(GifFile, GetSubImageIsOneBased)
{
    auto gif = Load(GifBuilder().Screen(2, 1).Image(2, 1, 0, 2, TwoPixels()).Image(2, 1, 0, 2, TwoPixels()).Trailer().S);
    EXPECT_EQ(gif->GetSubImage(1), gif->SubImages[0]);
    EXPECT_EQ(gif->GetSubImage(2), gif->SubImages[1]);
    try {
        gif->GetSubImage(0);
        FAIL();
    } catch (const rtl::EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (-1)");
    }
    EXPECT_THROW(gif->GetSubImage(3), rtl::EListError);
}

TEST(GifFile, EmptyStreamRaisesNothing)
{
    auto gif = Load("");
    EXPECT_EQ(gif->SubImages.Count(), 0);
    EXPECT_EQ(std::string(gif->Header.Version, 3), "87a");
    EXPECT_FALSE(gif->HasGlobalColorMap);
    EXPECT_EQ(gif->GlobalColorMap->Count(), 2);
}

TEST(GifFile, ReadingStartsAtTheStreamStartAndAppends)
{
    std::string bytes = GifBuilder().Screen(2, 1).Image(2, 1, 0, 2, TwoPixels()).Trailer().S;
    TGifFile gif;
    auto ms = StreamOf(bytes);
    ms->SetPosition(5);
    gif.LoadFromStream(*ms);
    gif.LoadFromStream(*ms);
    EXPECT_EQ(gif.SubImages.Count(), 2);
    EXPECT_EQ(ui::Screen().Cursor(), ui::crDefault);
}

TEST(GifFile, CursorIsResetAfterAFailure)
{
    ui::Screen().SetCursor(ui::crHandPoint);
    EXPECT_THROW(Load(GifBuilder("88a").S), EGifException);
    EXPECT_EQ(ui::Screen().Cursor(), ui::crDefault);
}

TEST(GifFile, ImageWithoutDataIsAListIndexError)
{
    std::string bytes = GifBuilder().Screen(2, 1).Image(2, 1, 0, 2, "").Trailer().S;
    EXPECT_EQ(ErrorOf(bytes), "EStringListError: List index out of bounds (0)");
}

TEST(GifFile, ImagesBeforeAFailureStayInTheDocument)
{
    std::string bytes = GifBuilder().Screen(2, 1).Image(2, 1, 0, 2, TwoPixels()).Image(2, 1, 0, 1, TwoPixels()).S;
    TGifFile gif;
    auto ms = StreamOf(bytes);
    EXPECT_THROW(gif.LoadFromStream(*ms), EGifException);
    EXPECT_EQ(gif.SubImages.Count(), 1);
}

TEST(GifFile, TruncatedStreamsEndQuietlyOrWithAnIndexError)
{
    // Cut a file with every kind of extension at every length: the reading ends without
    // reading past the end or looping, keeping the images before the cut.
    std::string pte = Bytes({0x21, 0x01, 12}) + std::string(12, '\1') + SubBlocks("text");
    std::string appe = Bytes({0x21, 0xFF, 11}) + "NETSCAPE2.0" + SubBlocks(Bytes({1, 0, 0}));
    std::string full = GifBuilder()
                           .Screen(2, 1)
                           .Image(2, 1, 0, 2, TwoPixels())
                           .Gce(1, 4, 1)
                           .Comment({"abc", "de"})
                           .Raw(pte)
                           .Raw(appe)
                           .Image(2, 1, 0, 2, TwoPixels())
                           .Trailer()
                           .S;
    const size_t firstImageEnd = 13 + 12 + 10 + 1 + SubBlocks(TwoPixels()).size();
    for (size_t cut = firstImageEnd; cut < full.size(); ++cut) {
        std::unique_ptr<TGifFile> gif;
        try {
            gif = Load(full.substr(0, cut));
        } catch (const rtl::EStringListError&) {
            continue;  // cut inside the second image, before its data
        }
        EXPECT_GE(gif->SubImages.Count(), 1) << cut;
    }
}

// Memory follows the data: a frame that its bytes could not describe even at LZW's best ratio
// (3-bit codes of 4096 pixels each) is refused before its matrix is reserved, and nothing is
// sized from a descriptor that the file cuts off.
TEST(GifFile, FramesLargerThanTheirDataCanDescribeAreRefusedInLittleMemory)
{
    SKIP_UNDER_SANITIZERS();
    CodeStream s(2);
    s.Literals({1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3});
    const std::string huge = GifBuilder().Screen(30000, 30000, false).Image(30000, 30000, 0, 2, s.Bytes()).S;
    ASSERT_EQ(huge.size(), 35u);
    // Screen 65535 x 9500, a graphic control extension, then a descriptor cut before its packed byte.
    const std::string cut = GifBuilder().Screen(65535, 9500, false).Gce(0, 0, 0).S + Bytes({0x2C}) + Word(0) + Word(0) +
                            Word(65535) + Word(9500);
    const struct {
        const char* what;
        std::string bytes;
        std::string error;
    } cases[] = {
        {"30000 x 30000 in 9 data bytes", huge, "EGifException: Image data too short for 30000 x 30000 pixels"},
        {"descriptor cut off", cut, "EStringListError: List index out of bounds (0)"},
    };
    for (const auto& c : cases) {
        auto outcome = testmemory::RunLimited(64 * testmemory::MB, [&] { return ErrorOf(c.bytes) == c.error ? 0 : 1; });
        ASSERT_TRUE(outcome.Finished) << c.what;
        EXPECT_EQ(outcome.Result, 0) << c.what << ": " << ErrorOf(c.bytes);
        EXPECT_LT(outcome.PeakBytes, 64 * testmemory::MB) << c.what;
    }
}

TEST(GifFile, DataThatCouldDescribeTheFrameStillEndsQuietly)
{
    // Three data bytes hold at most eight codes, so at most 8 x 4096 pixels.
    CodeStream literals(2);
    literals.Literals({1, 2, 3, 1});
    const std::string data = literals.Bytes();
    ASSERT_EQ(data.size(), 3u);
    auto gif = Load(GifBuilder().Screen(32768, 1, false).Image(32768, 1, 0, 2, data).S);
    ASSERT_EQ(gif->SubImages.Count(), 1);  // the row is never completed: it holds 0
    EXPECT_EQ(gif->GetSubImage(1)->Pixels->Max(), 0);

    EXPECT_EQ(ErrorOf(GifBuilder().Screen(32769, 1, false).Image(32769, 1, 0, 2, data).S),
              "EGifException: Image data too short for 32769 x 1 pixels");

    // A 64 x 64 frame whose data stops after its first row keeps that row.
    CodeStream s(2);
    std::vector<uint8_t> row(64);
    for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<uint8_t>(i % 4);
    s.Literals(row);
    gif = Load(GifBuilder().Screen(64, 64, false).Image(64, 64, 0, 2, s.Bytes()).S);
    auto rows = Rows(*gif->GetSubImage(1)->Pixels);
    EXPECT_EQ(rows[0], row);
    EXPECT_EQ(rows[1], std::vector<uint8_t>(64, 0));
}

TEST(GifFile, LoadFromFileReadsTheWholeFile)
{
    std::string path = giftest::Scratch() + "/gif_reader_test.gif";
    std::string bytes = GifBuilder().Screen(2, 1).Image(2, 1, 0, 2, TwoPixels()).Trailer().S;
    auto ms = StreamOf(bytes);
    ms->SaveToFile(path);
    TGifFile gif;
    gif.LoadFromFile(path);
    EXPECT_EQ(gif.SubImages.Count(), 1);
    rtl::DeleteFile(path);

    TGifFile missing;
    EXPECT_THROW(missing.LoadFromFile(rtl::TempFolder() + "/no such file.gif"), rtl::Exception);
}
