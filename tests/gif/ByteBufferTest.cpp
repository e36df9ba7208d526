#include <gtest/gtest.h>

#include "gif/GifDecl.h"

using namespace gif;

namespace {

void AddBytes(TByteBuffer& b, int n)
{
    for (int i = 0; i < n; ++i) b.AddByte(static_cast<uint8_t>(i));
}

std::string ListIndexMessage(const std::function<void()>& action)
{
    try {
        action();
    } catch (const rtl::EStringListError& e) {
        return e.Message();
    }
    return "no error";
}

}  // namespace

TEST(ByteBuffer, StringsHoldAtMost255Bytes)
{
    const struct {
        int bytes;
        std::vector<size_t> strings;  // after Finish
    } cases[] = {{0, {0}}, {1, {1}}, {255, {255}}, {256, {255, 1}}, {510, {255, 255}}, {511, {255, 255, 1}}};
    for (const auto& c : cases) {
        TByteBuffer b;
        AddBytes(b, c.bytes);
        EXPECT_EQ(b.TotalSize(), c.bytes);
        EXPECT_EQ(b.StringCount(), static_cast<int32_t>(c.strings.size()) - 1) << c.bytes;
        b.Finish();
        ASSERT_EQ(b.StringCount(), static_cast<int32_t>(c.strings.size())) << c.bytes;
        for (size_t k = 0; k < c.strings.size(); ++k)
            EXPECT_EQ(b.GetString(static_cast<int32_t>(k + 1)).size(), c.strings[k]) << c.bytes;
    }
}

TEST(ByteBuffer, ByteOrderSurvivesTheSplit)
{
    TByteBuffer b;
    AddBytes(b, 256);
    b.Finish();
    EXPECT_EQ(static_cast<uint8_t>(b.GetString(1)[254]), 254);
    EXPECT_EQ(static_cast<uint8_t>(b.GetString(2)[0]), 255);
}

TEST(ByteBuffer, DeleteLastByteTakesBackAFullString)
{
    TByteBuffer b;
    AddBytes(b, 256);
    b.DeleteLastByte();
    b.DeleteLastByte();
    EXPECT_EQ(b.StringCount(), 0);
    EXPECT_EQ(b.TotalSize(), 254);
    EXPECT_EQ(b.LastByte(), 253);
    b.Finish();
    EXPECT_EQ(b.GetString(1).size(), 254u);

    TByteBuffer empty;
    EXPECT_EQ(ListIndexMessage([&] { empty.DeleteLastByte(); }), "List index out of bounds (-1)");
}

TEST(ByteBuffer, FirstAndLastByte)
{
    TByteBuffer b;
    b.Clear();
    b.AddByte(7);
    EXPECT_EQ(b.FirstByte(), 7);
    b.AddByte(9);
    EXPECT_EQ(b.LastByte(), 9);
    EXPECT_EQ(b.FirstByte(), 7);

    TByteBuffer none;
    EXPECT_THROW(none.FirstByte(), rtl::ERangeError);
    EXPECT_THROW(none.LastByte(), rtl::ERangeError);
}

TEST(ByteBuffer, ReadingWalksTheStrings)
{
    TByteBuffer b;
    b.AddString("\x01\x02\x03");
    b.AddString("\x04\x05");
    EXPECT_EQ(b.TotalSize(), 5);
    b.Reset();
    for (uint8_t expected = 1; expected <= 5; ++expected) EXPECT_EQ(b.GetNextByte(), expected);
    EXPECT_EQ(ListIndexMessage([&] { b.GetNextByte(); }), "List index out of bounds (2)");

    // Clear after reading, then a fresh start.
    b.Clear();
    b.AddString("\x09");
    b.Reset();
    EXPECT_EQ(b.GetNextByte(), 9);
}

TEST(ByteBuffer, IndexErrors)
{
    TByteBuffer b;
    EXPECT_EQ(ListIndexMessage([&] { b.Reset(); }), "List index out of bounds (0)");
    b.AddString("ab");
    EXPECT_EQ(ListIndexMessage([&] { b.GetString(0); }), "List index out of bounds (-1)");
    EXPECT_EQ(ListIndexMessage([&] { b.GetString(2); }), "List index out of bounds (1)");
    EXPECT_EQ(b.Strings(1), "ab");
}

TEST(ByteBuffer, EmptyStringReachedWhileReadingIsARangeError)
{
    TByteBuffer b;
    b.AddString("\x01");
    b.AddString("");
    b.Reset();
    EXPECT_EQ(b.GetNextByte(), 1);
    EXPECT_THROW(b.GetNextByte(), rtl::ERangeError);
}

TEST(CodeTable, ClearAndGrowth)
{
    TCodeTable t;
    t.Clear(3);
    EXPECT_EQ(t.FirstSlot, 6);
    EXPECT_EQ(t.NextSlot, 6);
    EXPECT_EQ(t.CodeSize, 3);
    t.AddEntry(0, 1);  // 6
    t.AddEntry(1, 1);  // 7
    EXPECT_EQ(t.CodeSize, 3);
    t.AddEntry(1, 0);  // 8 = 2^3: one bit wider
    EXPECT_EQ(t.CodeSize, 4);
    EXPECT_EQ(t.Prefix[8], 1);
    EXPECT_EQ(t.Suffix[8], 0);

    TByteBuffer s;
    s.AddByte(0);
    int32_t prev = 1, found = -1;
    EXPECT_TRUE(t.IsInTable(s, prev, found));
    EXPECT_EQ(prev, 8);
    EXPECT_EQ(found, 8);
    prev = 0;
    found = -1;
    EXPECT_FALSE(t.IsInTable(s, prev, found));
    EXPECT_EQ(prev, 0);
    EXPECT_EQ(found, -1);
}

TEST(CodeTable, FillsUpAt4095)
{
    TCodeTable t;
    t.Clear(9);
    while (!t.TableFull) t.AddEntry(t.NextSlot - 1, 0);
    EXPECT_EQ(t.NextSlot, 4096);
    EXPECT_EQ(t.CodeSize, 12);
    EXPECT_EQ(t.Find(4094, 0), 4095);
    t.Clear(9);
    EXPECT_EQ(t.Find(4094, 0), -1);
    EXPECT_EQ(t.Prefix[4095], 0);
}

TEST(CodeTable, SearchMatchesThePlainUpwardSearch)
{
    // Entries made out of the encoder's order: a pair made twice, and an entry below its prefix.
    TCodeTable t;
    t.Clear(3);       // FirstSlot 6
    t.AddEntry(9, 1);  // 6: below its prefix
    t.AddEntry(2, 1);  // 7
    t.AddEntry(2, 1);  // 8: the same pair again
    t.AddEntry(9, 1);  // 9
    t.AddEntry(9, 1);  // 10
    EXPECT_EQ(t.Find(2, 1), 7);
    EXPECT_EQ(t.Find(9, 1), 10);  // the search starts above the prefix
    EXPECT_EQ(t.Find(3, 1), -1);
}

TEST(EncodedBytes, PacksLeastSignificantBitFirst)
{
    TEncodedBytes p;
    for (int code : {4, 0, 1, 1}) p.AppendCode(code, 3);
    p.AppendCode(0, 4);
    p.Finish(5, 4);
    ASSERT_EQ(p.Value->StringCount(), 1);
    EXPECT_EQ(p.Value->GetString(1), std::string("\x44\x02\x05", 3));
}
