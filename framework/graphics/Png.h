// TPngImage: PNG pictures over libpng and zlib.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/graphics/Graphics.h"

namespace gfx {

class TPngImage : public TGraphic {
public:
    TPngImage() = default;
    static const TGraphicClass& StaticClass();
    const TGraphicClass& ClassType() const override { return StaticClass(); }

    int Width() const override { return FBitmap.Width(); }
    int Height() const override { return FBitmap.Height(); }

    // Every colour type and bit depth, interlaced or not; transparent parts lie on white.
    // Damaged data raises EInvalidGraphic "PNG image is not valid (<reason>)".
    void LoadFromStream(TStream& stream) override;
    // The loaded bytes when unchanged, else the bitmap encoded as 8-bit RGB.
    void SaveToStream(TStream& stream) override;
    // From a PNG image (a copy) or a bitmap (shared).
    void Assign(const TGraphic& source) override;
    TGraphic* Clone() const override { return new TPngImage(*this); }
    void Draw(TCanvas& canvas, const TRect& rect) const override;
    bool ToBitmap(TBitmap& target) const override;

private:
    TBitmap FBitmap;
    std::vector<uint8_t> FData;  // the bytes loaded, while FBitmap still shows them
};

// Decodes a PNG held in memory into pfDevice pixels. With keepAlpha the fourth byte of each
// pixel is its opacity; otherwise the picture is composited onto white and that byte is 0xFF.
void DecodePng(const uint8_t* data, size_t size, TBitmap& target, bool keepAlpha = false);
// Appends the bitmap as an 8-bit RGB PNG.
void EncodePng(const TBitmap& source, std::vector<uint8_t>& out);
// True when the bytes start with the PNG signature.
bool IsPngSignature(const uint8_t* data, size_t size);

}  // namespace gfx
