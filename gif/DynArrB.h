// One-based byte array and byte matrix with checked element access and a binary file form.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/rtl/Classes.h"
#include "framework/rtl/SysUtils.h"

namespace gif {

// An index outside the array.
class EIndexOutOfBounds : public rtl::Exception {
public:
    using rtl::Exception::Exception;
    rtl::String ClassName() const override { return "EIndexOutOfBounds"; }
};

// The element store could not be obtained for a negative count; a positive count the heap
// cannot supply raises the run-time library's EOutOfMemory.
class ENotEnoughMemory : public rtl::Exception {
public:
    using rtl::Exception::Exception;
    rtl::String ClassName() const override { return "ENotEnoughMemory"; }
};

inline constexpr const char* IndexOutOfBoundsMessage = "Dynamic array index out of bounds";

// Bytes 1..Count in one heap block. The binary file form is a 32-bit little-endian count followed
// by the elements; the "file" is any stream, read or written at its current position.
class TBigByteArray {
public:
    // Contents undefined (in practice zero: the store comes zero-filled and is committed on touch).
    explicit TBigByteArray(int32_t N);
    // All elements 0.
    static std::unique_ptr<TBigByteArray> Dim(int32_t N);
    static std::unique_ptr<TBigByteArray> ReadBinary(rtl::TStream& file);
    virtual ~TBigByteArray();
    TBigByteArray(const TBigByteArray&) = delete;
    TBigByteArray& operator=(const TBigByteArray&) = delete;

    int32_t Count() const { return FCount; }
    uint8_t* Address() const { return FAddress; }

    uint8_t GetVal(int32_t index) const
    {
        if (index < 1 || index > FCount) RaiseIndexOutOfBounds();
        return FAddress[index - 1];
    }
    void SetVal(int32_t index, uint8_t value)
    {
        if (index < 1 || index > FCount) RaiseIndexOutOfBounds();
        FAddress[index - 1] = value;
    }

    void Clear();
    void FillWith(uint8_t Value);
    std::unique_ptr<TBigByteArray> Copy() const;
    void Append(const TBigByteArray& appendarray);
    bool EqualTo(const TBigByteArray& OtherArray) const;
    void Subtract(const TBigByteArray& other);
    uint8_t Max() const;
    uint8_t Min() const;
    void FindMax(int32_t& i, uint8_t& max) const;
    void FindMinMax(uint8_t& min, uint8_t& max) const;
    void WriteBinary(rtl::TStream& file) const;

    [[noreturn]] static void RaiseIndexOutOfBounds();

private:
    TBigByteArray() = default;
    // Replaces the store by a new one of N bytes, zero-filled.
    void Allocate(int32_t N);
    void Release();

    uint8_t* FAddress = nullptr;
    int32_t FCount = 0;
};

// Count1 x Count2 bytes, element (i1, i2) at linear index i1 + (i2 - 1) * Count1 of Values.
// A "row" is the run of Count1 elements that share one second index.
class TByteArray2D {
public:
    TByteArray2D(int32_t N1, int32_t N2);
    static std::unique_ptr<TByteArray2D> Dim(int32_t N1, int32_t N2);
    static std::unique_ptr<TByteArray2D> ReadBinary(rtl::TStream& file);
    virtual ~TByteArray2D();
    TByteArray2D(const TByteArray2D&) = delete;
    TByteArray2D& operator=(const TByteArray2D&) = delete;

    int32_t Count1() const { return FCount1; }
    int32_t Count2() const { return FCount2; }
    int32_t TotalCount() const { return Values->Count(); }

    uint8_t GetVal(int32_t i1, int32_t i2) const { return Values->GetVal(Linear(i1, i2)); }
    void SetVal(int32_t i1, int32_t i2, uint8_t value) { Values->SetVal(Linear(i1, i2), value); }

    void Clear();
    std::unique_ptr<TByteArray2D> Copy() const;
    std::unique_ptr<TBigByteArray> CopyRow(int32_t RowNo) const;
    void SetRow(int32_t ColNo, const TBigByteArray& RowValues);
    std::unique_ptr<TBigByteArray> SumColumns() const;
    uint8_t Max() const { return Values->Max(); }
    uint8_t Min() const { return Values->Min(); }
    void FindMinMax(uint8_t& min, uint8_t& max) const { Values->FindMinMax(min, max); }
    void FindMax(int32_t& i1, int32_t& i2, uint8_t& max) const;
    void MirrorX();
    void MirrorY();
    void Transpose();
    void WriteBinary(rtl::TStream& file) const;

    // All elements, row after row; owned by the matrix.
    std::unique_ptr<TBigByteArray> Values;

private:
    TByteArray2D() = default;
    // The linear index, clamped out of the int32 range when it overflows so that the test fails.
    static int32_t Clamp(int64_t k) { return k < 1 || k > INT32_MAX ? 0 : static_cast<int32_t>(k); }
    int32_t Linear(int32_t i1, int32_t i2) const
    {
        return Clamp(static_cast<int64_t>(i1) + (static_cast<int64_t>(i2) - 1) * FCount1);
    }
    // Start of row RowNo in the store; raises when the row does not lie wholly inside it.
    uint8_t* RowStart(int32_t RowNo) const;
    void Rebuild(int32_t N1, int32_t N2);

    int32_t FCount1 = 0;
    int32_t FCount2 = 0;
};

}  // namespace gif
