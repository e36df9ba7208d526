// TPngImage: PNG pictures over libpng and zlib.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/graphics/EncodedGraphic.h"

namespace gfx {

class TPngImage : public TEncodedGraphic<TPngImage> {
public:
    TPngImage() = default;
    static const TGraphicClass& StaticClass();
    const TGraphicClass& ClassType() const override { return StaticClass(); }

    // Loading reads every colour type and bit depth, interlaced or not; transparent parts lie on
    // white. Damaged data raises EInvalidGraphic "PNG image is not valid (<reason>)". Saving
    // writes the loaded bytes when unchanged, else the bitmap encoded as 8-bit RGB.

private:
    friend class TEncodedGraphic<TPngImage>;
    static void DecodeBytes(const uint8_t* data, size_t size, TBitmap& target);
    void EncodeBitmap(std::vector<uint8_t>& out);
};

// Decodes a PNG held in memory into pfDevice pixels. With keepAlpha the fourth byte of each
// pixel is its opacity; otherwise the picture is composited onto white and that byte is 0xFF.
void DecodePng(const uint8_t* data, size_t size, TBitmap& target, bool keepAlpha = false);
// Appends the bitmap as an 8-bit RGB PNG.
void EncodePng(const TBitmap& source, std::vector<uint8_t>& out);
// True when the bytes start with the PNG signature.
bool IsPngSignature(const uint8_t* data, size_t size);

}  // namespace gfx
