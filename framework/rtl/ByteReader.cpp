#include "framework/rtl/ByteReader.h"

namespace rtl {

void RaiseReadBeyondEnd() { throw EReadError("Read beyond the end of the data"); }

TByteReader TByteReader::FromStream(TStream& stream, size_t count, TByteOrder order)
{
    auto store = std::make_shared<std::vector<uint8_t>>(count);
    stream.ReadBuffer(store->data(), int64_t(count));
    TByteReader reader(store->data(), count, order);
    reader.FStore = std::move(store);
    return reader;
}

}  // namespace rtl
