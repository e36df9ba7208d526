// Files as other programs write them: strip tables, colour maps, fill orders and extra samples
// that the plain layout does not show, compared with libtiff; and the limits on what a file asks for.
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "framework/ui/Seam.h"
#include "tests/tiff/LibTiffPeer.h"
#include "tests/tiff/DecodeFixture.h"
#include "tests/tiff/TiffBuilder.h"
#include "tiff/ReadTiff.h"

using namespace tifftest;
using gfx::RGB;
using gfx::TBitmap;
using gfx::TColor;

namespace {

std::vector<uint8_t> Ramp(size_t n, int step)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * step + 11);
    return v;
}

// Two SHORT values as the entry's value field holds them.
uint32_t TwoShorts(bool le, uint16_t first, uint16_t second)
{
    return le ? uint32_t(first) | uint32_t(second) << 16 : uint32_t(first) << 16 | second;
}

struct HandMade {
    const char* name;
    std::vector<uint8_t> (*make)(bool le);
};

const HandMade kHandMade[] = {
    // A colour map written with 8-bit values.
    {"colour_map_of_8_bit_values", [](bool le) {
         TiffBuilder b(le);
         std::vector<uint16_t> map(768);
         for (int i = 0; i < 256; ++i) {
             map[size_t(i)] = uint16_t(i);
             map[size_t(256 + i)] = uint16_t(255 - i);
             map[size_t(512 + i)] = uint16_t(i * 7 & 0xFF);
         }
         const uint32_t mapAt = b.Shorts(map);
         const uint32_t data = b.Raw(Ramp(5 * 3, 17));
         b.SetFirstIfd(b.Ifd({{256, SHORT, 1, 5}, {257, SHORT, 1, 3}, {258, SHORT, 1, 8}, {259, SHORT, 1, 1},
                              {262, SHORT, 1, 3}, {273, LONG, 1, data}, {278, LONG, 1, 3}, {279, LONG, 1, 15},
                              {320, SHORT, 768, mapAt}}));
         return b.Bytes;
     }},
    // Every strip declares bytes past its rows; the rows of each strip start at its own offset.
    {"strips_longer_than_their_rows", [](bool le) {
         TiffBuilder b(le);
         const std::vector<uint8_t> rows = Ramp(7 * 5, 7);
         std::vector<uint32_t> offsets, counts;
         for (int s = 0; s < 3; ++s) {
             const size_t first = size_t(s) * 14, last = std::min<size_t>(rows.size(), first + 14);
             offsets.push_back(b.Raw(std::vector<uint8_t>(rows.begin() + long(first), rows.begin() + long(last))));
             b.Raw({0xDE, 0xAD, 0xBE, 0xEF, 0x99});
             counts.push_back(uint32_t(last - first + 5));
         }
         const uint32_t o = b.Longs(offsets), c = b.Longs(counts);
         b.SetFirstIfd(b.Ifd({{256, SHORT, 1, 7}, {257, SHORT, 1, 5}, {258, SHORT, 1, 8}, {259, SHORT, 1, 1},
                              {262, SHORT, 1, 1}, {273, LONG, 3, o}, {278, LONG, 1, 2}, {279, LONG, 3, c}}));
         return b.Bytes;
     }},
    // Every row's strip is the same bytes: the counts add up to more than the file (which holds
    // other data as well, so the rows themselves are no more than the file).
    {"strips_sharing_bytes", [](bool le) {
         TiffBuilder b(le);
         const uint32_t data = b.Raw(Ramp(64, 3));
         b.Raw(std::vector<uint8_t>(4096, 0x55));
         std::vector<uint32_t> offsets(20, data), counts(20, 64 * 4);
         const uint32_t o = b.Longs(offsets), c = b.Longs(counts);
         b.SetFirstIfd(b.Ifd({{256, SHORT, 1, 64}, {257, SHORT, 1, 20}, {258, SHORT, 1, 8}, {259, SHORT, 1, 1},
                              {262, SHORT, 1, 1}, {273, LONG, 20, o}, {278, LONG, 1, 1}, {279, LONG, 20, c}}));
         return b.Bytes;
     }},
    // Strips whose counts run on to the end of the file, over the strips after them.
    {"strips_counted_to_the_end", [](bool le) {
         TiffBuilder b(le);
         const uint32_t data = b.Raw(Ramp(6 * 4, 9));
         const uint32_t o = b.Longs({data, data + 12}), c = b.Longs({24, 12});
         b.SetFirstIfd(b.Ifd({{256, SHORT, 1, 6}, {257, SHORT, 1, 4}, {258, SHORT, 1, 8}, {259, SHORT, 1, 1},
                              {262, SHORT, 1, 1}, {273, LONG, 2, o}, {278, LONG, 1, 2}, {279, LONG, 2, c}}));
         return b.Bytes;
     }},
    // Two strips whose SHORT offsets and counts sit in the entries themselves.
    {"two_short_strips_inline", [](bool le) {
         TiffBuilder b(le);
         const uint32_t data = b.Raw(Ramp(5 * 4, 13));
         b.SetFirstIfd(b.Ifd({{256, SHORT, 1, 5}, {257, SHORT, 1, 4}, {258, SHORT, 1, 8}, {259, SHORT, 1, 1},
                              {262, SHORT, 1, 1}, {273, SHORT, 2, TwoShorts(le, uint16_t(data + 10), uint16_t(data))},
                              {278, LONG, 1, 2}, {279, SHORT, 2, TwoShorts(le, 10, 10)}}));
         return b.Bytes;
     }},
    // A last, empty strip placed past the end of the file.
    {"empty_strip_past_the_end", [](bool le) {
         TiffBuilder b(le);
         const uint32_t data = b.Raw(Ramp(4 * 4, 21));
         const uint32_t o = b.Longs({data, data + 8, 1u << 30}), c = b.Longs({8, 8, 0});
         b.SetFirstIfd(b.Ifd({{256, SHORT, 1, 4}, {257, SHORT, 1, 4}, {258, SHORT, 1, 8}, {259, SHORT, 1, 1},
                              {262, SHORT, 1, 1}, {273, LONG, 3, o}, {278, LONG, 1, 2}, {279, LONG, 3, c}}));
         return b.Bytes;
     }},
    // Bilevel and 4-bit rows with the first pixel in each byte's lowest bits.
    {"bilevel_fill_order_2", [](bool le) {
         TiffBuilder b(le);
         const uint32_t data = b.Raw(Ramp(2 * 3, 37));
         b.SetFirstIfd(b.Ifd({{256, SHORT, 1, 13}, {257, SHORT, 1, 3}, {258, SHORT, 1, 1}, {259, SHORT, 1, 1},
                              {262, SHORT, 1, 0}, {266, SHORT, 1, 2}, {273, LONG, 1, data}, {278, LONG, 1, 3},
                              {279, LONG, 1, 6}}));
         return b.Bytes;
     }},
    // RGB with unassociated alpha and one more extra sample after it (five samples per pixel).
    {"rgb_alpha_and_another_extra", [](bool le) {
         TiffBuilder b(le);
         const uint32_t data = b.Raw(Ramp(3 * 2 * 5, 29));
         const uint32_t bits = b.Shorts({8, 8, 8, 8, 8});
         b.SetFirstIfd(b.Ifd({{256, SHORT, 1, 3}, {257, SHORT, 1, 2}, {258, SHORT, 5, bits}, {259, SHORT, 1, 1},
                              {262, SHORT, 1, 2}, {273, LONG, 1, data}, {277, SHORT, 1, 5}, {278, LONG, 1, 2},
                              {279, LONG, 1, 30}, {338, SHORT, 2, TwoShorts(le, 2, 0)}}));
         return b.Bytes;
     }},
};

class HandMadeTest : public ::testing::TestWithParam<std::tuple<HandMade, bool>> {};

TEST_P(HandMadeTest, DecodesLikeLibTiff)
{
    const auto& [c, le] = GetParam();
    ScratchDir dir;
    const std::string path = dir.Write("hand.tif", c.make(le));
    std::vector<RgbaImage> reference = LibTiffImages(path);
    ASSERT_EQ(reference.size(), 1u);
    ASSERT_FALSE(reference[0].Pixels.empty());

    ui::ScriptedSeam seam;
    TBitmap bitmap;
    tif::ReadTiffFile(path, bitmap);
    EXPECT_TRUE(seam.Messages.empty()) << seam.Messages.front().Text;
    EXPECT_EQ(Difference(bitmap, reference[0]), "");
}

INSTANTIATE_TEST_SUITE_P(Files, HandMadeTest, ::testing::Combine(::testing::ValuesIn(kHandMade), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "_II" : "_MM");
                         });

class FieldFileTest : public MarkerDecodeTest {};

// RGBX: an extra sample that is not alpha is skipped, whatever it holds (libtiff would take it
// for alpha).
TEST_P(FieldFileTest, RgbWithAnUnspecifiedExtraSampleSkipsIt)
{
    for (bool withExtraSamplesTag : {true, false}) {
        TiffBuilder b(le());
        const uint32_t data = b.Raw({255, 0, 0, 7, 0, 255, 0, 0, 10, 20, 30, 128, 0, 0, 255, 255});
        const uint32_t bits = b.Shorts({8, 8, 8, 8});
        std::vector<Entry> entries = {{256, SHORT, 1, 2}, {257, SHORT, 1, 2}, {258, SHORT, 4, bits},
                                      {259, SHORT, 1, 1}, {262, SHORT, 1, 2}, {273, LONG, 1, data},
                                      {277, SHORT, 1, 4}, {278, LONG, 1, 2}, {279, LONG, 1, 16}};
        if (withExtraSamplesTag) entries.push_back({338, SHORT, 1, 0});
        b.SetFirstIfd(b.Ifd(entries));
        EXPECT_EQ(Pixels(DecodeBytes(b.Bytes)),
                  (std::vector<TColor>{RGB(255, 0, 0), RGB(0, 255, 0), RGB(10, 20, 30), RGB(0, 0, 255)}))
            << withExtraSamplesTag;
    }
    EXPECT_TRUE(seam.Messages.empty());
}

// A BitsPerSample of one LONG value is taken whole: 0x10008 is no 8.
TEST_P(FieldFileTest, RgbSampleSizeAbove16BitsIsNot8)
{
    TiffBuilder b(le());
    const uint32_t data = b.Raw({1, 2, 3});
    b.SetFirstIfd(b.Ifd({{256, SHORT, 1, 1}, {257, SHORT, 1, 1}, {258, LONG, 1, 0x10008}, {259, SHORT, 1, 1},
                         {262, SHORT, 1, 2}, {273, LONG, 1, data}, {278, LONG, 1, 1}, {279, LONG, 1, 3}}));
    EXPECT_TRUE(IsMarker(DecodeBytes(b.Bytes)));
    EXPECT_EQ(seam.Texts(), std::vector<std::string>{"Error: Bits Per Sample (RGB) not 8"});
}

// A palette image of 24 bits per sample shows its bytes as blue, green, red, however its strips lie.
TEST_P(FieldFileTest, PaletteOf24BitsIsBlueFirstInEveryLayout)
{
    const std::vector<uint8_t> pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const std::vector<TColor> expected = {RGB(3, 2, 1), RGB(6, 5, 4), RGB(9, 8, 7), RGB(12, 11, 10)};
    for (uint32_t extra : {0u, 3u}) {
        TiffBuilder b(le());
        const uint32_t map = b.Shorts(std::vector<uint16_t>(768, 0x8000));
        std::vector<uint8_t> stored = pixels;
        stored.insert(stored.begin() + 6, extra, 0xEE);  // bytes past the first strip's row
        const uint32_t data = b.Raw(stored);
        const uint32_t o = b.Longs({data, data + 6 + extra}), c = b.Longs({6 + extra, 6});
        b.SetFirstIfd(b.Ifd({{256, SHORT, 1, 2}, {257, SHORT, 1, 2}, {258, SHORT, 1, 24}, {259, SHORT, 1, 1},
                             {262, SHORT, 1, 3}, {273, LONG, 2, o}, {278, LONG, 1, 1}, {279, LONG, 2, c},
                             {320, SHORT, 768, map}}));
        EXPECT_EQ(Pixels(DecodeBytes(b.Bytes)), expected) << extra;
    }
    EXPECT_TRUE(seam.Messages.empty());
}

// Grey pictures of depths the decoder does not read, as ImageMagick writes them: one message each,
// the picture as it was.
TEST(FieldFileMessages, GreyDepthsOtherProgramsWriteAreReported)
{
    const std::string convert = Tool("convert");
    if (convert.empty())
        FAIL() << "ImageMagick's convert is not installed (Debian package imagemagick; scripts/test installs it)";
    ScratchDir dir;
    std::vector<uint8_t> pgm = {'P', '5', ' ', '7', ' ', '5', ' ', '2', '5', '5', '\n'};
    for (uint8_t v : Ramp(35, 7)) pgm.push_back(v);
    const std::string source = dir.Write("grey.pgm", pgm);
    const char* const options[] = {"-depth 2", "-depth 12", "-depth 16",
                                   "-define quantum:format=floating-point -depth 32"};
    for (const char* option : options) {
        const std::string out = dir.File("deep.tif");
        std::filesystem::remove(out);
        // ImageMagick warns about a predictor tag for floating point, and says so in its exit code.
        tifftest::Run(convert + " " + source + " " + option + " -compress none " + out);
        ASSERT_TRUE(std::filesystem::exists(out)) << option;
        ui::ScriptedSeam seam;
        TBitmap bitmap = Marker();
        tif::ReadTiffFile(out, bitmap);
        EXPECT_TRUE(IsMarker(bitmap)) << option;
        EXPECT_EQ(seam.Texts(), std::vector<std::string>{"Error: Bits Per Sample (Gray Scale) not 1, 4 or 8"})
            << option;
    }
}

INSTANTIATE_TEST_SUITE_P(ByteOrder, FieldFileTest, ::testing::Bool(), OrderName);

// In a child process: reads the file with 64 MB of address space more than the process has now.
bool RefusedWithinSmallMemory(const std::string& path)
{
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t limit = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(64) << 20);
    const rlimit space{limit, limit};
    if (setrlimit(RLIMIT_AS, &space) != 0)
        return false;
    ui::ScriptedSeam seam;
    TBitmap bitmap = Marker();
    tif::ReadTiffFile(path, bitmap);
    return IsMarker(bitmap) && seam.Texts() == std::vector<std::string>{"Out Of Memory "};
}

// A 1-bit picture of 65535 x 32769 pixels, its rows all in a sparse file of 256 MB: more pixels
// than any bitmap can have. It is refused with a message before its store is asked for, so the
// reader stays within 64 MB of address space; the bitmap keeps its picture.
TEST(FieldFileLimits, APictureLargerThanAnyBitmapIsRefusedWithinSmallMemory)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "an address-space limit cannot be set under AddressSanitizer";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "an address-space limit cannot be set under AddressSanitizer";
#endif
#endif
    constexpr uint32_t width = 65535, height = 32769, rowBytes = (width + 7) / 8;
    ScratchDir dir;
    TiffBuilder b(true);
    const uint32_t data = 512;
    b.SetFirstIfd(b.Ifd({{256, SHORT, 1, width}, {257, SHORT, 1, height}, {258, SHORT, 1, 1}, {259, SHORT, 1, 1},
                         {262, SHORT, 1, 1}, {273, LONG, 1, data}, {278, LONG, 1, height},
                         {279, LONG, 1, rowBytes * height}}));
    const std::string path = dir.Write("huge.tif", b.Bytes);
    std::filesystem::resize_file(path, uint64_t(data) + uint64_t(rowBytes) * height);

    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(RefusedWithinSmallMemory(path) ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

}  // namespace
