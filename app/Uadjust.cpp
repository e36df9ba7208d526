#include "app/Uadjust.h"

#include "app/Ufirst.h"
#include "forms/FrmadjustLayout.h"
#include "gif/GifUnit.h"
#include "tiff/ReadTiff.h"

#include <vector>

namespace app {

int32_t BaseWidth = 0;
int32_t BaseHeight = 0;
bool ExactSizeMode = false;
String ProgramFolder;
bool FolderMode = false;
String ConverterImagePath;

TFrmadjust* Frmadjust = nullptr;

TFrmadjust::TFrmadjust(ui::TComponent* owner) : ui::TForm(owner)
{
    forms::ApplyDesign(*this, forms::FrmadjustLayout());
    Bind(GroupBox1, "GroupBox1");
    Bind(Image1, "Image1");
    Bind(LblOldWidth, "LblOldWidth");
    Bind(LblOldHeight, "LblOldHeight");
    Bind(Label3, "Label3");
    Bind(Label4, "Label4");
    Bind(LblNewWidth, "LblNewWidth");
    Bind(LblNewHeight, "LblNewHeight");
    Bind(Label7, "Label7");
    Bind(Lblpercent, "Lblpercent");
    Bind(Label9, "Label9");
    Bind(Label10, "Label10");
    Bind(ScrollBar1, "ScrollBar1");
    Bind(ImageHidden, "ImageHidden");
    Bind(Lbldetails, "Lbldetails");
    Bind(Lblname, "Lblname");
    Bind(Lblsize, "Lblsize");
    Bind(LblImageName, "LblImageName");
    Bind(Lbltitle, "Lbltitle");
    Bind(Imagejpeg, "Imagejpeg");
    Bind(ImageSave, "ImageSave");
    OnCreate = [this](ui::TObject* s) { FormCreate(s); };
    DoCreate();
}

void TFrmadjust::FormCreate(ui::TObject*)
{
    ExactSizeMode = false;
    ScrollBar1->SetPosition(100);
    ProgramFolder = rtl::ExecutableFolder();
    int width = ReadFormWidth("Frmadjust");
    if (width != 0) SetWidth(width);
    int height = ReadFormHeight("Frmadjust");
    if (height != 0) SetHeight(height);
}

String CollapseDelimiters(const String& path)
{
    String result;
    result.reserve(path.size());
    for (char ch : path)
        if (!(ch == '/' && !result.empty() && result.back() == '/')) result += ch;
    return result;
}

String UpperExtension(const String& path) { return rtl::UpperCase(rtl::ExtractFileExt(path)); }

namespace {

// The framework's route: the file is decoded once and every holder gets its own copy, which
// shares the decoded pixels until one of them is drawn on.
void LoadThroughRegistry(TFrmadjust& holder, const String& file, bool previewOnly, bool intoSaveHolder)
{
    gfx::TPicture loaded;
    loaded.LoadFromFile(file);
    holder.ImageHidden->Picture().Assign(loaded);
    if (!previewOnly) holder.Image1->Picture().Assign(loaded);
    if (intoSaveHolder) holder.ImageSave->Picture().Assign(loaded);
}

// The GIF codec's route: one document of this load's own, its first image as a bitmap whose copies
// go to the holders. The holders change only once the whole file has been decoded.
void LoadThroughGifCodec(TFrmadjust& holder, const String& file, bool previewOnly, bool intoSaveHolder)
{
    auto document = std::make_unique<gif::TGifFile>();
    holder.GifFile = document.get();
    std::unique_ptr<gfx::TBitmap> bitmap;
    try {
        document->LoadFromFile(file);
        bitmap = document->AsBitmap();
    } catch (...) {
        holder.GifFile = nullptr;
        throw;
    }
    holder.ImageHidden->Picture().SetGraphic(bitmap.get());
    if (!previewOnly) holder.Image1->Picture().SetGraphic(bitmap.get());
    if (intoSaveHolder) holder.ImageSave->Picture().SetGraphic(bitmap.get());
    holder.GifFile = nullptr;
    document.reset();
    bitmap.reset();
}

// The TIFF codec's route: the file is decoded once; each holder (Image1, ImageSave, ImageHidden,
// in that order) sees the reader's messages and then gets its own copy of the picture, which
// shares the pixels until one of them is drawn on. A holder the reader left alone keeps its
// picture. When the reader raises, only the first holder has been filled, and only when the reader
// had got as far as a message or a picture (a file that cannot be opened changes nothing).
void LoadThroughTiffCodec(TFrmadjust& holder, const String& file, bool previewOnly, bool intoSaveHolder)
{
    std::vector<ui::TImage*> holders;
    if (!previewOnly) holders.push_back(holder.Image1);
    if (intoSaveHolder) holders.push_back(holder.ImageSave);
    holders.push_back(holder.ImageHidden);
    gfx::TBitmap picture;
    tif::TTiffRead read;
    auto fill = [&](ui::TImage* image) {
        tif::ShowProblems(read);
        gfx::TBitmap& bitmap = image->Picture().Bitmap();
        if (read.Changed) bitmap = picture;
        image->Invalidate();
    };
    try {
        tif::DecodeTiffFile(file, picture, read);
    } catch (...) {
        if (read.Changed || !read.Problems.empty()) fill(holders.front());
        throw;
    }
    for (ui::TImage* image : holders) fill(image);
}

void PrepareConverter(TFrmadjust& holder)
{
    holder.ScrollBar1->SetPosition(100);
    const gfx::TPicture& picture = holder.ImageHidden->Picture();
    int width = picture.Width(), height = picture.Height();
    holder.LblOldWidth->SetCaption("Original Width: " + rtl::IntToStr(width));
    holder.LblOldHeight->SetCaption("Original Height: " + rtl::IntToStr(height));
    BaseWidth = width;
    BaseHeight = height;
    holder.LblNewWidth->SetCaption(rtl::IntToStr(width));
    holder.LblNewHeight->SetCaption(rtl::IntToStr(height));
}

}  // namespace

void LoadImageIntoHolders(const String& path, bool previewOnly, bool intoSaveHolder)
{
    TFrmadjust& holder = *Frmadjust;
    String file = CollapseDelimiters(path);
    String ext = UpperExtension(file);
    if (ext == ".GIF") LoadThroughGifCodec(holder, file, previewOnly, intoSaveHolder);
    else if (ext == ".TIF") LoadThroughTiffCodec(holder, file, previewOnly, intoSaveHolder);
    else LoadThroughRegistry(holder, file, previewOnly, intoSaveHolder);
    if (!previewOnly) PrepareConverter(holder);
}

void FitMainThumbnail()
{
    ui::TImage* thumb = FrmFirst->Image1;
    thumb->Picture().Clear();
    const gfx::TPicture& picture = Frmadjust->ImageSave->Picture();
    int w = picture.Width(), h = picture.Height();
    thumb->SetWidth(110);
    thumb->SetHeight(78);
    if (w >= h) {
        if (110 >= w) return;
        float ratio = float(w) / float(h);
        thumb->SetWidth(int(rtl::Round(78.0 * double(ratio))));
    } else {
        if (78 >= h) return;
        float ratio = float(h) / float(w);
        thumb->SetWidth(int(rtl::Round(78.0 / double(ratio))));
    }
}

}  // namespace app
