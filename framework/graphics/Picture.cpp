// TGraphic's file routines, TPicture and the registry of picture file formats.
#include <algorithm>
#include <mutex>

#include "framework/graphics/Graphics.h"

namespace gfx {

void RaiseCannotAssign(const String& sourceClass, const String& targetClass)
{
    throw rtl::EConvertError(rtl::Format("Cannot assign a %s to a %s", {sourceClass, targetClass}));
}

void TGraphic::Assign(const TGraphic& source) { RaiseCannotAssign(source.ClassName(), ClassName()); }

void TGraphic::LoadFromFile(const String& fileName)
{
    rtl::TFileStream stream(fileName, rtl::fmOpenRead | rtl::fmShareDenyNone);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const String& fileName)
{
    rtl::SaveFileSafely(fileName, [this](rtl::TStream& stream) { SaveToStream(stream); });
}

// ---- registry ------------------------------------------------------------------------------

namespace {

struct TFileFormat {
    String Extension;  // without its dot
    String Description;
    const TGraphicClass* Class;
};

struct TRegistry {
    std::mutex Lock;
    std::vector<TFileFormat> Formats;  // newest first
};

TRegistry& Registry()
{
    static TRegistry registry;
    return registry;
}

String WithoutDot(const String& ext) { return !ext.empty() && ext[0] == '.' ? ext.substr(1) : ext; }

}  // namespace

void TPicture::RegisterFileFormat(const String& ext, const String& description, const TGraphicClass& cls)
{
    TRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    r.Formats.insert(r.Formats.begin(), TFileFormat{WithoutDot(ext), description, &cls});
}

void TPicture::UnregisterGraphicClass(const TGraphicClass& cls)
{
    TRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    std::erase_if(r.Formats, [&](const TFileFormat& f) { return f.Class == &cls; });
}

const TGraphicClass* TPicture::FindClassForExtension(const String& ext)
{
    String key = WithoutDot(ext);
    TRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    for (const TFileFormat& f : r.Formats)
        if (rtl::SameText(f.Extension, key))
            return f.Class;
    return nullptr;
}

// ---- picture ---------------------------------------------------------------------------------

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::SetGraphic(const TGraphic* graphic)
{
    std::unique_ptr<TGraphic> copy(graphic ? graphic->Clone() : nullptr);
    FGraphic = std::move(copy);
    Changed();
}

void TPicture::SetGraphicOwned(std::unique_ptr<TGraphic> graphic)
{
    FGraphic = std::move(graphic);
    Changed();
}

int TPicture::Width() const { return FGraphic ? FGraphic->Width() : 0; }
int TPicture::Height() const { return FGraphic ? FGraphic->Height() : 0; }

void TPicture::Assign(const TPicture& other)
{
    if (&other != this)
        SetGraphic(other.Graphic());
}

TBitmap& TPicture::Bitmap()
{
    if (auto* b = dynamic_cast<TBitmap*>(FGraphic.get()))
        return *b;
    auto fresh = std::make_unique<TBitmap>();
    TBitmap& result = *fresh;
    FGraphic = std::move(fresh);
    Changed();
    return result;
}

void TPicture::LoadFromFile(const String& fileName)
{
    String ext = WithoutDot(rtl::ExtractFileExt(fileName));
    const TGraphicClass* cls = FindClassForExtension(ext);
    if (!cls)
        throw rtl::EInvalidGraphic(rtl::Format("Unknown picture file extension (.%s)", {ext}));
    std::unique_ptr<TGraphic> graphic(cls->Create());
    graphic->LoadFromFile(fileName);  // the picture changes only when this succeeds
    FGraphic = std::move(graphic);
    Changed();
}

void TPicture::SaveToFile(const String& fileName)
{
    if (FGraphic)
        FGraphic->SaveToFile(fileName);
}

void TPicture::Changed()
{
    if (OnChange)
        OnChange(OnChangeContext);
}

}  // namespace gfx
