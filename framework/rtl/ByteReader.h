// Bounds-checked reads of outside bytes: a view over bytes read at an offset or at a cursor, 8, 16
// and 32 bits in either byte order. Every read is checked against the end of the view it is made
// on, so a reader sized to a header or a record can read nothing beyond it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "framework/rtl/Classes.h"

namespace rtl {

enum class TByteOrder { LittleEndian, BigEndian };

// EReadError "Read beyond the end of the data"
[[noreturn]] void RaiseReadBeyondEnd();

class TByteReader {
public:
    TByteReader() = default;
    TByteReader(const uint8_t* data, size_t size, TByteOrder order = TByteOrder::LittleEndian)
        : FData(data), FSize(data ? size : 0), FOrder(order)
    {
    }
    explicit TByteReader(std::span<const uint8_t> bytes, TByteOrder order = TByteOrder::LittleEndian)
        : TByteReader(bytes.data(), bytes.size(), order)
    {
    }
    // The next `count` bytes of the stream, kept by the reader and its parts; EReadError "Stream
    // read error" when the stream holds fewer.
    static TByteReader FromStream(TStream& stream, size_t count, TByteOrder order = TByteOrder::LittleEndian);
    // The same, except that bytes past the end of the stream read as zeros.
    static TByteReader FromStreamPadded(TStream& stream, size_t count, TByteOrder order = TByteOrder::LittleEndian);
    // The `count` bytes at `offset`, as FromStreamPadded; an offset outside the stream reads as
    // zeros throughout.
    static TByteReader FromStreamPaddedAt(TStream& stream, int64_t offset, size_t count,
                                          TByteOrder order = TByteOrder::LittleEndian);

    const uint8_t* Data() const { return FData; }
    size_t Size() const { return FSize; }
    TByteOrder Order() const { return FOrder; }
    void SetOrder(TByteOrder order) { FOrder = order; }

    // True when the `count` bytes at `at` lie inside the view.
    bool Has(size_t at, size_t count) const { return at <= FSize && count <= FSize - at; }

    // Reads at an offset from the view's start.
    uint8_t U8(size_t at) const { return *Bytes(at, 1); }
    uint16_t U16(size_t at) const
    {
        const uint8_t* p = Bytes(at, 2);
        return FOrder == TByteOrder::LittleEndian ? uint16_t(p[0] | p[1] << 8) : uint16_t(p[0] << 8 | p[1]);
    }
    uint32_t U32(size_t at) const
    {
        const uint8_t* p = Bytes(at, 4);
        if (FOrder == TByteOrder::LittleEndian)
            return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
    }
    int16_t I16(size_t at) const { return static_cast<int16_t>(U16(at)); }
    int32_t I32(size_t at) const { return static_cast<int32_t>(U32(at)); }

    // The `count` bytes at `at` as a view of their own, in the same byte order.
    TByteReader Part(size_t at, size_t count) const
    {
        TByteReader part(Bytes(at, count), count, FOrder);
        part.FStore = FStore;
        return part;
    }
    // Everything from `at` to the end.
    TByteReader From(size_t at) const
    {
        Bytes(at, 0);
        return Part(at, FSize - at);
    }

    // The cursor: reads at Position() that move it past what they read.
    size_t Position() const { return FPosition; }
    size_t Remaining() const { return FSize - FPosition; }
    void Seek(size_t at)
    {
        Bytes(at, 0);
        FPosition = at;
    }
    void Skip(size_t count)
    {
        Bytes(FPosition, count);
        FPosition += count;
    }
    uint8_t ReadU8() { return Advance(U8(FPosition), 1); }
    uint16_t ReadU16() { return Advance(U16(FPosition), 2); }
    uint32_t ReadU32() { return Advance(U32(FPosition), 4); }
    int16_t ReadI16() { return Advance(I16(FPosition), 2); }
    int32_t ReadI32() { return Advance(I32(FPosition), 4); }

private:
    static TByteReader Keep(std::shared_ptr<std::vector<uint8_t>> store, TByteOrder order);
    const uint8_t* Bytes(size_t at, size_t count) const
    {
        if (!Has(at, count)) RaiseReadBeyondEnd();
        return FData + at;
    }
    template <class T>
    T Advance(T value, size_t count)
    {
        FPosition += count;
        return value;
    }

    std::shared_ptr<const std::vector<uint8_t>> FStore;  // the bytes, when the reader keeps them
    const uint8_t* FData = nullptr;
    size_t FSize = 0;
    size_t FPosition = 0;
    TByteOrder FOrder = TByteOrder::LittleEndian;
};

}  // namespace rtl
