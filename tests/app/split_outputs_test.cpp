// Every output of a split, byte for byte: the files that save all writes as JPEG, PNG and bitmap,
// the clipboard's bitmap, the printed pixels and the paint program's file, for splits of pictures
// of several formats and shapes. The digests were taken from the program before its segments
// shared the picture's pixels; they must never change.
#include "tests/app/first_harness.h"

#include <sys/stat.h>

#include <cstdio>
#include <map>

#include "framework/graphics/Png.h"

namespace apptest {
namespace {

uint64_t Fnv(uint64_t h, const void* data, size_t n)
{
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001b3ull;
    return h;
}

constexpr uint64_t kFnvStart = 0xcbf29ce484222325ull;

uint64_t FileDigest(const String& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(bytes.empty()) << path;
    return Fnv(kFnvStart, bytes.data(), bytes.size());
}

// Size, format, palette and the pixel bytes of every row (row padding left out).
uint64_t BitmapDigest(const gfx::TBitmap& b)
{
    int head[3] = {b.Width(), b.Height(), int(b.PixelFormat())};
    uint64_t h = Fnv(kFnvStart, head, sizeof head);
    for (const gfx::TRGBQuad& q : b.Palette()) h = Fnv(h, &q, sizeof q);
    const size_t rowBytes = (size_t(b.Width()) * size_t(b.BitCount()) + 7) / 8;
    for (int y = 0; y < b.Height(); ++y) h = Fnv(h, b.ScanLine(y), rowBytes);
    return h;
}

struct OutputCase {
    const char* Name;
    const char* File;  // the picture chosen, made by MakePicture
    bool Pixels;       // size mode, else count mode
    int Across, Down;
    bool NoNumbers;
    int Copied;        // the segment copied, printed and opened in paint
};

class SplitOutputs : public AppTest, public ::testing::WithParamInterface<OutputCase> {
protected:
    String MakePicture(const String& name)
    {
        if (name == "photo.jpg") return SaveJpeg(name, SmoothBitmap(301, 203), 90);
        if (name == "pattern.bmp") return SaveBmp(name, PatternBitmap(250, 170));
        if (name == "wide.bmp") return SaveBmp(name, PatternBitmap(481, 133, gfx::TPixelFormat::pf32bit));
        if (name == "indexed.bmp") {
            gfx::TBitmap b = PatternBitmap(64, 48);
            b.SetPixelFormat(gfx::TPixelFormat::pf8bit);
            return SaveBmp(name, b);
        }
        gfx::TPngImage png;
        png.Assign(PatternBitmap(97, 61));
        String path = Pictures + "/" + name;
        png.SaveToFile(path);
        return path;
    }

    // Digest of every output, by a name that says which.
    std::map<std::string, uint64_t> Outputs(const OutputCase& k)
    {
        std::map<std::string, uint64_t> got;
        const String windows = Root + "/win";
        fs::create_directories(windows);
        WriteBytes(windows + "/kolourpaint", "#!/bin/sh\n");
        chmod((windows + "/kolourpaint").c_str(), 0755);
        Seam->WindowsDir = windows;
        Start();
        Select(MakePicture(k.File));
        EXPECT_TRUE(Seam->Messages.empty());
        if (k.Pixels) app::FrmFirst->RadPixel->Click();
        else app::FrmFirst->RadNum->Click();
        app::FrmFirst->SpinW->SetValue(k.Across);
        app::FrmFirst->SpinH->SetValue(k.Down);
        app::FrmFirst->ChkShowNum->SetChecked(k.NoNumbers);
        const String saved = Root + "/saved";
        fs::create_directory(saved);
        Seam->OnShowModal = [&](ui::TForm& form) {
            auto* view = dynamic_cast<app::TFrmView*>(&form);
            if (!view) {  // the quality dialog: its default
                form.Close();
                return;
            }
            for (const char* ext : {".jpg", ".png", ".bmp"}) {
                Seam->Files.push_back(saved + "/seg" + ext);
                view->CmdSaveAll->Click();
            }
            view->ListBox1->ClickItem(k.Copied - 1);
            view->CmdCopy->Click();
            view->CmdPrint->Click();
            view->CmdPaint->Click();
            view->Close();
        };
        app::FrmFirst->CmdSplit->Click();
        Seam->OnShowModal = nullptr;
        const int count = app::SplitCols * app::SplitRows;
        EXPECT_GT(count, 0);
        // The files of one kind, folded in the order of their numbers.
        for (const char* ext : {".jpg", ".png", ".bmp"}) {
            uint64_t h = kFnvStart;
            for (int n = 1; n <= count; ++n) {
                const uint64_t file = FileDigest(saved + "/seg" + std::to_string(n) + ext);
                h = Fnv(h, &file, sizeof file);
            }
            got[std::string("save all ") + ext] = h;
        }
        EXPECT_EQ(Seam->Clipboard.size(), 1u);
        if (!Seam->Clipboard.empty()) got["clipboard"] = BitmapDigest(Seam->Clipboard.back());
        EXPECT_EQ(Seam->Recorder.Draws.size(), 1u);
        if (!Seam->Recorder.Draws.empty()) got["printed"] = BitmapDigest(Seam->Recorder.Draws.back().Pixels);
        got["paint"] = FileDigest(app::DataFolder + "/tempbitm.bmp");
        return got;
    }
};

// The digests of one split's outputs, by name; empty for a split not in the table.
const std::map<std::string, uint64_t>& Reference(const std::string& split);

TEST_P(SplitOutputs, AreTheSameByteForByte)
{
    const OutputCase& k = GetParam();
    const std::map<std::string, uint64_t> got = Outputs(k);
    const std::map<std::string, uint64_t>& want = Reference(k.Name);
    if (want.empty()) {  // prints the table for a new case
        for (auto& [name, digest] : got) std::printf("        {\"%s\", 0x%016llxull},\n", name.c_str(), (unsigned long long)digest);
        ADD_FAILURE() << "no reference for " << k.Name;
        return;
    }
    EXPECT_EQ(got.size(), want.size());
    for (auto& [name, digest] : want) {
        auto it = got.find(name);
        ASSERT_NE(it, got.end()) << name;
        EXPECT_EQ(it->second, digest) << k.Name << ": " << name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Splits, SplitOutputs,
    ::testing::Values(OutputCase{"jpeg_4x4", "photo.jpg", false, 4, 4, false, 6},
                      OutputCase{"bmp24_size35", "pattern.bmp", true, 35, 35, false, 35},
                      OutputCase{"bmp32_7x3_plain", "wide.bmp", false, 7, 3, true, 21},
                      OutputCase{"bmp8_16x12", "indexed.bmp", false, 16, 12, false, 192},
                      OutputCase{"png_3x2", "pattern.png", false, 3, 2, false, 1}),
    [](const ::testing::TestParamInfo<OutputCase>& info) { return std::string(info.param.Name); });

const std::map<std::string, uint64_t>& Reference(const std::string& split)
{
    static const std::map<std::string, std::map<std::string, uint64_t>> table = {
        {"jpeg_4x4",
         {
            {"clipboard", 0x439bb4664bb9067bull},
            {"paint", 0xfedf9cb583f0e42full},
            {"printed", 0x9c401ce5f03e4847ull},
            {"save all .bmp", 0xdaea5bd96af6b364ull},
            {"save all .jpg", 0xecb1556c50de02cbull},
            {"save all .png", 0xaed57fe9ffb2583dull},
         }},
        {"bmp24_size35",
         {
            {"clipboard", 0x5a47c6d878ebe108ull},
            {"paint", 0xb923b3287bdc7438ull},
            {"printed", 0x5a47c6d878ebe108ull},
            {"save all .bmp", 0xdd1e7062fa532de2ull},
            {"save all .jpg", 0x216385a94a791b53ull},
            {"save all .png", 0x8e45f5ad18cdae91ull},
         }},
        {"bmp32_7x3_plain",
         {
            {"clipboard", 0x26590fb652a18835ull},
            {"paint", 0x4cca8c540e37958dull},
            {"printed", 0x26590fb652a18835ull},
            {"save all .bmp", 0x96a634aeef49af0aull},
            {"save all .jpg", 0x70926faaae417400ull},
            {"save all .png", 0x2c6dc473ec1e6a8aull},
         }},
        {"bmp8_16x12",
         {
            {"clipboard", 0x6aea94e05b46afb9ull},
            {"paint", 0xf058beef9b7655e5ull},
            {"printed", 0x6aea94e05b46afb9ull},
            {"save all .bmp", 0x6d627879ab145bb0ull},
            {"save all .jpg", 0x62ff27da6876cb62ull},
            {"save all .png", 0xe9beebf93baec11dull},
         }},
        {"png_3x2",
         {
            {"clipboard", 0x4d486a400b0e229bull},
            {"paint", 0x7d186b68e165887full},
            {"printed", 0x58b21a8ede16363bull},
            {"save all .bmp", 0xe68fbdaf534b5bcbull},
            {"save all .jpg", 0x421a37aef595d5c9ull},
            {"save all .png", 0x6713dd8e24d781c0ull},
         }},

    };
    static const std::map<std::string, uint64_t> none;
    auto it = table.find(split);
    return it == table.end() ? none : it->second;
}

}  // namespace
}  // namespace apptest
