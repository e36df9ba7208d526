// Fuzz target: TIcon reading outside bytes.
#include <cstddef>
#include <cstdint>

#include "framework/graphics/Icon.h"
#include "framework/rtl/Classes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    rtl::TMemoryStream stream;
    if (size) stream.WriteBuffer(data, int64_t(size));
    stream.SetPosition(0);
    try {
        gfx::TIcon image;
        image.LoadFromStream(stream);
        gfx::TBitmap bitmap;
        image.ToBitmap(bitmap);
        if (bitmap.Width() > 0 && bitmap.Height() > 0) (void)bitmap.GetPixel(bitmap.Width() - 1, bitmap.Height() - 1);
    } catch (const rtl::Exception&) {
    }
    return 0;
}
