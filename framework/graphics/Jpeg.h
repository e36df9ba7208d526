// TJPEGImage: JPEG pictures over libjpeg.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/graphics/Graphics.h"

namespace gfx {

// Raised for every libjpeg error: "JPEG error #%d" with the library's message code.
class EJPEG : public rtl::EInvalidGraphic {
public:
    explicit EJPEG(int code);
    int Code() const { return FCode; }
    String ClassName() const override { return "EJPEG"; }

private:
    int FCode;
};

class TJPEGImage : public TGraphic {
public:
    TJPEGImage() = default;
    static const TGraphicClass& StaticClass();
    const TGraphicClass& ClassType() const override { return StaticClass(); }

    int Width() const override { return FBitmap.Width(); }
    int Height() const override { return FBitmap.Height(); }

    // Decodes the stream's remaining bytes at once and keeps them for saving.
    void LoadFromStream(TStream& stream) override;
    // Writes the compressed bytes, compressing the bitmap first when there are none.
    void SaveToStream(TStream& stream) override;
    // From a JPEG image (a copy) or a bitmap (shared; compressed on Compress or save).
    void Assign(const TGraphic& source) override;
    TGraphic* Clone() const override { return new TJPEGImage(*this); }
    void Draw(TCanvas& canvas, const TRect& rect) const override;
    bool ToBitmap(TBitmap& target) const override;

    int CompressionQuality() const { return FQuality; }
    void SetCompressionQuality(int quality);  // 1..100, else ERangeError
    // Encodes the bitmap at CompressionQuality: baseline, three components.
    void Compress();

    // The compressed bytes (empty until loaded or compressed).
    const std::vector<uint8_t>& Data() const { return FData; }

private:
    TBitmap FBitmap;             // decoded or assigned pixels
    std::vector<uint8_t> FData;  // compressed bytes matching FBitmap when not empty
    int FQuality = 90;
};

// The decoder and encoder behind TJPEGImage, for callers holding bytes in memory.
// Decode fills target with pfDevice pixels; Encode appends the JPEG stream to out.
void DecodeJpeg(const uint8_t* data, size_t size, TBitmap& target);
void EncodeJpeg(const TBitmap& source, int quality, std::vector<uint8_t>& out);

}  // namespace gfx
