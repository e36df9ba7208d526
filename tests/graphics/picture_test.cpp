// TPicture and the registry of picture file formats.
#include <gtest/gtest.h>

#include "tests/graphics/bitmap_fixtures.h"

using namespace gfxtest;
using gfx::TPicture;

namespace {

// Bitmap classes of this test only, so that the registry's other users are left alone.
template <int N>
class TTestBitmap : public TBitmap {
public:
    static const gfx::TGraphicClass& StaticClass()
    {
        static const std::string name = "TTestBitmap" + std::to_string(N);
        static const gfx::TGraphicClass cls{name.c_str(), []() -> gfx::TGraphic* { return new TTestBitmap<N>; }};
        return cls;
    }
    const gfx::TGraphicClass& ClassType() const override { return StaticClass(); }
};

// A graphic that is not a bitmap.
class TOther : public gfx::TGraphic {
public:
    static const gfx::TGraphicClass& StaticClass()
    {
        static const gfx::TGraphicClass cls{"TOther", []() -> gfx::TGraphic* { return new TOther; }};
        return cls;
    }
    const gfx::TGraphicClass& ClassType() const override { return StaticClass(); }
    int Width() const override { return 4; }
    int Height() const override { return 3; }
    void LoadFromStream(rtl::TStream&) override {}
    void SaveToStream(rtl::TStream&) override {}
    gfx::TGraphic* Clone() const override { return new TOther; }
    void Draw(gfx::TCanvas&, const gfx::TRect&) const override {}
    bool ToBitmap(TBitmap&) const override { return false; }
};

class PictureTest : public testing::Test {
protected:
    void TearDown() override
    {
        TPicture::UnregisterGraphicClass(TTestBitmap<1>::StaticClass());
        TPicture::UnregisterGraphicClass(TTestBitmap<2>::StaticClass());
        TPicture::UnregisterGraphicClass(TOther::StaticClass());
    }
    std::string Dir = TestFolder("picture");
};

std::string WriteBmp(const std::string& path, TBitmap b)
{
    b.SaveToFile(path);
    return path;
}

}  // namespace

TEST_F(PictureTest, LookupIgnoresCaseAndTakesTheNewestRegistration)
{
    EXPECT_EQ(TPicture::FindClassForExtension("qtbmp"), nullptr);
    TPicture::RegisterFileFormat("qtbmp", "Test bitmap", TTestBitmap<1>::StaticClass());
    for (const char* ext : {"qtbmp", "QTBMP", "QtBmp", ".qtbmp"})
        EXPECT_EQ(TPicture::FindClassForExtension(ext), &TTestBitmap<1>::StaticClass()) << ext;
    TPicture::RegisterFileFormat("QTBMP", "Newer", TTestBitmap<2>::StaticClass());
    EXPECT_EQ(TPicture::FindClassForExtension("qtbmp"), &TTestBitmap<2>::StaticClass());
    TPicture::UnregisterGraphicClass(TTestBitmap<2>::StaticClass());
    EXPECT_EQ(TPicture::FindClassForExtension("qtbmp"), &TTestBitmap<1>::StaticClass());
    EXPECT_EQ(TPicture::FindClassForExtension("qtbm"), nullptr);
}

TEST_F(PictureTest, LoadFromFilePicksTheClassByExtension)
{
    TPicture::RegisterFileFormat("qtbmp", "Test bitmap", TTestBitmap<1>::StaticClass());
    TBitmap original = Patterned(5, 4, TPixelFormat::pf24bit);
    std::string path = WriteBmp(Dir + "/sun.QTBmp", original);
    TPicture p;
    int changes = 0;
    p.OnChange = [](void* c) { ++*static_cast<int*>(c); };
    p.OnChangeContext = &changes;
    p.LoadFromFile(path);
    ASSERT_NE(p.Graphic(), nullptr);
    EXPECT_EQ(p.Graphic()->ClassName(), "TTestBitmap1");
    EXPECT_EQ(p.Width(), 5);
    EXPECT_EQ(p.Height(), 4);
    EXPECT_EQ(changes, 1);
    ExpectSamePixels(p.Bitmap(), original);
}

TEST_F(PictureTest, UnknownExtensionAndFailedLoadsKeepThePicture)
{
    TPicture::RegisterFileFormat("qtbmp", "Test bitmap", TTestBitmap<1>::StaticClass());
    TPicture p;
    p.SetGraphic(&static_cast<const TBitmap&>(Patterned(3, 3, TPixelFormat::pf24bit)));
    const gfx::TGraphic* before = p.Graphic();

    struct Case {
        std::string File;
        std::string Message;
    } cases[] = {
        {Dir + "/notes.txt", "Unknown picture file extension (.txt)"},
        {Dir + "/noext", "Unknown picture file extension (.)"},
        {Dir + "/damaged.qtbmp", "Bitmap image is not valid"},
        {Dir + "/missing.qtbmp", ""},  // the stream's own error
    };
    rtl::TMemoryStream junk;
    junk.WriteBuffer("BMjunk", 6);
    junk.SaveToFile(Dir + "/notes.txt");
    junk.SaveToFile(Dir + "/damaged.qtbmp");
    for (const Case& c : cases) {
        try {
            p.LoadFromFile(c.File);
            ADD_FAILURE() << c.File << " loaded";
        } catch (const rtl::Exception& e) {
            if (!c.Message.empty()) {
                EXPECT_EQ(e.Message(), c.Message);
            }
        }
        EXPECT_EQ(p.Graphic(), before) << c.File;
        EXPECT_EQ(p.Width(), 3);
    }
}

TEST_F(PictureTest, EmptyPictureAndTheBitmapView)
{
    TPicture p;
    EXPECT_EQ(p.Graphic(), nullptr);
    EXPECT_EQ(p.Width(), 0);
    EXPECT_EQ(p.Height(), 0);
    TBitmap& b = p.Bitmap();
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(&p.Bitmap(), &b);

    TOther other;
    p.SetGraphic(&other);
    EXPECT_EQ(p.Width(), 4);
    TBitmap& fresh = p.Bitmap();  // another class becomes a new empty bitmap
    EXPECT_TRUE(fresh.Empty());
    EXPECT_EQ(p.Graphic()->ClassName(), "TBitmap");

    TTestBitmap<1> derived;
    derived.SetSize(2, 2);
    p.SetGraphic(&derived);
    EXPECT_EQ(p.Bitmap().Width(), 2);  // a bitmap class is handed over as it is
    p.Clear();
    EXPECT_EQ(p.Graphic(), nullptr);
}

TEST_F(PictureTest, AssignCopiesTheGraphic)
{
    TPicture a, b;
    a.SetGraphic(&static_cast<const TBitmap&>(Patterned(3, 2, TPixelFormat::pf8bit)));
    b.Assign(a);
    ASSERT_NE(b.Graphic(), nullptr);
    EXPECT_NE(b.Graphic(), a.Graphic());
    ExpectSamePixels(dynamic_cast<TBitmap&>(*b.Graphic()), dynamic_cast<TBitmap&>(*a.Graphic()));
    b.Bitmap().SetPixel(0, 0, gfx::clBlack);
    EXPECT_NE(a.Bitmap().GetPixel(0, 0), gfx::clBlack);

    std::string path = Dir + "/saved.bmp";
    a.SaveToFile(path);
    TBitmap back;
    back.LoadFromFile(path);
    ExpectSamePixels(back, a.Bitmap());
}
