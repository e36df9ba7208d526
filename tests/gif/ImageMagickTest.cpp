// GIFs made by ImageMagick decode to ImageMagick's own pixels, and files written here read back
// the same in both.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <random>

#include "GifTestUtil.h"

using namespace gif;
using namespace giftest;

namespace {

bool HaveConvert()
{
    static const bool have = std::system("convert -version > /dev/null 2>&1") == 0;
    return have;
}

std::string Folder()
{
    std::string folder = giftest::Scratch() + "/gif_imagemagick_test";
    rtl::CreateDir(folder);
    return folder;
}

bool RunCommand(const std::string& command)
{
    int rc = std::system((command + " 2>/dev/null").c_str());
    return rc != -1 && WIFEXITED(rc) && WEXITSTATUS(rc) == 0;
}

// ImageMagick's decode of the first frame as RGB bytes.
std::string MagickRgb(const std::string& path)
{
    std::string out = path + ".rgb";
    if (!RunCommand("convert '" + path + "[0]' -depth 8 rgb:'" + out + "'")) return "";
    rtl::TMemoryStream ms;
    ms.LoadFromFile(out);
    rtl::DeleteFile(out);
    return std::string(reinterpret_cast<const char*>(ms.Memory()), static_cast<size_t>(ms.Size()));
}

std::string BitmapRgb(const TBitmap& b)
{
    std::string rgb;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            TColor c = b.GetPixel(x, y);
            rgb += static_cast<char>(gfx::GetRValue(c));
            rgb += static_cast<char>(gfx::GetGValue(c));
            rgb += static_cast<char>(gfx::GetBValue(c));
        }
    return rgb;
}

// The first position where two RGB strings differ, for the failure message.
std::string FirstDifference(const std::string& a, const std::string& b, int width)
{
    if (a.size() != b.size()) return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
    for (size_t k = 0; k < a.size(); ++k)
        if (a[k] != b[k]) return "pixel " + std::to_string(k / 3 % width) + "," + std::to_string(k / 3 / width);
    return "none";
}

// Moves the global colour table of a file into its first image as a local table.
bool MoveGlobalTableToFirstImage(const std::string& path)
{
    rtl::TMemoryStream ms;
    ms.LoadFromFile(path);
    std::string d(reinterpret_cast<const char*>(ms.Memory()), static_cast<size_t>(ms.Size()));
    uint8_t packed = static_cast<uint8_t>(d[10]);
    if (!(packed & 0x80)) return false;
    size_t tableSize = 3u << ((packed & 7) + 1);
    std::string table = d.substr(13, tableSize);
    d.erase(13, tableSize);
    d[10] = static_cast<char>(packed & 0x7F);
    size_t pos = 13;
    while (pos < d.size() && static_cast<uint8_t>(d[pos]) == 0x21) {
        pos += 2;
        while (pos < d.size() && d[pos] != 0) pos += 1 + static_cast<uint8_t>(d[pos]);
        ++pos;
    }
    if (pos + 10 > d.size() || static_cast<uint8_t>(d[pos]) != 0x2C) return false;
    d[pos + 9] = static_cast<char>(0x80 | (packed & 7) | (static_cast<uint8_t>(d[pos + 9]) & 0x40));
    d.insert(pos + 10, table);
    StreamOf(d)->SaveToFile(path);
    return true;
}

}  // namespace

TEST(ImageMagick, DecodesLikeImageMagick)
{
    if (!HaveConvert()) FAIL() << "ImageMagick's convert is not installed (Debian package imagemagick; scripts/test installs it)";
    const std::string folder = Folder();
    const struct {
        const char* name;
        const char* args;  // convert arguments before the output name
        int width, height;
        bool localTable = false;
    } cases[] = {
        {"two", "-size 13x7 pattern:checkerboard -colors 2", 13, 7},
        {"plasma16", "-seed 3 -size 37x23 plasma:fractal -colors 16", 37, 23},
        {"plasma256", "-seed 5 -size 101x67 plasma:fractal -colors 256", 101, 67},
        {"interlaced", "-seed 9 -size 41x29 plasma:fractal -colors 64 -interlace GIF", 41, 29},
        {"interlaced1row", "-size 17x1 gradient:red-blue -colors 8 -interlace GIF", 17, 1},
        {"tall", "-seed 2 -size 3x301 plasma:fractal -colors 200 -interlace GIF", 3, 301},
        {"wide", "-size 700x5 gradient:yellow-navy -colors 256", 700, 5},
        {"frames", "-seed 4 -size 19x11 plasma:fractal -colors 32 -size 19x11 xc:green -size 19x11 gradient: -colors 8",
         19, 11},
        {"local", "-seed 6 -size 23x9 plasma:fractal -colors 5", 23, 9, true},
        {"localInterlaced", "-seed 8 -size 29x13 plasma:fractal -colors 100 -interlace GIF", 29, 13, true},
    };
    for (const auto& c : cases) {
        std::string path = folder + "/" + c.name + ".gif";
        ASSERT_TRUE(RunCommand(std::string("convert ") + c.args + " '" + path + "'")) << c.name;
        if (c.localTable) {
            ASSERT_TRUE(MoveGlobalTableToFirstImage(path)) << c.name;
        }
        std::string expected = MagickRgb(path);
        ASSERT_EQ(expected.size(), static_cast<size_t>(c.width * c.height * 3)) << c.name;

        TGifFile gif;
        gif.LoadFromFile(path);
        EXPECT_EQ(gif.GetSubImage(1)->HasLocalColorMap, c.localTable) << c.name;
        auto bitmap = gif.AsBitmap();
        EXPECT_EQ(bitmap->Width(), c.width) << c.name;
        EXPECT_EQ(bitmap->Height(), c.height) << c.name;
        std::string ours = BitmapRgb(*bitmap);
        EXPECT_TRUE(ours == expected) << c.name << ": first difference at " << FirstDifference(ours, expected, c.width);
        rtl::DeleteFile(path);
    }
}

TEST(ImageMagick, WrittenFilesReadBackTheSame)
{
    if (!HaveConvert()) FAIL() << "ImageMagick's convert is not installed (Debian package imagemagick; scripts/test installs it)";
    const std::string folder = Folder();
    std::mt19937 random(11);
    const struct {
        int w, h, colours;
    } cases[] = {{2, 1, 2}, {2, 3, 2}, {31, 17, 3}, {64, 64, 17}, {257, 129, 256}, {400, 300, 100}};
    for (const auto& c : cases) {
        std::vector<TColor> palette;
        for (int i = 0; i < c.colours; ++i)
            palette.push_back(gfx::RGB(static_cast<uint8_t>(i), static_cast<uint8_t>(random()), static_cast<uint8_t>(random())));
        auto bitmap = std::make_unique<TBitmap>(c.w, c.h, gfx::TPixelFormat::pfDevice);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                // Runs and noise, so the table fills and resets on the larger pictures.
                int k = (x / 3 + y) % 5 == 0 ? static_cast<int>(random() % c.colours) : (x + y / 2) % c.colours;
                bitmap->SetPixel(x, y, palette[static_cast<size_t>(k)]);
            }
        bitmap->SetPixel(0, 0, palette[static_cast<size_t>(c.colours - 1)]);
        bitmap->SetPixel(c.w - 1, c.h - 1, palette[0]);
        const std::string expected = BitmapRgb(*bitmap);

        std::string path = folder + "/written.gif";
        TGifFile gif;
        gif.AddBitmap(std::move(bitmap));
        gif.SaveToFile(path);

        TGifFile back;
        back.LoadFromFile(path);
        EXPECT_EQ(BitmapRgb(*back.AsBitmap()), expected) << c.w << "x" << c.h;
        std::string magick = MagickRgb(path);
        EXPECT_TRUE(magick == expected) << c.w << "x" << c.h << ": " << FirstDifference(magick, expected, c.w);
        rtl::DeleteFile(path);
    }
}
