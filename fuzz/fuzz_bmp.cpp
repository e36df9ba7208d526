// Fuzz target: the BMP reader of TBitmap over arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "framework/graphics/Graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    rtl::TMemoryStream stream;
    stream.WriteBuffer(data, int64_t(size));
    stream.SetPosition(0);
    gfx::TBitmap bitmap;
    try {
        bitmap.LoadFromStream(stream);
    } catch (const rtl::Exception&) {
        return 0;
    }
    // Touch what was read: a pixel, and for small pictures a save in the bitmap's own format.
    (void)bitmap.GetPixel(bitmap.Width() - 1, bitmap.Height() - 1);
    if (int64_t(bitmap.Width()) * bitmap.Height() <= (1 << 20)) {
        rtl::TMemoryStream out;
        bitmap.SaveToStream(out);
    }
    return 0;
}
