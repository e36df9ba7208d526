// Registration of the codecs' formats, and loading each kind of file through TPicture.
#include <gtest/gtest.h>

#include "framework/graphics/Formats.h"
#include "framework/graphics/Icon.h"
#include "framework/graphics/Jpeg.h"
#include "framework/graphics/Metafile.h"
#include "framework/graphics/Png.h"
#include "framework/graphics/Wic.h"
#include "tests/graphics/formats_support.h"

using namespace gfx;
using namespace codectest;

namespace {

class PictureFormats : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterBuiltInPictureFormats();
        RegisterJpegFormat();
        RegisterPngFormat();
    }
    void TearDown() override
    {
        for (const TGraphicClass* cls : {&TBitmap::StaticClass(), &TIcon::StaticClass(), &TMetafile::StaticClass(),
                                         &TWICImage::StaticClass(), &TJPEGImage::StaticClass(), &TPngImage::StaticClass()})
            TPicture::UnregisterGraphicClass(*cls);
    }
};

}  // namespace

TEST_F(PictureFormats, EveryExtensionFindsItsClassInAnyCase)
{
    struct Case {
        const char* ext;
        const TGraphicClass& cls;
    };
    const Case cases[] = {{"bmp", TBitmap::StaticClass()},     {"ICO", TIcon::StaticClass()},
                          {"wmf", TMetafile::StaticClass()},   {"Emf", TMetafile::StaticClass()},
                          {"tif", TWICImage::StaticClass()},   {"TIFF", TWICImage::StaticClass()},
                          {"jpeg", TJPEGImage::StaticClass()}, {"JPG", TJPEGImage::StaticClass()},
                          {"png", TPngImage::StaticClass()},   {"PNG", TPngImage::StaticClass()}};
    for (const Case& c : cases) EXPECT_EQ(TPicture::FindClassForExtension(c.ext), &c.cls) << c.ext;
    EXPECT_EQ(TPicture::FindClassForExtension("gif"), nullptr);
}

TEST_F(PictureFormats, ClassNamesAndFactories)
{
    for (const TGraphicClass* cls : {&TIcon::StaticClass(), &TMetafile::StaticClass(), &TWICImage::StaticClass(),
                                     &TJPEGImage::StaticClass(), &TPngImage::StaticClass()}) {
        std::unique_ptr<TGraphic> g(cls->Create());
        EXPECT_EQ(&g->ClassType(), cls);
        EXPECT_EQ(g->ClassName(), cls->Name);
        EXPECT_TRUE(g->Empty());
    }
    EXPECT_STREQ(TJPEGImage::StaticClass().Name, "TJPEGImage");
    EXPECT_STREQ(TPngImage::StaticClass().Name, "TPngImage");
    EXPECT_STREQ(TWICImage::StaticClass().Name, "TWICImage");
}

// Files written by the codecs themselves, loaded by extension.
TEST_F(PictureFormats, PictureLoadsEachKindByItsExtension)
{
    TempFolder dir;
    TBitmap source = Pattern(30, 20);
    auto save = [&](TGraphic& g, const std::string& name) {
        g.SaveToFile(dir / name);
        return dir / name;
    };
    TJPEGImage jpeg;
    jpeg.Assign(source);
    TPngImage png;
    png.Assign(source);
    TWICImage tiff;
    tiff.Assign(source);
    TMetafile meta;
    meta.RecordBitmap(source);
    struct Case {
        std::string file;
        const char* className;
    };
    const Case cases[] = {{save(jpeg, "a.JPG"), "TJPEGImage"},
                          {save(png, "a.png"), "TPngImage"},
                          {save(tiff, "a.tiff"), "TWICImage"},
                          {save(meta, "a.emf"), "TMetafile"}};
    for (const Case& c : cases) {
        TPicture picture;
        picture.LoadFromFile(c.file);
        ASSERT_NE(picture.Graphic(), nullptr) << c.file;
        EXPECT_EQ(picture.Graphic()->ClassName(), c.className);
        EXPECT_EQ(picture.Width(), 30);
        EXPECT_EQ(picture.Height(), 20);
        // Every kind but the metafile converts to a bitmap of the same size.
        TBitmap b;
        if (std::string(c.className) == "TMetafile") {
            EXPECT_THROW(b.Assign(*picture.Graphic()), rtl::Exception);
        } else {
            b.Assign(*picture.Graphic());
            EXPECT_EQ(b.Width(), 30);
            EXPECT_EQ(b.Height(), 20);
        }
    }
}

TEST_F(PictureFormats, DamagedFileKeepsThePreviousPicture)
{
    TempFolder dir;
    TPngImage png;
    png.Assign(Pattern(12, 9));
    png.SaveToFile(dir / "good.png");
    WriteFile(dir / "bad.jpg", Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0, 2});
    TPicture picture;
    picture.LoadFromFile(dir / "good.png");
    EXPECT_THROW(picture.LoadFromFile(dir / "bad.jpg"), EJPEG);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Graphic()->ClassName(), "TPngImage");
    EXPECT_EQ(picture.Width(), 12);
}
