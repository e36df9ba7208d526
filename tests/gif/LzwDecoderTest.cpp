#include <gtest/gtest.h>

#include <numeric>

#include "GifTestUtil.h"

using namespace gif;
using namespace giftest;

namespace {

using Matrix = std::vector<std::vector<uint8_t>>;

// A sub-image of w x h ready for decoding, as the reader leaves it.
struct Fixture {
    TGifFile doc;
    std::unique_ptr<TGifSubImage> image;

    Fixture(int w, int h, int minCodeSize, const std::string& data, bool interlaced = false, size_t blockSize = 255)
    {
        image = std::make_unique<TGifSubImage>(256, &doc);
        image->ImageDescriptor.ImageWidth = static_cast<uint16_t>(w);
        image->ImageDescriptor.ImageHeight = static_cast<uint16_t>(h);
        image->Interlaced = interlaced;
        image->Pixels = std::make_unique<TByteArray2D>(w, h);
        image->LZWCodeSize = static_cast<uint8_t>(minCodeSize);
        for (size_t pos = 0; pos < data.size(); pos += blockSize) image->CompressedRasterData->AddString(data.substr(pos, blockSize));
    }
    Matrix Decode()
    {
        image->DecodeRasterData();
        return Rows(*image->Pixels);
    }
    Matrix Current() const { return Rows(*image->Pixels); }
};

std::string Codes(std::initializer_list<std::pair<int, int>> codesAndWidths)
{
    CodeWriter w;
    for (auto [code, width] : codesAndWidths) w.Put(static_cast<uint32_t>(code), width);
    return w.Bytes();
}

std::string Message(const std::function<void()>& action)
{
    try {
        action();
    } catch (const rtl::Exception& e) {
        return e.ClassName() + ": " + e.Message();
    }
    return "no error";
}

}  // namespace

TEST(LzwDecoder, OnePixel)
{
    ProgressRecorder progress;
    Fixture f(1, 1, 2, Codes({{4, 3}, {3, 3}, {5, 3}}));
    EXPECT_EQ(f.Decode(), (Matrix{{3}}));
    EXPECT_TRUE(progress.Values.empty());
}

TEST(LzwDecoder, CodeWidthGrowsAfterEntry2PowWidthMinus1)
{
    // Entries 6 (0,1) and 7 (1,2); then the next free code is 8 and codes are 4 bits wide.
    Fixture f(5, 1, 2, Codes({{4, 3}, {0, 3}, {1, 3}, {2, 3}, {6, 4}, {5, 4}}));
    EXPECT_EQ(f.Decode(), (Matrix{{0, 1, 2, 0, 1}}));
}

TEST(LzwDecoder, CodeNotYetInTheTable)
{
    // 7 is the next free code: the previous string (2) followed by its own first pixel.
    Fixture f(4, 1, 2, Codes({{4, 3}, {1, 3}, {2, 3}, {7, 3}, {5, 4}}));
    EXPECT_EQ(f.Decode(), (Matrix{{1, 2, 2, 2}}));
}

TEST(LzwDecoder, LongStringsSpanRows)
{
    // A run of growing strings of one pixel value, over rows of 3.
    CodeStream s(2);
    s.Put(s.Clear());
    s.Put(1);
    for (uint32_t code = 6; code < 12; ++code) s.Put(code);  // each is the next free code
    s.Put(s.End());
    // 1 + 2 + 3 + ... + 7 = 28 pixels
    Fixture f(4, 7, 2, s.Bytes());
    Matrix expected(7, std::vector<uint8_t>(4, 1));
    EXPECT_EQ(f.Decode(), expected);
}

TEST(LzwDecoder, RunsOfClearCodesAreOne)
{
    Fixture f(2, 1, 2, Codes({{4, 3}, {4, 3}, {4, 3}, {2, 3}, {3, 3}, {5, 3}}));
    EXPECT_EQ(f.Decode(), (Matrix{{2, 3}}));
}

TEST(LzwDecoder, FirstCodeAfterClearThatIsNoLiteralIsPixel0)
{
    Fixture f(2, 1, 2, Codes({{4, 3}, {7, 3}, {2, 3}, {5, 3}}));
    EXPECT_EQ(f.Decode(), (Matrix{{0, 2}}));
}

TEST(LzwDecoder, StreamWithoutLeadingClearCode)
{
    Fixture f(4, 1, 2, Codes({{1, 3}, {2, 3}, {6, 3}, {5, 4}}));
    EXPECT_EQ(f.Decode(), (Matrix{{1, 2, 1, 2}}));
}

TEST(LzwDecoder, BadCodes)
{
    const struct {
        const char* what;
        std::string data;
    } cases[] = {
        {"clear then end", Codes({{4, 3}, {5, 3}})},
        {"clear run then end", Codes({{4, 3}, {4, 3}, {5, 3}})},
        {"above the next free code", Codes({{4, 3}, {0, 3}, {7, 3}})},
        {"end as the very first code", Codes({{5, 3}})},
    };
    for (const auto& c : cases) {
        Fixture f(4, 4, 2, c.data);
        EXPECT_EQ(Message([&] { f.Decode(); }), "EGifException: Bad code") << c.what;
    }
}

TEST(LzwDecoder, RowsCompletedBeforeABadCodeStay)
{
    Fixture f(2, 2, 2, Codes({{4, 3}, {1, 3}, {4, 3}, {2, 3}, {4, 3}, {3, 3}, {7, 3}}));
    EXPECT_THROW(f.Decode(), EGifException);
    EXPECT_EQ(f.Current(), (Matrix{{1, 2}, {0, 0}}));
}

TEST(LzwDecoder, CodeSizeOverflow)
{
    // Fill the table up to code 4095, then send something other than a clear code.
    auto filled = [](uint32_t after, bool clearFirst) {
        CodeStream s(2);
        s.Put(s.Clear());
        s.Put(0);
        while (s.NextFree() < 4096) s.Put(0);
        EXPECT_EQ(s.Width(), 12);
        if (clearFirst) s.Put(s.Clear());
        s.Put(after);
        if (clearFirst) s.Put(s.End());
        return s.Bytes();
    };
    const int pixels = 1 + 4090;
    for (uint32_t after : {0u, 5u}) {
        Fixture f(pixels + 1, 1, 2, filled(after, false));
        EXPECT_EQ(Message([&] { f.Decode(); }), "EGifException: Code size overflow") << after;
    }
    Fixture ok(pixels + 1, 1, 2, filled(3, true));
    auto rows = ok.Decode();
    EXPECT_EQ(rows[0][pixels - 1], 0);
    EXPECT_EQ(rows[0][pixels], 3);
}

TEST(LzwDecoder, CodeSizeLimits)
{
    for (int size : {0, 1, 10, 255}) {
        Fixture f(1, 1, size, Codes({{4, 3}}));
        EXPECT_EQ(Message([&] { f.Decode(); }), "EGifException: Bad code Size") << size;
    }
    // 9 is accepted; a pixel value above 255 is a range error.
    Fixture nine(2, 1, 9, Codes({{512, 10}, {200, 10}, {512, 10}, {7, 10}, {513, 10}}));
    EXPECT_EQ(nine.Decode(), (Matrix{{200, 7}}));
    Fixture wide(2, 1, 9, Codes({{512, 10}, {300, 10}, {513, 10}}));
    EXPECT_THROW(wide.Decode(), rtl::ERangeError);
}

TEST(LzwDecoder, NoSubBlockIsAListIndexError)
{
    Fixture f(1, 1, 2, "");
    EXPECT_EQ(Message([&] { f.Decode(); }), "EStringListError: List index out of bounds (0)");
}

TEST(LzwDecoder, DataRunningOutEndsQuietly)
{
    // Eight 3-bit codes end on a byte boundary, so no padding bits are read as codes.
    CodeStream s(2);
    s.Literals({1, 2, 3, 1});
    ASSERT_EQ(s.Bytes().size(), 3u);
    // No end code: row 1 is complete, row 2 holds one pixel and is dropped.
    for (size_t block : {size_t{1}, size_t{2}, size_t{255}}) {
        Fixture f(3, 2, 2, s.Bytes(), false, block);
        EXPECT_EQ(f.Decode(), (Matrix{{1, 2, 3}, {0, 0, 0}})) << block;
    }
}

TEST(LzwDecoder, MorePixelsThanTheImageHolds)
{
    CodeStream s(2);
    s.Literals({1, 2, 3, 0, 2, 1});
    s.Put(s.End());
    Fixture f(2, 2, 2, s.Bytes());
    EXPECT_EQ(Message([&] { f.Decode(); }), "EIndexOutOfBounds: Dynamic array index out of bounds");
    EXPECT_EQ(f.Current(), (Matrix{{1, 2}, {3, 0}}));

    // Pixels short of a complete extra row are never stored.
    CodeStream t(2);
    t.Literals({1, 2, 3});
    t.Put(t.End());
    Fixture g(2, 1, 2, t.Bytes());
    EXPECT_EQ(g.Decode(), (Matrix{{1, 2}}));
}

TEST(LzwDecoder, WidthZeroWithPixels)
{
    CodeStream s(2);
    s.Literals({1});
    s.Put(s.End());
    Fixture f(0, 3, 2, s.Bytes());
    EXPECT_EQ(Message([&] { f.Decode(); }), "EIndexOutOfBounds: Dynamic array index out of bounds");
}

TEST(LzwDecoder, InterlacedRowOrder)
{
    const struct {
        int height;
        std::vector<int> order;  // image rows in stream order
    } cases[] = {
        {1, {0}}, {2, {0, 1}}, {3, {0, 2, 1}}, {4, {0, 2, 1, 3}}, {5, {0, 4, 2, 1, 3}},
        {10, {0, 8, 4, 2, 6, 1, 3, 5, 7, 9}},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> stream(static_cast<size_t>(c.height));
        std::iota(stream.begin(), stream.end(), uint8_t{0});
        CodeStream s(4);
        s.Literals(stream);
        s.Put(s.End());
        Fixture f(1, c.height, 4, s.Bytes(), true);
        Matrix rows = f.Decode();
        for (size_t k = 0; k < c.order.size(); ++k)
            EXPECT_EQ(rows[static_cast<size_t>(c.order[k])][0], k) << "height " << c.height << " position " << k;

        int pass = 1, row = 0;
        for (size_t k = 1; k < c.order.size(); ++k) {
            row = NextInterlacedRow(row, c.height, pass);
            EXPECT_EQ(row, c.order[k]);
        }
        row = NextInterlacedRow(row, c.height, pass);
        EXPECT_GE(row, c.height);
        EXPECT_EQ(pass, 5);
    }
}

TEST(LzwDecoder, ProgressAfterEachRowOfTallImages)
{
    for (int height : {200, 201}) {
        CodeStream s(2);
        s.Literals(std::vector<uint8_t>(static_cast<size_t>(height), 1));
        s.Put(s.End());
        ProgressRecorder progress;
        Fixture f(1, height, 2, s.Bytes());
        f.Decode();
        if (height == 200) {
            EXPECT_TRUE(progress.Values.empty());
            continue;
        }
        ASSERT_EQ(progress.Values.size(), 201u);
        for (int k = 1; k <= 201; ++k) EXPECT_EQ(progress.Values[k - 1], static_cast<float>(k / 201.0));
    }
}

TEST(LzwDecoder, InterlacedProgressFollowsTheRows)
{
    for (int height : {201, 202}) {
        CodeStream s(2);
        s.Literals(std::vector<uint8_t>(static_cast<size_t>(height), 1));
        s.Put(s.End());
        ProgressRecorder progress;
        Fixture f(1, height, 2, s.Bytes(), true);
        f.Decode();
        ASSERT_EQ(progress.Values.size(), static_cast<size_t>(height));
        EXPECT_EQ(progress.Values[0], static_cast<float>(1.0 / height));
        EXPECT_EQ(progress.Values[1], static_cast<float>(9.0 / height));  // row 8
        float last = height % 2 == 0 ? 1.0f : static_cast<float>((height - 1.0) / height);
        EXPECT_EQ(progress.Values.back(), last);
    }
}

TEST(BitsForCount, GrowsOnly)
{
    const struct {
        int32_t count;
        uint8_t before, after;
    } cases[] = {{2, 1, 1}, {3, 1, 2}, {256, 1, 8}, {0, 1, 1}, {1, 3, 3}, {5, 4, 4}, {257, 1, 9}};
    for (const auto& c : cases) {
        uint8_t bits = c.before;
        BitsForCount(c.count, bits);
        EXPECT_EQ(bits, c.after) << c.count;
    }
}
