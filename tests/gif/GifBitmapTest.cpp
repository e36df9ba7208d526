#include <gtest/gtest.h>

#include <cstring>

#include "GifTestUtil.h"
#include "framework/graphics/Dib.h"
#include "gif/FmProgr.h"

using namespace gif;
using namespace giftest;

namespace {

std::string CodeStreamOf(const std::vector<uint8_t>& pixels)
{
    CodeStream s(2);
    s.Literals(pixels);
    s.Put(s.End());
    return s.Bytes();
}

// A w x h image whose pixel (x, y) is (x + 2 * y) mod 4, with the grey global table.
std::string Picture(int w, int h, bool withLocal = false, int extraImages = 0)
{
    std::vector<uint8_t> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) pixels.push_back(static_cast<uint8_t>((x + 2 * y) % 4));
    CodeStream s(2);
    s.Literals(pixels);
    s.Put(s.End());
    GifBuilder b;
    b.Screen(w, h);
    if (withLocal)
        b.Image(w, h, 0x81, 2, s.Bytes(), GifBuilder::GreyTable(4, 200));
    else
        b.Image(w, h, 0, 2, s.Bytes());
    for (int k = 0; k < extraImages; ++k) b.Image(1, 1, 0, 2, CodeStreamOf({3}));
    return b.Trailer().S;
}

uint32_t Dword(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}

std::vector<uint8_t> Bmp(const TGifSubImage& image)
{
    rtl::TMemoryStream ms;
    image.WriteBmpStream(ms);
    EXPECT_EQ(ms.Position(), 0);
    return std::vector<uint8_t>(ms.Memory(), ms.Memory() + ms.Size());
}

}  // namespace

TEST(BmpStream, OneByOne)
{
    auto gif = Load(Picture(1, 1));
    std::vector<uint8_t> bmp = Bmp(*gif->GetSubImage(1));
    ASSERT_EQ(bmp.size(), 1082u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(Dword(&bmp[2]), 1082u);
    EXPECT_EQ(Dword(&bmp[6]), 0u);
    EXPECT_EQ(Dword(&bmp[10]), 1078u);

    gfx::TBitmapInfoHeader info;
    std::memcpy(&info, &bmp[14], sizeof(info));
    EXPECT_EQ(info.biSize, 40u);
    EXPECT_EQ(info.biWidth, 1);
    EXPECT_EQ(info.biHeight, 1);
    EXPECT_EQ(info.biPlanes, 1);
    EXPECT_EQ(info.biBitCount, 8);
    EXPECT_EQ(info.biCompression, 0u);
    EXPECT_EQ(info.biSizeImage, 0u);
    EXPECT_EQ(info.biXPelsPerMeter, 143);
    EXPECT_EQ(info.biYPelsPerMeter, 143);
    EXPECT_EQ(info.biClrUsed, 0u);
    EXPECT_EQ(info.biClrImportant, 0u);

    // Palette: blue, green, red, 0 from the global table (grey entry i is 16i, 16i+1, 16i+2).
    EXPECT_EQ(bmp[54 + 4 * 2 + 0], 34);
    EXPECT_EQ(bmp[54 + 4 * 2 + 1], 33);
    EXPECT_EQ(bmp[54 + 4 * 2 + 2], 32);
    EXPECT_EQ(bmp[54 + 4 * 2 + 3], 0);
    // Entries beyond the count carry what the table holds there (black).
    EXPECT_EQ(bmp[54 + 4 * 200], 0);
    EXPECT_EQ(std::vector<uint8_t>(bmp.begin() + 1078, bmp.end()), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST(BmpStream, RowFillerAndOrder)
{
    const struct {
        int w, h;
        size_t stride;
    } cases[] = {{4, 2, 4}, {5, 3, 8}, {3, 1, 4}};
    for (const auto& c : cases) {
        auto gif = Load(Picture(c.w, c.h));
        std::vector<uint8_t> bmp = Bmp(*gif->GetSubImage(1));
        ASSERT_EQ(bmp.size(), 1078 + c.h * c.stride) << c.w;
        for (int r = 0; r < c.h; ++r) {
            int y = c.h - 1 - r;  // the last image row comes first
            for (int x = 0; x < c.w; ++x) EXPECT_EQ(bmp[1078 + r * c.stride + x], (x + 2 * y) % 4);
            for (size_t x = c.w; x < c.stride; ++x) EXPECT_EQ(bmp[1078 + r * c.stride + x], 0);
        }
    }
}

TEST(BmpStream, HeightZeroIsHeadersAndPalette)
{
    auto gif = Load(GifBuilder().Screen(3, 0).Image(3, 0, 0, 2, CodeStreamOf({1})).Trailer().S);
    ASSERT_EQ(gif->SubImages.Count(), 1);
    std::vector<uint8_t> bmp = Bmp(*gif->GetSubImage(1));
    EXPECT_EQ(bmp.size(), 1078u);
    EXPECT_EQ(Dword(&bmp[2]), 1078u);
}

TEST(BmpStream, PaletteFromTheLocalTable)
{
    auto gif = Load(Picture(2, 2, true));
    std::vector<uint8_t> bmp = Bmp(*gif->GetSubImage(1));
    EXPECT_EQ(bmp[54 + 4 + 2], 216);  // red of local entry 1
}

TEST(BmpStream, PaletteFromTheDocumentWithoutAGlobalTable)
{
    auto gif = Load(GifBuilder().Screen(2, 1, false, 0).Image(2, 1, 0, 2, CodeStreamOf({0, 1})).Trailer().S);
    std::vector<uint8_t> bmp = Bmp(*gif->GetSubImage(1));
    EXPECT_EQ(std::vector<uint8_t>(bmp.begin() + 54, bmp.begin() + 62), (std::vector<uint8_t>{0, 0, 0, 0, 255, 255, 255, 0}));
}

TEST(BmpStream, ProgressForTallImages)
{
    for (int height : {500, 501}) {
        auto gif = Load(Picture(1, height));
        ProgressRecorder progress;
        Bmp(*gif->GetSubImage(1));
        if (height == 500) {
            EXPECT_TRUE(progress.Values.empty());
            continue;
        }
        ASSERT_EQ(progress.Values.size(), 501u);
        EXPECT_EQ(progress.Values.front(), static_cast<float>(1.0 / 501));
        EXPECT_EQ(progress.Values[1], static_cast<float>(1.0 - 499.0 / 501));
        EXPECT_EQ(progress.Values.back(), 1.0f);
    }
}

TEST(GifToBitmap, SubImageCachesItsBitmap)
{
    auto gif = Load(Picture(3, 2));
    TGifSubImage* image = gif->GetSubImage(1);
    TBitmap* a = image->AsBitmap();
    EXPECT_EQ(image->AsBitmap(), a);
    EXPECT_EQ(a->Width(), 3);
    EXPECT_EQ(a->Height(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            int v = ((x + 2 * y) % 4) * 16;
            EXPECT_EQ(a->GetPixel(x, y), gfx::RGB(v, v + 1, v + 2)) << x << "," << y;
        }
}

TEST(GifToBitmap, DocumentMakesANewBitmapEachTime)
{
    auto gif = Load(Picture(3, 2, false, 2));
    ASSERT_EQ(gif->SubImages.Count(), 3);
    auto a = gif->AsBitmap();
    auto b = gif->AsBitmap();
    EXPECT_NE(a.get(), b.get());
    EXPECT_EQ(a->Width(), 3);  // the first image only
    EXPECT_EQ(b->Height(), 2);

    TGifFile empty;
    try {
        empty.AsBitmap();
        FAIL();
    } catch (const rtl::EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (0)");
    }
}

TEST(GifToBitmap, PictureClassLoadsGifFiles)
{
    TProgressProc saved = ProgressCallback;
    InitGifUnit();
    EXPECT_EQ(ProgressCallback, &ShowProgress);
    ProgressCallback = saved;
    std::string path = giftest::Scratch() + "/gif_picture_test.GiF";
    StreamOf(Picture(5, 4, false, 1))->SaveToFile(path);
    gfx::TPicture picture;
    picture.LoadFromFile(path);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Graphic()->ClassName(), "TGifBitmap");
    EXPECT_EQ(picture.Width(), 5);
    EXPECT_EQ(picture.Height(), 4);
    auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->GetPixel(1, 0), gfx::RGB(16, 17, 18));

    StreamOf(GifBuilder().Screen(1, 1).Trailer().S)->SaveToFile(path);
    EXPECT_THROW(picture.LoadFromFile(path), rtl::EListError);
    EXPECT_EQ(picture.Width(), 5);  // kept

    DoneGifUnit();
    EXPECT_EQ(gfx::TPicture::FindClassForExtension("gif"), nullptr);
    rtl::DeleteFile(path);
}

TEST(GifToBitmap, DirectBitmapEqualsTheBmpRoute)
{
    const std::string files[] = {
        Picture(1, 1), Picture(5, 3), Picture(4, 2, true), Picture(7, 9, false, 1),
        GifBuilder().Screen(2, 1, false, 0).Image(2, 1, 0, 2, CodeStreamOf({0, 1})).Trailer().S,
    };
    for (const auto& file : files) {
        auto gif = Load(file);
        TGifSubImage* image = gif->GetSubImage(1);
        rtl::TMemoryStream ms;
        image->WriteBmpStream(ms);
        TBitmap viaBmp;
        viaBmp.LoadFromStream(ms);
        auto direct = gif->AsBitmap();
        ASSERT_EQ(direct->Width(), viaBmp.Width());
        ASSERT_EQ(direct->Height(), viaBmp.Height());
        EXPECT_EQ(direct->PixelFormat(), viaBmp.PixelFormat());
        ASSERT_EQ(direct->Palette().size(), viaBmp.Palette().size());
        for (size_t i = 0; i < viaBmp.Palette().size(); ++i) {
            const gfx::TRGBQuad &a = direct->Palette()[i], &b = viaBmp.Palette()[i];
            EXPECT_TRUE(a.Blue == b.Blue && a.Green == b.Green && a.Red == b.Red && a.Reserved == b.Reserved) << i;
        }
        ASSERT_EQ(direct->RowStride(), viaBmp.RowStride());
        for (int y = 0; y < viaBmp.Height(); ++y)
            EXPECT_EQ(std::memcmp(direct->ScanLine(y), viaBmp.ScanLine(y), size_t(viaBmp.RowStride())), 0) << y;
    }
}

TEST(GifToBitmap, TallImagesReportAsTheRowsAreWritten)
{
    auto gif = Load(Picture(2, 501));
    ProgressRecorder progress;
    auto bitmap = gif->AsBitmap();
    ASSERT_EQ(progress.Values.size(), 501u);
    EXPECT_EQ(progress.Values.front(), static_cast<float>(1.0 / 501));
    EXPECT_EQ(progress.Values.back(), 1.0f);
}
