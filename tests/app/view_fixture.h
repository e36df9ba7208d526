// A segment viewer filled by the test itself, as the split fills it: clean copies with a known
// pattern in FullSegments, shown copies of another colour (numbered) on the viewer.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/Globals.h"
#include "app/UFrmView.h"
#include "app/Ucompress.h"
#include "framework/graphics/Graphics.h"
#include "framework/ui/Seam.h"
#include "framework/ui/StdCtrls.h"

namespace viewtest {

// The clean pixel of segment (r, c) at (x, y): smooth, so that JPEG keeps it close.
inline gfx::TColor CleanPixel(int r, int c, int x, int y, int w, int h)
{
    const int red = w > 1 ? x * 255 / (w - 1) : 0;
    const int green = h > 1 ? y * 255 / (h - 1) : 0;
    const int blue = ((r - 1) * 7 + c) * 37 % 256;
    return gfx::TColor(red | (green << 8) | (blue << 16));
}
// Shown copies are this colour, with their number: output taken from them is caught.
constexpr gfx::TColor ShownColour = 0xFF00FF;

inline void FillBitmap(gfx::TBitmap& bmp, int r, int c)
{
    const int w = bmp.Width(), h = bmp.Height();
    for (int y = 0; y < h; ++y) {
        uint8_t* row = bmp.ScanLineW(y);
        for (int x = 0; x < w; ++x) {
            gfx::TColor v = CleanPixel(r, c, x, y, w, h);
            row[4 * x] = uint8_t(v >> 16);
            row[4 * x + 1] = uint8_t(v >> 8);
            row[4 * x + 2] = uint8_t(v);
            row[4 * x + 3] = 0;
        }
    }
}

// Largest difference of one channel between a bitmap and the clean segment (r, c).
inline int MaxDifference(const gfx::TBitmap& got, int r, int c)
{
    int worst = 0;
    for (int y = 0; y < got.Height(); ++y)
        for (int x = 0; x < got.Width(); ++x) {
            gfx::TColor a = got.GetPixel(x, y), b = CleanPixel(r, c, x, y, got.Width(), got.Height());
            for (int shift = 0; shift < 24; shift += 8)
                worst = std::max(worst, std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)));
        }
    return worst;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = rtl::TempFolder() + "/viewer-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        Folder = pattern;
        app::DataFolder = Folder;
        app::JpegQuality = app::DefaultJpegQuality;
    }

    void TearDown() override
    {
        FreeViewer();
        std::error_code ec;
        std::filesystem::remove_all(Folder, ec);
    }

    // A viewer of cols x rows segments of w x h, as a split leaves it: list filled, first entry
    // selected through ListBox1Click. With cols or rows 0 the viewer is empty.
    app::TFrmView& MakeViewer(int cols, int rows, int w, int h)
    {
        FreeViewer();
        Owner = std::make_unique<ui::TComponent>(nullptr);
        app::SplitCols = cols;
        app::SplitRows = rows;
        app::FrmView = new app::TFrmView(Owner.get());
        int n = 0;
        for (int r = 1; r <= rows; ++r)
            for (int c = 1; c <= cols; ++c) {
                ++n;
                auto* shown = new ui::TImage(Owner.get());
                shown->SetBounds(5 + (c - 1) * (w + 5), 147 + (r - 1) * (h + 5), w, h);
                shown->Canvas().Brush.Color = ShownColour;
                shown->Canvas().FillRect(gfx::Rect(0, 0, w, h));
                shown->Canvas().TextOut(1, 1, rtl::IntToStr(n));
                shown->SetParent(app::FrmView);
                app::ShownSegments(r, c) = shown;
                auto* full = new ui::TImage(Owner.get());
                full->SetBounds(0, 0, w, h);
                full->Canvas();
                FillBitmap(full->Picture().Bitmap(), r, c);
                app::FullSegments(r, c) = full;
                app::FrmView->ListBox1->Items().Add("Image #" + rtl::IntToStr(n));
            }
        app::FrmView->ListBox1->SetItemIndex(0);
        app::FrmView->ListBox1Click(app::FrmView->ListBox1);
        return *app::FrmView;
    }

    void FreeViewer()
    {
        delete app::FrmView;
        app::FrmView = nullptr;
        Owner.reset();
        app::ShownSegments.Reset();
        app::FullSegments.Reset();
    }

    // The quality dialog's answer while it is shown: move its bar, then "Ok".
    void AnswerQualityWith(int quality)
    {
        Seam.OnShowModal = [quality](ui::TForm& form) {
            auto* dialog = dynamic_cast<app::Tfrmcomp*>(&form);
            ASSERT_NE(dialog, nullptr);
            dialog->ScrollBar1->SetPosition(quality);
            dialog->Button1->Click();
        };
    }

    int QualityDialogShowings() const
    {
        return int(std::count(Seam.ModalShown.begin(), Seam.ModalShown.end(), "frmcomp"));
    }

    std::string File(const std::string& name) const { return Folder + "/" + name; }

    std::vector<std::string> FolderEntries(const std::string& folder) const
    {
        std::vector<std::string> names;
        for (auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    ui::ScriptedSeam Seam;
    std::string Folder;
    std::unique_ptr<ui::TComponent> Owner;
};

}  // namespace viewtest
