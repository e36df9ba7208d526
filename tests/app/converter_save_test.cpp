// The converter's save command in the four types, its questions and status lines; the size
// calculator; the files as this program and other tools read them.
#include <cstdio>
#include <sstream>

#include "converter_fixture.h"
#include "save_codecs.h"

#include "framework/graphics/Metafile.h"
#include "tiff/ReadTiff.h"

namespace {

using app::TOutputType;
using convtest::ConverterTest;
using rtl::String;

uint32_t Le32(const std::string& b, size_t at)
{
    return uint8_t(b[at]) | uint8_t(b[at + 1]) << 8 | uint8_t(b[at + 2]) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}

// Reads a file back with this program's own readers.
gfx::TBitmap ReadBack(const std::string& path, TOutputType type)
{
    gfx::TBitmap got;
    switch (type) {
    case TOutputType::Jpeg: savetest::ReadJpeg(path, got); break;
    case TOutputType::Bitmap: got.LoadFromFile(path); break;
    case TOutputType::Tiff: tif::ReadTiffFile(path, got); break;
    case TOutputType::Metafile: {
        gfx::TMetafile meta;
        meta.LoadFromFile(path);
        got = app::PictureAsBitmap(&meta);
        break;
    }
    case TOutputType::Cancel: break;
    }
    return got;
}

std::string Quote(const std::string& path) { return "'" + path + "'"; }

std::string RunTool(const std::string& command)
{
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>&1").c_str(), "r"), pclose);
    if (!pipe) return out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
    return out;
}

bool Have(const std::string& program) { return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0; }

struct TypeCase {
    TOutputType type;
    const char* chosen;   // the name given to the save dialog
    const char* written;  // the file that appears
    const char* ext;      // the dialog's set-up
    const char* filter;
    int tolerance;        // JPEG is lossy
};

class SaveType : public ConverterTest, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(SaveType, WritesThePreviewUnderTheChosenName)
{
    const TypeCase k = GetParam();
    Choose(apptest::SmoothBitmap(90, 60));
    W().ScrollBar1->SetPosition(50);
    const gfx::TBitmap preview = Preview();
    Save(k.type, Out(k.chosen));

    ASSERT_EQ(Seam->Dialogs.size(), 1u);
    EXPECT_TRUE(Seam->Dialogs[0].Save);
    EXPECT_EQ(Seam->Dialogs[0].DefaultExt, k.ext);
    EXPECT_EQ(Seam->Dialogs[0].FileName, "*." + std::string(k.ext));
    EXPECT_EQ(Seam->Dialogs[0].Filter, k.filter);
    EXPECT_FALSE(Seam->Dialogs[0].Options & ui::ofOverwritePrompt);
    const std::vector<String> shown =
        k.type == TOutputType::Jpeg ? std::vector<String>{"Frmtype", "frmcomp"} : std::vector<String>{"Frmtype"};
    EXPECT_EQ(Seam->ModalShown, shown);
    EXPECT_TRUE(Seam->Messages.empty());

    const std::string path = Out(k.written);
    ASSERT_TRUE(rtl::FileExists(path)) << path;
    const gfx::TBitmap got = ReadBack(path, k.type);
    EXPECT_EQ(got.Width(), 45);
    EXPECT_EQ(got.Height(), 30);
    EXPECT_LE(convtest::MaxDifference(got, preview), k.tolerance);
    EXPECT_EQ(W().Lblnote1->Caption(), "New image has been saved.");
    EXPECT_EQ(W().Lblnote2->Caption(), path);
    // Nothing else is left in the folder.
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(Root)) entries += e.is_regular_file();
    EXPECT_EQ(entries, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Types, SaveType,
    ::testing::Values(TypeCase{TOutputType::Jpeg, "new.jpg", "new.jpg", "JPG", "Jpeg (*.JPG)|*.JPG", 14},
                      TypeCase{TOutputType::Bitmap, "new.bmp", "new.bmp", "BMP", "Bitmap (*.BMP)|*.BMP", 0},
                      TypeCase{TOutputType::Tiff, "new.tif", "new.TIF", "TIF", "Tif (*.TIF)|*.TIF", 0},
                      TypeCase{TOutputType::Tiff, "new.png", "new.TIF", "TIF", "Tif (*.TIF)|*.TIF", 0},
                      TypeCase{TOutputType::Tiff, "plain", "plain.TIF", "TIF", "Tif (*.TIF)|*.TIF", 0},
                      TypeCase{TOutputType::Metafile, "new.emf", "new.emf", "EMF", "Metafile (*.EMF)|*.EMF", 0}));

TEST_F(ConverterTest, JpegUsesTheQualityWindowsNumber)
{
    Choose(apptest::SmoothBitmap(64, 64));
    Quality = 20;
    Save(TOutputType::Jpeg, Out("low.jpg"));
    Quality = 95;
    Save(TOutputType::Jpeg, Out("high.jpg"));
    std::vector<unsigned> tables;
    gfx::TBitmap ignored;
    ASSERT_TRUE(savetest::ReadJpeg(Out("low.jpg"), ignored, &tables));
    EXPECT_EQ(tables, savetest::ReferenceTables(20));
    ASSERT_TRUE(savetest::ReadJpeg(Out("high.jpg"), ignored, &tables));
    EXPECT_EQ(tables, savetest::ReferenceTables(95));
    EXPECT_EQ(ResultLines(), (std::vector<String>{"  Successfully Created -> " + Out("low.jpg"),
                                                  "  Successfully Created -> " + Out("high.jpg")}));
}

TEST_F(ConverterTest, QualityThatIsNoNumberFromOneToOneHundredEndsTheSaveBeforeAnyFile)
{
    Choose(apptest::SmoothBitmap(32, 32));
    for (const char* text : {"0", "101", "high"}) {
        Seam->Messages.clear();
        QualityText = text;
        Save(TOutputType::Jpeg, Out("never.jpg"));
        ASSERT_EQ(Seam->Messages.size(), 1u) << text;
        EXPECT_EQ(Seam->Messages[0].Kind, ui::TMsgDlgType::mtError);
        EXPECT_FALSE(rtl::FileExists(Out("never.jpg")));
        EXPECT_TRUE(ResultLines().empty());
        EXPECT_EQ(W().Lblnote1->Caption(), "");
    }
}

TEST_F(ConverterTest, CancelInTheChooserDoesNothing)
{
    Choose(apptest::PatternBitmap(20, 20));
    Save(TOutputType::Cancel, Out("never.jpg"));
    EXPECT_EQ(Seam->ModalShown, std::vector<String>{"Frmtype"});
    ASSERT_EQ(Seam->Messages.size(), 1u);
    EXPECT_EQ(Seam->Messages[0].Text, "You chose cancel, nothing was done.");
    EXPECT_EQ(Seam->Messages[0].Kind, ui::TMsgDlgType::mtInformation);
    EXPECT_TRUE(Seam->Dialogs.empty());
    EXPECT_EQ(W().Lblnote1->Caption(), "");
}

TEST_F(ConverterTest, CancelledOrEmptySaveDialogDoesNothing)
{
    Choose(apptest::PatternBitmap(20, 20));
    Save(TOutputType::Bitmap, std::nullopt);
    Save(TOutputType::Bitmap, String());
    EXPECT_TRUE(Seam->Messages.empty());
    EXPECT_EQ(W().Lblnote1->Caption(), "");
    EXPECT_TRUE(ResultLines().empty());
}

TEST_F(ConverterTest, NothingToSaveOrMeasureWithoutPixels)
{
    Choose(apptest::PatternBitmap(50, 50));
    W().ScrollBar1->SetPosition(1);  // 0 x 0
    Save(TOutputType::Jpeg, Out("empty.jpg"));
    W().Cmdcalculate->Click();
    EXPECT_EQ(Texts(), std::vector<String>(2, app::MsgNoPixels));
    EXPECT_TRUE(Seam->ModalShown.empty());
    EXPECT_FALSE(rtl::FileExists(Out("empty.jpg")));
}

TEST_F(ConverterTest, BitmapAfterAnExactSizeIsWrittenAtTheBarsPercent)
{
    Choose(apptest::PatternBitmap(80, 40));
    W().ScrollBar1->SetPosition(25);
    W().EdW->Type("33");
    W().EdH->Type("44");
    W().Button1->Click();
    ASSERT_TRUE(app::ExactSizeMode);
    Save(TOutputType::Bitmap, Out("bar.bmp"));
    gfx::TBitmap got;
    got.LoadFromFile(Out("bar.bmp"));
    EXPECT_EQ(got.Width(), 20);
    EXPECT_EQ(got.Height(), 10);
    EXPECT_FALSE(app::ExactSizeMode);
    EXPECT_EQ(W().EdW->Text(), "");
    EXPECT_EQ(W().Lblpercent->Caption(), "25%");
}

TEST_F(ConverterTest, LoadedJpegIsConvertedBeforeTiffAndMetafile)
{
    // Straight after a load the preview is the JPEG picture itself.
    Select(SaveJpeg("photo.jpg", apptest::SmoothBitmap(40, 30)));
    ASSERT_NE(dynamic_cast<gfx::TJPEGImage*>(W().Image1->Picture().Graphic()), nullptr);
    const gfx::TBitmap preview = Preview();
    Save(TOutputType::Tiff, Out("photo.tif"));
    Save(TOutputType::Metafile, Out("photo.emf"));
    EXPECT_EQ(convtest::MaxDifference(ReadBack(Out("photo.TIF"), TOutputType::Tiff), preview), 0);
    EXPECT_EQ(convtest::MaxDifference(ReadBack(Out("photo.emf"), TOutputType::Metafile), preview), 0);
}

struct ReplaceCase {
    TOutputType type;
    const char* name;
    int answer;          // the answer to the question; mrNone: no question
    bool replaced;
};

class ExistingFile : public ConverterTest, public ::testing::WithParamInterface<ReplaceCase> {};

TEST_P(ExistingFile, KeptUnlessTheUserSaysYes)
{
    const ReplaceCase k = GetParam();
    Choose(apptest::PatternBitmap(30, 20));
    const std::string path = Out(k.name);
    apptest::WriteBytes(path, "the user's own file");
    if (k.answer != ui::mrNone) Seam->Answers.push_back(k.answer);
    Save(k.type, path);

    if (k.answer != ui::mrNone) {
        ASSERT_EQ(Seam->Messages.size(), 1u);
        EXPECT_EQ(Seam->Messages[0].Text,
                  "This file name (" + std::string(k.name) + ") already exists. Replace the existing file?");
        EXPECT_EQ(Seam->Messages[0].Buttons, unsigned(ui::mbYes | ui::mbNo));
    } else {
        EXPECT_TRUE(Seam->Messages.empty());
        EXPECT_EQ(ResultLines(), std::vector<String>{"  File already exists -> " + path});
    }
    if (k.replaced) {
        EXPECT_EQ(ReadBack(path, k.type).Width(), 30);
        EXPECT_EQ(W().Lblnote1->Caption(), "New image has been saved.");
        EXPECT_EQ(W().Lblnote2->Caption(), path);
    } else {
        EXPECT_EQ(convtest::ReadFile(path), "the user's own file");
        EXPECT_EQ(W().Lblnote1->Caption(), "Image has not been saved.");
        EXPECT_EQ(W().Lblnote2->Caption(), "File already exists -> " + path);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ExistingFile,
                         ::testing::Values(ReplaceCase{TOutputType::Jpeg, "old.jpg", ui::mrNone, false},
                                           ReplaceCase{TOutputType::Metafile, "old.emf", ui::mrNone, false},
                                           ReplaceCase{TOutputType::Bitmap, "old.bmp", ui::mrNo, false},
                                           ReplaceCase{TOutputType::Bitmap, "old.bmp", ui::mrYes, true},
                                           ReplaceCase{TOutputType::Tiff, "old.TIF", ui::mrNo, false},
                                           ReplaceCase{TOutputType::Tiff, "old.TIF", ui::mrYes, true}));

// ---- size calculator ---------------------------------------------------------------------------

TEST_F(ConverterTest, CalculatorWritesItsFourFilesInTheDataFolder)
{
    Choose(apptest::SmoothBitmap(64, 48));
    W().ScrollBar1->SetPosition(50);
    W().Cmdcalculate->Click();
    EXPECT_TRUE(Seam->Messages.empty());
    const String folder = app::DataFolder + "/";
    auto size = [&](const char* name) { return rtl::IntToStr(rtl::FindFileFacts(folder + name).Size); };
    for (const char* name : {"Temp.jpg", "Temp.bmp", "Temp.tif", "Temp.emf"}) {
        EXPECT_TRUE(rtl::FileExists(folder + name)) << name;
        EXPECT_FALSE(rtl::FileExists(app::ProgramFolder + name)) << name;
    }
    EXPECT_EQ(W().Lblnote1->Caption(), "Current Jpeg Size = " + size("Temp.jpg") + " bytes. (Compression at 75)");
    EXPECT_EQ(W().Lblnote2->Caption(), "Current Bitmap Size = " + size("Temp.bmp") + " bytes.");
    EXPECT_EQ(W().Lblnote3->Caption(), "Current Tif Size = " + size("Temp.tif") + " bytes.");
    EXPECT_EQ(W().Lblnote4->Caption(), "Current Meta Size = " + size("Temp.emf") + " bytes.");
    // 32 x 24 in 32 bits: a 54-byte header and 3072 bytes of pixels; 40 bytes of header and the
    // IFD around 2304 bytes of RGB in the TIFF.
    EXPECT_EQ(size("Temp.bmp"), "3126");
    EXPECT_EQ(size("Temp.tif"), "2530");
    EXPECT_EQ(ReadBack(folder + "Temp.jpg", TOutputType::Jpeg).Width(), 32);

    // A second calculation replaces the files with those of the new size.
    W().ScrollBar1->SetPosition(25);
    W().Cmdcalculate->Click();
    EXPECT_EQ(ReadBack(folder + "Temp.tif", TOutputType::Tiff).Width(), 16);
    EXPECT_EQ(W().Lblnote3->Caption(), "Current Tif Size = " + size("Temp.tif") + " bytes.");
}

TEST_F(ConverterTest, CalculatorNamesTheFilesItCouldNotWrite)
{
    Choose(apptest::SmoothBitmap(64, 48));
    // The data folder is gone and a file stands in its place.
    std::filesystem::remove_all(app::DataFolder);
    apptest::WriteBytes(app::DataFolder, "not a folder");
    W().Cmdcalculate->Click();
    EXPECT_TRUE(Seam->Messages.empty());
    EXPECT_EQ(W().Lblnote1->Caption(), "Current Jpeg Size = not known, the file could not be written.");
    EXPECT_EQ(W().Lblnote2->Caption(), "Current Bitmap Size = not known, the file could not be written.");
    EXPECT_EQ(W().Lblnote3->Caption(), "Current Tif Size = not known, the file could not be written.");
    EXPECT_EQ(W().Lblnote4->Caption(), "Current Meta Size = not known, the file could not be written.");
}

// ---- the written files in other tools and as records ---------------------------------------------

TEST_F(ConverterTest, WrittenFilesOpenInOtherTools)
{
    if (!savetest::HaveImageMagick() || !Have("tiffinfo") || !Have("tiff2rgba"))
        FAIL() << "ImageMagick or tiffinfo and tiff2rgba are not installed (Debian packages imagemagick, libtiff-tools; "
                  "scripts/test installs them)";
    Choose(apptest::SmoothBitmap(120, 80));
    W().ScrollBar1->SetPosition(75);
    const gfx::TBitmap preview = Preview();
    Save(TOutputType::Jpeg, Out("out.jpg"));
    Save(TOutputType::Bitmap, Out("out.bmp"));
    Save(TOutputType::Tiff, Out("out.tif"));
    struct File { const char* name; int tolerance; };
    // The writer's Software text has no terminating zero; libtiff warns about it and reads on.
    const std::string softwareWarning = "ASCII value for tag \"Software\" does not end in null byte.";
    auto withoutSoftwareWarning = [&](std::string out) {
        std::string kept;
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);)
            if (line.find(softwareWarning) == std::string::npos) kept += line + "\n";
        return kept;
    };
    for (const File f : {File{"out.jpg", 14}, File{"out.bmp", 0}, File{"out.TIF", 0}}) {
        EXPECT_EQ(withoutSoftwareWarning(RunTool("identify -format '%w %h\n' " + Quote(Out(f.name)))), "90 60\n") << f.name;
        gfx::TBitmap magick;
        ASSERT_TRUE(savetest::ReadWithImageMagick(Out(f.name), magick)) << f.name;
        EXPECT_LE(convtest::MaxDifference(magick, preview), f.tolerance) << f.name;
    }
    const std::string info = withoutSoftwareWarning(RunTool("tiffinfo " + Quote(Out("out.TIF"))));
    EXPECT_NE(info.find("Image Width: 90 Image Length: 60"), std::string::npos) << info;
    EXPECT_NE(info.find("Compression Scheme: None"), std::string::npos) << info;
    EXPECT_NE(info.find("Photometric Interpretation: RGB color"), std::string::npos) << info;
    EXPECT_EQ(info.find("Warning"), std::string::npos) << info;
    // tiff2rgba's own copy of the pixels, read by ImageMagick, is the preview.
    EXPECT_EQ(withoutSoftwareWarning(RunTool("tiff2rgba " + Quote(Out("out.TIF")) + " " + Quote(Out("rgba.tif")))), "");
    gfx::TBitmap rgba;
    ASSERT_TRUE(savetest::ReadWithImageMagick(Out("rgba.tif"), rgba));
    EXPECT_EQ(convtest::MaxDifference(rgba, preview), 0);
}

// A picture chosen and saved as TIFF at once keeps its depth: palette TIFFs for 4 and 8 bits, at
// the picture's own size (the writer cuts a 4-bit width to a multiple of 4), with its pixels.
TEST_F(ConverterTest, TiffOfAPictureJustChosenKeepsItsDepthAndSize)
{
    struct Case {
        gfx::TPixelFormat format;
        int width, height;
        convtest::TiffFacts facts;
    } cases[] = {{gfx::TPixelFormat::pf4bit, 16, 7, {.Width = 16, .Height = 7, .Bits = 4, .Samples = 1, .Photometric = 3}},
                 {gfx::TPixelFormat::pf8bit, 15, 9, {.Width = 15, .Height = 9, .Bits = 8, .Samples = 1, .Photometric = 3}},
                 {gfx::TPixelFormat::pf24bit, 11, 5, {.Width = 11, .Height = 5, .Bits = 8, .Samples = 3, .Photometric = 2}}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.facts);
        gfx::TBitmap b = apptest::PatternBitmap(c.width, c.height);
        b.SetPixelFormat(c.format);
        Choose(b, "pic" + std::to_string(++n) + ".bmp");
        const String name = "saved" + std::to_string(n);
        Save(TOutputType::Tiff, Out(name + ".tif"));
        EXPECT_EQ(convtest::ReadTiffFacts(Out(name + ".TIF")), c.facts);
        gfx::TPicture read;
        read.LoadFromFile(Out(name + ".TIF"));
        gfx::TBitmap chosen;
        chosen.LoadFromFile(Pictures + "/pic" + std::to_string(n) + ".bmp");
        EXPECT_EQ(convtest::MaxDifference(app::PictureAsBitmap(read.Graphic()), chosen), 0);
    }
}

TEST_F(ConverterTest, MetafileHoldsTheBitmapInItsFrame)
{
    Choose(apptest::PatternBitmap(70, 50));
    W().ScrollBar1->SetPosition(140);  // 98 x 70
    const gfx::TBitmap preview = Preview();
    Save(TOutputType::Metafile, Out("out.emf"));

    gfx::TMetafile meta;
    meta.LoadFromFile(Out("out.emf"));
    EXPECT_TRUE(meta.Enhanced());
    EXPECT_EQ(meta.Width(), 98);
    EXPECT_EQ(meta.Height(), 70);
    EXPECT_EQ(convtest::MaxDifference(app::PictureAsBitmap(&meta), preview), 0);

    // Record walk: a header with the signature, the frame of 98 x 70 pixels at 96 per inch in
    // hundredths of a millimetre, one bitmap record of the preview's size, an end record, and
    // sizes that add up to the file's size as the header states it.
    const std::string b = convtest::ReadFile(Out("out.emf"));
    ASSERT_GE(b.size(), 108u);
    EXPECT_EQ(Le32(b, 0), 1u);             // EMR_HEADER
    EXPECT_EQ(Le32(b, 40), 0x464D4520u);   // " EMF"
    EXPECT_EQ(Le32(b, 48), b.size());
    EXPECT_EQ(int32_t(Le32(b, 32)) - int32_t(Le32(b, 24)), 2593);  // 98 / 96 inch
    EXPECT_EQ(int32_t(Le32(b, 36)) - int32_t(Le32(b, 28)), 1852);  // 70 / 96 inch
    std::vector<uint32_t> types;
    size_t at = 0;
    while (at + 8 <= b.size()) {
        const uint32_t type = Le32(b, at), size = Le32(b, at + 4);
        ASSERT_TRUE(size >= 8 && size % 4 == 0 && at + size <= b.size()) << at;
        types.push_back(type);
        if (type == 81) {  // EMR_STRETCHDIBITS: destination size and the bitmap's header
            EXPECT_EQ(Le32(b, at + 72), 98u);
            EXPECT_EQ(Le32(b, at + 76), 70u);
            EXPECT_EQ(Le32(b, at + 80 + 4), 98u);
            EXPECT_EQ(Le32(b, at + 80 + 8), 70u);
        }
        at += size;
    }
    EXPECT_EQ(at, b.size());
    EXPECT_EQ(types, (std::vector<uint32_t>{1, 81, 14}));
    EXPECT_EQ(Le32(b, 52), types.size());  // records in the header
}

}  // namespace

namespace {

TEST_F(ConverterTest, ReplacingKeepsLinksAndPermissionsAndNeverAReadOnlyFile)
{
    Choose(apptest::PatternBitmap(30, 20));
    // A link to a file of the user's own: the link stays, its target gets the picture and keeps
    // its permissions.
    const std::string target = Out("real.bmp"), link = Out("link.bmp");
    apptest::WriteBytes(target, "old");
    chmod(target.c_str(), 0640);
    std::filesystem::create_symlink(target, link);
    Seam->Answers.push_back(ui::mrYes);
    Save(TOutputType::Bitmap, link);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBack(target, TOutputType::Bitmap).Width(), 30);
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // A read-only file is not replaced, even after Yes; the status lines claim no save.
    const std::string readOnly = Out("locked.TIF");
    apptest::WriteBytes(readOnly, "keep me");
    chmod(readOnly.c_str(), 0444);
    W().Lblnote1->SetCaption("");
    Seam->Messages.clear();
    Seam->Answers.push_back(ui::mrYes);
    Save(TOutputType::Tiff, readOnly);
    ASSERT_EQ(Seam->Messages.size(), 2u);
    EXPECT_NE(Seam->Messages[1].Text.find(readOnly), std::string::npos) << Seam->Messages[1].Text;
    EXPECT_EQ(Seam->Messages[1].Kind, ui::TMsgDlgType::mtError);
    EXPECT_EQ(convtest::ReadFile(readOnly), "keep me");
    EXPECT_EQ(W().Lblnote1->Caption(), "");
}

}  // namespace

// A file that appears while the converted one is being written is the user's: it stays, and the
// results say it was there.
TEST_F(ConverterTest, FileThatAppearsDuringTheWriteIsKept)
{
    const String path = app::DataFolder + "/appeared.BMP";
    std::vector<String> lines;
    const bool written = app::WriteUnlessPresent(
        path,
        [&](rtl::TStream& out) {
            apptest::WriteBytes(path, "the user's own file");
            out.WriteBuffer("BM", 2);
        },
        [&](const String& line) { lines.push_back(line); });
    EXPECT_FALSE(written);
    EXPECT_EQ(lines, std::vector<String>{"  File already exists -> " + path});
    EXPECT_EQ(convtest::ReadFile(path), "the user's own file");
    for (const auto& entry : std::filesystem::directory_iterator(app::DataFolder))
        EXPECT_EQ(entry.path().filename().string().rfind(".quadrell-", 0), std::string::npos) << entry.path();
}
