// TJPEGImage: JPEG pictures over libjpeg.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "framework/graphics/EncodedGraphic.h"

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

class TJPEGImage : public TEncodedGraphic<TJPEGImage> {
public:
    TJPEGImage() = default;
    static const TGraphicClass& StaticClass();
    const TGraphicClass& ClassType() const override { return StaticClass(); }

    int CompressionQuality() const { return FQuality; }
    void SetCompressionQuality(int quality);  // 1..100, else ERangeError
    // Encodes the bitmap at CompressionQuality: baseline, three components.
    void Compress();

    // The compressed bytes (empty until loaded or compressed).
    const std::vector<uint8_t>& Data() const { return Encoded(); }

private:
    friend class TEncodedGraphic<TJPEGImage>;
    static void DecodeBytes(const uint8_t* data, size_t size, TBitmap& target);
    void EncodeBitmap(std::vector<uint8_t>& out);
    int FQuality = 90;
};

// The decoder and encoder behind TJPEGImage, for callers holding bytes in memory.
// Decode fills target with pfDevice pixels; Encode appends the JPEG stream to out.
void DecodeJpeg(const uint8_t* data, size_t size, TBitmap& target);
// The picture's width and height as the stream's header gives them.
std::pair<int, int> JpegSize(const uint8_t* data, size_t size);
// The reduction (8, 4, 2 or 1) DecodeJpegReduced applies to a width x height picture: each side
// becomes side / reduction, rounded up.
int JpegReduction(int64_t width, int64_t height, int64_t minWidth, int64_t minHeight);
// Decodes at the smallest of 1/8, 1/4, 1/2 and the full size that is still at least
// minWidth x minHeight, the decoder's own scaling doing the first part of a reduction.
void DecodeJpegReduced(const uint8_t* data, size_t size, int minWidth, int minHeight, TBitmap& target);
void EncodeJpeg(const TBitmap& source, int quality, std::vector<uint8_t>& out);

}  // namespace gfx
