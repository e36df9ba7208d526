#include <gtest/gtest.h>

#include <random>

#include "GifTestUtil.h"
#include "framework/ui/Application.h"

using namespace gif;
using namespace giftest;

namespace {

std::unique_ptr<TBitmap> BitmapOf(int w, int h, const std::function<TColor(int, int)>& color)
{
    auto b = std::make_unique<TBitmap>(w, h, gfx::TPixelFormat::pfDevice);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b->SetPixel(x, y, color(x, y));
    return b;
}

// A bitmap of w x h whose pixel k (row-major) has colour k mod colours (distinct greys and hues).
std::unique_ptr<TBitmap> ColouredBitmap(int w, int h, int colours)
{
    return BitmapOf(w, h, [=](int x, int y) {
        int k = (y * w + x) % colours;
        return gfx::RGB(static_cast<uint8_t>(k), static_cast<uint8_t>(k * 7), static_cast<uint8_t>(k / 3));
    });
}

std::string Save(TGifFile& gif)
{
    rtl::TMemoryStream ms;
    gif.SaveToStream(ms);
    return std::string(reinterpret_cast<const char*>(ms.Memory()), static_cast<size_t>(ms.Size()));
}

std::string Hex(const std::string& s)
{
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (!out.empty()) out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// Reads codes at the widths a decoder uses.
std::vector<std::pair<uint32_t, int>> CodesOf(const std::string& data, int minCodeSize)
{
    std::vector<std::pair<uint32_t, int>> codes;
    const uint32_t clear = 1u << minCodeSize, end = clear + 1;
    int width = minCodeSize + 1;
    uint32_t nextFree = end + 1;
    bool first = true;
    uint64_t bits = 0;
    int count = 0;
    size_t pos = 0;
    for (;;) {
        while (count < width && pos < data.size()) {
            bits |= uint64_t(static_cast<uint8_t>(data[pos++])) << count;
            count += 8;
        }
        if (count < width) break;
        uint32_t code = static_cast<uint32_t>(bits & ((1u << width) - 1));
        bits >>= width;
        count -= width;
        codes.push_back({code, width});
        if (code == end) break;
        if (code == clear) {
            width = minCodeSize + 1;
            nextFree = end + 1;
            first = true;
        } else if (first) {
            first = false;
        } else if (nextFree < 4096) {
            ++nextFree;
            if (nextFree == (1u << width) && width < 12) ++width;
        }
    }
    return codes;
}

// The image data of a one-image stream written by the writer: the sub-blocks joined.
std::string ImageData(const TGifSubImage& image)
{
    std::string data;
    for (int32_t k = 1; k <= image.CompressedRasterData->StringCount(); ++k) data += image.CompressedRasterData->GetString(k);
    return data;
}

}  // namespace

TEST(GifWriter, TwoByTwoIsByteExact)
{
    TGifFile gif;
    gif.AddBitmap(BitmapOf(2, 2, [](int x, int y) { return (x + y) % 2 ? gfx::clWhite : gfx::clBlack; }));
    std::string bytes = Save(gif);
    EXPECT_EQ(Hex(bytes), "47 49 46 38 37 61 02 00 02 00 80 00 00 00 00 00 FF FF FF 2C 00 00 00 00 02 00 02 00 00 02 "
                          "03 44 02 05 00 3B");
    EXPECT_EQ(bytes.size(), 36u);
    EXPECT_EQ(CodesOf(bytes.substr(31, 3), 2),
              (std::vector<std::pair<uint32_t, int>>{{4, 3}, {0, 3}, {1, 3}, {1, 3}, {0, 4}, {5, 4}}));
    EXPECT_EQ(ui::Screen().Cursor(), ui::crDefault);
}

TEST(GifWriter, TwoByOne)
{
    TGifFile gif;
    gif.AddBitmap(BitmapOf(2, 1, [](int x, int) { return x ? gfx::clWhite : gfx::clBlack; }));
    std::string bytes = Save(gif);
    EXPECT_EQ(Hex(bytes.substr(bytes.size() - 6)), "02 02 44 0A 00 3B");
}

TEST(GifWriter, ColourCountsArePowersOfTwo)
{
    const struct {
        int colours, tableCount, bits, packed;
    } cases[] = {{2, 2, 1, 0x80}, {3, 4, 2, 0x91}, {5, 8, 3, 0xA2}, {16, 16, 4, 0xB3}, {200, 256, 8, 0xF7}, {256, 256, 8, 0xF7}};
    for (const auto& c : cases) {
        TGifFile gif;
        gif.AddBitmap(ColouredBitmap(16, 16, c.colours));
        std::string bytes = Save(gif);
        EXPECT_EQ(gif.GlobalColorMap->Count(), c.tableCount) << c.colours;
        EXPECT_EQ(gif.BitsPerPixel, c.bits) << c.colours;
        EXPECT_EQ(static_cast<uint8_t>(bytes[10]), c.packed) << c.colours;
        EXPECT_EQ(gif.GetSubImage(1)->LZWCodeSize, std::max(2, c.bits));
        EXPECT_EQ(static_cast<uint8_t>(bytes[13 + 3 * c.tableCount + 10]), std::max(2, c.bits));
        for (int i = c.colours; i < c.tableCount; ++i) EXPECT_EQ(gif.GlobalColorMap->GetColor(static_cast<uint8_t>(i)), 0u);
        EXPECT_EQ(gif.GlobalColorMap->GetColor(1), gfx::RGB(1, 7, 0));  // colours numbered as they appear
    }
}

TEST(GifWriter, TooManyColours)
{
    TGifFile gif;
    gif.AddBitmap(ColouredBitmap(20, 20, 257));
    rtl::TMemoryStream ms;
    EXPECT_THROW(gif.SaveToStream(ms), rtl::ERangeError);
    EXPECT_EQ(ms.Size(), 0);
    EXPECT_EQ(ui::Screen().Cursor(), ui::crHourGlass);
    ui::Screen().SetCursor(ui::crDefault);
}

TEST(GifWriter, OneColourOrNoPixel)
{
    const struct {
        int w, h;
        const char* message;
    } cases[] = {{3, 2, "Number of colors (1) wrong; must be a power of 2"},
                 {0, 0, "Number of colors (0) wrong; must be a power of 2"}};
    for (const auto& c : cases) {
        TGifFile gif;
        gif.AddBitmap(BitmapOf(c.w, c.h, [](int, int) { return gfx::RGB(1, 2, 3); }));
        rtl::TMemoryStream ms;
        try {
            gif.SaveToStream(ms);
            FAIL();
        } catch (const EGifException& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_EQ(gif.SubImages.Count(), 0);  // the placeholder went with its bitmap
        ui::Screen().SetCursor(ui::crDefault);
    }
}

TEST(GifWriter, TwoImagesShareTheScreen)
{
    TGifFile gif;
    gif.AddBitmap(ColouredBitmap(10, 20, 4));
    gif.AddBitmap(ColouredBitmap(30, 5, 9));
    std::string bytes = Save(gif);
    EXPECT_EQ(int(gif.ScreenDescriptor.ScreenWidth), 30);
    EXPECT_EQ(int(gif.ScreenDescriptor.ScreenHeight), 20);
    ASSERT_EQ(gif.SubImages.Count(), 2);
    TGifSubImage* first = gif.GetSubImage(1);
    TGifSubImage* second = gif.GetSubImage(2);
    EXPECT_EQ(int(first->ImageDescriptor.ImageWidth), 10);
    EXPECT_FALSE(first->HasLocalColorMap);
    EXPECT_EQ(first->ImageDescriptor.PackedFields, 0);
    EXPECT_TRUE(second->HasLocalColorMap);
    EXPECT_EQ(second->LocalColorMap->Count(), 16);
    EXPECT_EQ(second->ImageDescriptor.PackedFields, 0x80 | 3);
    EXPECT_EQ(int(second->ImageDescriptor.ImageLeftPos), 0);

    auto back = Load(bytes);
    ASSERT_EQ(back->SubImages.Count(), 2);
    EXPECT_EQ(Rows(*back->GetSubImage(1)->Pixels), Rows(*first->Pixels));
    EXPECT_EQ(Rows(*back->GetSubImage(2)->Pixels), Rows(*second->Pixels));
    EXPECT_EQ(back->GetSubImage(2)->LocalColorMap->GetColor(8), gfx::RGB(8, 56, 2));
}

TEST(GifWriter, SavingTwiceGivesTheSameBytes)
{
    TGifFile gif;
    gif.AddBitmap(ColouredBitmap(40, 30, 50));
    std::string first;
    {
        ProgressRecorder progress;
        first = Save(gif);
        ASSERT_GE(progress.Values.size(), 2u);
        EXPECT_EQ(progress.Values.front(), 0.0f);
        EXPECT_EQ(progress.Values.back(), 1.0f);
    }
    ProgressRecorder progress;
    EXPECT_EQ(Save(gif), first);
    EXPECT_TRUE(progress.Values.empty());
}

TEST(GifWriter, EmptyDocument)
{
    TGifFile gif;
    rtl::TMemoryStream ms;
    try {
        gif.SaveToStream(ms);
        FAIL();
    } catch (const rtl::EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (0)");
    }
    EXPECT_EQ(ms.Size(), 0);
    ui::Screen().SetCursor(ui::crDefault);

    std::string path = giftest::Scratch() + "/gif_writer_empty.gif";
    rtl::DeleteFile(path);
    EXPECT_THROW(gif.SaveToFile(path), rtl::EListError);
    EXPECT_FALSE(rtl::FileExists(path));  // no file at all
    ui::Screen().SetCursor(ui::crDefault);
}

TEST(GifWriter, LoadedFileKeepsItsImageData)
{
    CodeStream s(2);
    s.Literals({1, 2, 3, 0, 1, 2});
    s.Put(s.End());
    std::string data = s.Bytes();
    // Image data in sub-blocks of 1 and 2 bytes, so the block structure is seen.
    std::string blocks = Bytes({1}) + data.substr(0, 1) + Bytes({2}) + data.substr(1, 2) +
                         Bytes({static_cast<int>(data.size() - 3)}) + data.substr(3) + Bytes({0});
    std::string file = GifBuilder("89a")
                           .Screen(3, 2)
                           .Gce(1, 10, 2)
                           .Comment({"note"})
                           .Raw(Bytes({0x2C}) + Word(0) + Word(0) + Word(3) + Word(2) + Bytes({0x40, 2}) + blocks)
                           .Trailer()
                           .S;
    auto gif = Load(file);
    std::string written = Save(*gif);
    std::string expected = "GIF89a" + Word(3) + Word(2) + Bytes({0x91, 0, 0}) + GifBuilder::GreyTable(4) +
                           Bytes({0x2C}) + Word(0) + Word(0) + Word(3) + Word(2) + Bytes({0x40, 2}) + blocks +
                           Bytes({0x3B});
    EXPECT_EQ(Hex(written), Hex(expected));
}

TEST(GifWriter, FullTableIsFollowedByAClearCodeAt12Bits)
{
    std::mt19937 random(7);
    const int w = 120, h = 100;
    std::vector<uint8_t> pixels(w * h);
    for (auto& p : pixels) p = static_cast<uint8_t>(random() % 256);
    TGifFile gif;
    gif.AddBitmap(BitmapOf(w, h, [&](int x, int y) {
        uint8_t v = pixels[static_cast<size_t>(y * w + x)];
        return gfx::RGB(v, v, static_cast<uint8_t>(255 - v));
    }));
    std::string bytes = Save(gif);
    TGifSubImage* image = gif.GetSubImage(1);
    ASSERT_EQ(image->LZWCodeSize, 8);
    auto codes = CodesOf(ImageData(*image), 8);

    // Clear, first literal, then one code per entry 258..4095, then a clear code at 12 bits and a
    // literal at 9 bits.
    const size_t entries = 4096 - 258;
    ASSERT_GT(codes.size(), 2 + entries + 2);
    EXPECT_EQ(codes[0], (std::pair<uint32_t, int>{256, 9}));
    for (size_t k = 1; k < 2 + entries; ++k) EXPECT_NE(codes[k].first, 256u) << k;
    EXPECT_EQ(codes[1 + entries].second, 12);
    EXPECT_EQ(codes[2 + entries], (std::pair<uint32_t, int>{256, 12}));
    EXPECT_LT(codes[3 + entries].first, 256u);
    EXPECT_EQ(codes[3 + entries].second, 9);
    EXPECT_EQ(codes.back().first, 257u);

    auto back = Load(bytes);
    EXPECT_EQ(Rows(*back->GetSubImage(1)->Pixels), Rows(*image->Pixels));
}

TEST(GifWriter, InterlacedSubImageIsEncodedInStreamOrder)
{
    // A loaded document whose image lost its compressed data is encoded from its matrix.
    CodeStream s(2);
    s.Literals({0, 1, 2, 3, 1});
    s.Put(s.End());
    auto gif = Load(GifBuilder().Screen(1, 5).Image(1, 5, 0x40, 2, s.Bytes()).Trailer().S);
    TGifSubImage* image = gif->GetSubImage(1);
    auto rows = Rows(*image->Pixels);
    image->CompressedRasterData = std::make_unique<TByteBuffer>();
    auto back = Load(Save(*gif));
    EXPECT_TRUE(back->GetSubImage(1)->Interlaced);
    EXPECT_EQ(Rows(*back->GetSubImage(1)->Pixels), rows);

    std::unique_ptr<TBigByteArray> order;
    PixelsInStreamOrder(*image->Pixels, true, order);
    std::vector<uint8_t> values(order->Address(), order->Address() + order->Count());
    EXPECT_EQ(values, (std::vector<uint8_t>{0, 1, 2, 3, 1}));
}

TEST(GifWriter, PlaceholdersAfterLoadedImagesAreConverted)
{
    CodeStream s(2);
    s.Literals({1, 2});
    s.Put(s.End());
    auto gif = Load(GifBuilder().Screen(2, 1).Image(2, 1, 0, 2, s.Bytes()).Trailer().S);
    gif->AddBitmap(ColouredBitmap(3, 3, 3));
    auto back = Load(Save(*gif));
    ASSERT_EQ(back->SubImages.Count(), 2);
    EXPECT_EQ(Rows(*back->GetSubImage(1)->Pixels), (std::vector<std::vector<uint8_t>>{{1, 2}}));
    EXPECT_EQ(int(back->GetSubImage(2)->ImageDescriptor.ImageWidth), 3);
    EXPECT_TRUE(back->GetSubImage(2)->HasLocalColorMap);
}

TEST(GifWriter, UnexpectedGlobalColourCount)
{
    TGifFile gif;
    gif.AddBitmap(ColouredBitmap(2, 2, 2));
    Save(gif);
    gif.GlobalColorMap->SetCount(6);
    rtl::TMemoryStream ms;
    try {
        gif.SaveToStream(ms);
        FAIL();
    } catch (const EGifException& e) {
        EXPECT_EQ(e.Message(), "unexpected number of colors");
    }
    ui::Screen().SetCursor(ui::crDefault);
}

TEST(GifWriter, SaveToFile)
{
    std::string path = giftest::Scratch() + "/gif_writer_file.gif";
    TGifFile gif;
    gif.AddBitmap(ColouredBitmap(7, 3, 5));
    gif.SaveToFile(path);
    TGifFile back;
    back.LoadFromFile(path);
    EXPECT_EQ(Rows(*back.GetSubImage(1)->Pixels), Rows(*gif.GetSubImage(1)->Pixels));
    rtl::DeleteFile(path);
}
