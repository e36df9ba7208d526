#include "framework/rtl/ByteReader.h"

#include <gtest/gtest.h>

#include <functional>

using namespace rtl;

namespace {

const uint8_t kBytes[] = {0x01, 0x02, 0x03, 0x04, 0xFE, 0xFF, 0x80, 0x00};

bool ReadsBeyondTheEnd(const std::function<void()>& read)
{
    try {
        read();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Read beyond the end of the data");
        return true;
    }
    return false;
}

}  // namespace

TEST(ByteReader, ValuesInEitherByteOrder)
{
    const struct {
        TByteOrder order;
        uint16_t u16at0, u16at4;
        uint32_t u32at0, u32at4;
        int16_t i16at4;
        int32_t i32at4;
    } cases[] = {
        {TByteOrder::LittleEndian, 0x0201, 0xFFFE, 0x04030201, 0x0080FFFE, -2, 0x0080FFFE},
        {TByteOrder::BigEndian, 0x0102, 0xFEFF, 0x01020304, 0xFEFF8000, -257, int32_t(0xFEFF8000)},
    };
    for (const auto& c : cases) {
        const TByteReader r(kBytes, sizeof kBytes, c.order);
        EXPECT_EQ(r.U8(6), 0x80);
        EXPECT_EQ(r.U16(0), c.u16at0);
        EXPECT_EQ(r.U16(4), c.u16at4);
        EXPECT_EQ(r.U32(0), c.u32at0);
        EXPECT_EQ(r.U32(4), c.u32at4);
        EXPECT_EQ(r.I16(4), c.i16at4);
        EXPECT_EQ(r.I32(4), c.i32at4);
        EXPECT_EQ(r.Part(4, 4).U16(0), c.u16at4);  // a part keeps the order
    }
}

TEST(ByteReader, EveryReadStopsAtTheEndOfItsView)
{
    const TByteReader r(kBytes, sizeof kBytes);
    const TByteReader part = r.Part(2, 4);
    const struct {
        const char* what;
        std::function<void()> read;
        bool beyond;
    } cases[] = {
        {"last byte", [&] { r.U8(7); }, false},
        {"byte at the end", [&] { r.U8(8); }, true},
        {"last 32 bits", [&] { r.U32(4); }, false},
        {"32 bits over the end", [&] { r.U32(5); }, true},
        {"16 bits over the end", [&] { r.U16(7); }, true},
        {"offset that wraps", [&] { r.U32(SIZE_MAX - 1); }, true},
        {"part's last 16 bits", [&] { part.U16(2); }, false},
        {"part's end, inside the whole", [&] { part.U16(3); }, true},
        {"part over the end", [&] { r.Part(6, 3); }, true},
        {"empty part at the end", [&] { r.Part(8, 0); }, false},
        {"from beyond the end", [&] { r.From(9); }, true},
        {"empty view", [&] { TByteReader().U8(0); }, true},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadsBeyondTheEnd(c.read), c.beyond) << c.what;
    EXPECT_TRUE(r.Has(8, 0));
    EXPECT_FALSE(r.Has(4, 5));
    EXPECT_FALSE(r.Has(1, SIZE_MAX));
}

TEST(ByteReader, CursorMovesPastWhatItReads)
{
    TByteReader r(kBytes, sizeof kBytes, TByteOrder::BigEndian);
    EXPECT_EQ(r.ReadU16(), 0x0102);
    EXPECT_EQ(r.ReadU8(), 0x03);
    r.Skip(1);
    EXPECT_EQ(r.ReadI16(), -257);
    EXPECT_EQ(r.Position(), 6u);
    EXPECT_EQ(r.Remaining(), 2u);
    // A read that does not fit leaves the cursor where it was.
    EXPECT_TRUE(ReadsBeyondTheEnd([&] { r.ReadU32(); }));
    EXPECT_TRUE(ReadsBeyondTheEnd([&] { r.Skip(3); }));
    EXPECT_EQ(r.Position(), 6u);
    r.Seek(0);
    EXPECT_EQ(r.ReadU32(), 0x01020304u);
    EXPECT_TRUE(ReadsBeyondTheEnd([&] { r.Seek(9); }));
}

TEST(ByteReader, FromAStreamKeepsItsBytes)
{
    TMemoryStream stream;
    stream.WriteBuffer(kBytes, sizeof kBytes);
    stream.SetPosition(2);
    TByteReader part;
    {
        const TByteReader r = TByteReader::FromStream(stream, 4);
        EXPECT_EQ(stream.Position(), 6);
        EXPECT_EQ(r.U32(0), 0xFFFE0403u);
        part = r.Part(2, 2);
    }
    EXPECT_EQ(part.U16(0), 0xFFFE);  // outlives the reader it came from
    try {
        TByteReader::FromStream(stream, 3);
        ADD_FAILURE() << "a short stream read";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Stream read error");
    }
}

TEST(ByteReader, PaddedStreamReadsGiveZerosWhereTheStreamEnds)
{
    TMemoryStream stream;
    stream.WriteBuffer(kBytes, sizeof kBytes);
    const struct {
        const char* what;
        int64_t offset;  // < 0 for the stream's position (6)
        size_t count;
        uint32_t first32;  // big-endian
        uint8_t last;
    } cases[] = {
        {"inside", 2, 4, 0x0304FEFF, 0xFF},
        {"past the end", 6, 6, 0x80000000, 0x00},
        {"from the position", -1, 4, 0x80000000, 0x00},
        {"at the end", 8, 4, 0, 0},
        {"far beyond", 1000, 4, 0, 0},
        {"before the start", -5, 4, 0, 0},
    };
    for (const auto& c : cases) {
        stream.SetPosition(6);
        const TByteReader r = c.offset == -1 ? TByteReader::FromStreamPadded(stream, c.count, TByteOrder::BigEndian)
                                             : TByteReader::FromStreamPaddedAt(stream, c.offset == -5 ? -1 : c.offset,
                                                                               c.count, TByteOrder::BigEndian);
        ASSERT_EQ(r.Size(), c.count) << c.what;
        EXPECT_EQ(r.U32(0), c.first32) << c.what;
        EXPECT_EQ(r.U8(c.count - 1), c.last) << c.what;
    }
}
