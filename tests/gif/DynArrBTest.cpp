#include <gtest/gtest.h>

#include <vector>

#include "gif/DynArrB.h"
#include "tests/common/PeakMemory.h"

using namespace gif;

namespace {

std::unique_ptr<TBigByteArray> ArrayOf(const std::vector<uint8_t>& values)
{
    auto a = std::make_unique<TBigByteArray>(static_cast<int32_t>(values.size()));
    for (size_t k = 0; k < values.size(); ++k) a->SetVal(static_cast<int32_t>(k + 1), values[k]);
    return a;
}

std::vector<uint8_t> ValuesOf(const TBigByteArray& a)
{
    std::vector<uint8_t> v;
    for (int32_t k = 1; k <= a.Count(); ++k) v.push_back(a.GetVal(k));
    return v;
}

// A 2D matrix whose element (i1, i2) is 10 * i2 + i1.
std::unique_ptr<TByteArray2D> Numbered(int32_t n1, int32_t n2)
{
    auto m = std::make_unique<TByteArray2D>(n1, n2);
    for (int32_t i2 = 1; i2 <= n2; ++i2)
        for (int32_t i1 = 1; i1 <= n1; ++i1) m->SetVal(i1, i2, static_cast<uint8_t>(10 * i2 + i1));
    return m;
}

}  // namespace

TEST(BigByteArray, EmptyArrayHasNoElements)
{
    TBigByteArray a(0);
    EXPECT_EQ(a.Count(), 0);
    EXPECT_EQ(a.Address(), nullptr);
    for (int32_t index : {-1, 0, 1}) {
        try {
            a.GetVal(index);
            FAIL() << index;
        } catch (const EIndexOutOfBounds& e) {
            EXPECT_EQ(e.Message(), "Dynamic array index out of bounds");
        }
    }
}

TEST(BigByteArray, BoundsAreOneToCount)
{
    auto a = ArrayOf({1, 2, 3});
    EXPECT_EQ(a->GetVal(1), 1);
    EXPECT_EQ(a->GetVal(3), 3);
    EXPECT_THROW(a->GetVal(4), EIndexOutOfBounds);
    EXPECT_THROW(a->SetVal(0, 9), EIndexOutOfBounds);
    EXPECT_EQ(ValuesOf(*a), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(BigByteArray, NegativeCountIsNotEnoughMemory)
{
    try {
        TBigByteArray a(-1);
        FAIL();
    } catch (const ENotEnoughMemory& e) {
        EXPECT_EQ(e.Message(),
                  "error in TBigByteArray.create: Not enough contiguous memory available\r\n"
                  " requested memory block: -1 bytes");
    }
}

TEST(BigByteArray, CountTheHeapCannotSupplyIsOutOfMemory)
{
    SKIP_UNDER_SANITIZERS();
    auto outcome = testmemory::RunLimited(64 * testmemory::MB, [] {
        try {
            TBigByteArray a(INT32_MAX);
        } catch (const rtl::EOutOfMemory& e) {
            return e.Message() == "Out of memory" ? 0 : 1;
        }
        return 2;
    });
    ASSERT_TRUE(outcome.Finished);
    EXPECT_EQ(outcome.Result, 0);
}

TEST(BigByteArray, DimClearsAndFillWithSets)
{
    auto a = TBigByteArray::Dim(4);
    EXPECT_EQ(ValuesOf(*a), (std::vector<uint8_t>{0, 0, 0, 0}));
    a->FillWith(7);
    EXPECT_EQ(ValuesOf(*a), (std::vector<uint8_t>{7, 7, 7, 7}));
    a->Clear();
    EXPECT_EQ(a->Max(), 0);
}

TEST(BigByteArray, CopyIsIndependent)
{
    auto a = ArrayOf({4, 5});
    auto b = a->Copy();
    b->SetVal(1, 9);
    EXPECT_EQ(a->GetVal(1), 4);
    EXPECT_EQ(ValuesOf(*b), (std::vector<uint8_t>{9, 5}));
}

TEST(BigByteArray, Append)
{
    auto a = ArrayOf({1, 2});
    a->Append(*ArrayOf({3}));
    EXPECT_EQ(ValuesOf(*a), (std::vector<uint8_t>{1, 2, 3}));
    a->Append(*ArrayOf({}));
    EXPECT_EQ(ValuesOf(*a), (std::vector<uint8_t>{1, 2, 3}));
    a->Append(*a);
    EXPECT_EQ(ValuesOf(*a), (std::vector<uint8_t>{1, 2, 3, 1, 2, 3}));
}

TEST(BigByteArray, EqualTo)
{
    EXPECT_TRUE(ArrayOf({})->EqualTo(*ArrayOf({})));
    EXPECT_TRUE(ArrayOf({1, 2})->EqualTo(*ArrayOf({1, 2})));
    EXPECT_FALSE(ArrayOf({1, 2})->EqualTo(*ArrayOf({1, 3})));
    EXPECT_FALSE(ArrayOf({1, 2})->EqualTo(*ArrayOf({1, 2, 3})));
    EXPECT_FALSE(ArrayOf({1, 2, 3})->EqualTo(*ArrayOf({1, 2})));
}

TEST(BigByteArray, SubtractStopsAtTheFirstNegativeElement)
{
    auto a = ArrayOf({5, 1});
    EXPECT_THROW(a->Subtract(*ArrayOf({2, 3})), rtl::ERangeError);
    EXPECT_EQ(ValuesOf(*a), (std::vector<uint8_t>{3, 1}));

    auto b = ArrayOf({5, 6, 7});
    EXPECT_THROW(b->Subtract(*ArrayOf({1, 1})), EIndexOutOfBounds);
    EXPECT_EQ(ValuesOf(*b), (std::vector<uint8_t>{4, 5, 7}));
}

TEST(BigByteArray, MinMaxAndSearches)
{
    auto empty = ArrayOf({});
    EXPECT_EQ(empty->Max(), 0);
    EXPECT_EQ(empty->Min(), 255);
    uint8_t lo = 1, hi = 1;
    empty->FindMinMax(lo, hi);
    EXPECT_EQ(lo, 255);
    EXPECT_EQ(hi, 0);

    int32_t i = 42;
    uint8_t max = 9;
    ArrayOf({0, 0, 0})->FindMax(i, max);
    EXPECT_EQ(i, 42);
    EXPECT_EQ(max, 0);

    ArrayOf({3, 7, 7})->FindMax(i, max);
    EXPECT_EQ(i, 2);
    EXPECT_EQ(max, 7);

    ArrayOf({3, 9, 1, 7})->FindMinMax(lo, hi);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 9);
}

TEST(BigByteArray, BinaryForm)
{
    rtl::TMemoryStream file;
    ArrayOf({1, 2, 250})->WriteBinary(file);
    ArrayOf({})->WriteBinary(file);
    ASSERT_EQ(file.Size(), 4 + 3 + 4);
    const uint8_t expected[] = {3, 0, 0, 0, 1, 2, 250, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(file.Memory(), file.Memory() + 11), std::vector<uint8_t>(expected, expected + 11));

    file.SetPosition(0);
    auto a = TBigByteArray::ReadBinary(file);
    EXPECT_EQ(ValuesOf(*a), (std::vector<uint8_t>{1, 2, 250}));
    auto b = TBigByteArray::ReadBinary(file);
    EXPECT_EQ(b->Count(), 0);
    // At the end of the file: an empty array, no error.
    auto c = TBigByteArray::ReadBinary(file);
    EXPECT_EQ(c->Count(), 0);
}

TEST(BigByteArray, ShortBinaryRecordRaises)
{
    rtl::TMemoryStream file;
    const uint8_t bytes[] = {5, 0, 0, 0, 1, 2};
    file.Write(bytes, sizeof(bytes));
    file.SetPosition(0);
    try {
        TBigByteArray::ReadBinary(file);
        FAIL();
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "Error in TBigByteArray.ReadBinary: read number of bytes <> size");
    }
}

TEST(ByteArray2D, LinearIndexRunsFirstIndexFastest)
{
    auto m = Numbered(3, 2);
    EXPECT_EQ(m->TotalCount(), 6);
    EXPECT_EQ(m->GetVal(4, 1), m->GetVal(1, 2));  // only the linear index is tested
    EXPECT_EQ(m->Values->GetVal(4), 21);
    EXPECT_THROW(m->GetVal(1, 3), EIndexOutOfBounds);
    EXPECT_THROW(m->GetVal(0, 1), EIndexOutOfBounds);
    EXPECT_THROW(m->SetVal(7, 1, 0), EIndexOutOfBounds);
}

TEST(ByteArray2D, WrappedProductIsNotEnoughMemory)
{
    try {
        TByteArray2D m(65535, 65535);
        FAIL();
    } catch (const ENotEnoughMemory& e) {
        EXPECT_NE(e.Message().find(" requested memory block: -131071 bytes"), std::string::npos) << e.Message();
    }
}

TEST(ByteArray2D, RowsAreCopiedAndSet)
{
    auto m = Numbered(3, 2);
    auto row = m->CopyRow(2);
    EXPECT_EQ(ValuesOf(*row), (std::vector<uint8_t>{21, 22, 23}));
    m->SetRow(1, *ArrayOf({7, 8, 9}));
    EXPECT_EQ(ValuesOf(*m->CopyRow(1)), (std::vector<uint8_t>{7, 8, 9}));
    EXPECT_THROW(m->CopyRow(0), EIndexOutOfBounds);
    EXPECT_THROW(m->CopyRow(3), EIndexOutOfBounds);
}

TEST(ByteArray2D, SetRowErrors)
{
    auto m = Numbered(3, 2);
    try {
        m->SetRow(1, *ArrayOf({1, 2}));
        FAIL();
    } catch (const EIndexOutOfBounds&) {
        FAIL() << "the row length is the error here";
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "Row doesn't have equal number of elements as Matrix row");
    }
    EXPECT_EQ(ValuesOf(*m->CopyRow(1)), (std::vector<uint8_t>{11, 12, 13}));
    // The index test comes first.
    EXPECT_THROW(m->SetRow(0, *ArrayOf({1, 2})), EIndexOutOfBounds);
    EXPECT_THROW(m->SetRow(3, *ArrayOf({1, 2, 3})), EIndexOutOfBounds);
}

TEST(ByteArray2D, SumColumns)
{
    auto m = TByteArray2D::Dim(2, 2);
    m->SetVal(1, 1, 200);
    m->SetVal(1, 2, 55);
    m->SetVal(2, 2, 3);
    EXPECT_EQ(ValuesOf(*m->SumColumns()), (std::vector<uint8_t>{255, 3}));
    m->SetVal(1, 2, 56);
    EXPECT_THROW(m->SumColumns(), rtl::ERangeError);
    EXPECT_EQ(ValuesOf(*TByteArray2D::Dim(2, 0)->SumColumns()), (std::vector<uint8_t>{0, 0}));
}

TEST(ByteArray2D, FindMax)
{
    int32_t i1 = -5, i2 = -5;
    uint8_t max = 9;
    auto m = TByteArray2D::Dim(3, 2);
    m->FindMax(i1, i2, max);  // all zero: the first element
    EXPECT_EQ(i1, 1);
    EXPECT_EQ(i2, 1);
    EXPECT_EQ(max, 0);

    TByteArray2D(0, 0).FindMax(i1, i2, max);
    EXPECT_EQ(i1, 0);
    EXPECT_EQ(i2, 0);
    EXPECT_EQ(max, 0);

    m->SetVal(3, 1, 4);
    m->SetVal(2, 2, 4);
    m->FindMax(i1, i2, max);
    EXPECT_EQ(i1, 3);
    EXPECT_EQ(i2, 1);
    EXPECT_EQ(max, 4);
}

TEST(ByteArray2D, TransposeSwapsIndexes)
{
    auto m = Numbered(2, 3);
    TByteArray2D* same = m.get();
    m->Transpose();
    EXPECT_EQ(m.get(), same);
    EXPECT_EQ(m->Count1(), 3);
    EXPECT_EQ(m->Count2(), 2);
    for (int32_t i1 = 1; i1 <= 3; ++i1)
        for (int32_t i2 = 1; i2 <= 2; ++i2) EXPECT_EQ(m->GetVal(i1, i2), 10 * i1 + i2);
}

TEST(ByteArray2D, MirrorsReverseOneIndex)
{
    auto m = Numbered(3, 2);
    m->MirrorX();
    EXPECT_EQ(ValuesOf(*m->Values), (std::vector<uint8_t>{13, 12, 11, 23, 22, 21}));
    m->MirrorX();
    EXPECT_TRUE(m->Values->EqualTo(*Numbered(3, 2)->Values));
    m->MirrorY();
    EXPECT_EQ(ValuesOf(*m->Values), (std::vector<uint8_t>{21, 22, 23, 11, 12, 13}));
}

TEST(ByteArray2D, BinaryRoundTrip)
{
    rtl::TMemoryStream file;
    auto m = Numbered(3, 2);
    m->WriteBinary(file);
    Numbered(1, 1)->WriteBinary(file);
    EXPECT_EQ(file.Size(), 8 + 6 + 8 + 1);
    EXPECT_EQ(file.Memory()[0], 3);
    EXPECT_EQ(file.Memory()[4], 2);
    EXPECT_EQ(file.Memory()[8], 11);

    file.SetPosition(0);
    auto back = TByteArray2D::ReadBinary(file);
    EXPECT_EQ(back->Count1(), 3);
    EXPECT_EQ(back->Count2(), 2);
    EXPECT_TRUE(back->Values->EqualTo(*m->Values));
    auto second = TByteArray2D::ReadBinary(file);
    EXPECT_EQ(second->GetVal(1, 1), 11);

    rtl::TMemoryStream shortFile;
    const uint8_t bytes[] = {2, 0, 0, 0, 2, 0, 0, 0, 1};
    shortFile.Write(bytes, sizeof(bytes));
    shortFile.SetPosition(0);
    try {
        TByteArray2D::ReadBinary(shortFile);
        FAIL();
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "Error in TByteArray2D.ReadBinary: read number of bytes <> size");
    }
}
