// The structure reader: header, byte order, directory chain, entries and strip tables.
#include "tiff/ReadTiffTags.h"

#include <gtest/gtest.h>

#include "tests/tiff/TiffBuilder.h"

using namespace tifftest;
using tif::TFileTiff;

namespace {

class StructureTest : public ::testing::TestWithParam<bool> {
protected:
    bool le() const { return GetParam(); }
    ScratchDir dir;
};

TEST_P(StructureTest, FirstOffsetBelowEightIsValidWithoutImages)
{
    for (uint32_t first : {0u, 4u}) {
        TiffBuilder b(le());
        b.SetFirstIfd(first);
        TFileTiff file;
        file.SetFileName(dir.Write("o" + std::to_string(first) + ".tif", b.Bytes));
        EXPECT_TRUE(file.Valid()) << first;
        EXPECT_EQ(file.GraphicCount(), 0) << first;
        EXPECT_EQ(file.LittleEndian(), le());
        EXPECT_EQ(file.FileSize(), 8);
    }
}

TEST_P(StructureTest, SameNameIsReadOnceOtherCaseAgain)
{
    TiffBuilder one(le());
    one.SetFirstIfd(one.Ifd({{256, SHORT, 1, 7}}));
    const std::string path = dir.Write("pic.tif", one.Bytes);
    TFileTiff file;
    file.SetFileName(path);
    ASSERT_EQ(file.GraphicCount(), 1);

    TiffBuilder none(le());
    dir.Write("pic.tif", none.Bytes);
    dir.Write("PIC.tif", none.Bytes);
    file.SetFileName(path);
    EXPECT_EQ(file.GraphicCount(), 1) << "the same name is not read again";
    file.SetFileName(dir.File("PIC.tif"));
    EXPECT_EQ(file.GraphicCount(), 0);
    EXPECT_EQ(file.FileName(), dir.File("PIC.tif"));
}

TEST_P(StructureTest, StripTableNeedsEqualCounts)
{
    TiffBuilder b(le());
    uint32_t offsets = b.Longs({100, 200, 300});
    uint32_t counts = b.Longs({10, 20});
    b.SetFirstIfd(b.Ifd({{273, LONG, 3, offsets}, {279, LONG, 2, counts}}));
    TFileTiff file;
    file.SetFileName(dir.Write("a.tif", b.Bytes));
    ASSERT_EQ(file.GraphicCount(), 1);
    EXPECT_EQ(file.GetGraphicTiff(0)->GetNoOfOffsets(), 0);
    EXPECT_EQ(file.GetGraphicTiff(0)->QueryGraphicByOffsets(0), nullptr);
}

TEST_P(StructureTest, StripArraysAreReadInTheFileOrder)
{
    TiffBuilder b(le());
    uint32_t offsets = b.Longs({100, 200, 70000});
    uint32_t counts = b.Longs({10, 20, 30});
    b.SetFirstIfd(b.Ifd({{279, LONG, 3, counts}, {273, LONG, 3, offsets}}));
    TFileTiff file;
    file.SetFileName(dir.Write("a.tif", b.Bytes));
    auto* g = file.GetGraphicTiff(0);
    ASSERT_EQ(g->GetNoOfOffsets(), 3);
    EXPECT_EQ(g->QueryGraphicByOffsets(2)->StripOffsets, 70000);
    EXPECT_EQ(g->QueryGraphicByOffsets(1)->StripByteCounts, 20);
    EXPECT_EQ(g->QueryGraphicByOffsets(3), nullptr);
}

TEST_P(StructureTest, OneStripComesFromTheValueFields)
{
    // Values that point past the end of the file: a read there would give zeros.
    TiffBuilder b(le());
    b.SetFirstIfd(b.Ifd({{273, LONG, 1, 0x7FFFFFF0u}, {279, LONG, 1, 0x7FFFFF00u}}));
    TFileTiff file;
    file.SetFileName(dir.Write("a.tif", b.Bytes));
    auto* g = file.GetGraphicTiff(0);
    ASSERT_EQ(g->GetNoOfOffsets(), 1);
    EXPECT_EQ(g->QueryGraphicByOffsets(0)->StripOffsets, 0x7FFFFFF0);
    EXPECT_EQ(g->QueryGraphicByOffsets(0)->StripByteCounts, 0x7FFFFF00);
}

TEST_P(StructureTest, EntriesReadInTheFileOrderAndTheLastDuplicateWins)
{
    TiffBuilder b(le());
    b.SetFirstIfd(b.Ifd({{259, SHORT, 1, 1}, {256, LONG, 1, 200}, {257, SHORT, 1, 3}, {257, SHORT, 1, 4},
                         {258, SHORT, 3, 0x12345678u}}));
    TFileTiff file;
    file.SetFileName(dir.Write("a.tif", b.Bytes));
    auto* g = file.GetGraphicTiff(0);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->QueryGraphicByTag(259)->Value, 1);
    EXPECT_EQ(g->QueryGraphicByTag(259)->VarType, SHORT);
    EXPECT_EQ(g->QueryGraphicByTag(256)->Value, 200);
    EXPECT_EQ(g->QueryGraphicByTag(256)->Count, 1);
    EXPECT_EQ(g->QueryGraphicByTag(257)->Value, 4);
    EXPECT_EQ(g->QueryGraphicByTag(258)->Value, 0x12345678);
    EXPECT_EQ(g->QueryGraphicByTag(300), nullptr);
    EXPECT_FALSE(g->Error());
}

TEST_P(StructureTest, ChainEndsAtZeroAndAtADirectoryReadBefore)
{
    struct Case {
        const char* name;
        int loopTo;  // -1: ends with 0; else index of the directory the last one points back to
        int expected;
    } cases[] = {{"ends", -1, 3}, {"back to first", 0, 3}, {"to itself", 2, 3}};
    for (const Case& c : cases) {
        TiffBuilder b(le());
        std::vector<uint32_t> at, next;
        for (int i = 0; i < 3; ++i) {
            at.push_back(b.Ifd({{256, SHORT, 1, uint32_t(i + 1)}}));
            next.push_back(b.NextField);
        }
        b.SetFirstIfd(at[0]);
        b.Put32At(next[0], at[1]);
        b.Put32At(next[1], at[2]);
        if (c.loopTo >= 0) b.Put32At(next[2], at[c.loopTo]);
        TFileTiff file;
        file.SetFileName(dir.Write("chain.tif", b.Bytes));
        ASSERT_EQ(file.GraphicCount(), c.expected) << c.name;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(file.GetGraphicTiff(uint8_t(i))->QueryGraphicByTag(256)->Value, i + 1) << c.name;
        EXPECT_EQ(file.GetGraphicTiff(3), nullptr);
    }
}

TEST_P(StructureTest, DirectoriesPastTheEndReadAsZeros)
{
    TiffBuilder b(le());
    b.U16(5);  // five entries announced, one and a half present
    b.U16(256);
    b.U16(SHORT);
    b.U32(1);
    b.U16(9);
    b.U16(0);
    b.U16(257);
    b.U16(SHORT);
    b.SetFirstIfd(8);
    TFileTiff file;
    file.SetFileName(dir.Write("cut.tif", b.Bytes));
    ASSERT_EQ(file.GraphicCount(), 1);
    auto* g = file.GetGraphicTiff(0);
    EXPECT_EQ(g->QueryGraphicByTag(256)->Value, 9);
    ASSERT_NE(g->QueryGraphicByTag(257), nullptr);
    EXPECT_EQ(g->QueryGraphicByTag(257)->Count, 0);
    EXPECT_EQ(g->NextIFD(), 0);
}

TEST_P(StructureTest, QueryGraphicDumpsEveryEntry)
{
    TiffBuilder b(le());
    uint32_t first = b.Ifd({{256, LONG, 1, 0xABC}, {320, SHORT, 768, 8}});
    uint32_t empty = b.Ifd({});
    b.Put32At(first + 2 + 24, empty);
    b.SetFirstIfd(first);
    TFileTiff file;
    file.SetFileName(dir.Write("d.tif", b.Bytes));
    ASSERT_EQ(file.GraphicCount(), 2);
    rtl::TStringList list;
    list.Add("old");
    file.GetGraphicTiff(0)->QueryGraphic(&list);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list[0], " Tag  VarType  Count        Value");
    EXPECT_EQ(list[1], "=====================================");
    EXPECT_EQ(list[2], " $0100 $0004 $00000001 $00000ABC");
    EXPECT_EQ(list[3], " $0140 $0003 $00000300 $00000008");
    file.GetGraphicTiff(1)->QueryGraphic(&list);
    EXPECT_EQ(list.Count(), 0);
    file.GetGraphicTiff(1)->QueryGraphic(nullptr);
}

TEST_P(StructureTest, DeleteAndExchangeGraphics)
{
    TiffBuilder b(le());
    uint32_t a = b.Ifd({{256, SHORT, 1, 1}});
    uint32_t an = b.NextField;
    uint32_t c = b.Ifd({{256, SHORT, 1, 2}});
    b.Put32At(an, c);
    b.SetFirstIfd(a);
    TFileTiff file;
    file.SetFileName(dir.Write("x.tif", b.Bytes));
    ASSERT_EQ(file.GraphicCount(), 2);
    file.ExchangeGraphic(0, 1);
    EXPECT_EQ(file.GetGraphicTiff(0)->QueryGraphicByTag(256)->Value, 2);
    file.ExchangeGraphic(0, 2);
    EXPECT_EQ(file.GetGraphicTiff(0)->QueryGraphicByTag(256)->Value, 2);
    file.DeleteGraphic(5);
    EXPECT_EQ(file.GraphicCount(), 2);
    file.DeleteGraphic(0);
    ASSERT_EQ(file.GraphicCount(), 1);
    EXPECT_EQ(file.GetGraphicTiff(0)->QueryGraphicByTag(256)->Value, 1);
}

INSTANTIATE_TEST_SUITE_P(ByteOrder, StructureTest, ::testing::Bool(), OrderName);

TEST(FileTiff, HeadersThatAreNotTiff)
{
    ScratchDir dir;
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool valid;
    } cases[] = {
        {"short", {'I', 'I', 42, 0, 0, 0}, false},
        {"order", {'I', 'M', 42, 0, 0, 0, 0, 0}, false},
        {"magic", {'I', 'I', 43, 0, 0, 0, 0, 0}, false},
        {"magic big-endian", {'M', 'M', 0, 43, 0, 0, 0, 0}, false},
        {"magic in the other order", {'M', 'M', 42, 0, 0, 0, 0, 0}, false},
        {"little", {'I', 'I', 42, 0, 0, 0, 0, 0}, true},
    };
    for (const Case& c : cases) {
        TFileTiff file;
        file.SetFileName(dir.Write("h.tif", c.bytes));
        EXPECT_EQ(file.Valid(), c.valid) << c.name;
        EXPECT_EQ(file.GraphicCount(), 0) << c.name;
        file.SetFileName("");
    }
}

TEST(FileTiff, StartsEmptyAndAnEmptyNameClears)
{
    TFileTiff file;
    EXPECT_EQ(file.FileName(), "");
    EXPECT_EQ(file.FileSize(), 0);
    EXPECT_TRUE(file.LittleEndian());
    EXPECT_FALSE(file.Valid());
    EXPECT_EQ(file.GetGraphicTiff(0), nullptr);

    ScratchDir dir;
    TiffBuilder b(false);
    b.SetFirstIfd(b.Ifd({{256, SHORT, 1, 1}}));
    file.SetFileName(dir.Write("m.tif", b.Bytes));
    ASSERT_TRUE(file.Valid());
    ASSERT_FALSE(file.LittleEndian());
    file.SetFileName("");
    EXPECT_EQ(file.FileName(), "");
    EXPECT_EQ(file.FileSize(), 0);
    EXPECT_FALSE(file.Valid());
    EXPECT_EQ(file.GraphicCount(), 0);
}

TEST(FileTiff, AMissingFileIsNotValidAndNotCreated)
{
    ScratchDir dir;
    for (bool le : {true, false}) {
        TFileTiff file;
        if (!le) {
            TiffBuilder b(false);
            file.SetFileName(dir.Write("be.tif", b.Bytes));
        }
        const std::string path = dir.File(le ? "new-ii.tif" : "new-mm.tif");
        file.SetFileName(path);
        EXPECT_FALSE(file.Valid());
        EXPECT_EQ(file.GraphicCount(), 0);
        EXPECT_EQ(file.FileSize(), 0);
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

TEST(FileTiff, AFileThatCannotBeCreatedIsNotValid)
{
    ScratchDir dir;
    TFileTiff file;
    file.SetFileName(dir.File("no-such-folder/x.tif"));
    EXPECT_FALSE(file.Valid());
    EXPECT_EQ(file.FileSize(), 0);
    EXPECT_EQ(file.GraphicCount(), 0);
    // A folder is no file either.
    file.SetFileName(dir.Path.string());
    EXPECT_FALSE(file.Valid());
}

TEST(FileTiff, ChainStopsAfterTheImagesThatCanBeAddressed)
{
    ScratchDir dir;
    TiffBuilder b(true);
    uint32_t previous = 4;
    for (int i = 0; i < 300; ++i) {
        uint32_t at = b.Ifd({{256, SHORT, 1, uint32_t(i)}});
        b.Put32At(previous, at);
        previous = b.NextField;
    }
    TFileTiff file;
    file.SetFileName(dir.Write("many.tif", b.Bytes));
    EXPECT_EQ(file.GraphicCount(), tif::MAX_CHAIN);
    EXPECT_EQ(file.GetGraphicTiff(255)->QueryGraphicByTag(256)->Value, 255);
}

}  // namespace
