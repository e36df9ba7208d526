// TWICImage: ".tiff" pictures through libtiff, with the compressions and layouts ImageMagick writes.
#include <gtest/gtest.h>

#include <tiffio.h>

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

namespace {

bool HaveTiffTools()
{
    static const bool have = std::system("command -v tiffcp >/dev/null 2>&1 && command -v tiff2rgba >/dev/null 2>&1") == 0;
    return have;
}

// tiff2rgba's RGBA rows (premultiplied, top row first), read as stored, then put on white as the
// picture class does: white shows through by the share that alpha leaves.
bool Tiff2RgbaOnWhite(const std::string& file, int& width, int& height, Bytes& grey)
{
    const std::string rgba = file + ".rgba.tif";
    if (!Run("tiff2rgba -c none '" + file + "' '" + rgba + "'")) return false;
    TIFF* tif = TIFFOpen(rgba.c_str(), "r");
    if (!tif) return false;
    uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    Bytes strip(size_t(w) * h * 4);
    bool ok = TIFFScanlineSize(tif) == tmsize_t(w) * 4;
    for (uint32_t y = 0; ok && y < h; ++y) ok = TIFFReadScanline(tif, strip.data() + size_t(y) * w * 4, y, 0) == 1;
    TIFFClose(tif);
    if (!ok) return false;
    width = int(w);
    height = int(h);
    grey.clear();
    for (size_t i = 0; i < strip.size(); i += 4) grey.push_back(uint8_t(std::min(255, strip[i] + 255 - strip[i + 3])));
    return true;
}

Bytes GreyOf(const TBitmap& b)
{
    Bytes out;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) out.push_back(GetRValue(b.GetPixel(x, y)));
    return out;
}

struct GreyAlphaCase {
    const char* name;
    const char* alpha;    // ImageMagick's tiff:alpha
    const char* tiffcp;   // the layout tiffcp gives it
};

class GreyAlphaTiff : public ::testing::TestWithParam<GreyAlphaCase> {};

}  // namespace

// 8-bit grey with alpha, 2 samples, in each layout, against tiff2rgba's reading of the planes
// stored apart (where libtiff premultiplies an unassociated alpha itself).
TEST_P(GreyAlphaTiff, DecodesLikeTiff2Rgba)
{
    REQUIRE_CONVERT();
    if (!HaveTiffTools()) GTEST_SKIP() << "libtiff's tools are not installed (scripts/setup --tools)";
    const GreyAlphaCase& k = GetParam();
    TempFolder dir;
    const std::string made = dir / "made.tif", file = dir / "grey.tiff", reference = dir / "reference.tiff";
    ASSERT_TRUE(codectest::Run(std::string("convert -size 57x43 gradient:black-white \\( -size 43x57 gradient:white-black -rotate 90 "
                                "\\) -alpha off -compose CopyOpacity -composite -type GrayscaleAlpha -depth 8 "
                                "-define tiff:alpha=") + k.alpha + " -compress None '" + made + "'"));
    ASSERT_TRUE(codectest::Run(std::string("tiffcp ") + k.tiffcp + " '" + made + "' '" + file + "'"));
    ASSERT_TRUE(codectest::Run("tiffcp -p separate -c packbits '" + made + "' '" + reference + "'"));
    int w = 0, h = 0;
    Bytes expected;
    ASSERT_TRUE(Tiff2RgbaOnWhite(reference, w, h, expected));
    ASSERT_EQ(w, 57);
    ASSERT_EQ(h, 43);
    TBitmap got;
    ASSERT_TRUE(Load(ReadFile(file)).ToBitmap(got));
    ASSERT_EQ(got.Width(), w);
    ASSERT_EQ(got.Height(), h);
    EXPECT_EQ(Compare(GreyOf(got), expected).max, 0);
    EXPECT_EQ(BitmapRgb(got)[3 * 20], BitmapRgb(got)[3 * 20 + 2]);  // grey stays grey
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, GreyAlphaTiff,
    ::testing::Values(GreyAlphaCase{"separate_packbits", "unassociated", "-p separate -c packbits"},
                      GreyAlphaCase{"separate_tiled", "unassociated", "-p separate -c packbits -t -w 16 -l 16"},
                      GreyAlphaCase{"contig_packbits", "unassociated", "-p contig -c packbits"},
                      GreyAlphaCase{"contig_strips", "unassociated", "-p contig -c none -r 5"},
                      GreyAlphaCase{"contig_tiled", "unassociated", "-p contig -c lzw -t -w 16 -l 16"},
                      GreyAlphaCase{"contig_associated", "associated", "-p contig -c packbits"},
                      GreyAlphaCase{"separate_associated", "associated", "-p separate -c packbits"}),
    [](const auto& info) { return std::string(info.param.name); });
