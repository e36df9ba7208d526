// Test side: libtiff as the reference reader, and the outside tools that make sample files.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <tiffio.h>

#include "framework/graphics/Dib.h"

namespace tifftest {

struct RgbaImage {
    uint32_t Width = 0, Height = 0;
    std::vector<uint32_t> Pixels;  // libtiff's ABGR words, top row first
};

// Every directory of the file as libtiff reads it; empty when libtiff cannot read it.
inline std::vector<RgbaImage> LibTiffImages(const std::string& path)
{
    std::vector<RgbaImage> images;
    TIFFSetWarningHandler(nullptr);
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif)
        return images;
    do {
        RgbaImage img;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &img.Width);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &img.Height);
        img.Pixels.resize(size_t(img.Width) * img.Height);
        if (!TIFFReadRGBAImageOriented(tif, img.Width, img.Height, img.Pixels.data(), ORIENTATION_TOPLEFT, 0))
            img.Pixels.clear();
        images.push_back(std::move(img));
    } while (TIFFReadDirectory(tif));
    TIFFClose(tif);
    return images;
}

// Compares a bitmap with libtiff's picture shown on white (libtiff gives colours weighed by
// their alpha, so white's share is added); returns a description of the first difference.
inline std::string Difference(const gfx::TBitmap& bitmap, const RgbaImage& img)
{
    if (uint32_t(bitmap.Width()) != img.Width || uint32_t(bitmap.Height()) != img.Height)
        return "size " + std::to_string(bitmap.Width()) + "x" + std::to_string(bitmap.Height()) + " against " +
               std::to_string(img.Width) + "x" + std::to_string(img.Height);
    for (uint32_t y = 0; y < img.Height; ++y)
        for (uint32_t x = 0; x < img.Width; ++x) {
            uint32_t p = img.Pixels[size_t(y) * img.Width + x];
            const uint32_t white = 255 - TIFFGetA(p);
            auto onWhite = [white](uint32_t c) { return uint8_t(std::min<uint32_t>(255, c + white)); };
            gfx::TColor want = gfx::RGB(onWhite(TIFFGetR(p)), onWhite(TIFFGetG(p)), onWhite(TIFFGetB(p)));
            gfx::TColor got = gfx::GetPixel(bitmap, int(x), int(y));
            if (got != want) {
                char text[128];
                std::snprintf(text, sizeof text, "pixel (%u,%u): %06X against %06X", x, y, got, want);
                return text;
            }
        }
    return "";
}

// A program of the machine, or "" when it is not installed.
inline std::string Tool(const std::string& name)
{
    // ImageMagick's own convert, not a wrapper that may stand before it on the path.
    if (name == "convert")
        for (const char* p : {"/usr/bin/convert-im6.q16", "/usr/bin/convert"})
            if (std::system((std::string("test -x ") + p).c_str()) == 0)
                return p;
    std::string probe = "command -v " + name + " > /dev/null 2>&1";
    return std::system(probe.c_str()) == 0 ? name : "";
}

inline bool Run(const std::string& command) { return std::system((command + " > /dev/null 2>&1").c_str()) == 0; }

}  // namespace tifftest
