// TWICImage: ".tiff" pictures through libtiff, with the compressions and layouts ImageMagick writes.
#include <gtest/gtest.h>

#include "framework/graphics/Wic.h"
#include "tests/graphics/formats_support.h"

using namespace gfx;
using namespace codectest;

namespace {

TWICImage Load(const Bytes& data)
{
    rtl::TMemoryStream in;
    Fill(in, data);
    TWICImage image;
    image.LoadFromStream(in);
    return image;
}

Bytes Save(TWICImage& image)
{
    rtl::TMemoryStream out;
    image.SaveToStream(out);
    return Contents(out);
}

bool StartsWith(const std::string& text, const std::string& head) { return text.rfind(head, 0) == 0; }

}  // namespace

struct TiffCase {
    const char* name;
    const char* options;
    int maxDifference;
};

class TiffFromImageMagick : public ::testing::TestWithParam<TiffCase> {};

TEST_P(TiffFromImageMagick, DecodesLikeImageMagick)
{
    REQUIRE_CONVERT();
    TempFolder dir;
    std::string file = dir / "in.tiff";
    ASSERT_TRUE(codectest::Run(std::string("convert -size 41x27 plasma:fractal -seed 9 -depth 8 ") + GetParam().options + " '" +
                               file + "'"));
    Bytes expected;
    // Rows are shown as the file's orientation says, so ImageMagick is asked to turn them likewise.
    ASSERT_TRUE(ConvertToRgb(file, expected, "-auto-orient"));
    TWICImage image = Load(ReadFile(file));
    ASSERT_EQ(image.Width(), 41);
    ASSERT_EQ(image.Height(), 27);
    TBitmap bitmap;
    ASSERT_TRUE(image.ToBitmap(bitmap));
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pfDevice);
    Difference d = Compare(BitmapRgb(bitmap), expected);
    EXPECT_LE(d.max, GetParam().maxDifference) << "mean " << d.mean;
}

INSTANTIATE_TEST_SUITE_P(
    Compressions, TiffFromImageMagick,
    ::testing::Values(TiffCase{"none", "-compress None", 0}, TiffCase{"lzw", "-compress LZW", 0},
                      TiffCase{"deflate", "-compress Zip", 0}, TiffCase{"packbits", "-compress RLE", 0},
                      TiffCase{"jpeg", "-compress JPEG -quality 90", 6},
                      TiffCase{"lzw_predictor", "-compress LZW -define tiff:predictor=2", 0},
                      TiffCase{"grey", "-colorspace Gray -compress LZW", 0},
                      TiffCase{"sixteen_bits", "-depth 16 -compress Zip", 1},
                      TiffCase{"palette", "-colors 20 -type Palette -compress LZW", 1},
                      TiffCase{"bilevel_group4", "-monochrome -compress Group4", 0},
                      TiffCase{"tiled", "-define tiff:tile-geometry=16x16 -compress LZW", 0},
                      TiffCase{"planar", "-interlace plane -compress Zip", 0},
                      TiffCase{"alpha", "-alpha set -region 20x27+0+0 -channel A -evaluate set 50% +region "
                                        "+channel -compress LZW",
                               1},
                      TiffCase{"bottom_up", "-orient bottom-left -compress None", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WicImage, OnlyTheFirstImageIsRead)
{
    REQUIRE_CONVERT();
    TempFolder dir;
    std::string file = dir / "two.tiff";
    ASSERT_TRUE(codectest::Run("convert -size 10x8 xc:red -size 20x16 xc:blue -compress LZW '" + file + "'"));
    TWICImage image = Load(ReadFile(file));
    EXPECT_EQ(image.Width(), 10);
    TBitmap b;
    image.ToBitmap(b);
    EXPECT_EQ(b.GetPixel(3, 3), RGB(255, 0, 0));
}

TEST(WicImage, BitmapsAreWrittenAsTiffAndReadBack)
{
    TBitmap source = Pattern(33, 19);
    TWICImage image;
    image.Assign(source);
    Bytes file = Save(image);
    ASSERT_GT(file.size(), 8u);
    EXPECT_EQ(file[0], 'I');
    TBitmap back;
    Load(file).ToBitmap(back);
    EXPECT_EQ(BitmapRgb(back), BitmapRgb(source));

    // A loaded picture saves its own bytes; a copy does too.
    TWICImage loaded = Load(file);
    EXPECT_EQ(Save(loaded), file);
    TWICImage copy;
    copy.Assign(loaded);
    EXPECT_EQ(Save(copy), file);

    ASSERT_TRUE(HaveConvert()) << "ImageMagick's convert is not installed (Debian package imagemagick; scripts/test installs it)";
    TempFolder dir;
    WriteFile(dir / "ours.tiff", file);
    Bytes theirs;
    ASSERT_TRUE(ConvertToRgb(dir / "ours.tiff", theirs));
    EXPECT_EQ(theirs, BitmapRgb(source));
}

TEST(WicImage, DamagedFilesRaiseInvalidGraphic)
{
    TWICImage image;
    image.Assign(Pattern(24, 24));
    Bytes good = Save(image);
    for (const Bytes& bad : Truncations(good)) {
        try {
            Load(bad);
            ADD_FAILURE() << "a cut TIFF of " << bad.size() << " bytes was loaded";
        } catch (const rtl::EInvalidGraphic& e) {
            EXPECT_TRUE(StartsWith(e.Message(), "TIFF image is not valid (")) << e.Message();
        }
    }
    for (const Bytes& bad : Spoilings(good)) {
        try {
            Load(bad);
        } catch (const rtl::EInvalidGraphic& e) {
            EXPECT_TRUE(StartsWith(e.Message(), "TIFF image is not valid (")) << e.Message();
        }
    }
    EXPECT_THROW(Load(Bytes{'I', 'I', 42, 0}), rtl::EInvalidGraphic);
    EXPECT_THROW(Load(Bytes{'M', 'M', 0, 42, 0, 0, 0, 8}), rtl::EInvalidGraphic);
}
