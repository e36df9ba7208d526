// The converter's folder batch: the chooser, the conversions, the results window, the gallery.
#include "tests/app/converter_fixture.h"

#include <algorithm>
#include <map>
#include <sys/stat.h>

#include "app/FolderBatch.h"
#include "app/Gallery.h"
#include "app/Uchoice.h"
#include "app/Ucompress.h"
#include "app/Ufolders.h"
#include "framework/ui/Application.h"
#include "framework/graphics/Png.h"
#include "gif/GifUnit.h"
#include "tiff/Bmp2Tiff.h"

namespace convtest {
namespace {

namespace fs = std::filesystem;

class FolderBatchTest : public ConverterTest {
protected:
    void SetUp() override
    {
        ConverterTest::SetUp();
        Source = Root + "/source/";
        Output = Root + "/output/";
        Web = Root + "/web/";
        for (const String& f : {Source, Output, Web}) fs::create_directory(f);
        app::FolderMode = true;
        app::SourceFolder = Source;
        app::OutputFolder = Output;
        app::WebFolder = Web;
        app::MakeWebPage = false;
        app::JpegThumbnailsMade = false;
        app::BatchCount = 0;
        // The file-kind chooser is answered here; every other window as the converter tests do.
        auto others = Seam->OnShowModal;
        Seam->OnShowModal = [this, others](ui::TForm& form) {
            if (auto* chooser = dynamic_cast<app::TFrmchoice*>(&form)) {
                ChooserTitles.push_back(chooser->Lbltitle->Caption());
                ChooserSizes.emplace_back(chooser->Width(), chooser->Height());
                if (Mask) Option(*chooser)->Click();
                if (CloseChooser) chooser->Close();  // Escape or the close box
                else chooser->BitBtn1->Click();
                return;
            }
            others(form);
        };
    }

    void TearDown() override
    {
        app::FolderMode = false;
        app::SourceFolder = app::OutputFolder = app::WebFolder = "";
        app::MakeWebPage = app::JpegThumbnailsMade = false;
        ConverterTest::TearDown();
    }

    ui::TRadioButton* Option(app::TFrmchoice& chooser) const
    {
        const std::pair<const char*, ui::TRadioButton*> options[] = {
            {"*.*", chooser.RadAll},      {"*.JPG", chooser.RadOnlyJpeg}, {"*.GIF", chooser.RadOnlyGif},
            {"*.BMP", chooser.Radbmp},    {"*.EMF", chooser.RadMeta},     {"*.ICO", chooser.Radicon},
            {"*.TIF", chooser.Radtif},
        };
        for (const auto& [mask, button] : options)
            if (*Mask == mask) return button;
        ADD_FAILURE() << "no option for " << *Mask;
        return chooser.RadAll;
    }

    // "Save The Images/Thumbnails" in folder mode.
    void RunBatch(app::TOutputType type, std::optional<String> mask = std::nullopt)
    {
        Type = type;
        Mask = std::move(mask);
        W().Cmdsave->Click();
    }

    String PutBmp(const String& name, const gfx::TBitmap& b)
    {
        gfx::TBitmap(b).SaveToFile(Source + name);
        return Source + name;
    }
    String PutJpeg(const String& name, const gfx::TBitmap& b)
    {
        gfx::TJPEGImage jpeg;
        jpeg.Assign(b);
        jpeg.SetCompressionQuality(90);
        jpeg.SaveToFile(Source + name);
        return Source + name;
    }
    String PutGif(const String& name, int w, int h)
    {
        gif::TGifFile document;
        gfx::TBitmap b(w, h, gfx::TPixelFormat::pf8bit);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) b.SetPixel(x, y, gfx::RGB(uint8_t(x * 16), uint8_t(y * 16), 0));
        document.AddBitmap(std::make_unique<gfx::TBitmap>(b));
        document.SaveToFile(Source + name);
        return Source + name;
    }
    String PutPng(const String& name, const gfx::TBitmap& b)
    {
        gfx::TPngImage png;
        png.Assign(b);
        png.SaveToFile(Source + name);
        return Source + name;
    }

    // The size of a picture file, read back through the framework.
    static std::pair<int, int> SizeOf(const String& path)
    {
        gfx::TPicture picture;
        picture.LoadFromFile(path);
        return {picture.Width(), picture.Height()};
    }

    // The convertible names of the source folder in the order the batch meets them.
    std::vector<String> Found(const String& mask = "*.*") const
    {
        std::vector<String> names;
        for (const String& n : rtl::FindFiles(Source, mask))
            if (app::IsConvertibleFile(n)) names.push_back(n);
        return names;
    }

    String Status() const { return app::Frmresults->Lblstatus->Caption(); }

    String Source, Output, Web;
    std::optional<String> Mask;
    bool CloseChooser = false;
    std::vector<String> ChooserTitles;
    std::vector<std::pair<int, int>> ChooserSizes;
};

TEST_F(FolderBatchTest, AllKindsTakesJpegAndGifAndPassesOverPng)
{
    PutJpeg("sea.jpg", apptest::SmoothBitmap(40, 30));
    PutPng("leaf.png", apptest::PatternBitmap(20, 20));
    PutGif("dot.gif", 16, 12);
    RunBatch(app::TOutputType::Bitmap);

    EXPECT_EQ(app::BatchCount, 2);
    EXPECT_EQ(Status(), "Finished. Total Files = 2");
    EXPECT_EQ(app::Frmresults->Lblstatus->Font().Color, gfx::TColor(128));
    std::vector<String> expected;
    for (const String& n : Found()) expected.push_back("  Successfully Created -> " + Output + rtl::ChangeFileExt(n, ".BMP"));
    EXPECT_EQ(ResultLines(), expected);
    EXPECT_EQ(SizeOf(Output + "sea.BMP"), std::make_pair(40, 30));
    EXPECT_EQ(SizeOf(Output + "dot.BMP"), std::make_pair(16, 12));
    EXPECT_FALSE(fs::exists(Output + "leaf.BMP"));
    EXPECT_TRUE(app::Frmresults->Visible());
    EXPECT_EQ(W().Lblnote1->Caption(), "");
    EXPECT_EQ(W().Lblnote2->Caption(), "");
    EXPECT_TRUE(Seam->Messages.empty()) << Seam->Messages[0].Text;
    // Each source picture is untouched; the holder keeps the last picture at its new size.
    EXPECT_TRUE(fs::exists(Source + "sea.jpg"));
    EXPECT_EQ(W().ImageHidden->Picture().Graphic()->ClassName(), "TBitmap");
}

TEST_F(FolderBatchTest, JpegWithAnEndingOfFourLettersIsNeverConverted)
{
    PutJpeg("long.jpeg", apptest::SmoothBitmap(20, 20));
    PutJpeg("short.JPE", apptest::SmoothBitmap(20, 20));
    for (const char* mask : {"*.*", "*.JPG"}) {
        SCOPED_TRACE(mask);
        RunBatch(app::TOutputType::Jpeg, String(mask));
        EXPECT_EQ(app::BatchCount, 0);
        EXPECT_TRUE(fs::is_empty(Output));
        EXPECT_EQ(ResultLines(), (std::vector<String>{"** No images of type " + String(mask) + " found in this folder",
                                                      "** Select a different type or different folder"}));
        EXPECT_EQ(Status(), "Nothing to convert in " + Source);
    }
}

TEST_F(FolderBatchTest, ScaledAsTheBarSaysOrKeptAtFullSize)
{
    PutBmp("odd.bmp", apptest::PatternBitmap(101, 60));
    PutJpeg("wide.JPG", apptest::SmoothBitmap(64, 48));
    PutGif("small.GIF", 9, 7);
    struct Case { int Percent; std::pair<int, int> Odd, Wide, Small; };
    for (const Case& c : {Case{100, {101, 60}, {64, 48}, {9, 7}}, Case{50, {50, 30}, {32, 24}, {4, 4}},
                          Case{150, {152, 90}, {96, 72}, {14, 10}}}) {
        SCOPED_TRACE(c.Percent);
        for (const auto& e : fs::directory_iterator(Output)) fs::remove(e.path());
        W().ScrollBar1->SetPosition(c.Percent);
        RunBatch(app::TOutputType::Bitmap);
        EXPECT_EQ(SizeOf(Output + "odd.BMP"), c.Odd);
        EXPECT_EQ(SizeOf(Output + "wide.BMP"), c.Wide);
        EXPECT_EQ(SizeOf(Output + "small.BMP"), c.Small);
    }
    // The pixels at full size are the source's own.
    W().ScrollBar1->SetPosition(100);
    for (const auto& e : fs::directory_iterator(Output)) fs::remove(e.path());
    RunBatch(app::TOutputType::Bitmap);
    gfx::TBitmap written;
    written.LoadFromFile(Output + "odd.BMP");
    EXPECT_EQ(MaxDifference(written, apptest::PatternBitmap(101, 60)), 0);
}

// What a person finds in the written files of a batch at full size: every picture at its own
// width and height, its pixels unchanged, and (made anew in the device format) as an RGB TIFF and a
// 24-bit bitmap file, whatever the source's depth.
TEST_F(FolderBatchTest, FullSizeBatchWritesEveryDepthAtItsOwnSizeAndPixels)
{
    struct Picture {
        const char* name;
        gfx::TPixelFormat format;
        int width, height;
    } pictureKinds[] = {{"four.bmp", gfx::TPixelFormat::pf4bit, 13, 7}, {"eight.bmp", gfx::TPixelFormat::pf8bit, 15, 9},
                   {"true.bmp", gfx::TPixelFormat::pf24bit, 11, 5}, {"one.bmp", gfx::TPixelFormat::pf1bit, 17, 3}};
    std::map<String, gfx::TBitmap> pictures;
    for (const Picture& s : pictureKinds) {
        gfx::TBitmap b = apptest::PatternBitmap(s.width, s.height);
        b.SetPixelFormat(s.format);
        PutBmp(s.name, b);
        gfx::TBitmap stored;
        stored.LoadFromFile(Source + s.name);
        pictures[s.name] = stored;
    }
    RunBatch(app::TOutputType::Tiff);
    RunBatch(app::TOutputType::Bitmap);
    for (const Picture& s : pictureKinds) {
        SCOPED_TRACE(s.name);
        const String tif = Output + rtl::ChangeFileExt(s.name, ".TIF"), bmp = Output + rtl::ChangeFileExt(s.name, ".BMP");
        EXPECT_EQ(ReadTiffFacts(tif), (TiffFacts{.Width = uint32_t(s.width), .Height = uint32_t(s.height), .Bits = 8,
                                                 .Samples = 3, .Photometric = 2}));
        gfx::TPicture read;
        read.LoadFromFile(tif);
        EXPECT_EQ(MaxDifference(app::PictureAsBitmap(read.Graphic()), pictures[s.name]), 0);
        gfx::TBitmap written;
        written.LoadFromFile(bmp);
        EXPECT_EQ(written.BitCount(), 32);
        EXPECT_EQ(MaxDifference(written, pictures[s.name]), 0);
    }
}

// The windows of a batch come in the order a person meets them: which pictures, which type, the
// quality, the gallery question, and only then the summary.
TEST_F(FolderBatchTest, WindowsComeInTheOrderOfTheBatch)
{
    PutJpeg("beach.jpg", apptest::SmoothBitmap(30, 20));
    app::MakeWebPage = true;
    std::vector<String> statusAtMessages;
    Seam->OnMessage = [&](const ui::MessageRecord&) { statusAtMessages.push_back(Status()); };
    Seam->Answers = {ui::mrYes};
    RunBatch(app::TOutputType::Jpeg);
    Seam->OnMessage = nullptr;
    EXPECT_EQ(Seam->ModalShown, (std::vector<String>{"Frmchoice", "Frmtype", "frmcomp"}));
    ASSERT_EQ(Seam->Messages.size(), 2u);
    EXPECT_EQ(Seam->Messages[0].Text.rfind("We will now automatically create a webpage", 0), 0u);
    ASSERT_EQ(statusAtMessages.size(), 2u);
    for (const String& status : statusAtMessages) EXPECT_EQ(status.rfind("Finished.", 0), String::npos) << status;
    EXPECT_EQ(Status(), "Finished. Total Files = 1");
}

TEST_F(FolderBatchTest, ExactSizeGivesEveryFileThePreviewSize)
{
    Choose(apptest::PatternBitmap(80, 40));
    W().EdW->Type("33");
    W().EdH->Type("17");
    W().Button1->Click();
    ASSERT_TRUE(app::ExactSizeMode);
    app::FolderMode = true;  // choosing a picture ended folder mode
    PutBmp("a.bmp", apptest::PatternBitmap(10, 10));
    PutJpeg("b.jpg", apptest::SmoothBitmap(90, 20));
    RunBatch(app::TOutputType::Tiff);
    EXPECT_EQ(SizeOf(Output + "a.TIF"), std::make_pair(33, 17));
    EXPECT_EQ(SizeOf(Output + "b.TIF"), std::make_pair(33, 17));
    ASSERT_EQ(ChooserTitles.size(), 1u);
    EXPECT_EQ(ChooserTitles[0],
              "Select the image types that you would like to have converted (Note that all original images remain "
              "untouched. New images will be created.)  You have selected to create the new images at  percent of "
              "the original image size.");
}

TEST_F(FolderBatchTest, ChooserTitleCarriesThePercent)
{
    const String start = "Select the image types that you would like to have converted (Note that all original images "
                         "remain untouched. New images will be created.)  ";
    EXPECT_EQ(app::ChooserTitle("100%"), start + "You have selected to create new image types, and keep the same image size.");
    EXPECT_EQ(app::ChooserTitle("50%"),
              start + "You have selected to create the new images at 50% percent of the original image size.");
    W().ScrollBar1->SetPosition(50);
    RunBatch(app::TOutputType::Bitmap);
    ASSERT_EQ(ChooserTitles.size(), 1u);
    EXPECT_EQ(ChooserTitles[0], app::ChooserTitle("50%"));
    EXPECT_NE(ChooserTitles[0].find("50%"), String::npos);
    EXPECT_NE(ChooserTitles[0].find(" percent of the "), String::npos);
}

TEST_F(FolderBatchTest, ChooserStartsAtAllAndKeepsItsSize)
{
    app::SaveFormSize("Frmchoice", 510, 0);
    Mask = std::nullopt;
    RunBatch(app::TOutputType::Bitmap);
    ASSERT_EQ(ChooserSizes.size(), 1u);
    EXPECT_EQ(ChooserSizes[0], std::make_pair(510, 270));
    // Closed by OK: its size is stored, and the mask was "*.*".
    EXPECT_EQ(app::ReadFormWidth("Frmchoice"), 510);
    EXPECT_EQ(app::ReadFormHeight("Frmchoice"), 270);
    EXPECT_EQ(ResultLines()[0], "** No images of type *.* found in this folder");
    // The chooser lives only while it asks.
    EXPECT_EQ(W().FindComponent("Frmchoice"), nullptr);
}

// Stored sizes no window can have on the screen keep the chooser's designed size.
TEST_F(FolderBatchTest, ChooserKeepsItsDesignedSizeForHostileSavedSizes)
{
    for (const char* section : {"W=-99999\nH=-5\n", "H=-2147483648\n", "W=32767\nH=32767\n", "W=99\nH=2147483647\n"}) {
        apptest::WriteBytes(app::SettingsIniPath, std::string("[Frmchoice]\n") + section);
        ChooserSizes.clear();
        RunBatch(app::TOutputType::Bitmap);
        ASSERT_EQ(ChooserSizes.size(), 1u) << section;
        EXPECT_EQ(ChooserSizes[0], std::make_pair(424, 270)) << section;
    }
}

TEST_F(FolderBatchTest, SecondBitmapBatchKeepsTheFilesAndSaysSo)
{
    PutBmp("one.bmp", apptest::PatternBitmap(30, 20));
    PutJpeg("two.jpg", apptest::SmoothBitmap(30, 20));
    W().ScrollBar1->SetPosition(50);
    RunBatch(app::TOutputType::Bitmap);
    const std::string one = ReadFile(Output + "one.BMP"), two = ReadFile(Output + "two.BMP");
    ASSERT_FALSE(one.empty());
    W().ScrollBar1->SetPosition(100);
    RunBatch(app::TOutputType::Bitmap);
    std::vector<String> expected;
    for (const String& n : Found()) expected.push_back("  File already exists -> " + Output + rtl::ChangeFileExt(n, ".BMP"));
    EXPECT_EQ(ResultLines(), expected);
    EXPECT_EQ(Status(), "Finished. Total Files = 2");
    EXPECT_EQ(ReadFile(Output + "one.BMP"), one);
    EXPECT_EQ(ReadFile(Output + "two.BMP"), two);
    // The same for TIFF, JPEG and metafile outputs.
    for (app::TOutputType type : {app::TOutputType::Tiff, app::TOutputType::Jpeg, app::TOutputType::Metafile}) {
        RunBatch(type);
        const std::vector<String> first = ResultLines();
        std::map<String, std::string> bytes;
        for (const auto& e : fs::directory_iterator(Output)) bytes[e.path().string()] = ReadFile(e.path().string());
        RunBatch(type);
        ASSERT_EQ(ResultLines().size(), 2u);
        for (const String& line : ResultLines()) EXPECT_EQ(line.rfind("  File already exists -> ", 0), 0u) << line;
        for (const auto& [path, content] : bytes) EXPECT_EQ(ReadFile(path), content) << path;
        EXPECT_EQ(first.size(), 2u);
    }
}

TEST_F(FolderBatchTest, JpegBatchMakesTheGalleryCopiesAndPages)
{
    PutJpeg("beach.jpg", apptest::SmoothBitmap(60, 40));
    PutJpeg("hill.jpg", apptest::SmoothBitmap(40, 60));
    PutBmp("note.bmp", apptest::PatternBitmap(10, 10));
    app::MakeWebPage = true;
    W().ScrollBar1->SetPosition(50);
    Seam->Answers = {ui::mrYes};
    RunBatch(app::TOutputType::Jpeg);

    for (const char* name : {"beach", "hill", "note"}) EXPECT_TRUE(fs::exists(Output + name + ".JPG")) << name;
    for (const char* name : {"beach.jpg", "hill.jpg"}) {
        EXPECT_EQ(ReadFile(Web + "T_" + name), ReadFile(Output + rtl::ChangeFileExt(name, ".JPG"))) << name;
        EXPECT_EQ(ReadFile(Web + "IT_" + name), ReadFile(Source + name)) << name;
    }
    EXPECT_FALSE(fs::exists(Web + "T_note.bmp"));
    EXPECT_FALSE(fs::exists(Web + "IT_note.bmp"));
    std::string entries;
    for (const String& thumb : rtl::FindFiles(Web, "T_*.JPG")) entries += app::MenuEntryLine(thumb) + "\r\n";
    const std::string menu = ReadFile(Web + "menu.html");
    EXPECT_NE(menu.find("<a href=\"IT_beach.jpg\" target=\"main\"><img src=\"T_beach.jpg\"></a><br>\r\n"), std::string::npos);
    EXPECT_NE(menu.find("<a href=\"IT_hill.jpg\" target=\"main\"><img src=\"T_hill.jpg\"></a><br>\r\n"), std::string::npos);
    EXPECT_NE(menu.find(entries + "</Center></BODY></HTML>\r\n"), std::string::npos);
    EXPECT_TRUE(fs::exists(Web + "main.html"));
    EXPECT_TRUE(fs::exists(Web + "index.html"));
    ASSERT_EQ(Seam->ShellCalls.size(), 1u);
    EXPECT_EQ(Seam->ShellCalls[0].File, Web + "index.html");
    EXPECT_FALSE(app::JpegThumbnailsMade);
    ASSERT_EQ(Seam->Texts().size(), 2u);
    EXPECT_EQ(Seam->Messages[0].Text,
              "We will now automatically create a webpage for you, containing thumbnail images that show full sized "
              "images when clicked. Click YES to create the webpage, click no to cancel. ");
    EXPECT_EQ(Seam->Messages[0].Kind, ui::TMsgDlgType::mtInformation);
    EXPECT_EQ(Seam->Messages[0].Buttons, unsigned(ui::mbYes | ui::mbNo));
    EXPECT_EQ(Seam->Messages[1].Text,
              "Your webpage is now displayed for you. This is exactly how it will look and work when uploaded to "
              "your website. To upload your new webpage to your website, simply upload ALL files located in folder: " +
                  Web);
    EXPECT_EQ(Status(), "Finished. Total Files = 3");
}

TEST_F(FolderBatchTest, OneFolderForEverythingTakesOnlyThePicturesThatWereThere)
{
    PutJpeg("a.jpg", apptest::SmoothBitmap(30, 20));
    PutJpeg("b.jpg", apptest::SmoothBitmap(20, 30));
    app::OutputFolder = app::WebFolder = Source;
    app::MakeWebPage = true;
    const std::string a = ReadFile(Source + "a.jpg");
    Seam->Answers = {ui::mrYes};
    W().ScrollBar1->SetPosition(50);
    RunBatch(app::TOutputType::Jpeg);
    // The converted files, the copies and the pages land beside the sources; none is taken again.
    EXPECT_EQ(app::BatchCount, 2);
    EXPECT_EQ(Status(), "Finished. Total Files = 2");
    EXPECT_EQ(ReadFile(Source + "a.jpg"), a);
    EXPECT_EQ(SizeOf(Source + "a.JPG"), std::make_pair(15, 10));
    EXPECT_EQ(ReadFile(Source + "T_a.jpg"), ReadFile(Source + "a.JPG"));
    EXPECT_EQ(ReadFile(Source + "IT_a.jpg"), a);
    EXPECT_FALSE(fs::exists(Source + "T_T_a.jpg"));
    EXPECT_TRUE(fs::exists(Source + "index.html"));
}

// Gallery copies and pages never replace a file already in the web folder without Yes: one
// question for the batch names how many and where; No keeps every one and says so in the results.
TEST_F(FolderBatchTest, GalleryFilesAlreadyThereAreReplacedOnlyAfterYes)
{
    for (bool webIsSource : {false, true}) {
        for (bool yes : {false, true}) {
            SCOPED_TRACE(std::string(webIsSource ? "web folder is the source, " : "") + (yes ? "Yes" : "No"));
            for (const String& folder : {Source, Output, Web}) {
                fs::remove_all(folder);
                fs::create_directory(folder);
            }
            const String web = webIsSource ? Source : Web;
            app::WebFolder = web;
            PutJpeg("beach.jpg", apptest::SmoothBitmap(60, 40));
            PutJpeg("hill.jpg", apptest::SmoothBitmap(40, 60));
            const std::vector<String> mine = {"T_beach.jpg", "IT_hill.jpg", "index.html", "menu.html"};
            for (const String& name : mine) apptest::WriteBytes(web + name, "the user's own " + name);
            app::MakeWebPage = true;
            Seam->Messages.clear();
            Seam->Answers = {yes ? ui::mrYes : ui::mrNo, ui::mrYes};
            RunBatch(app::TOutputType::Jpeg);

            ASSERT_GE(Seam->Messages.size(), 2u);
            const String question = Seam->Messages[0].Text;
            EXPECT_EQ(question.rfind("The web page would replace 4 files that are already in the folder " + web + ": ", 0),
                      0u)
                << question;
            for (const String& name : mine) EXPECT_NE(question.find(name), String::npos) << name;
            EXPECT_EQ(Seam->Messages[0].Kind, ui::TMsgDlgType::mtConfirmation);
            EXPECT_EQ(Seam->Messages[0].Buttons, unsigned(ui::mbYes | ui::mbNo));
            const std::vector<String> lines = ResultLines();
            for (const String& name : mine) {
                EXPECT_EQ(ReadFile(web + name) == "the user's own " + name, !yes) << name;
                EXPECT_EQ(std::ranges::count(lines, "  File already exists -> " + web + name), yes ? 0 : 1) << name;
            }
            // The files that were not there are made either way.
            EXPECT_EQ(ReadFile(web + "IT_beach.jpg"), ReadFile(Source + "beach.jpg"));
            EXPECT_EQ(ReadFile(web + "T_hill.jpg"), ReadFile(Output + "hill.JPG"));
            EXPECT_TRUE(fs::exists(web + "main.html"));
            EXPECT_EQ(Status(), "Finished. Total Files = 2");
            // Sources the gallery replaces after Yes are not converted, whenever they are read.
            if (webIsSource && yes) {
                for (const String& line : lines) EXPECT_EQ(line.find("Not converted"), String::npos) << line;
            }
            EXPECT_FALSE(fs::exists(Output + "T_beach.JPG"));
        }
    }
    // Nothing there to replace: no question.
    for (const String& folder : {Output, Web}) {
        fs::remove_all(folder);
        fs::create_directory(folder);
    }
    app::WebFolder = Web;
    Seam->Messages.clear();
    Seam->Answers = {ui::mrYes};
    RunBatch(app::TOutputType::Jpeg);
    ASSERT_FALSE(Seam->Messages.empty());
    EXPECT_EQ(Seam->Messages[0].Text.rfind("We will now automatically create a webpage", 0), 0u);
}

TEST_F(FolderBatchTest, NoToTheGalleryWritesNoPageAndKeepsTheThumbnailsFlag)
{
    PutJpeg("beach.jpg", apptest::SmoothBitmap(60, 40));
    app::MakeWebPage = true;
    Seam->Answers = {ui::mrNo};
    RunBatch(app::TOutputType::Jpeg);
    EXPECT_TRUE(app::JpegThumbnailsMade);
    EXPECT_TRUE(fs::exists(Web + "T_beach.jpg"));
    for (const char* page : {"index.html", "menu.html", "main.html"}) EXPECT_FALSE(fs::exists(Web + page)) << page;
    EXPECT_TRUE(Seam->ShellCalls.empty());
    ASSERT_EQ(Seam->Messages.size(), 1u);

    // A later bitmap batch still offers the whole gallery, made from the earlier JPEG thumbnails
    // (whose copies it may replace: Yes).
    Seam->Messages.clear();
    Seam->Answers = {ui::mrYes, ui::mrYes};
    RunBatch(app::TOutputType::Bitmap);
    EXPECT_TRUE(fs::exists(Web + "index.html"));
    EXPECT_FALSE(app::JpegThumbnailsMade);
    ASSERT_EQ(Seam->Messages.size(), 3u);
    EXPECT_EQ(Seam->Messages[0].Kind, ui::TMsgDlgType::mtConfirmation);
    EXPECT_EQ(Seam->Messages[2].Text.rfind("Your webpage is now displayed for you.", 0), 0u);

    // Now nothing is left to show: the menu and main pages only, and the user is told why.
    Seam->Messages.clear();
    Seam->ShellCalls.clear();
    fs::remove(Web + "index.html");
    Seam->Answers = {ui::mrYes, ui::mrYes};
    RunBatch(app::TOutputType::Bitmap);
    EXPECT_FALSE(fs::exists(Web + "index.html"));
    EXPECT_TRUE(fs::exists(Web + "menu.html"));
    EXPECT_TRUE(Seam->ShellCalls.empty());
    ASSERT_EQ(Seam->Messages.size(), 3u);
    EXPECT_EQ(Seam->Messages[2].Text,
              "No JPG thumbnails were created. To create a webpage of thumbnails, save your thumbnail images as JPG. "
              "Once you save your thumbnails as JPG, a webpage will be generated and displayed.");
}

TEST_F(FolderBatchTest, EmptyFolderGivesTheTwoLinesTheFolderAndNoGalleryQuestion)
{
    app::MakeWebPage = true;
    PutPng("only.png", apptest::PatternBitmap(5, 5));
    RunBatch(app::TOutputType::Jpeg, String("*.GIF"));
    EXPECT_EQ(ResultLines(), (std::vector<String>{"** No images of type *.GIF found in this folder",
                                                  "** Select a different type or different folder"}));
    // The status names the folder that was searched, in the results window on top.
    EXPECT_EQ(Status(), "Nothing to convert in " + Source);
    EXPECT_TRUE(app::Frmresults->Visible());
    EXPECT_TRUE(Seam->Messages.empty());
    EXPECT_EQ(app::BatchCount, 0);
}

TEST_F(FolderBatchTest, TheBatchWorksUnderTheBusyCursorAfterTheChoosersAsked)
{
    PutBmp("a.bmp", apptest::PatternBitmap(5, 5));
    std::vector<int> cursorsAsked;
    auto answer = Seam->OnShowModal;
    Seam->OnShowModal = [&](ui::TForm& form) {
        cursorsAsked.push_back(ui::Screen().Cursor());
        answer(form);
    };
    Seam->CursorChanges.clear();
    RunBatch(app::TOutputType::Bitmap);
    EXPECT_EQ(cursorsAsked, (std::vector<int>{ui::crDefault, ui::crDefault}));  // the two choosers
    EXPECT_EQ(Seam->CursorChanges, (std::vector<int>{ui::crHourGlass, ui::crDefault}));
    EXPECT_TRUE(fs::exists(Output + "a.BMP"));
}

TEST_F(FolderBatchTest, TheFileKindChooserClosedWithoutOkCancels)
{
    PutBmp("a.bmp", apptest::PatternBitmap(5, 5));
    CloseChooser = true;
    RunBatch(app::TOutputType::Bitmap, String("*.BMP"));
    EXPECT_EQ(Seam->Texts(), (std::vector<String>{"You chose cancel, nothing was done."}));
    EXPECT_EQ(Seam->ModalShown, (std::vector<String>{"Frmchoice"}));
    EXPECT_TRUE(fs::is_empty(Output));
    EXPECT_FALSE(app::Frmresults->Visible());
}

TEST_F(FolderBatchTest, CancelInTheTypeChooserDoesNothing)
{
    PutBmp("a.bmp", apptest::PatternBitmap(5, 5));
    W().Lblnote1->SetCaption("before");
    RunBatch(app::TOutputType::Cancel);
    EXPECT_EQ(Seam->Texts(), (std::vector<String>{"You chose cancel, nothing was done."}));
    EXPECT_EQ(Seam->Messages[0].Kind, ui::TMsgDlgType::mtInformation);
    EXPECT_TRUE(fs::is_empty(Output));
    EXPECT_EQ(W().Lblnote1->Caption(), "before");
    EXPECT_FALSE(app::Frmresults->Visible());
    // The quality window is asked only for JPEG.
    EXPECT_EQ(std::count(Seam->ModalShown.begin(), Seam->ModalShown.end(), "frmcomp"), 0);
    RunBatch(app::TOutputType::Jpeg);
    EXPECT_EQ(std::count(Seam->ModalShown.begin(), Seam->ModalShown.end(), "frmcomp"), 1);
}

TEST_F(FolderBatchTest, FilesThatCannotBeReadOrSizedArePassedOverAndTheBatchFinishes)
{
    // Good and damaged files mixed, in whatever order the folder lists them.
    PutBmp("good1.bmp", apptest::PatternBitmap(12, 8));
    PutJpeg("good2.jpg", apptest::SmoothBitmap(30, 20));
    PutGif("good3.gif", 10, 6);
    const std::string jpeg = ReadFile(PutJpeg("cut.jpg", apptest::SmoothBitmap(64, 48)));
    apptest::WriteBytes(Source + "cut.jpg", jpeg.substr(0, jpeg.size() / 2));
    apptest::WriteBytes(Source + "empty.gif", "");
    apptest::WriteBytes(Source + "junk.gif", "GIF89a and then nothing a decoder could use");
    apptest::WriteBytes(Source + "broken.bmp", "BM this is no bitmap");
    apptest::WriteBytes(Source + "empty.jpg", "");
    app::MakeWebPage = true;
    Seam->Answers = {ui::mrNo};  // the gallery question still comes
    RunBatch(app::TOutputType::Bitmap);

    EXPECT_EQ(app::BatchCount, 8);
    std::map<String, String> lines;
    for (const String& line : ResultLines()) lines[line.substr(0, line.find(":"))] = line;
    for (const char* good : {"good1", "good2", "good3"}) {
        EXPECT_EQ(SizeOf(Output + good + ".BMP").first > 0, true) << good;
        EXPECT_TRUE(lines.count("  Successfully Created -> " + Output + good + ".BMP")) << good;
    }
    const std::pair<const char*, const char*> reasons[] = {
        {"cut.jpg", "JPEG error #"}, {"empty.gif", "List index out of bounds (0)"}, {"junk.gif", ""},
        {"broken.bmp", ""}, {"empty.jpg", "JPEG error #"},
    };
    for (const auto& [name, reason] : reasons) {
        const String key = "  Not converted -> " + Source + name;
        ASSERT_TRUE(lines.count(key)) << name;
        EXPECT_GT(lines[key].size(), key.size() + 2) << "no reason for " << name;
        EXPECT_NE(lines[key].find(reason, key.size()), String::npos) << lines[key];
        EXPECT_FALSE(fs::exists(Output + rtl::ChangeFileExt(name, ".BMP"))) << name;
    }
    EXPECT_EQ(ResultLines().size(), 8u);
    // Nothing stops to ask: the question of the gallery and the finished state.
    ASSERT_EQ(Seam->Messages.size(), 1u) << Seam->Messages.back().Text;
    EXPECT_EQ(Seam->Messages[0].Text.rfind("We will now automatically create a webpage", 0), 0u);
    EXPECT_EQ(Status(), "Finished. Total Files = 3");
    EXPECT_EQ(W().Lblnote1->Caption(), "");
    EXPECT_EQ(W().Lblnote2->Caption(), "");
    EXPECT_TRUE(W().Cmdsave->Enabled());
    EXPECT_FALSE(app::FolderBatchRunning());
}

TEST_F(FolderBatchTest, APictureWhoseNewSizeRoundsToNothingIsPassedOver)
{
    PutBmp("small.bmp", apptest::PatternBitmap(20, 20));
    PutBmp("large.bmp", apptest::PatternBitmap(200, 100));
    W().ScrollBar1->SetPosition(1);
    RunBatch(app::TOutputType::Tiff);
    EXPECT_EQ(SizeOf(Output + "large.TIF"), std::make_pair(2, 1));
    EXPECT_FALSE(fs::exists(Output + "small.TIF"));
    const std::vector<String> lines = ResultLines();
    EXPECT_NE(std::ranges::find(lines, "  Not converted -> " + Source +
                                           "small.bmp: The width and height must each be at least 1 pixel."),
              lines.end());
    EXPECT_EQ(Status(), "Finished. Total Files = 1");
    EXPECT_TRUE(Seam->Messages.empty());
}

TEST_F(FolderBatchTest, AFileThatCannotBeWrittenEndsTheBatchInItsFinishedState)
{
    for (int i = 0; i < 4; ++i) PutBmp("p" + std::to_string(i) + ".bmp", apptest::PatternBitmap(12, 8));
    // A folder where the third file's TIFF should go: that file cannot be written.
    const std::vector<String> order = Found();
    fs::create_directory(Output + rtl::ChangeFileExt(order[2], ".TIF"));
    RunBatch(app::TOutputType::Tiff);
    ASSERT_EQ(Seam->Messages.size(), 1u);
    EXPECT_EQ(Seam->Messages[0].Kind, ui::TMsgDlgType::mtError);
    EXPECT_EQ(ResultLines().size(), 2u);
    EXPECT_EQ(Status(), "Finished. Total Files = 2");
    EXPECT_EQ(W().Lblnote1->Caption(), "");
    EXPECT_EQ(W().Lblnote2->Caption(), "");
    EXPECT_TRUE(W().Cmdsave->Enabled());
    EXPECT_FALSE(app::FolderBatchRunning());
}

TEST_F(FolderBatchTest, APictureItsCodecCannotReadIsToldAndPassedOver)
{
    // A TIFF whose pixels are compressed: the TIFF codec tells the user itself and gives no picture.
    // Whichever comes first in the folder, the TIFF's file is not written with another picture.
    gfx::TBitmap b = apptest::PatternBitmap(20, 10);
    tif::WriteTiffFile(Source + "packed.tif", b);
    std::string bytes = ReadFile(Source + "packed.tif");
    const char compression[] = {0x03, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00};
    const size_t at = bytes.find(std::string(compression, sizeof compression));
    ASSERT_NE(at, std::string::npos);
    bytes[at + 8] = 5;  // LZW
    apptest::WriteBytes(Source + "packed.tif", bytes);
    PutBmp("fine.bmp", apptest::PatternBitmap(12, 8));
    RunBatch(app::TOutputType::Bitmap);
    EXPECT_EQ(app::BatchCount, 2);
    EXPECT_TRUE(fs::exists(Output + "fine.BMP"));
    EXPECT_FALSE(fs::exists(Output + "packed.BMP"));
    std::vector<String> lines = ResultLines();
    std::ranges::sort(lines);
    EXPECT_EQ(lines, (std::vector<String>{
                         "  Not converted -> " + Source + "packed.tif: Cant read compressed RGB Full Color Image",
                         "  Successfully Created -> " + Output + "fine.BMP"}));
    EXPECT_EQ(Status(), "Finished. Total Files = 1");
    // The codec's own message names the file.
    ASSERT_EQ(Seam->Messages.size(), 1u);
    EXPECT_EQ(Seam->Messages[0].Text, Source + "packed.tif: Cant read compressed RGB Full Color Image");
}

TEST_F(FolderBatchTest, WhileItRunsTheCommandsWaitAndNothingChangesItsCourse)
{
    Choose(apptest::PatternBitmap(40, 40), "chosen.bmp");
    app::FolderMode = true;  // choosing a picture ended folder mode
    for (int i = 0; i < 4; ++i) PutJpeg("f" + std::to_string(i) + ".jpg", apptest::SmoothBitmap(40, 20));
    W().ScrollBar1->SetPosition(50);
    const std::vector<String> order = Found();
    int runs = 0;
    std::vector<String> notes, statuses;
    // Runs between two files, as a person's clicks would.
    std::function<void()> meddle = [&] {
        ++runs;
        notes.push_back(W().Lblnote2->Caption());
        statuses.push_back(Status());
        for (ui::TControl* c : std::initializer_list<ui::TControl*>{W().Cmdsave, W().ScrollBar1, W().Button1, W().BitBtn1,
                                                                    W().Cmdcalculate, W().BitBtn6, W().CmdFolders})
            EXPECT_FALSE(c->Enabled()) << c->Name();
        EXPECT_TRUE(app::FolderBatchRunning());
        W().Cmdsave->Click();                                 // a second batch: nothing happens
        W().ScrollBar1->SetPosition(200);                     // the bar moved
        Seam->Files.push_back(SaveBmp("other.bmp", apptest::PatternBitmap(70, 70)));
        app::FrmFirst->Cmdimage->Click();                     // another picture chosen on the main window
        if (runs < 4) ui::QueueEvent([&] { meddle(); });
    };
    ui::QueueEvent([&] { meddle(); });
    RunBatch(app::TOutputType::Bitmap);
    EXPECT_EQ(runs, 4);
    ASSERT_EQ(notes.size(), 4u);
    EXPECT_EQ(notes[0], "Processing -> " + order[0]);
    for (size_t i = 1; i < 4; ++i) EXPECT_EQ(notes[i], "Processing " + order[i]);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(statuses[i], "Please be patient. Reading File #" + std::to_string(i) + " File name: " + Source + order[i]);
    for (const String& n : order) EXPECT_EQ(SizeOf(Output + rtl::ChangeFileExt(n, ".BMP")), std::make_pair(20, 10)) << n;
    EXPECT_EQ(ResultLines().size(), 4u);
    EXPECT_EQ(std::count(ChooserTitles.begin(), ChooserTitles.end(), ChooserTitles[0]), 1);
    EXPECT_TRUE(W().Cmdsave->Enabled());
    EXPECT_TRUE(W().ScrollBar1->Enabled());
    EXPECT_FALSE(app::FolderBatchRunning());
}

TEST_F(FolderBatchTest, FilesMadeAheadMatchTheLoaderAndOneFileConversion)
{
    PutJpeg("photo.jpg", apptest::SmoothBitmap(97, 61));
    PutBmp("grid.bmp", apptest::PatternBitmap(55, 33));
    W().ScrollBar1->SetPosition(37);
    RunBatch(app::TOutputType::Bitmap);
    const String again = Root + "/again/";
    fs::create_directory(again);
    app::OutputFolder = again;
    for (const char* name : {"photo.jpg", "grid.bmp"}) {
        app::LoadImageIntoHolders(Source + name, true, false);
        app::ConvertFolderFile(name);
        const String bmp = rtl::ChangeFileExt(name, ".BMP");
        EXPECT_EQ(ReadFile(again + bmp), ReadFile(Output + bmp)) << name;
    }
}

// A JPEG made smaller is first reduced by the decoder itself; the picture is that of the whole
// decode stretched, within the rounding of both.
TEST_F(FolderBatchTest, JpegsReducedWhileDecodedLookLikeTheWholeStretched)
{
    PutJpeg("photo.jpg", apptest::SmoothBitmap(321, 243));
    gfx::TPicture whole;
    whole.LoadFromFile(Source + "photo.jpg");
    for (int percent : {50, 30, 12}) {
        SCOPED_TRACE(percent);
        for (const auto& e : fs::directory_iterator(Output)) fs::remove(e.path());
        W().ScrollBar1->SetPosition(percent);
        RunBatch(app::TOutputType::Bitmap);
        gfx::TBitmap written;
        written.LoadFromFile(Output + "photo.BMP");
        const int w = app::PercentOf(percent, 321), h = app::PercentOf(percent, 243);
        EXPECT_LE(MaxDifference(written, app::StretchedCopy(whole.Graphic(), w, h)), 8);
    }
}

TEST_F(FolderBatchTest, FoldersChosenInTheirWindowRunTheBatch)
{
    app::FolderMode = false;
    app::SourceFolder = app::OutputFolder = app::WebFolder = "";
    PutBmp("a.bmp", apptest::PatternBitmap(8, 8));
    auto others = Seam->OnShowModal;
    Seam->OnShowModal = [&, others](ui::TForm& form) {
        if (auto* w = dynamic_cast<app::TFrmfolders*>(&form)) {
            w->RadFolder->Click();
            w->EdSource->Type(Source);
            w->EdOutput->Type(Root + "/output");
            w->BtnOk->Click();
            return;
        }
        others(form);
    };
    const String cwd = rtl::GetCurrentDir();
    W().CmdFolders->Click();
    EXPECT_TRUE(app::FolderMode);
    EXPECT_EQ(app::SourceFolder, Source);
    EXPECT_EQ(app::OutputFolder, Output);
    EXPECT_FALSE(app::MakeWebPage);
    RunBatch(app::TOutputType::Bitmap);
    EXPECT_TRUE(fs::exists(Output + "a.BMP"));
    EXPECT_EQ(rtl::GetCurrentDir(), cwd);
}

}  // namespace
}  // namespace convtest
