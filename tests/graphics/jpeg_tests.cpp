// TJPEGImage: decoding files of this project and of ImageMagick, quality, saving, damaged data.
#include <gtest/gtest.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "framework/graphics/Jpeg.h"
#include "framework/graphics/Metafile.h"
#include "tests/graphics/formats_support.h"

using namespace gfx;
using namespace codectest;

namespace {

Bytes EncodeAt(const TBitmap& bitmap, int quality)
{
    TJPEGImage jpeg;
    jpeg.Assign(bitmap);
    jpeg.SetCompressionQuality(quality);
    jpeg.Compress();
    rtl::TMemoryStream out;
    jpeg.SaveToStream(out);
    return Contents(out);
}

TJPEGImage Load(const Bytes& data)
{
    rtl::TMemoryStream in;
    Fill(in, data);
    TJPEGImage jpeg;
    jpeg.LoadFromStream(in);
    return jpeg;
}

// The luminance table that libjpeg's quality scaling gives for q (baseline: at most 255).
std::vector<unsigned> ExpectedLuminanceTable(int q)
{
    static const unsigned base[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                      14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                      18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                      49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    int scale = q < 50 ? 5000 / q : 200 - 2 * q;
    std::vector<unsigned> out(64);
    for (int i = 0; i < 64; ++i) out[i] = std::clamp<long>((long(base[i]) * scale + 50) / 100, 1, 255);
    return out;
}

struct QuietError {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

// The luminance quantisation table of a JPEG file, in natural order, read by libjpeg itself.
bool ReadLuminanceTable(const Bytes& data, std::vector<unsigned>& table)
{
    jpeg_decompress_struct cinfo{};
    QuietError err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<QuietError*>(c->err)->jump, 1); };
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), (unsigned long)data.size());
    jpeg_read_header(&cinfo, TRUE);
    bool ok = cinfo.quant_tbl_ptrs[0] != nullptr;
    if (ok) {
        table.assign(64, 0);
        for (int i = 0; i < 64; ++i) table[i] = cinfo.quant_tbl_ptrs[0]->quantval[i];
    }
    bool baseline = cinfo.num_components == 3 && !cinfo.progressive_mode && cinfo.data_precision == 8;
    jpeg_destroy_decompress(&cinfo);
    return ok && baseline;
}

}  // namespace

TEST(JpegImage, RoundTripKeepsSizeAndPixels)
{
    TBitmap source = Pattern(123, 77, false);  // sizes that are not multiples of the block size
    Bytes file = EncodeAt(source, 95);
    TJPEGImage jpeg = Load(file);
    EXPECT_EQ(jpeg.Width(), 123);
    EXPECT_EQ(jpeg.Height(), 77);
    TBitmap decoded;
    ASSERT_TRUE(jpeg.ToBitmap(decoded));
    EXPECT_EQ(decoded.PixelFormat(), TPixelFormat::pfDevice);
    Difference d = Compare(BitmapRgb(decoded), BitmapRgb(source));
    EXPECT_LT(d.mean, 3.0);
}

TEST(JpegImage, EncodesFromEveryBitmapFormat)
{
    TBitmap source = Pattern(40, 30, false);
    for (TPixelFormat pf : {TPixelFormat::pf24bit, TPixelFormat::pf32bit, TPixelFormat::pf8bit, TPixelFormat::pf1bit}) {
        TBitmap b = source;
        b.SetPixelFormat(pf);
        TJPEGImage decoded = Load(EncodeAt(b, 90));
        TBitmap out;
        decoded.ToBitmap(out);
        // Indexed pictures have hard edges between palette colours, which JPEG softens.
        EXPECT_LT(Compare(BitmapRgb(out), BitmapRgb(b)).mean, IsIndexed(pf) ? 10.0 : 4.0) << int(pf);
    }
}

TEST(JpegImage, QualityIsTheFilesQuantisationTable)
{
    TBitmap source = Pattern(64, 48);
    for (int q : {1, 10, 25, 50, 75, 85, 90, 100}) {
        std::vector<unsigned> table;
        ASSERT_TRUE(ReadLuminanceTable(EncodeAt(source, q), table)) << q;
        EXPECT_EQ(table, ExpectedLuminanceTable(q)) << "quality " << q;
    }
}

TEST(JpegImage, QualityOutsideOneToHundredIsARangeError)
{
    TJPEGImage jpeg;
    EXPECT_EQ(jpeg.CompressionQuality(), 90);
    for (int q : {0, -5, 101, 1000}) EXPECT_THROW(jpeg.SetCompressionQuality(q), rtl::ERangeError) << q;
    jpeg.SetCompressionQuality(1);
    jpeg.SetCompressionQuality(100);
    EXPECT_EQ(jpeg.CompressionQuality(), 100);
}

TEST(JpegImage, SavingAnUnchangedPictureWritesItsOwnBytes)
{
    Bytes file = EncodeAt(Pattern(50, 20), 60);
    TJPEGImage jpeg = Load(file);
    rtl::TMemoryStream out;
    jpeg.SaveToStream(out);
    EXPECT_EQ(Contents(out), file);

    // A new quality takes effect with Compress.
    jpeg.SetCompressionQuality(20);
    jpeg.Compress();
    rtl::TMemoryStream again;
    jpeg.SaveToStream(again);
    std::vector<unsigned> table;
    ASSERT_TRUE(ReadLuminanceTable(Contents(again), table));
    EXPECT_EQ(table, ExpectedLuminanceTable(20));
}

TEST(JpegImage, AssignedBitmapIsSharedAndCompressedOnSave)
{
    TBitmap source = Pattern(32, 32);
    TJPEGImage jpeg;
    jpeg.Assign(source);
    EXPECT_TRUE(jpeg.Data().empty());
    EXPECT_EQ(jpeg.Width(), 32);
    rtl::TMemoryStream out;
    jpeg.SaveToStream(out);  // compresses at the default quality
    EXPECT_FALSE(jpeg.Data().empty());
    EXPECT_EQ(Load(Contents(out)).Width(), 32);

    TJPEGImage copy;
    copy.Assign(jpeg);
    EXPECT_EQ(copy.Data(), jpeg.Data());
}

TEST(JpegImage, BitmapAssignConvertsAndMetafileIsRefused)
{
    TJPEGImage jpeg = Load(EncodeAt(Pattern(20, 10), 90));
    TBitmap bitmap;
    bitmap.Assign(jpeg);
    EXPECT_EQ(bitmap.Width(), 20);
    EXPECT_EQ(bitmap.Height(), 10);

    TMetafile meta;
    meta.RecordBitmap(Pattern(8, 8));
    try {
        TJPEGImage target;
        target.Assign(meta);
        FAIL() << "a metafile was assigned to a JPEG image";
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TMetafile to a TJPEGImage");
    }
}

TEST(JpegImage, DrawStretchesOntoTheCanvas)
{
    TJPEGImage jpeg = Load(EncodeAt(Pattern(16, 16), 100));
    TBitmap target(32, 32, TPixelFormat::pfDevice);
    target.Canvas().StretchDraw(Rect(0, 0, 32, 32), jpeg);
    TColor corner = target.GetPixel(0, 0);
    EXPECT_LT(GetRValue(corner), 80);  // the pattern's dark corner, not the white background
}

struct ConvertCase {
    const char* name;
    const char* options;
    double meanLimit;
};

class JpegFromImageMagick : public ::testing::TestWithParam<ConvertCase> {};

TEST_P(JpegFromImageMagick, DecodesLikeImageMagick)
{
    REQUIRE_CONVERT();
    TempFolder dir;
    std::string file = dir / "in.jpg";
    ASSERT_TRUE(codectest::Run(std::string("convert -size 97x61 plasma:fractal -seed 4 ") + GetParam().options + " '" + file + "'"));
    Bytes expected;
    ASSERT_TRUE(ConvertToRgb(file, expected));
    TJPEGImage jpeg = Load(ReadFile(file));
    ASSERT_EQ(jpeg.Width(), 97);
    ASSERT_EQ(jpeg.Height(), 61);
    TBitmap bitmap;
    jpeg.ToBitmap(bitmap);
    Difference d = Compare(BitmapRgb(bitmap), expected);
    EXPECT_LE(d.mean, GetParam().meanLimit) << "max " << d.max;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, JpegFromImageMagick,
    ::testing::Values(ConvertCase{"baseline", "-quality 85", 1.0}, ConvertCase{"progressive", "-interlace JPEG", 1.0},
                      ConvertCase{"grey", "-colorspace Gray", 1.0},
                      ConvertCase{"full_chroma", "-sampling-factor 1x1", 1.0},
                      ConvertCase{"subsampled", "-sampling-factor 2x2 -quality 40", 1.0},
                      ConvertCase{"cmyk", "-colorspace CMYK", 3.0},
                      ConvertCase{"restart_markers", "-define jpeg:restart-interval=2", 1.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JpegImage, DamagedFilesRaiseJpegErrors)
{
    Bytes good = EncodeAt(Pattern(64, 64), 80);
    size_t headerEnd = 0;  // the first scan's start: a file cut before it has no picture
    for (size_t i = 0; i + 1 < good.size(); ++i)
        if (good[i] == 0xFF && good[i + 1] == 0xDA) { headerEnd = i; break; }
    ASSERT_GT(headerEnd, 0u);
    for (const Bytes& bad : Damaged(good)) {
        try {
            TJPEGImage jpeg = Load(bad);
            // Damage inside the scan data is repaired by libjpeg; the picture keeps its size.
            EXPECT_GE(bad.size(), headerEnd);
            EXPECT_GT(jpeg.Width(), 0);
        } catch (const EJPEG& e) {
            EXPECT_EQ(e.Message(), "JPEG error #" + std::to_string(e.Code()));
        }
    }
    EXPECT_THROW(Load(Bytes()), EJPEG);
    EXPECT_THROW(Load(Bytes{'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'}), EJPEG);
}

TEST(JpegImage, SizeBeyondWhatTheDataCanHoldIsRefused)
{
    Bytes file = EncodeAt(Pattern(16, 16), 80);
    // Rewrite the frame header to claim 60000 x 60000 pixels.
    for (size_t i = 0; i + 9 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xC0) {
            file[i + 5] = 0xEA; file[i + 6] = 0x60;
            file[i + 7] = 0xEA; file[i + 8] = 0x60;
            break;
        }
    EXPECT_THROW(Load(file), EJPEG);
}

// A CMYK JPEG as Adobe writes it (inverted: 255 is no ink, no YCCK transform), with or without
// Adobe's APP14 marker, which metadata strippers remove.
Bytes EncodeInvertedCmyk(const TBitmap& picture, bool adobeMarker)
{
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(picture.Width());
    c.image_height = JDIMENSION(picture.Height());
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, JCS_CMYK);
    c.write_Adobe_marker = adobeMarker ? TRUE : FALSE;
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(size_t(picture.Width()) * 4);
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            TColor rgb = picture.GetPixel(x, y);
            int r = GetRValue(rgb), g = GetGValue(rgb), b = GetBValue(rgb);
            int k = 255 - std::max({r, g, b});  // ink amounts, black taken out
            int scale = 255 - k;
            auto ink = [&](int v) { return scale ? (scale - v) * 255 / scale : 0; };
            uint8_t* p = &row[size_t(x) * 4];
            p[0] = uint8_t(255 - ink(r));
            p[1] = uint8_t(255 - ink(g));
            p[2] = uint8_t(255 - ink(b));
            p[3] = uint8_t(255 - k);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

TEST(JpegImage, CmykWithoutTheAdobeMarkerDecodesLikeImageMagick)
{
    REQUIRE_CONVERT();
    TempFolder dir;
    TBitmap picture = Pattern(97, 61);
    Bytes plain = EncodeInvertedCmyk(picture, false), marked = EncodeInvertedCmyk(picture, true);
    ASSERT_LT(plain.size(), marked.size());  // only the marker differs
    WriteFile(dir / "plain.jpg", plain);
    Bytes expected;
    ASSERT_TRUE(ConvertToRgb(dir / "plain.jpg", expected));

    TBitmap bitmap, withMarker;
    Load(plain).ToBitmap(bitmap);
    Difference d = Compare(BitmapRgb(bitmap), expected);
    EXPECT_LE(d.mean, 1.0) << "max " << d.max;
    EXPECT_LE(Compare(BitmapRgb(bitmap), BitmapRgb(picture)).mean, 3.0);
    Load(marked).ToBitmap(withMarker);
    EXPECT_EQ(BitmapRgb(bitmap), BitmapRgb(withMarker));
}

// The decoder's own reduction: the smallest of 1/8, 1/4, 1/2 and the whole picture that still
// covers the size asked for, each side rounded up; the pixels are those of the whole picture,
// averaged.
TEST(JpegImage, ReducedDecodingStopsAtTheSizeAskedFor)
{
    const TBitmap source = Pattern(203, 101, false);
    const Bytes file = EncodeAt(source, 95);
    EXPECT_EQ(JpegSize(file.data(), file.size()), std::make_pair(203, 101));
    struct Case {
        int minWidth, minHeight, width, height;
    } cases[] = {{203, 101, 203, 101}, {103, 51, 203, 101}, {102, 51, 102, 51}, {101, 50, 102, 51},
                 {51, 26, 51, 26},     {52, 20, 102, 51},   {26, 13, 26, 13},   {1, 1, 26, 13}};
    TBitmap whole;
    DecodeJpeg(file.data(), file.size(), whole);
    for (const Case& c : cases) {
        TBitmap reduced;
        DecodeJpegReduced(file.data(), file.size(), c.minWidth, c.minHeight, reduced);
        EXPECT_EQ(reduced.Width(), c.width) << c.minWidth << " x " << c.minHeight;
        EXPECT_EQ(reduced.Height(), c.height) << c.minWidth << " x " << c.minHeight;
        EXPECT_EQ(reduced.PixelFormat(), TPixelFormat::pfDevice);
        if (reduced.Width() == whole.Width()) {
            EXPECT_EQ(Compare(BitmapRgb(reduced), BitmapRgb(whole)).mean, 0.0);
        }
    }
    // Damaged or empty data raise the decoder's error, as a whole decode does.
    TBitmap none;
    EXPECT_THROW(DecodeJpegReduced(file.data(), 100, 10, 10, none), EJPEG);
    EXPECT_THROW(JpegSize(file.data(), 0), EJPEG);
}
