// Small fixtures for the bitmap, BMP, canvas and DIB tests: patterned bitmaps, stream round
// trips, comparisons and the ImageMagick tool.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <string>
#include <vector>

#include "framework/graphics/Graphics.h"

namespace gfxtest {

using gfx::TBitmap;
using gfx::TColor;
using gfx::TPixelFormat;

// A bitmap whose pixels differ from their neighbours; indexed ones get a palette of distinct colours.
inline TBitmap Patterned(int w, int h, TPixelFormat pf)
{
    TBitmap b(w, h, pf);
    if (gfx::IsIndexed(pf)) {
        int bpp = gfx::BitsPerPixel(pf);
        auto& pal = b.Palette();
        for (size_t i = 0; i < pal.size(); ++i)
            pal[i] = gfx::TRGBQuad{uint8_t(i * 7 + 3), uint8_t(255 - i), uint8_t(i * 13 % 256), 0};
        int entries = 1 << bpp;
        for (int y = 0; y < h; ++y) {
            uint8_t* row = b.ScanLineW(y);
            std::memset(row, 0, size_t(b.RowStride()));
            for (int x = 0; x < w; ++x) {
                int v = (x * 3 + y * 5) % entries;
                if (bpp == 8) row[x] = uint8_t(v);
                else if (bpp == 4) row[x / 2] |= uint8_t(x % 2 ? v : v << 4);
                else if (v & 1) row[x / 8] |= uint8_t(0x80 >> (x % 8));
            }
        }
        return b;
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, gfx::RGB(uint8_t(x * 37 + y), uint8_t(y * 53 + 7), uint8_t((x ^ y) * 29)));
    return b;
}

// The colour a 15- or 16-bit store keeps of a colour.
inline TColor Quantised(TColor c, TPixelFormat pf)
{
    auto q5 = [](uint8_t v) { unsigned f = v >> 3; return uint8_t((f * 255 + 15) / 31); };
    auto q6 = [](uint8_t v) { unsigned f = v >> 2; return uint8_t((f * 255 + 31) / 63); };
    if (pf == TPixelFormat::pf15bit)
        return gfx::RGB(q5(gfx::GetRValue(c)), q5(gfx::GetGValue(c)), q5(gfx::GetBValue(c)));
    if (pf == TPixelFormat::pf16bit)
        return gfx::RGB(q5(gfx::GetRValue(c)), q6(gfx::GetGValue(c)), q5(gfx::GetBValue(c)));
    return c;
}

inline void ExpectSamePixels(const TBitmap& a, const TBitmap& b)
{
    ASSERT_EQ(a.Width(), b.Width());
    ASSERT_EQ(a.Height(), b.Height());
    int bad = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.GetPixel(x, y) != b.GetPixel(x, y) && bad++ < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << a.GetPixel(x, y) << " vs "
                              << b.GetPixel(x, y);
    EXPECT_EQ(bad, 0);
}

inline rtl::TMemoryStream Saved(TBitmap& b)
{
    rtl::TMemoryStream s;
    b.SaveToStream(s);
    s.SetPosition(0);
    return s;
}

inline rtl::TMemoryStream StreamOf(const std::vector<uint8_t>& bytes)
{
    rtl::TMemoryStream s;
    if (!bytes.empty())
        s.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    s.SetPosition(0);
    return s;
}

inline std::vector<uint8_t> BytesOf(rtl::TMemoryStream& s)
{
    return std::vector<uint8_t>(s.Memory(), s.Memory() + s.Size());
}

inline TBitmap Loaded(const std::vector<uint8_t>& bytes)
{
    auto s = StreamOf(bytes);
    TBitmap b;
    b.LoadFromStream(s);
    return b;
}

// ---- ImageMagick ----------------------------------------------------------------------

// The real ImageMagick convert, or "" when the machine has none.
inline std::string ConvertTool()
{
    static std::string tool = [] {
        for (const char* candidate : {"/usr/bin/convert", "convert"}) {
            std::string cmd = std::string(candidate) + " -version 2>/dev/null";
            FILE* p = popen(cmd.c_str(), "r");
            if (!p)
                continue;
            char buf[256] = {};
            size_t n = fread(buf, 1, sizeof buf - 1, p);
            pclose(p);
            if (std::string(buf, n).find("ImageMagick") != std::string::npos)
                return std::string(candidate);
        }
        return std::string();
    }();
    return tool;
}

inline bool RunConvert(const std::string& args)
{
    std::string cmd = ConvertTool() + " " + args + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

// A fresh folder for one test's files.
inline std::string TestFolder(const std::string& name)
{
    std::string dir = rtl::TempFolder() + "/quadrell-gfx-" + name + "-" + std::to_string(::getpid());
    std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str());
    return dir;
}

inline std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
    std::vector<uint8_t> out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        uint8_t buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            out.insert(out.end(), buf, buf + n);
        std::fclose(f);
    }
    return out;
}

}  // namespace gfxtest
