#include "framework/rtl/ByteReader.h"

namespace rtl {

void RaiseReadBeyondEnd() { throw EReadError("Read beyond the end of the data"); }

namespace {

// Reads what the stream holds of count bytes; the rest stays zero.
void ReadPadded(TStream& stream, uint8_t* to, size_t count)
{
    for (size_t done = 0; done < count;) {
        const int64_t n = stream.Read(to + done, int64_t(count - done));
        if (n <= 0) break;
        done += size_t(n);
    }
}

}  // namespace

TByteReader TByteReader::Keep(std::shared_ptr<std::vector<uint8_t>> store, TByteOrder order)
{
    TByteReader reader(store->data(), store->size(), order);
    reader.FStore = std::move(store);
    return reader;
}

TByteReader TByteReader::FromStream(TStream& stream, size_t count, TByteOrder order)
{
    auto store = std::make_shared<std::vector<uint8_t>>(count);
    stream.ReadBuffer(store->data(), int64_t(count));
    return Keep(std::move(store), order);
}

TByteReader TByteReader::FromStreamPadded(TStream& stream, size_t count, TByteOrder order)
{
    auto store = std::make_shared<std::vector<uint8_t>>(count);
    ReadPadded(stream, store->data(), count);
    return Keep(std::move(store), order);
}

TByteReader TByteReader::FromStreamPaddedAt(TStream& stream, int64_t offset, size_t count, TByteOrder order)
{
    auto store = std::make_shared<std::vector<uint8_t>>(count);
    if (offset >= 0 && offset < stream.Size()) {
        stream.Seek(offset, TSeekOrigin::soBeginning);
        ReadPadded(stream, store->data(), count);
    }
    return Keep(std::move(store), order);
}

}  // namespace rtl
