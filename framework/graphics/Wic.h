// TWICImage: ".tiff" pictures through libtiff (the first image, any compression libtiff reads).
#pragma once

#include <cstdint>
#include <vector>

#include "framework/graphics/EncodedGraphic.h"

namespace gfx {

class TWICImage : public TEncodedGraphic<TWICImage> {
public:
    TWICImage() = default;
    static const TGraphicClass& StaticClass();
    const TGraphicClass& ClassType() const override { return StaticClass(); }

    // Loading reads the first image, transparent parts on white; damaged or unreadable data
    // raises EInvalidGraphic "TIFF image is not valid (<reason>)". Saving writes the loaded
    // bytes while unchanged, else the bitmap as an LZW-compressed RGB TIFF.

private:
    friend class TEncodedGraphic<TWICImage>;
    static void DecodeBytes(const uint8_t* data, size_t size, TBitmap& target);
    void EncodeBitmap(std::vector<uint8_t>& out);
};

// The reader and writer behind TWICImage, over bytes in memory.
void DecodeTiff(const uint8_t* data, size_t size, TBitmap& target);
void EncodeTiff(const TBitmap& source, std::vector<uint8_t>& out);

}  // namespace gfx
