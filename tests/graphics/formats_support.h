// Helpers shared by the codec tests: pictures made in memory, ImageMagick as a second opinion.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <zlib.h>

#include "framework/graphics/Graphics.h"
#include "framework/rtl/Classes.h"

namespace codectest {

using Bytes = std::vector<uint8_t>;

inline bool HaveConvert()
{
    static const bool have = std::system("command -v convert >/dev/null 2>&1") == 0;
    return have;
}

#define REQUIRE_CONVERT() \
    if (!codectest::HaveConvert()) FAIL() << "ImageMagick's convert is not installed (Debian package imagemagick; scripts/test installs it)"

// A folder of its own for each test, removed afterwards.
class TempFolder {
public:
    TempFolder()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        FPath = std::filesystem::temp_directory_path() / ("codecs_" + name + "_" + std::to_string(::getpid()));
        std::filesystem::create_directories(FPath);
    }
    ~TempFolder() { std::error_code ec; std::filesystem::remove_all(FPath, ec); }
    std::string operator/(const std::string& name) const { return (FPath / name).string(); }

private:
    std::filesystem::path FPath;
};

inline bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

inline Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const Bytes& data)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

inline void Fill(rtl::TMemoryStream& stream, const Bytes& data)
{
    stream.Clear();
    if (!data.empty()) stream.WriteBuffer(data.data(), int64_t(data.size()));
    stream.SetPosition(0);
}

inline Bytes Contents(rtl::TMemoryStream& stream)
{
    return Bytes(stream.Memory(), stream.Memory() + stream.Size());
}

// ImageMagick's own reading of a file: 8-bit RGB rows, transparent parts on white.
inline bool ConvertToRgb(const std::string& file, Bytes& rgb, const std::string& options = "")
{
    std::string raw = file + ".rgb";
    if (!Run("convert '" + file + "[0]' " + options + " -background white -alpha remove -alpha off -depth 8 rgb:'" + raw + "'"))
        return false;
    rgb = ReadFile(raw);
    return true;
}

// The bitmap's pixels as 8-bit RGB rows.
inline Bytes BitmapRgb(const gfx::TBitmap& bitmap)
{
    Bytes out;
    out.reserve(size_t(bitmap.Width()) * bitmap.Height() * 3);
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            gfx::TColor c = bitmap.GetPixel(x, y);
            out.push_back(gfx::GetRValue(c));
            out.push_back(gfx::GetGValue(c));
            out.push_back(gfx::GetBValue(c));
        }
    return out;
}

struct Difference {
    int max = 0;
    double mean = 0;
};

inline Difference Compare(const Bytes& a, const Bytes& b)
{
    Difference d;
    if (a.size() != b.size() || a.empty()) return {255, 255};
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        int v = std::abs(int(a[i]) - int(b[i]));
        d.max = std::max(d.max, v);
        sum += v;
    }
    d.mean = sum / double(a.size());
    return d;
}

// A smooth picture (with a red checker board when edges), in the device format.
inline gfx::TBitmap Pattern(int width, int height, bool edges = true)
{
    gfx::TBitmap bitmap(width, height, gfx::TPixelFormat::pfDevice);
    for (int y = 0; y < height; ++y) {
        uint8_t* p = bitmap.ScanLineW(y);
        for (int x = 0; x < width; ++x, p += 4) {
            p[0] = uint8_t(x * 255 / std::max(1, width - 1));
            p[1] = uint8_t(y * 255 / std::max(1, height - 1));
            p[2] = edges ? uint8_t(((x / 8 + y / 8) & 1) ? 200 : 40) : uint8_t((x + y) * 255 / std::max(1, width + height - 2));
            p[3] = 0;
        }
    }
    return bitmap;
}

// A valid file cut short at several places (none of them at its end).
inline std::vector<Bytes> Truncations(const Bytes& good)
{
    std::vector<Bytes> out;
    for (size_t cut : {size_t(0), size_t(1), size_t(4), size_t(8), size_t(16), size_t(33), good.size() / 3,
                       good.size() / 2, good.size() - 1})
        if (cut < good.size()) out.emplace_back(good.begin(), good.begin() + long(cut));
    return out;
}

// A valid file with bytes of its first part overwritten, in rounds of growing damage.
inline std::vector<Bytes> Spoilings(const Bytes& good)
{
    std::vector<Bytes> out;
    uint32_t seed = 12345;
    for (int round = 0; round < 24; ++round) {
        Bytes b = good;
        for (int k = 0; k < 1 + round; ++k) {
            seed = seed * 1103515245 + 12345;
            size_t at = (seed >> 8) % std::min<size_t>(b.size(), 96 + size_t(round) * 64);
            b[at] = uint8_t(seed >> 24);
        }
        out.push_back(std::move(b));
    }
    return out;
}

inline std::vector<Bytes> Damaged(const Bytes& good)
{
    std::vector<Bytes> out = Truncations(good), spoiled = Spoilings(good);
    out.insert(out.end(), spoiled.begin(), spoiled.end());
    return out;
}

// A 54-byte PNG: the header of a 1 x 1 grey picture, then a chunk of the given type that claims
// almost 2 GB and holds only the few bytes left in the file.
inline Bytes PngClaimingAHugeChunk(const std::string& type)
{
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0, 1, 0, 0, 0, 1, 8, 0, 0, 0, 0};
    uint32_t crc = uint32_t(crc32(0, out.data() + 12, 17));
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(crc >> s));
    out.insert(out.end(), {0x7F, 0xFF, 0xFF, 0xF0});
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), {'k', 0, 'v'});
    out.resize(54, 0);
    return out;
}

}  // namespace codectest
