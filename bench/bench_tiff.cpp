// The TIFF codec against libtiff: decoding uncompressed RGB and palette files, writing RGB.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <malloc.h>
#include <tiffio.h>
#include <unistd.h>

#include "BenchUtil.h"
#include "framework/graphics/Graphics.h"
#include "framework/rtl/Classes.h"
#include "framework/rtl/SysUtils.h"
#include "framework/ui/Seam.h"
#include "tiff/Bmp2Tiff.h"
#include "tiff/ReadTiff.h"

namespace {

// An uncompressed file in libtiff's usual strip size, written by libtiff.
bool WriteSample(const std::string& path, uint32_t w, uint32_t h, bool palette)
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif)
        return false;
    const uint16_t samples = palette ? 1 : 3;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, palette ? PHOTOMETRIC_PALETTE : PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    std::vector<uint16_t> map(3 * 256);
    if (palette) {
        for (int i = 0; i < 256; ++i) {
            map[i] = uint16_t(i * 257);
            map[256 + i] = uint16_t((255 - i) * 257);
            map[512 + i] = uint16_t((i * 7 & 0xFF) * 257);
        }
        TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + 256, map.data() + 512);
    }
    std::vector<uint8_t> row(size_t(w) * samples);
    for (uint32_t y = 0; y < h; ++y) {
        for (size_t i = 0; i < row.size(); ++i) row[i] = uint8_t(i * 7 + y * 3);
        if (TIFFWriteScanline(tif, row.data(), y, 0) < 0) {
            TIFFClose(tif);
            return false;
        }
    }
    TIFFClose(tif);
    return true;
}

// libtiff reading every strip into one buffer (with plain reads, its faster way here than mapping the file).
void LibTiffReadStrips(const std::string& path)
{
    TIFF* tif = TIFFOpen(path.c_str(), "rm");
    if (!tif)
        return;
    const tstrip_t strips = TIFFNumberOfStrips(tif);
    const tmsize_t stripSize = TIFFStripSize(tif);
    auto* buffer = static_cast<uint8_t*>(_TIFFmalloc(stripSize * strips));
    tmsize_t at = 0;
    for (tstrip_t s = 0; s < strips; ++s) {
        tmsize_t n = TIFFReadEncodedStrip(tif, s, buffer + at, stripSize);
        if (n < 0)
            break;
        at += n;
    }
    _TIFFfree(buffer);
    TIFFClose(tif);
}

// A growing memory file for libtiff's writer.
struct MemoryFile {
    std::vector<uint8_t> Data;
    toff_t Position = 0;
};

tmsize_t MemRead(thandle_t, void*, tmsize_t) { return 0; }
tmsize_t MemWrite(thandle_t h, void* buf, tmsize_t size)
{
    auto* m = static_cast<MemoryFile*>(h);
    if (m->Position + size > m->Data.size())
        m->Data.resize(m->Position + size);
    std::memcpy(m->Data.data() + m->Position, buf, size);
    m->Position += size;
    return size;
}
toff_t MemSeek(thandle_t h, toff_t off, int whence)
{
    auto* m = static_cast<MemoryFile*>(h);
    toff_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->Position : m->Data.size();
    m->Position = base + off;
    return m->Position;
}
int MemClose(thandle_t) { return 0; }
toff_t MemSize(thandle_t h) { return static_cast<MemoryFile*>(h)->Data.size(); }
int MemMap(thandle_t, void**, toff_t*) { return 0; }
void MemUnmap(thandle_t, void*, toff_t) {}

void LibTiffWriteRgb(const std::vector<uint8_t>& rgb, uint32_t w, uint32_t h)
{
    MemoryFile file;
    TIFF* tif = TIFFClientOpen("memory", "w", &file, MemRead, MemWrite, MemSeek, MemClose, MemSize, MemMap, MemUnmap);
    if (!tif)
        return;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, h);
    TIFFWriteEncodedStrip(tif, 0, const_cast<uint8_t*>(rgb.data()), tmsize_t(rgb.size()));
    TIFFClose(tif);
}

void DecodeBench(const std::string& name, const std::string& folder, uint32_t w, uint32_t h, bool palette)
{
    const std::string path = folder + "/" + name + "-" + std::to_string(getpid()) + ".tif";
    if (!WriteSample(path, w, h, palette)) {
        bench::Missing(name, "libtiff writer");
        return;
    }
    ui::ScriptedSeam seam;
    bench::Compare(
        name,
        [&] {
            gfx::TBitmap bitmap;
            tif::ReadTiffFile(path, bitmap);
            if (bitmap.Width() != int(w) || !seam.Messages.empty())
                std::fprintf(stderr, "%s: not decoded\n", name.c_str());
        },
        [&] { LibTiffReadStrips(path); });
    std::remove(path.c_str());
}

void WriteBench(const std::string& name, uint32_t w, uint32_t h)
{
    gfx::TBitmap bitmap(int(w), int(h), gfx::TPixelFormat::pf24bit);
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* row = bitmap.ScanLineW(int(y));
        for (size_t i = 0; i < size_t(w) * 3; ++i) row[i] = uint8_t(i * 5 + y);
        // The same picture in the file's order, red first.
        for (uint32_t x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) rgb[(size_t(y) * w + x) * 3 + c] = row[x * 3 + 2 - c];
    }
    bench::Compare(
        name,
        [&] {
            rtl::TMemoryStream stream;
            tif::WriteTiffToStream(stream, bitmap);
        },
        [&] { LibTiffWriteRgb(rgb, w, h); });
}

}  // namespace

int main(int argc, char** argv)
{
    const bench::Filter filter(argc, argv);
    TIFFSetWarningHandler(nullptr);
    // Freed blocks stay with the process for both sides alike, so that the figures compare the work
    // of the two readers and writers rather than how dear this machine makes fresh pages.
    // QUADRELL_BENCH_FRESH_PAGES=1 keeps the allocator's defaults.
    if (!std::getenv("QUADRELL_BENCH_FRESH_PAGES")) {
        mallopt(M_MMAP_THRESHOLD, 1 << 30);
        mallopt(M_TRIM_THRESHOLD, 1 << 30);
    }
    const std::string folder = rtl::TempFolder();
    if (filter.Selected("tiff_decode_rgb_6000x4000"))
        DecodeBench("tiff_decode_rgb_6000x4000", folder, 6000, 4000, false);
    if (filter.Selected("tiff_decode_palette_4000x3000"))
        DecodeBench("tiff_decode_palette_4000x3000", folder, 4000, 3000, true);
    if (filter.Selected("tiff_write_rgb_6000x4000"))
        WriteBench("tiff_write_rgb_6000x4000", 6000, 4000);
    return 0;
}
