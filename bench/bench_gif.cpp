// GIF codec: decoding a 256-colour 4000 x 3000 picture (plain and interlaced) from its file into a
// bitmap, against giflib's DGifSlurp of the same file, without and with a running GUI; and encoding a 1000 x 1000 256-colour
// bitmap into memory, against giflib's EGifPutLine of the same index matrix.
#include <gif_lib.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "BenchUtil.h"
#include "framework/rtl/SysUtils.h"
#include "framework/ui/Application.h"
#include "gif/GifUnit.h"

namespace {

// A photo-like picture: smooth gradients and soft noise, 256 colours.
std::vector<uint8_t> Indexes(int w, int h)
{
    std::vector<uint8_t> v(size_t(w) * h);
    std::mt19937 random(1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            v[size_t(y) * w + x] = uint8_t((x / 9 + y / 13 + ((x * y) >> 12) + int(random() % 3)) & 0xFF);
    return v;
}

gfx::TColor Colour(uint8_t i)
{
    return gfx::RGB(i, uint8_t(255 - i), uint8_t(i * 3));
}

std::unique_ptr<gfx::TBitmap> BitmapOf(const std::vector<uint8_t>& indexes, int w, int h)
{
    auto b = std::make_unique<gfx::TBitmap>(w, h, gfx::TPixelFormat::pfDevice);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = b->ScanLineW(y);  // blue, green, red, unused
        for (int x = 0; x < w; ++x) {
            gfx::TColor c = Colour(indexes[size_t(y) * w + x]);
            row[4 * x] = gfx::GetBValue(c);
            row[4 * x + 1] = gfx::GetGValue(c);
            row[4 * x + 2] = gfx::GetRValue(c);
            row[4 * x + 3] = 0;
        }
    }
    return b;
}

// Writes the picture with this project's writer, interlaced or not.
std::string WriteFile(const std::string& path, const std::vector<uint8_t>& indexes, int w, int h, bool interlaced)
{
    gif::TGifFile doc;
    doc.AddBitmap(BitmapOf(indexes, w, h));
    rtl::TMemoryStream ms;
    doc.SaveToStream(ms);
    if (interlaced) {
        gif::TGifSubImage* image = doc.GetSubImage(1);
        image->Interlaced = true;
        image->CompressedRasterData = std::make_unique<gif::TByteBuffer>();
        ms.Clear();
        doc.SaveToStream(ms);
    }
    ms.SaveToFile(path);
    return path;
}

void Slurp(const std::string& path)
{
    int error = 0;
    GifFileType* g = DGifOpenFileName(path.c_str(), &error);
    if (!g || DGifSlurp(g) != GIF_OK) std::abort();
    DGifCloseFile(g, &error);
}

int WriteToVector(GifFileType* g, const GifByteType* bytes, int n)
{
    auto* out = static_cast<std::vector<uint8_t>*>(g->UserData);
    out->insert(out->end(), bytes, bytes + n);
    return n;
}

void GiflibEncode(const std::vector<uint8_t>& indexes, int w, int h, std::vector<uint8_t>& out)
{
    out.clear();
    int error = 0;
    GifFileType* g = EGifOpen(&out, WriteToVector, &error);
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i) {
        gfx::TColor c = Colour(uint8_t(i));
        colours[i] = {gfx::GetRValue(c), gfx::GetGValue(c), gfx::GetBValue(c)};
    }
    ColorMapObject* map = GifMakeMapObject(256, colours);
    EGifPutScreenDesc(g, w, h, 8, 0, map);
    EGifPutImageDesc(g, 0, 0, w, h, false, nullptr);
    std::vector<GifPixelType> line(static_cast<size_t>(w));
    for (int y = 0; y < h; ++y) {
        std::memcpy(line.data(), &indexes[size_t(y) * w], size_t(w));
        EGifPutLine(g, line.data(), w);
    }
    EGifCloseFile(g, &error);
    GifFreeMapObject(map);
}

}  // namespace

int main()
{
    const std::string folder = rtl::TempFolder();
    {
        constexpr int w = 4000, h = 3000;
        const auto indexes = Indexes(w, h);
        // Last with a running (offscreen) GUI, where every decoded row lets Qt process events.
        for (int run = 0; run < 4; ++run) {
            const bool interlaced = run % 2 == 1, gui = run >= 2;
            if (gui) ui::Application().Initialize();
            std::string path =
                WriteFile(folder + (interlaced ? "/bench_gif_interlaced.gif" : "/bench_gif.gif"), indexes, w, h, interlaced);
            std::string name = interlaced ? "gif_decode_4000x3000_interlaced" : "gif_decode_4000x3000";
            bench::Compare(
                gui ? name + "_gui" : name,
                [&] {
                    gif::TGifFile doc;
                    doc.LoadFromFile(path);
                    auto bitmap = doc.AsBitmap();
                    if (bitmap->Width() != w) std::abort();
                },
                [&] { Slurp(path); });
            rtl::DeleteFile(path);
        }
    }
    {
        constexpr int w = 1000, h = 1000;
        const auto indexes = Indexes(w, h);
        const auto bitmap = BitmapOf(indexes, w, h);
        std::vector<uint8_t> peerOut;
        bench::Compare(
            "gif_encode_1000x1000_256",
            [&] {
                gif::TGifFile doc;
                doc.AddBitmap(std::make_unique<gfx::TBitmap>(*bitmap));
                rtl::TMemoryStream ms;
                doc.SaveToStream(ms);
            },
            [&] { GiflibEncode(indexes, w, h, peerOut); });
    }
    return 0;
}
