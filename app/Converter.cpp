#include "app/Converter.h"

#include <algorithm>

#include "app/UFrmView.h"
#include "tiff/Bmp2Tiff.h"

namespace app {

namespace {

constexpr int64_t DevicePixelBytes = 4;

const char* const MsgSizeTooSmall = "The width and height must each be at least 1 pixel.";
const char* const MsgSizeTooLarge =
    "A new image of %d x %d pixels needs more memory than this computer has free. Please enter a smaller "
    "width and height.";
const char* const MsgConversionTooLarge =
    "The image of %d x %d pixels needs more memory than this computer has free to be converted. Please make it "
    "smaller with the scroll bar, or enter a smaller width and height.";

constexpr TSaveDialogSetup JpegSetup{"JPG", "*.JPG", "Jpeg (*.JPG)|*.JPG"};
constexpr TSaveDialogSetup BitmapSetup{"BMP", "*.BMP", "Bitmap (*.BMP)|*.BMP"};
constexpr TSaveDialogSetup TiffSetup{"TIF", "*.TIF", "Tif (*.TIF)|*.TIF"};
constexpr TSaveDialogSetup MetafileSetup{"EMF", "*.EMF", "Metafile (*.EMF)|*.EMF"};

}  // namespace

const char* const LineAlreadyExists = "  File already exists -> ";
const char* const LineCreated = "  Successfully Created -> ";

bool WriteUnlessPresent(const String& fileName, const std::function<void(rtl::TStream&)>& write,
                        const std::function<void(const String&)>& note)
{
    // A file that appears while this one is written is kept too.
    const bool written = !rtl::FileExists(fileName) && rtl::SaveNewFileSafely(fileName, write);
    note((written ? LineCreated : LineAlreadyExists) + fileName);
    return written;
}

int32_t PercentOf(int percent, int32_t base)
{
    const long double size = (static_cast<long double>(percent) / 100.0L) * static_cast<long double>(base);
    return rtl::CheckedCast<int32_t>(rtl::Round(size));
}

namespace {

// Byte counts saturate rather than wrap: a count too large for 64 bits is never free.
uint64_t Product(int64_t a, int64_t b, uint64_t c)
{
    if (a <= 0 || b <= 0 || c == 0) return 0;
    const uint64_t ab = uint64_t(a) * uint64_t(b);  // each side is at most 2^31
    return ab > UINT64_MAX / c ? UINT64_MAX : ab * c;
}

uint64_t Sum(uint64_t a, uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }

uint64_t DeviceBytes(int64_t width, int64_t height) { return Product(width, height, DevicePixelBytes); }

// What a writer of type makes beside a bitmap of format: a device-format copy where it cannot take
// the format, and the encoded file where it is held whole.
uint64_t WriteBytes(TOutputType type, gfx::TPixelFormat format, int64_t width, int64_t height)
{
    using enum gfx::TPixelFormat;
    const auto takes = [format](std::initializer_list<gfx::TPixelFormat> formats) {
        return std::ranges::find(formats, format) != formats.end();
    };
    const uint64_t copy = DeviceBytes(width, height);
    switch (type) {
    case TOutputType::Jpeg:
        return Sum(takes({pfDevice, pf32bit, pf24bit}) ? 0 : copy, OutputBytes(type, width, height));
    case TOutputType::Tiff:
        return takes({pf4bit, pf8bit, pf24bit, pf32bit, pfDevice}) ? 0 : copy;
    case TOutputType::Metafile:
        return Sum(takes({pfDevice, pf32bit, pf24bit}) ? 0 : copy, OutputBytes(type, width, height));
    case TOutputType::Bitmap:  // written row by row from the bitmap as it is
    case TOutputType::Cancel:
        break;
    }
    return 0;
}

String TooLargeMessage(const char* pattern, int64_t width, int64_t height)
{
    return rtl::Format(pattern, {static_cast<long long>(width), static_cast<long long>(height)});
}

}  // namespace

uint64_t StretchBytes(const gfx::TGraphic* source, int64_t width, int64_t height)
{
    const uint64_t made = DeviceBytes(width, height);
    gfx::TBitmap pixels;
    if (!source || source->Empty() || width <= 0 || height <= 0 || !source->ToBitmap(pixels)) return made;
    if (pixels.Width() == width && pixels.Height() == height && pixels.PixelFormat() == gfx::TPixelFormat::pfDevice)
        return 0;
    const bool readInPlace = pixels.BitCount() == 32 && pixels.Data()->Contiguous();
    return Sum(made, readInPlace ? 0 : DeviceBytes(pixels.Width(), pixels.Height()));
}

uint64_t BitmapFormBytes(const gfx::TGraphic* picture)
{
    gfx::TBitmap pixels;
    if (!picture || picture->Empty() || picture->ToBitmap(pixels)) return 0;
    return DeviceBytes(picture->Width(), picture->Height());
}

uint64_t OutputBytes(TOutputType type, int64_t width, int64_t height)
{
    const uint64_t rows24 = Product((std::max<int64_t>(width, 0) * 3 + 3) / 4, height, 4);
    switch (type) {
    case TOutputType::Jpeg:
    case TOutputType::Metafile:
        return rows24;
    case TOutputType::Bitmap:
    case TOutputType::Tiff:
    case TOutputType::Cancel:
        break;
    }
    return 0;
}

uint64_t SaveBytes(const gfx::TGraphic* picture, TOutputType type)
{
    if (!picture || picture->Empty()) return 0;
    gfx::TBitmap pixels;
    const gfx::TPixelFormat format = picture->ToBitmap(pixels) ? pixels.PixelFormat() : gfx::TPixelFormat::pfDevice;
    return Sum(BitmapFormBytes(picture), WriteBytes(type, format, picture->Width(), picture->Height()));
}

String NewSizeProblem(const gfx::TGraphic* source, int64_t width, int64_t height, uint64_t moreBytes)
{
    if (width <= 0 || height <= 0) return MsgSizeTooSmall;
    // Everything the resize makes must fit what is free now, beside the pictures already held.
    const long double bytes = static_cast<long double>(StretchBytes(source, width, height)) + moreBytes;
    if (width > INT32_MAX / DevicePixelBytes || height > INT32_MAX ||
        bytes > static_cast<long double>(rtl::AvailableMemory()))
        return TooLargeMessage(MsgSizeTooLarge, width, height);
    return "";
}

String ConversionProblem(const gfx::TGraphic* picture, uint64_t bytes)
{
    if (!picture || bytes <= rtl::AvailableMemory()) return "";
    return TooLargeMessage(MsgConversionTooLarge, picture->Width(), picture->Height());
}

gfx::TBitmap StretchedCopy(const gfx::TGraphic* picture, int width, int height)
{
    gfx::TBitmap result;
    gfx::TBitmap pixels;
    if (picture && !picture->Empty() && width > 0 && height > 0 && picture->ToBitmap(pixels)) {
        // At the picture's own size in the device format the pixels are shared until one is drawn on.
        if (pixels.Width() == width && pixels.Height() == height && pixels.PixelFormat() == gfx::TPixelFormat::pfDevice)
            return pixels;
        // The stretch writes every pixel of the new bitmap.
        result.SetData(gfx::TBitmapData::CreateUnset(width, height, gfx::TPixelFormat::pfDevice));
        gfx::StretchBitmap(pixels, gfx::Rect(0, 0, pixels.Width(), pixels.Height()), result, gfx::Rect(0, 0, width, height));
        return result;
    }
    result.SetData(gfx::TBitmapData::Create(std::max(width, 0), std::max(height, 0), gfx::TPixelFormat::pfDevice));
    if (picture && !picture->Empty() && width > 0 && height > 0)
        result.Canvas().StretchDraw(gfx::Rect(0, 0, width, height), *picture);
    return result;
}

gfx::TBitmap PictureAsBitmap(const gfx::TGraphic* picture)
{
    gfx::TBitmap bitmap;
    if (!picture || picture->Empty()) return bitmap;
    if (picture->ToBitmap(bitmap)) return bitmap;
    bitmap = gfx::TBitmap(picture->Width(), picture->Height());
    picture->Draw(bitmap.Canvas(), gfx::Rect(0, 0, picture->Width(), picture->Height()));
    return bitmap;
}

gfx::TBitmap WritableBitmap(const gfx::TBitmap& bitmap)
{
    switch (bitmap.PixelFormat()) {
    case gfx::TPixelFormat::pf4bit:
    case gfx::TPixelFormat::pf8bit:
    case gfx::TPixelFormat::pf24bit:
    case gfx::TPixelFormat::pf32bit:
    case gfx::TPixelFormat::pfDevice:
        return bitmap;
    default: {
        gfx::TBitmap converted = bitmap;
        converted.SetPixelFormat(gfx::TPixelFormat::pfDevice);
        return converted;
    }
    }
}

void WriteBitmapFile(const String& fileName, const gfx::TBitmap& bitmap)
{
    gfx::TBitmap copy = bitmap;
    copy.SaveToFile(fileName);
}

void WriteTiffOutput(const String& fileName, const gfx::TBitmap& bitmap)
{
    rtl::SaveFileSafely(fileName, [&](rtl::TStream& stream) { tif::WriteTiffToStream(stream, bitmap); });
}

const TSaveDialogSetup* SaveDialogSetupFor(TOutputType type)
{
    switch (type) {
    case TOutputType::Jpeg: return &JpegSetup;
    case TOutputType::Bitmap: return &BitmapSetup;
    case TOutputType::Tiff: return &TiffSetup;
    case TOutputType::Metafile: return &MetafileSetup;
    case TOutputType::Cancel: break;
    }
    return nullptr;
}

}  // namespace app
