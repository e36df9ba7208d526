// TWICImage: ".tiff" pictures through libtiff (the first image, any compression libtiff reads).
#pragma once

#include <cstdint>
#include <vector>

#include "framework/graphics/Graphics.h"

namespace gfx {

class TWICImage : public TGraphic {
public:
    TWICImage() = default;
    static const TGraphicClass& StaticClass();
    const TGraphicClass& ClassType() const override { return StaticClass(); }

    int Width() const override { return FBitmap.Width(); }
    int Height() const override { return FBitmap.Height(); }

    // The first image, transparent parts on white. Damaged or unreadable data raises
    // EInvalidGraphic "TIFF image is not valid (<reason>)".
    void LoadFromStream(TStream& stream) override;
    // The loaded bytes while unchanged, else the bitmap as an LZW-compressed RGB TIFF.
    void SaveToStream(TStream& stream) override;
    // From a TWICImage (a copy) or a bitmap (shared).
    void Assign(const TGraphic& source) override;
    TGraphic* Clone() const override { return new TWICImage(*this); }
    void Draw(TCanvas& canvas, const TRect& rect) const override;
    bool ToBitmap(TBitmap& target) const override;

private:
    TBitmap FBitmap;
    std::vector<uint8_t> FData;
};

// The reader and writer behind TWICImage, over bytes in memory.
void DecodeTiff(const uint8_t* data, size_t size, TBitmap& target);
void EncodeTiff(const TBitmap& source, std::vector<uint8_t>& out);

}  // namespace gfx
