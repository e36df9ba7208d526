#include "app/SegmentFiles.h"

#include <memory>

#include "framework/graphics/Jpeg.h"
#include "framework/graphics/Png.h"

namespace app {

SaveFormat FormatForName(const String& fileName)
{
    const String upper = rtl::UpperCase(fileName);
    if (upper.find(".JPG") != String::npos || upper.find(".JPEG") != String::npos) return SaveFormat::Jpeg;
    if (upper.find(".PNG") != String::npos) return SaveFormat::Png;
    return SaveFormat::Bitmap;
}

String NumberedName(const String& fileName, int n)
{
    const String folder = rtl::ExtractFilePath(fileName);
    const String name = rtl::ExtractFileName(fileName);
    const String ext = rtl::ExtractFileExt(name);
    return folder + name.substr(0, name.size() - ext.size()) + rtl::IntToStr(n) + ext;
}

void SaveGraphicAs(gfx::TGraphic& graphic, const gfx::TGraphicClass& targetClass, rtl::TStream& stream)
{
    if (&graphic.ClassType() == &targetClass) {
        graphic.SaveToStream(stream);
        return;
    }
    std::unique_ptr<gfx::TGraphic> target(targetClass.Create());
    gfx::TBitmap bitmap;
    bitmap.Assign(graphic);
    target->Assign(bitmap);
    target->SaveToStream(stream);
}

void SaveGraphicAs(gfx::TGraphic& graphic, const gfx::TGraphicClass& targetClass, const String& fileName)
{
    rtl::SaveFileSafely(fileName, [&](rtl::TStream& stream) { SaveGraphicAs(graphic, targetClass, stream); });
}

gfx::TGraphic& HeldGraphic(gfx::TGraphic* graphic)
{
    if (!graphic) throw rtl::EInvalidGraphic("The image segment holds no picture");
    return *graphic;
}

SegmentFile SegmentFileFor(const String& name, SaveFormat format, gfx::TGraphic* graphic)
{
    SegmentFile file;
    file.Name = name;
    file.Format = format;
    try {
        HeldGraphic(graphic).ToBitmap(file.Pixels);
    } catch (...) {
        file.Error = std::current_exception();
    }
    return file;
}

namespace {

std::vector<uint8_t> JpegBytes(const gfx::TBitmap& pixels, int quality)
{
    gfx::TJPEGImage jpeg;
    jpeg.Assign(pixels);
    jpeg.SetCompressionQuality(quality);
    jpeg.Compress();
    return jpeg.Data();
}

std::vector<uint8_t> GraphicBytes(gfx::TBitmap& pixels, const gfx::TGraphicClass& targetClass)
{
    rtl::TMemoryStream stream;
    SaveGraphicAs(pixels, targetClass, stream);
    return std::vector<uint8_t>(stream.Memory(), stream.Memory() + stream.Size());
}

}  // namespace

void EncodeSegmentFile(SegmentFile& file, int quality)
{
    if (file.Encoded) return;
    file.Encoded = true;
    if (file.Error) return;
    try {
        switch (file.Format) {
        case SaveFormat::Jpeg: file.Bytes = JpegBytes(file.Pixels, quality); break;
        case SaveFormat::Png: file.Bytes = GraphicBytes(file.Pixels, gfx::TPngImage::StaticClass()); break;
        case SaveFormat::Bitmap: file.Bytes = GraphicBytes(file.Pixels, gfx::TBitmap::StaticClass()); break;
        }
    } catch (...) {
        file.Error = std::current_exception();
    }
}

void WriteSegmentFile(const SegmentFile& file)
{
    if (file.Error) std::rethrow_exception(file.Error);
    rtl::SaveFileSafely(file.Name,
                        [&](rtl::TStream& stream) { stream.WriteBuffer(file.Bytes.data(), int64_t(file.Bytes.size())); });
}

}  // namespace app
