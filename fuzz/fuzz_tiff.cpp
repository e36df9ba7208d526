// Fuzz target for the TIFF reader: any bytes, read as a ".tif" file into a bitmap.
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "framework/graphics/Graphics.h"
#include "framework/rtl/SysUtils.h"
#include "framework/ui/Seam.h"
#include "tiff/ReadTiff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = rtl::TempFolder() + "/fuzz-tiff-" + std::to_string(getpid()) + ".tif";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    ui::ScriptedSeam seam;
    gfx::TBitmap bitmap;
    try {
        tif::ReadTiffFile(path, bitmap);
    } catch (const rtl::Exception&) {
        // Range errors and out-of-memory are the reader's own ways to refuse a file.
    }
    return 0;
}
