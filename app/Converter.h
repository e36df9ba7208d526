// The converter's work without its window: new sizes, the resized picture, the picture as a
// bitmap, and the four output files.
#pragma once

#include <cstdint>
#include <functional>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/Jpeg.h"
#include "framework/graphics/Metafile.h"
#include "framework/rtl/SysUtils.h"

namespace app {

using rtl::String;

// What the output-type chooser gives: one of the four types, or Cancel.
enum class TOutputType { Cancel, Jpeg, Bitmap, Tiff, Metafile };

// A side of the picture at percent of base: (percent / 100) * base in extended precision,
// rounded to the nearest whole number, halves to the even neighbour.
int32_t PercentOf(int percent, int32_t base);

// ---- memory: the buffers of an operation are counted before any of them is made ----------------

// Bytes of the buffers StretchedCopy makes from source at width x height: the new bitmap (none when
// the source is shared as it is), and the source's pixels in 32 bits when it keeps another format.
uint64_t StretchBytes(const gfx::TGraphic* source, int64_t width, int64_t height);
// Bytes of the bitmap PictureAsBitmap draws for a picture without pixels of its own (a metafile);
// 0 for the others, whose pixels are shared.
uint64_t BitmapFormBytes(const gfx::TGraphic* picture);
// Bytes that writing a device-format bitmap of width x height as type holds beside it: the JPEG's
// encoded bytes (counted as 3 a pixel at most) and the metafile's copy of the rows.
uint64_t OutputBytes(TOutputType type, int64_t width, int64_t height);
// Bytes of every buffer that saving picture as type makes: its bitmap form, a copy in a format the
// writer takes, and OutputBytes.
uint64_t SaveBytes(const gfx::TGraphic* picture, TOutputType type);

// Empty when a new picture of width x height can be made from source, with moreBytes needed beside
// its own buffers; otherwise what to tell the user.
String NewSizeProblem(const gfx::TGraphic* source, int64_t width, int64_t height, uint64_t moreBytes = 0);
// Empty when bytes can be had now to convert picture; otherwise what to tell the user.
String ConversionProblem(const gfx::TGraphic* picture, uint64_t bytes);

// A new device-format bitmap of width x height with the picture stretched over all of it
// (white where there is no picture). Sizes must have passed NewSizeProblem.
gfx::TBitmap StretchedCopy(const gfx::TGraphic* picture, int width, int height);

// The picture as a bitmap of its own size: a bitmap is shared, JPEG, PNG and icon pictures give
// their pixels, a metafile is drawn on white. An empty picture gives an empty bitmap.
gfx::TBitmap PictureAsBitmap(const gfx::TGraphic* picture);

// The bitmap in a format every writer takes as it is: 4, 8, 24 and 32 bits stay, others become
// the device format.
gfx::TBitmap WritableBitmap(const gfx::TBitmap& bitmap);

// The output files. Each is written under a temporary name beside the target and put in its
// place only when complete.
void WriteBitmapFile(const String& fileName, const gfx::TBitmap& bitmap);
void WriteTiffOutput(const String& fileName, const gfx::TBitmap& bitmap);

// The results lines of the savers, each followed by the file's name.
extern const char* const LineAlreadyExists;
extern const char* const LineCreated;

// Writes the file through write unless a file of that name exists, or appears before it is in
// place; tells note the results line either way. True when the file was written.
bool WriteUnlessPresent(const String& fileName, const std::function<void(rtl::TStream&)>& write,
                        const std::function<void(const String&)>& note);

// How the save dialog is set up for an output type.
struct TSaveDialogSetup {
    const char* DefaultExt;
    const char* FileName;
    const char* Filter;
};
// nullptr for Cancel.
const TSaveDialogSetup* SaveDialogSetupFor(TOutputType type);

}  // namespace app
