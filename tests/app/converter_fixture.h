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
