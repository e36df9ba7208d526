// TIcon: icon files with BMP and PNG entries; and the DIB reader that icons and metafiles share.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/graphics/Graphics.h"
#include "framework/rtl/ByteReader.h"

namespace gfx {

class TIcon : public TGraphic {
public:
    TIcon() = default;
    static const TGraphicClass& StaticClass();
    const TGraphicClass& ClassType() const override { return StaticClass(); }

    int Width() const override { return FBitmap.Width(); }
    int Height() const override { return FBitmap.Height(); }

    // The largest entry becomes the picture, its transparent parts on white.
    // Damaged data raises EInvalidGraphic "Icon image is not valid".
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;  // the icon file as loaded
    void Assign(const TGraphic& source) override;
    TGraphic* Clone() const override { return new TIcon(*this); }
    void Draw(TCanvas& canvas, const TRect& rect) const override;
    bool ToBitmap(TBitmap& target) const override;

private:
    TBitmap FBitmap;
    std::vector<uint8_t> FData;
};

// A DIB header as the reader uses it.
struct TDibHeader {
    int Width = 0;
    int Height = 0;          // rows, without sign
    bool TopDown = false;
    int BitCount = 0;
    uint32_t Compression = 0;
    uint32_t HeaderSize = 0;  // header and bit-field masks, without the colour table
    int Colors = 0;           // entries of the colour table
    int ColorEntrySize = 4;   // 3 for core headers
    uint32_t Masks[3] = {0, 0, 0};
    size_t ProfileOffset = 0;  // an embedded colour profile (version 5), from the header's start
    size_t ProfileSize = 0;    // 0 when there is none
    size_t TableSize() const { return size_t(Colors) * ColorEntrySize; }
    size_t Stride() const { return ((size_t(Width) * BitCount + 31) / 32) * 4; }
};

// Reads a core or info header (versions up to 5) with its masks; false when damaged or of a
// kind the reader does not know (RLE, JPEG or PNG inside).
bool ReadDibHeader(const rtl::TByteReader& data, TDibHeader& header);
// Decodes `rows` rows of colour data (after the colour table in `table`) into pfDevice pixels
// whose fourth byte is the stored alpha of 32-bit rows and 0xFF otherwise. False when the table
// or the bits are too short.
bool DecodeDibRows(const TDibHeader& header, const rtl::TByteReader& table, const rtl::TByteReader& bits, int rows,
                   TBitmap& out);

}  // namespace gfx
