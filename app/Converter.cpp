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

constexpr TSaveDialogSetup JpegSetup{"JPG", "*.JPG", "Jpeg (*.JPG)|*.JPG"};
constexpr TSaveDialogSetup BitmapSetup{"BMP", "*.BMP", "Bitmap (*.BMP)|*.BMP"};
constexpr TSaveDialogSetup TiffSetup{"TIF", "*.TIF", "Tif (*.TIF)|*.TIF"};
constexpr TSaveDialogSetup MetafileSetup{"EMF", "*.EMF", "Metafile (*.EMF)|*.EMF"};

}  // namespace

const char* const LineAlreadyExists = "  File already exists -> ";
const char* const LineCreated = "  Successfully Created -> ";

bool WriteUnlessPresent(const String& fileName, const std::function<void()>& write,
                        const std::function<void(const String&)>& note)
{
    if (rtl::FileExists(fileName)) {
        note(LineAlreadyExists + fileName);
        return false;
    }
    write();
    note(LineCreated + fileName);
    return true;
}

int32_t PercentOf(int percent, int32_t base)
{
    const long double size = (static_cast<long double>(percent) / 100.0L) * static_cast<long double>(base);
    return rtl::CheckedCast<int32_t>(rtl::Round(size));
}

String NewSizeProblem(int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0) return MsgSizeTooSmall;
    // The new picture is made next to the loaded one; it must fit what is free now.
    const long double bytes = static_cast<long double>(width) * static_cast<long double>(height) * DevicePixelBytes;
    if (width > INT32_MAX / DevicePixelBytes || bytes > static_cast<long double>(rtl::AvailableMemory()))
        return rtl::Format(MsgSizeTooLarge, {width, height});
    return "";
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

void WriteJpegFile(const String& fileName, gfx::TJPEGImage& jpeg)
{
    jpeg.SaveToFile(fileName);
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

void WriteMetafileFile(const String& fileName, gfx::TMetafile& metafile)
{
    metafile.SaveToFile(fileName);
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
