#include "gif/DynArrB.h"

#include <cstdlib>
#include <cstring>

namespace gif {

namespace {

rtl::String NotEnoughMemoryMessage(int32_t count)
{
    return "error in TBigByteArray.create: Not enough contiguous memory available\r\n requested memory block: " +
           rtl::IntToStr(count) + " bytes";
}

void WriteInt32(rtl::TStream& file, int32_t value)
{
    uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                        static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    file.Write(bytes, 4);
}

// A short read leaves the bytes that did not arrive at 0, low-order bytes first.
int32_t ReadInt32(rtl::TStream& file)
{
    uint8_t bytes[4] = {0, 0, 0, 0};
    file.Read(bytes, 4);
    return static_cast<int32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (uint32_t(bytes[3]) << 24));
}

// The product in 32-bit signed arithmetic, wrapping as the count of a matrix store does.
int32_t WrappedProduct(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

}  // namespace

// ---- TBigByteArray ----------------------------------------------------------------------

void TBigByteArray::RaiseIndexOutOfBounds()
{
    throw EIndexOutOfBounds(IndexOutOfBoundsMessage);
}

TBigByteArray::TBigByteArray(int32_t N)
{
    Allocate(N);
}

std::unique_ptr<TBigByteArray> TBigByteArray::Dim(int32_t N)
{
    auto result = std::make_unique<TBigByteArray>(N);
    result->Clear();
    return result;
}

TBigByteArray::~TBigByteArray()
{
    Release();
}

void TBigByteArray::Release()
{
    std::free(FAddress);
    FAddress = nullptr;
    FCount = 0;
}

void TBigByteArray::Allocate(int32_t N)
{
    uint8_t* block = nullptr;
    if (N < 0) throw ENotEnoughMemory(NotEnoughMemoryMessage(N));
    if (N > 0) {
        // Zero-filled pages are committed only when touched, so a large picture with little
        // data costs memory only for the rows that are reached.
        block = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(N), 1));
        if (!block) throw rtl::EOutOfMemory();  // the heap could not supply a positive count
    }
    Release();
    FAddress = block;
    FCount = N;
}

std::unique_ptr<TBigByteArray> TBigByteArray::ReadBinary(rtl::TStream& file)
{
    std::unique_ptr<TBigByteArray> result(new TBigByteArray());
    int32_t count = ReadInt32(file);
    result->Allocate(count);
    if (count > 0 && file.Read(result->FAddress, count) != count)
        throw rtl::Exception("Error in TBigByteArray.ReadBinary: read number of bytes <> size");
    return result;
}

void TBigByteArray::WriteBinary(rtl::TStream& file) const
{
    WriteInt32(file, FCount);
    if (FCount > 0 && file.Write(FAddress, FCount) != FCount)
        throw rtl::Exception("Error in TBigByteArray.WriteBinary: written number of bytes <> size");
}

void TBigByteArray::Clear()
{
    if (FCount > 0) std::memset(FAddress, 0, static_cast<size_t>(FCount));
}

void TBigByteArray::FillWith(uint8_t Value)
{
    for (int32_t k = 1; k <= FCount; ++k) SetVal(k, Value);
}

std::unique_ptr<TBigByteArray> TBigByteArray::Copy() const
{
    auto result = std::make_unique<TBigByteArray>(FCount);
    if (FCount > 0) std::memcpy(result->FAddress, FAddress, static_cast<size_t>(FCount));
    return result;
}

void TBigByteArray::Append(const TBigByteArray& appendarray)
{
    int64_t total = static_cast<int64_t>(FCount) + appendarray.FCount;
    int32_t oldCount = FCount;
    int32_t extra = appendarray.FCount;  // taken now: appendarray may be this very array
    auto copy = Copy();
    Allocate(static_cast<int32_t>(static_cast<uint32_t>(total)));
    for (int32_t k = 1; k <= oldCount; ++k) SetVal(k, copy->GetVal(k));
    for (int32_t k = 1; k <= extra; ++k) SetVal(oldCount + k, appendarray.GetVal(k));
}

bool TBigByteArray::EqualTo(const TBigByteArray& OtherArray) const
{
    if (FCount != OtherArray.FCount) return false;
    for (int32_t k = 1; k <= FCount; ++k)
        if (GetVal(k) != OtherArray.GetVal(k)) return false;
    return true;
}

void TBigByteArray::Subtract(const TBigByteArray& other)
{
    for (int32_t k = 1; k <= FCount; ++k)
        SetVal(k, rtl::CheckedCast<uint8_t>(static_cast<int64_t>(GetVal(k)) - other.GetVal(k)));
}

uint8_t TBigByteArray::Max() const
{
    uint8_t result = 0;
    for (int32_t k = 1; k <= FCount; ++k)
        if (GetVal(k) > result) result = GetVal(k);
    return result;
}

uint8_t TBigByteArray::Min() const
{
    uint8_t result = 255;
    for (int32_t k = 1; k <= FCount; ++k)
        if (GetVal(k) < result) result = GetVal(k);
    return result;
}

void TBigByteArray::FindMax(int32_t& i, uint8_t& max) const
{
    max = 0;
    for (int32_t k = 1; k <= FCount; ++k) {
        if (GetVal(k) > max) {
            i = k;
            max = GetVal(k);
        }
    }
}

void TBigByteArray::FindMinMax(uint8_t& min, uint8_t& max) const
{
    min = 255;
    max = 0;
    for (int32_t k = 1; k <= FCount; ++k) {
        uint8_t v = GetVal(k);
        if (v < min) min = v;
        if (v > max) max = v;
    }
}

// ---- TByteArray2D -----------------------------------------------------------------------

TByteArray2D::TByteArray2D(int32_t N1, int32_t N2)
    : Values(std::make_unique<TBigByteArray>(WrappedProduct(N1, N2))), FCount1(N1), FCount2(N2)
{
}

std::unique_ptr<TByteArray2D> TByteArray2D::Dim(int32_t N1, int32_t N2)
{
    auto result = std::make_unique<TByteArray2D>(N1, N2);
    result->Clear();
    return result;
}

TByteArray2D::~TByteArray2D()
{
    Values.reset();
    FCount1 = 0;
    FCount2 = 0;
}

std::unique_ptr<TByteArray2D> TByteArray2D::ReadBinary(rtl::TStream& file)
{
    std::unique_ptr<TByteArray2D> result(new TByteArray2D());
    int32_t n1 = ReadInt32(file);
    int32_t n2 = ReadInt32(file);
    result->Values = std::make_unique<TBigByteArray>(WrappedProduct(n1, n2));
    result->FCount1 = n1;
    result->FCount2 = n2;
    int32_t total = result->TotalCount();
    if (total > 0 && file.Read(result->Values->Address(), total) != total)
        throw rtl::Exception("Error in TByteArray2D.ReadBinary: read number of bytes <> size");
    return result;
}

void TByteArray2D::WriteBinary(rtl::TStream& file) const
{
    WriteInt32(file, FCount1);
    WriteInt32(file, FCount2);
    int32_t total = TotalCount();
    if (total > 0 && file.Write(Values->Address(), total) != total)
        throw rtl::Exception("Error in TByteArray2D.WriteBinary: written number of bytes <> size");
}

void TByteArray2D::Clear()
{
    Values->Clear();
}

std::unique_ptr<TByteArray2D> TByteArray2D::Copy() const
{
    auto result = std::make_unique<TByteArray2D>(FCount1, FCount2);
    if (TotalCount() > 0)
        std::memcpy(result->Values->Address(), Values->Address(), static_cast<size_t>(TotalCount()));
    return result;
}

uint8_t* TByteArray2D::RowStart(int32_t RowNo) const
{
    if (RowNo < 1 || RowNo > FCount2) TBigByteArray::RaiseIndexOutOfBounds();
    // The sizes are not validated, so a product that wrapped leaves a store smaller than the rows.
    int64_t start = (static_cast<int64_t>(RowNo) - 1) * FCount1;
    if (FCount1 < 0 || start + FCount1 > TotalCount()) TBigByteArray::RaiseIndexOutOfBounds();
    return Values->Address() + start;
}

std::unique_ptr<TBigByteArray> TByteArray2D::CopyRow(int32_t RowNo) const
{
    const uint8_t* source = RowStart(RowNo);
    auto result = std::make_unique<TBigByteArray>(FCount1);
    if (FCount1 > 0) std::memcpy(result->Address(), source, static_cast<size_t>(FCount1));
    return result;
}

void TByteArray2D::SetRow(int32_t ColNo, const TBigByteArray& RowValues)
{
    if (ColNo < 1 || ColNo > FCount2) TBigByteArray::RaiseIndexOutOfBounds();
    if (RowValues.Count() != FCount1)
        throw rtl::Exception("Row doesn't have equal number of elements as Matrix row");
    uint8_t* target = RowStart(ColNo);
    if (FCount1 > 0) std::memcpy(target, RowValues.Address(), static_cast<size_t>(FCount1));
}

std::unique_ptr<TBigByteArray> TByteArray2D::SumColumns() const
{
    auto result = std::make_unique<TBigByteArray>(FCount1);
    for (int32_t i1 = 1; i1 <= FCount1; ++i1) {
        uint8_t sum = 0;
        for (int32_t i2 = 1; i2 <= FCount2; ++i2) sum = rtl::CheckedCast<uint8_t>(sum + GetVal(i1, i2));
        result->SetVal(i1, sum);
    }
    return result;
}

void TByteArray2D::FindMax(int32_t& i1, int32_t& i2, uint8_t& max) const
{
    int32_t k = 0;
    Values->FindMax(k, max);
    if (FCount1 == 0 || TotalCount() == 0) {
        i1 = 0;
        i2 = 0;
        return;
    }
    if (k == 0) k = 1;  // nothing above 0: the first element is a largest one
    i1 = (k - 1) % FCount1 + 1;
    i2 = (k - 1) / FCount1 + 1;
}

void TByteArray2D::Rebuild(int32_t N1, int32_t N2)
{
    Values = std::make_unique<TBigByteArray>(WrappedProduct(N1, N2));
    FCount1 = N1;
    FCount2 = N2;
}

void TByteArray2D::MirrorX()
{
    auto copy = Copy();
    Rebuild(FCount1, FCount2);
    for (int32_t i1 = 1; i1 <= FCount1; ++i1)
        for (int32_t i2 = 1; i2 <= FCount2; ++i2) SetVal(i1, i2, copy->GetVal(FCount1 - i1 + 1, i2));
}

void TByteArray2D::MirrorY()
{
    auto copy = Copy();
    Rebuild(FCount1, FCount2);
    for (int32_t i1 = 1; i1 <= FCount1; ++i1)
        for (int32_t i2 = 1; i2 <= FCount2; ++i2) SetVal(i1, i2, copy->GetVal(i1, FCount2 - i2 + 1));
}

void TByteArray2D::Transpose()
{
    auto copy = Copy();
    Rebuild(FCount2, FCount1);
    for (int32_t i1 = 1; i1 <= FCount1; ++i1)
        for (int32_t i2 = 1; i2 <= FCount2; ++i2) SetVal(i1, i2, copy->GetVal(i2, i1));
}

}  // namespace gif
