// The converter window with a picture chosen through the main window, its serving windows
// answered as a person would answer them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "first_harness.h"

#include "app/Converter.h"
#include "app/Uimgview.h"
#include "app/Uresults.h"
#include "app/Utype.h"

namespace convtest {

using rtl::String;

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Largest difference of one channel between two bitmaps of one size (INT_MAX when the sizes differ).
inline int MaxDifference(const gfx::TBitmap& a, const gfx::TBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height()) return INT32_MAX;
    int worst = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            const gfx::TColor p = a.GetPixel(x, y), q = b.GetPixel(x, y);
            for (int shift = 0; shift < 24; shift += 8)
                worst = std::max(worst, std::abs(int((p >> shift) & 255) - int((q >> shift) & 255)));
        }
    return worst;
}

// What a TIFF file says of its first image, as a reader sees it: width, height, bits per sample,
// samples per pixel and photometric interpretation (0 where a tag is missing or the file is none).
struct TiffFacts {
    uint32_t Width = 0, Height = 0, Bits = 0, Samples = 0, Photometric = 0;
    bool operator==(const TiffFacts&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const TiffFacts& f)
{
    return out << f.Width << " x " << f.Height << ", " << f.Samples << " x " << f.Bits << " bits, photometric "
               << f.Photometric;
}

// Reads the facts from the first directory of a little-endian TIFF file.
inline TiffFacts ReadTiffFacts(const std::string& path)
{
    const std::string b = ReadFile(path);
    auto u16 = [&](size_t at) { return at + 2 <= b.size() ? uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 : 0u; };
    auto u32 = [&](size_t at) { return at + 4 <= b.size() ? u16(at) | u16(at + 2) << 16 : 0u; };
    TiffFacts facts;
    if (b.size() < 8 || b.compare(0, 4, std::string("II*\0", 4)) != 0) return facts;
    const size_t ifd = u32(4);
    for (uint32_t e = 0, n = u16(ifd); e < n; ++e) {
        const size_t entry = ifd + 2 + 12 * size_t(e);
        const uint32_t tag = u16(entry), type = u16(entry + 2), count = u32(entry + 4);
        const uint32_t size = type == 3 ? 2 : 4;
        const size_t at = count * size <= 4 ? entry + 8 : u32(entry + 8);  // the first value
        const uint32_t value = type == 3 ? u16(at) : u32(at);
        if (tag == 256) facts.Width = value;
        if (tag == 257) facts.Height = value;
        if (tag == 258) facts.Bits = value;
        if (tag == 262) facts.Photometric = value;
        if (tag == 277) facts.Samples = value;
    }
    return facts;
}

class ConverterTest : public apptest::AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        Start();
        Seam->OnShowModal = [this](ui::TForm& form) { AnswerModal(form); };
    }

    app::TFrmadjust& W() { return *app::Frmadjust; }

    // Chooses a picture of the bitmap's pixels through "Select Image".
    void Choose(const gfx::TBitmap& bitmap, const String& name = "picture.bmp")
    {
        Select(SaveBmp(name, bitmap));
        ASSERT_EQ(app::BaseWidth, bitmap.Width());
        Seam->Dialogs.clear();
        Seam->ModalShown.clear();
    }

    // The preview's pixels as a bitmap.
    gfx::TBitmap Preview() { return app::PictureAsBitmap(W().Image1->Picture().Graphic()); }

    // "Save The Images/Thumbnails" with the chooser answering `type` and the save dialog `file`.
    void Save(app::TOutputType type, const std::optional<String>& file)
    {
        Type = type;
        Seam->Files.push_back(file);
        W().Cmdsave->Click();
    }

    std::vector<String> ResultLines() const
    {
        std::vector<String> lines;
        for (const String& line : app::Frmresults->ListBox1->Items()) lines.push_back(line);
        return lines;
    }

    String Out(const String& name) const { return Root + "/" + name; }

    // What the chooser, the quality window and the viewer are answered.
    app::TOutputType Type = app::TOutputType::Jpeg;
    std::optional<int> Quality;  // the quality window's bar is moved there
    std::optional<String> QualityText;  // the quality window's number is made to read this
    int ViewerShowings = 0;
    int ViewerTag = -1;
    int ViewerWidth = 0, ViewerHeight = 0;

private:
    void AnswerModal(ui::TForm& form)
    {
        if (&form == app::Frmtype) {
            app::TFrmtype& chooser = *app::Frmtype;
            switch (Type) {
            case app::TOutputType::Jpeg: chooser.RadJpeg->Click(); break;
            case app::TOutputType::Bitmap: chooser.RadBitmap->Click(); break;
            case app::TOutputType::Tiff: chooser.RadTif->Click(); break;
            case app::TOutputType::Metafile: chooser.RadMeta->Click(); break;
            case app::TOutputType::Cancel: chooser.BitBtn2->Click(); return;
            }
            chooser.BitBtn1->Click();
        } else if (&form == app::frmcomp) {
            if (Quality) app::frmcomp->ScrollBar1->SetPosition(*Quality);
            if (QualityText) app::frmcomp->Lblnumber->SetCaption(*QualityText);
            app::frmcomp->Button1->Click();
        } else if (&form == app::Frmimgview) {
            ++ViewerShowings;
            ViewerTag = form.Tag();
            ViewerWidth = app::Frmimgview->Image1->Width();
            ViewerHeight = app::Frmimgview->Image1->Height();
            form.Close();
        } else {
            form.Close();
        }
    }
};

}  // namespace convtest
