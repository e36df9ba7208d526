// Fuzz target: the GIF reader and LZW decoder over arbitrary bytes, then the first image as a
// bitmap.
#include <cstddef>
#include <cstdint>

#include "gif/GifUnit.h"

namespace {

// Images above this many pixels are skipped: their matrix is only reserved, not touched, but the
// sanitizer's bookkeeping for a store of gigabytes would slow every run down to a crawl.
constexpr int64_t MaxPixels = int64_t{1} << 22;

// Walks the blocks as the reader does and tells whether some image is larger than MaxPixels.
bool HasHugeImage(const uint8_t* data, size_t size)
{
    size_t pos = 13;
    auto table = [&](uint8_t packed) {
        if (packed & 0x80) pos += 3u << ((packed & 7) + 1);
    };
    auto skipSubBlocks = [&] {
        while (pos < size && data[pos] != 0) pos += 1 + data[pos];
        ++pos;
    };
    if (size < pos) return false;
    table(data[10]);
    while (pos < size) {
        uint8_t introducer = data[pos++];
        if (introducer == 0x21) {
            // Fixed parts at the reader's lengths, whatever size the block states.
            uint8_t label = pos < size ? data[pos] : 0;
            pos += 1;
            if (label == 0xF9) {
                pos += 6;
                continue;
            }
            if (label == 0x01) pos += 13;
            else if (label == 0xFF) pos += 12;
            else if (label != 0xFE) return false;
            skipSubBlocks();
        } else if (introducer == 0x2C) {
            if (pos + 9 > size) return false;
            int64_t w = data[pos + 4] | (data[pos + 5] << 8), h = data[pos + 6] | (data[pos + 7] << 8);
            if (w * h > MaxPixels) return true;
            table(data[pos + 8]);
            pos += 9 + 1;
            skipSubBlocks();
        } else {
            return false;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (HasHugeImage(data, size)) return 0;
    rtl::TMemoryStream stream;
    stream.WriteBuffer(data, int64_t(size));
    stream.SetPosition(0);
    gif::TGifFile document;
    try {
        document.LoadFromStream(stream);
        auto bitmap = document.AsBitmap();
        (void)bitmap->GetPixel(bitmap->Width() - 1, bitmap->Height() - 1);
    } catch (const rtl::Exception&) {
    }
    return 0;
}
