// The program's auto-created windows, made afresh for each test in a home folder of its own,
// driven through the scripted seam; and picture files made by the test.
#pragma once

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "app/Globals.h"
#include "app/Project.h"
#include "app/UFrmView.h"
#include "app/Uadjust.h"
#include "app/Ucompress.h"
#include "app/Ufirst.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Jpeg.h"
#include "framework/rtl/IniFiles.h"
#include "framework/ui/Application.h"
#include "framework/ui/Seam.h"

namespace apptest {

namespace fs = std::filesystem;
using rtl::String;

// A recognisable colour for every pixel: the segment tests compare against it.
inline gfx::TColor PatternPixel(int x, int y)
{
    return gfx::RGB(uint8_t(x * 7 + y), uint8_t(y * 5 + (x >> 3)), uint8_t((x ^ y) * 3));
}

inline gfx::TBitmap PatternBitmap(int w, int h, gfx::TPixelFormat pf = gfx::TPixelFormat::pf24bit)
{
    gfx::TBitmap b(w, h, pf);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.SetPixel(x, y, PatternPixel(x, y));
    return b;
}

// A smooth picture, for JPEG files.
inline gfx::TBitmap SmoothBitmap(int w, int h)
{
    gfx::TBitmap b(w, h, gfx::TPixelFormat::pf24bit);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, gfx::RGB(uint8_t(x * 255 / std::max(1, w - 1)), uint8_t(y * 255 / std::max(1, h - 1)), 96));
    return b;
}

inline void WriteBytes(const String& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

class AppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "quadrell-app-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        Root = pattern;
        Home = Root + "/home";
        fs::create_directory(Home);
        Pictures = Root + "/pictures";
        fs::create_directory(Pictures);
        SaveEnv("HOME");
        SaveEnv("XDG_CONFIG_HOME");
        SaveEnv("TMPDIR");
        SaveEnv("XDG_RUNTIME_DIR");
        setenv("HOME", Home.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_RUNTIME_DIR");
        setenv("TMPDIR", Root.c_str(), 1);
        app::InitUnits();
        ResetProgramState();
        // A run without a main window returns at once and leaves the application not terminated,
        // as a fresh process starts.
        ui::Application().SetMainForm(nullptr);
        ui::Application().Run();
    }

    void TearDown() override
    {
        FreeWindows();
        Seam.reset();
        for (auto& [name, value] : FSavedEnv) {
            if (value) setenv(name.c_str(), value->c_str(), 1);
            else unsetenv(name.c_str());
        }
        std::error_code ec;
        fs::permissions(Root, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(Root, ec);
    }

    // The start-up: the auto-created windows, as the program makes them.
    void Start()
    {
        if (!Seam) Seam = std::make_unique<ui::ScriptedSeam>();
        app::CreateAutoForms();
        ASSERT_NE(app::FrmFirst, nullptr);
        ASSERT_NE(app::Frmadjust, nullptr);
    }

    void FreeWindows()
    {
        ui::ProcessMessages();  // windows released meanwhile
        delete app::frmcomp;
        app::frmcomp = nullptr;
        delete app::Frmadjust;
        app::Frmadjust = nullptr;
        delete app::FrmFirst;
        app::FrmFirst = nullptr;
        ui::Application().SetMainForm(nullptr);
    }

    // The state a fresh process starts with.
    static void ResetProgramState()
    {
        app::SourceImagePath.clear();
        app::ImageSelected = false;
        app::SourceWidth = app::SourceHeight = 0;
        app::SplitCols = app::SplitRows = 0;
        app::BaseWidth = app::BaseHeight = 0;
        app::DataFolder.clear();
        app::SettingsIniPath.clear();
        app::HistoryIniPath.clear();
        app::WindowsDir.clear();
    }

    // What a person does: "Select Image", answering the open dialog with name (or cancelling).
    void Select(const std::optional<String>& name)
    {
        Seam->Files.push_back(name);
        app::FrmFirst->Cmdimage->Click();
    }

    String SaveBmp(const String& name, const gfx::TBitmap& bitmap)
    {
        String path = Pictures + "/" + name;
        gfx::TBitmap copy(bitmap);
        copy.SaveToFile(path);
        return path;
    }

    String SaveJpeg(const String& name, const gfx::TBitmap& bitmap, int quality = 90)
    {
        String path = Pictures + "/" + name;
        gfx::TJPEGImage jpeg;
        jpeg.Assign(bitmap);
        jpeg.SetCompressionQuality(quality);
        jpeg.SaveToFile(path);
        return path;
    }

    ui::TImage& Hidden() { return *app::Frmadjust->ImageHidden; }
    ui::TImage& Saved() { return *app::Frmadjust->ImageSave; }
    ui::TImage& Thumb() { return *app::FrmFirst->Image1; }

    std::vector<String> Texts() const { return Seam->Texts(); }

    std::unique_ptr<ui::ScriptedSeam> Seam = std::make_unique<ui::ScriptedSeam>();
    String Root, Home, Pictures;

private:
    void SaveEnv(const std::string& name)
    {
        const char* v = getenv(name.c_str());
        FSavedEnv.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> FSavedEnv;
};

}  // namespace apptest
