// The files the viewer writes: the format a chosen name asks for, the numbered names of save all,
// a segment's file bytes, and the one way they reach the disk. Save one and save all both write
// through here, so that the same segment and name give the same bytes.
#pragma once

#include <cstdint>
#include <exception>
#include <vector>

#include "framework/graphics/Graphics.h"
#include "framework/rtl/Classes.h"
#include "framework/rtl/SysUtils.h"

namespace app {

using rtl::String;

enum class SaveFormat { Jpeg, Png, Bitmap };

// Chosen by substring tests on the upper-cased name: ".JPG" or ".JPEG" means JPEG, else ".PNG"
// means PNG (so "x.png.jpg" is a JPEG), else a bitmap.
SaveFormat FormatForName(const String& fileName);
// The chosen name with n before the extension of its file-name part (at its end without one).
String NumberedName(const String& fileName, int n);

// Writes a graphic through another graphic class: as it is when it is of that class already,
// otherwise converted through a bitmap.
void SaveGraphicAs(gfx::TGraphic& graphic, const gfx::TGraphicClass& targetClass, rtl::TStream& stream);
// The same into a file, written safely.
void SaveGraphicAs(gfx::TGraphic& graphic, const gfx::TGraphicClass& targetClass, const String& fileName);

// One file of a segment, from the segment's pixels to the written file.
struct SegmentFile {
    String Name;
    SaveFormat Format = SaveFormat::Bitmap;
    gfx::TBitmap Pixels;         // shares the segment's pixels
    std::vector<uint8_t> Bytes;  // the file's bytes, once encoded
    std::exception_ptr Error;    // what taking the pixels or encoding them raised
    bool Encoded = false;
};

// The graphic a segment holds; EInvalidGraphic "The image segment holds no picture" without one.
gfx::TGraphic& HeldGraphic(gfx::TGraphic* graphic);
// The file for name in its format, from the graphic's pixels; what taking them raises is kept.
SegmentFile SegmentFileFor(const String& name, SaveFormat format, gfx::TGraphic* graphic);
// Encodes the file's bytes once: JPEG at the quality given, PNG through the PNG class, anything
// else as a bitmap in the segment's own format. Raises nothing: a failure is kept in Error. Safe
// on any thread for files of its own.
void EncodeSegmentFile(SegmentFile& file, int quality);
// Writes the encoded bytes to the file's name (a failure of encoding is raised here).
void WriteSegmentFile(const SegmentFile& file);

}  // namespace app
