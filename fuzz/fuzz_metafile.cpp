// Fuzz target: TMetafile reading EMF and placeable WMF bytes, and playing them onto a bitmap.
#include <cstddef>
#include <cstdint>

#include "framework/graphics/Metafile.h"
#include "framework/rtl/Classes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    rtl::TMemoryStream stream;
    if (size) stream.WriteBuffer(data, int64_t(size));
    stream.SetPosition(0);
    try {
        gfx::TMetafile meta;
        meta.LoadFromStream(stream);
        gfx::TBitmap target(48, 40, gfx::TPixelFormat::pfDevice);
        // Partly outside the target, so clipping is exercised as well.
        meta.Draw(target.Canvas(), gfx::Rect(-7, 3, 45, 51));
    } catch (const rtl::Exception&) {
    }
    return 0;
}
