// Files made by ImageMagick and libtiff's tools decode to the pixels that libtiff reads.
#include <gtest/gtest.h>

#include "framework/ui/Seam.h"
#include "tests/tiff/LibTiffPeer.h"
#include "tests/tiff/TiffBuilder.h"
#include "tiff/ReadTiff.h"

using namespace tifftest;

namespace {

constexpr int W = 13, H = 9;

std::vector<uint8_t> Netpbm(const char* magic, const std::vector<uint8_t>& data, bool maxval = true)
{
    std::string head = std::string(magic) + " " + std::to_string(W) + " " + std::to_string(H) + (maxval ? " 255\n" : "\n");
    std::vector<uint8_t> out(head.begin(), head.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

struct Sources {
    std::string Grey, Colour, Few, Bits, Raw;
};

Sources WriteSources(const ScratchDir& dir)
{
    std::vector<uint8_t> grey, colour, few, bits;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            grey.push_back(uint8_t((x * 37 + y * 53) & 0xFF));
            colour.insert(colour.end(), {uint8_t(x * 19), uint8_t(255 - y * 27), uint8_t((x * y * 11) & 0xFF)});
            // Twelve colours, for 4-bit palettes.
            int k = (x / 3 + y / 2) % 12;
            few.insert(few.end(), {uint8_t(k * 20), uint8_t(240 - k * 20), uint8_t(k % 3 * 100)});
        }
    for (int y = 0; y < H; ++y)
        for (int byte = 0; byte < (W + 7) / 8; ++byte) {
            uint8_t v = 0;
            for (int b = 0; b < 8; ++b)
                if ((byte * 8 + b + y) % 3 == 0) v |= uint8_t(0x80 >> b);
            bits.push_back(v);
        }
    return {dir.Write("grey.pgm", Netpbm("P5", grey)), dir.Write("colour.ppm", Netpbm("P6", colour)),
            dir.Write("few.ppm", Netpbm("P6", few)), dir.Write("bits.pbm", Netpbm("P4", bits, false)),
            dir.Write("grey.raw", grey)};
}

struct Case {
    const char* name;
    const char* tool;
    const char* command;  // {grey} {colour} {few} {bits} {raw} {out} {tmp} are replaced
};

const Case kCases[] = {
    {"bilevel", "convert", "{convert} {grey} -threshold 50% -depth 1 -compress none {out}"},
    {"bilevel_be_strips", "convert",
     "{convert} {grey} -threshold 50% -depth 1 -compress none -endian MSB -define tiff:rows-per-strip=2 {out}"},
    {"bilevel_white_is_zero", "ppm2tiff", "ppm2tiff -c none -r 3 {bits} {out}"},
    {"grey4", "convert", "{convert} {grey} -depth 4 -compress none {out}"},
    {"grey4_be_strips", "convert",
     "{convert} {grey} -depth 4 -compress none -endian MSB -define tiff:rows-per-strip=3 {out}"},
    {"grey8", "convert", "{convert} {grey} -depth 8 -compress none {out}"},
    {"grey8_be_strips", "convert",
     "{convert} {grey} -depth 8 -compress none -endian MSB -define tiff:rows-per-strip=3 {out}"},
    {"grey8_white_is_zero", "raw2tiff",
     "raw2tiff -w 13 -l 9 -d byte -p miniswhite -c none -r 4 {raw} {tmp} && tiffcp -f msb2lsb -c none {tmp} {out}"},
    // raw2tiff writes its bytes in the reversed fill order (FillOrder 2).
    {"grey8_fill_order_2", "raw2tiff", "raw2tiff -w 13 -l 9 -d byte -p minisblack -c none -r 4 {raw} {out}"},
    {"bilevel_fill_order_2", "tiffcp",
     "{convert} {grey} -threshold 50% -depth 1 -compress none {tmp} && tiffcp -f lsb2msb -c none -r 2 {tmp} {out}"},
    {"grey4_fill_order_2", "tiffcp",
     "{convert} {grey} -depth 4 -compress none {tmp} && tiffcp -f lsb2msb -c none {tmp} {out}"},
    {"palette8", "convert", "{convert} {colour} -type palette -colors 200 -compress none {out}"},
    {"palette8_be_strips", "convert",
     "{convert} {colour} -type palette -colors 200 -compress none -endian MSB -define tiff:rows-per-strip=3 {out}"},
    {"palette4", "convert", "{convert} {few} -type palette -depth 4 -compress none {out}"},
    {"palette4_be_strips", "tiffcp",
     "{convert} {few} -type palette -depth 4 -compress none {tmp} && tiffcp -B -c none -r 2 {tmp} {out}"},
    {"rgb", "convert", "{convert} {colour} -compress none {out}"},
    {"rgb_be_strips", "convert",
     "{convert} {colour} -compress none -endian MSB -define tiff:rows-per-strip=3 {out}"},
    {"rgb_one_row_strips", "tiffcp", "{convert} {colour} -compress none {tmp} && tiffcp -c none -r 1 {tmp} {out}"},
    // RGB with an alpha sample (as GIMP, scanners and ImageMagick write it), composited on white.
    {"rgba_unassociated", "convert",
     "{convert} {colour} {grey} -compose CopyOpacity -composite -compress none {out}"},
    {"rgba_associated_be_strips", "convert",
     "{convert} {colour} {grey} -compose CopyOpacity -composite -compress none -define tiff:alpha=associated "
     "-endian MSB -define tiff:rows-per-strip=2 {out}"},
    {"rgbx_opaque", "convert",
     "{convert} {colour} -alpha opaque -define tiff:alpha=unspecified -compress none {out}"},
    {"several_images", "convert", "{convert} {grey} {few} {colour} -compress none {out}"},
    {"several_images_be", "tiffcp",
     "{convert} {colour} -compress none {tmp} && tiffcp -B -c none -r 4 {tmp} {tmp} {out}"},
};

void Replace(std::string& s, const std::string& key, const std::string& value)
{
    for (size_t at; (at = s.find(key)) != std::string::npos;)
        s.replace(at, key.size(), value);
}

class DifferentialTest : public ::testing::TestWithParam<Case> {};

TEST_P(DifferentialTest, DecodesLikeLibTiff)
{
    const Case& c = GetParam();
    const std::string convert = Tool("convert");
    if (convert.empty() || Tool(c.tool).empty())
        FAIL() << "ImageMagick's convert or " << c.tool
                  << " is not installed (Debian packages imagemagick, libtiff-tools; scripts/test installs them)";
    ScratchDir dir;
    Sources src = WriteSources(dir);
    std::string command = c.command;
    Replace(command, "{convert}", convert);
    Replace(command, "{grey}", src.Grey);
    Replace(command, "{colour}", src.Colour);
    Replace(command, "{few}", src.Few);
    Replace(command, "{bits}", src.Bits);
    Replace(command, "{raw}", src.Raw);
    Replace(command, "{tmp}", dir.File("tmp.tif"));
    const std::string out = dir.File("out.tif");
    Replace(command, "{out}", out);
    ASSERT_TRUE(tifftest::Run(command)) << command;

    std::vector<RgbaImage> reference = LibTiffImages(out);
    ASSERT_FALSE(reference.empty());
    ASSERT_FALSE(reference.back().Pixels.empty());

    ui::ScriptedSeam seam;
    gfx::TBitmap bitmap;
    tif::ReadTiffFile(out, bitmap);
    EXPECT_TRUE(seam.Messages.empty()) << seam.Messages.front().Text;
    EXPECT_EQ(Difference(bitmap, reference.back()), "") << command;
}

INSTANTIATE_TEST_SUITE_P(Tools, DifferentialTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
