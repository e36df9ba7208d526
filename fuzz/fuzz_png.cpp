// Fuzz target: TPngImage reading outside bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include <zlib.h>

#include "framework/graphics/Png.h"
#include "framework/rtl/Classes.h"

// Mutated chunks would nearly all fail their CRC; the checksums are put right first so that the
// fuzzer reaches the decoder behind them. Cut or damaged CRCs are covered by the tests.
static void FixChunkCrcs(std::vector<uint8_t>& b)
{
    size_t at = 8;
    while (at + 12 <= b.size()) {
        uint32_t length = uint32_t(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
        if (length > b.size() - at - 12) break;
        uint32_t crc = uint32_t(crc32(0, b.data() + at + 4, uInt(length + 4)));
        size_t c = at + 8 + length;
        b[c] = uint8_t(crc >> 24); b[c + 1] = uint8_t(crc >> 16); b[c + 2] = uint8_t(crc >> 8); b[c + 3] = uint8_t(crc);
        at = c + 4;
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes(data, data + size);
    FixChunkCrcs(bytes);
    rtl::TMemoryStream stream;
    if (size) stream.WriteBuffer(bytes.data(), int64_t(size));
    stream.SetPosition(0);
    try {
        gfx::TPngImage image;
        image.LoadFromStream(stream);
        gfx::TBitmap bitmap;
        image.ToBitmap(bitmap);
        if (bitmap.Width() > 0 && bitmap.Height() > 0) (void)bitmap.GetPixel(bitmap.Width() - 1, bitmap.Height() - 1);
    } catch (const rtl::Exception&) {
    }
    return 0;
}
