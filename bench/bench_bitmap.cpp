// Bitmap copies: assigning a 24-megapixel bitmap and reading every row of the copy once, against
// one memcpy of the picture's bytes.
#include <cstdint>
#include <cstring>
#include <vector>

#include "BenchUtil.h"
#include "framework/graphics/Graphics.h"

int main()
{
    constexpr int kWidth = 6000, kHeight = 4000;
    gfx::TBitmap source(kWidth, kHeight);  // the device format, 32 bits per pixel
    for (int y = 0; y < kHeight; ++y)
        std::memset(source.ScanLineW(y), y & 0xFF, size_t(source.RowStride()));
    const size_t bytes = size_t(source.RowStride()) * kHeight;
    std::vector<uint8_t> copy(bytes);
    volatile uint32_t sink = 0;

    bench::Compare(
        "bitmap_copy_24mp",
        [&] {
            gfx::TBitmap target;
            target.Assign(source);
            uint32_t sum = 0;
            for (int y = 0; y < kHeight; ++y)
                sum += target.ScanLine(y)[y % 4];
            sink = sink + sum;
        },
        [&] {
            std::memcpy(copy.data(), source.ScanLine(0), bytes);
            sink = sink + copy[bytes / 2];
        },
        7, "memcpy");
    return 0;
}
