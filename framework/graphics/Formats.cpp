// The registry entries of the framework's picture classes.
#include "framework/graphics/Formats.h"

#include "framework/graphics/Icon.h"
#include "framework/graphics/Jpeg.h"
#include "framework/graphics/Metafile.h"
#include "framework/graphics/Png.h"
#include "framework/graphics/Wic.h"

namespace gfx {

void RegisterBuiltInPictureFormats()
{
    TPicture::RegisterFileFormat("bmp", "Bitmaps", TBitmap::StaticClass());
    TPicture::RegisterFileFormat("ico", "Icons", TIcon::StaticClass());
    TPicture::RegisterFileFormat("wmf", "Metafiles", TMetafile::StaticClass());
    TPicture::RegisterFileFormat("emf", "Enhanced Metafiles", TMetafile::StaticClass());
    TPicture::RegisterFileFormat("tif", "TIFF Images", TWICImage::StaticClass());
    TPicture::RegisterFileFormat("tiff", "TIFF Images", TWICImage::StaticClass());
}

void RegisterJpegFormat()
{
    TPicture::RegisterFileFormat("jpeg", "JPEG Image File", TJPEGImage::StaticClass());
    TPicture::RegisterFileFormat("jpg", "JPEG Image File", TJPEGImage::StaticClass());
}

void RegisterPngFormat()
{
    TPicture::RegisterFileFormat("PNG", "Portable Network Graphics", TPngImage::StaticClass());
}

}  // namespace gfx
