// Registration of the codecs' picture formats. The built-in ones ("bmp", "ico", "wmf", "emf", "tif",
// "tiff") come with RegisterBuiltInPictureFormats (Graphics.h); JPEG and PNG are registered by the
// program's start-up, in the order JPEG, the GIF unit, PNG.
#pragma once

#include "framework/graphics/Graphics.h"

namespace gfx {

void RegisterJpegFormat();  // "jpeg" and "jpg": "JPEG Image File"
void RegisterPngFormat();   // "PNG": "Portable Network Graphics"

}  // namespace gfx
