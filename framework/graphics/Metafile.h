// TMetafile: enhanced (EMF) and placeable Windows (WMF) metafiles.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/graphics/Graphics.h"

namespace gfx {

class TMetafile : public TGraphic {
public:
    TMetafile() = default;
    static const TGraphicClass& StaticClass();
    const TGraphicClass& ClassType() const override { return StaticClass(); }

    // The size in pixels at 96 per inch, from the file's header.
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    bool Enhanced() const { return FEnhanced; }

    // An EMF file or a placeable WMF; anything else raises EInvalidGraphic "Metafile is not valid".
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;  // the metafile's bytes
    void Assign(const TGraphic& source) override;
    TGraphic* Clone() const override { return new TMetafile(*this); }
    // Plays the bitmap records and the common drawing records, scaled onto rect; others are skipped.
    void Draw(TCanvas& canvas, const TRect& rect) const override;
    // A metafile has no bitmap of its own.
    bool ToBitmap(TBitmap&) const override { return false; }

    // Makes a new enhanced metafile that holds the bitmap drawn at (0, 0) at its own size.
    void RecordBitmap(const TBitmap& bitmap);
    void Clear();

    const std::vector<uint8_t>& Data() const { return FData; }

private:
    std::vector<uint8_t> FData;
    bool FEnhanced = true;
    int FWidth = 0;
    int FHeight = 0;
};

}  // namespace gfx
