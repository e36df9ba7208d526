// What a second user on the machine can leave in the program's way: links in a shared folder,
// links where the size calculator writes, a data folder of his own with his settings in it. The
// victim and the planter are two users who are not root, each in a child process of the test.
#include "tests/app/converter_fixture.h"
#include "tests/common/AsUser.h"

#include "app/Uchoice.h"

#include <sys/stat.h>
#include <unistd.h>

#include <set>

namespace {

namespace fs = std::filesystem;
using convtest::ReadFile;
using rtl::String;

constexpr uid_t Victim = testuser::Nobody;
constexpr uid_t Planter = testuser::Other;
constexpr const char* VictimsOwn = "the victim's own";

void Own(const String& path, uid_t user, gid_t group)
{
    ASSERT_EQ(lchown(path.c_str(), user, group), 0) << path;
}
void Own(const String& path, uid_t user) { Own(path, user, user); }

void Link(const String& target, const String& link)
{
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0) << link;
}

// The victim's file as he left it (a short failure message instead of the bytes written over it).
bool Untouched(const String& path) { return ReadFile(path) == VictimsOwn; }

std::set<String> Entries(const String& folder)
{
    std::set<String> names;
    for (auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename());
    return names;
}

const char* const TempNames[] = {"Temp.jpg", "Temp.bmp", "Temp.tif", "Temp.emf"};

std::vector<String> NotKnownLines()
{
    const String notKnown = "not known, the file could not be written.";
    return {"Current Jpeg Size = " + notKnown, "Current Bitmap Size = " + notKnown,
            "Current Tif Size = " + notKnown, "Current Meta Size = " + notKnown};
}

// The victim's folder of his own files, which the planter's links point at.
class HostileTest : public convtest::ConverterTest {
protected:
    void SetUp() override
    {
        if (!testuser::CanSwitchUser()) GTEST_SKIP() << testuser::NotRoot;
        ConverterTest::SetUp();
        chmod(Root.c_str(), 0755);
        Victims = Root + "/victim";
        fs::create_directories(Victims + "/.config/autostart");
        for (const String& f : {Victims, Victims + "/.config", Victims + "/.config/autostart"}) Own(f, Victim);
        chmod(Victims.c_str(), 0700);
        Shared = Root + "/shared";
        fs::create_directory(Shared);
        chmod(Shared.c_str(), 01777);
    }

    // A file of the victim's, readable by him alone.
    String VictimFile(const String& name)
    {
        const String path = Victims + "/" + name;
        apptest::WriteBytes(path, VictimsOwn);
        Own(path, Victim);
        chmod(path.c_str(), 0600);
        return path;
    }

    // "Save The Images/Thumbnails" in folder mode, over every picture of the folder.
    void RunBatch(app::TOutputType type)
    {
        Type = type;
        auto others = Seam->OnShowModal;
        Seam->OnShowModal = [others](ui::TForm& form) {
            if (auto* chooser = dynamic_cast<app::TFrmchoice*>(&form)) chooser->BitBtn1->Click();
            else others(form);
        };
        W().Cmdsave->Click();
        Seam->OnShowModal = others;
    }

    // The calculator's lines.
    std::vector<String> Lines()
    {
        return {W().Lblnote1->Caption(), W().Lblnote2->Caption(), W().Lblnote3->Caption(), W().Lblnote4->Caption()};
    }

    String Victims, Shared;
};

// ---- links in a shared folder ----------------------------------------------------------------

TEST_F(HostileTest, SaveThroughAPlantedLinkIsRefusedNamingTheFile)
{
    const String thesis = VictimFile("thesis.odt");
    testuser::RunAsUser(Planter, Planter, [&] {
        Link(thesis, Shared + "/sea.bmp");
        Link(Victims + "/.config/autostart/planted.desktop", Shared + "/sea.TIF");
    });
    Choose(apptest::PatternBitmap(30, 20));
    testuser::RunAsUser(Victim, Victim, [&] {
        // The victim answers Yes to replacing what he takes for a file there.
        for (auto [type, name] : {std::pair{app::TOutputType::Bitmap, "sea.bmp"}, {app::TOutputType::Tiff, "sea.TIF"}}) {
            SCOPED_TRACE(name);
            Seam->Messages.clear();
            Save(type, Shared + "/" + name);
            ASSERT_EQ(Seam->Messages.size(), 2u);
            EXPECT_EQ(Seam->Messages[0].Text,
                      "This file name (" + String(name) + ") already exists. Replace the existing file?");
            EXPECT_EQ(Seam->Messages[1].Kind, ui::TMsgDlgType::mtError);
            EXPECT_EQ(Seam->Messages[1].Text, "Cannot create file \"" + Shared + "/" + name +
                                                  "\". It is a symbolic link that another user made in a shared "
                                                  "folder, so it is not followed.");
        }
    });
    EXPECT_TRUE(Untouched(thesis));
    EXPECT_FALSE(fs::exists(Victims + "/.config/autostart/planted.desktop"));
    EXPECT_EQ(Entries(Victims), (std::set<String>{".config", "thesis.odt"}));
}

// The batch of the report: a JPEG batch with the gallery into a shared folder where the planter
// left links to the victim's thesis and to his desktop's autostart folder.
TEST_F(HostileTest, BatchWithTheGalleryIntoASharedFolderWritesNothingThroughPlantedLinks)
{
    const String thesis = VictimFile("thesis.odt");
    const String source = Victims + "/pictures/";
    fs::create_directory(source);
    Own(source, Victim);
    for (const char* name : {"b.jpg", "c.jpg"}) {
        gfx::TJPEGImage jpeg;
        jpeg.Assign(apptest::SmoothBitmap(40, 30));
        jpeg.SaveToFile(source + name);
        Own(source + name, Victim);
    }
    testuser::RunAsUser(Planter, Planter, [&] {
        Link(thesis, Shared + "/IT_b.jpg");
        Link(Victims + "/.config/autostart/planted.desktop", Shared + "/b.JPG");
        Link(Victims + "/.config/autostart/other.desktop", Shared + "/T_c.jpg");
    });
    app::FolderMode = true;
    app::SourceFolder = source;
    app::OutputFolder = app::WebFolder = Shared + "/";
    app::MakeWebPage = true;
    testuser::RunAsUser(Victim, Victim, [&] {
        RunBatch(app::TOutputType::Jpeg);  // every question answered Yes
        std::vector<String> lines = ResultLines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), "  File already exists -> " + Shared + "/b.JPG"), lines.end());
        // The gallery copies refused through the links are named with the reason.
        for (const char* copy : {"/IT_b.jpg", "/T_c.jpg"}) {
            const String start = "  Not copied -> " + Shared + copy + ": Cannot create file \"" + Shared + copy + "\". ";
            EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [&](const String& line) { return line.rfind(start, 0) == 0; }), 1)
                << copy;
        }
        // The picture without a planted link is converted as usual.
        EXPECT_TRUE(fs::is_regular_file(Shared + "/c.JPG"));
    });
    app::FolderMode = app::MakeWebPage = false;
    EXPECT_TRUE(Untouched(thesis));
    EXPECT_TRUE(fs::is_empty(Victims + "/.config/autostart"));
    EXPECT_TRUE(fs::is_symlink(Shared + "/IT_b.jpg"));
    EXPECT_TRUE(fs::is_symlink(Shared + "/b.JPG"));
}

// A link to a file that does not exist is a file that exists: never replaced without a word, and
// never created through.
TEST_F(HostileTest, DanglingLinkInTheOutputFolderIsAnExistingFile)
{
    const String elsewhere = Root + "/elsewhere";
    fs::create_directory(elsewhere);
    chmod(elsewhere.c_str(), 0777);
    const String source = Root + "/source/";
    fs::create_directory(source);
    gfx::TBitmap(apptest::PatternBitmap(20, 10)).SaveToFile(source + "c.bmp");
    const String output = Root + "/output/";
    fs::create_directory(output);
    Own(output, Victim);
    testuser::RunAsUser(Victim, Victim, [&] { Link(elsewhere + "/new", output + "c.BMP"); });
    app::FolderMode = true;
    app::SourceFolder = source;
    app::OutputFolder = app::WebFolder = output;
    testuser::RunAsUser(Victim, Victim, [&] {
        RunBatch(app::TOutputType::Bitmap);
        EXPECT_EQ(ResultLines(), std::vector<String>{"  File already exists -> " + output + "c.BMP"});
    });
    app::FolderMode = false;
    EXPECT_TRUE(fs::is_empty(elsewhere));
    EXPECT_TRUE(fs::is_symlink(output + "c.BMP"));
}

// ---- the size calculator's scratch files ------------------------------------------------------

// Links where the calculator writes, in the victim's own data folder that he cannot write to: the
// delete fails, and nothing is written through them nor measured from their targets.
TEST_F(HostileTest, CalculatorWritesNothingThroughLinksItCannotDelete)
{
    Choose(apptest::SmoothBitmap(64, 48));
    const String folder = app::DataFolder;
    for (const char* name : TempNames) Link(VictimFile(String("target-") + name), folder + "/" + name);
    for (auto& e : fs::directory_iterator(folder)) Own(e.path(), Victim);
    Own(folder, Victim);
    chmod(folder.c_str(), 0500);
    app::Frmresults->Clear();
    testuser::RunAsUser(Victim, Victim, [&] {
        W().Cmdcalculate->Click();
        EXPECT_EQ(Lines(), NotKnownLines());
        EXPECT_TRUE(Seam->Messages.empty());
        EXPECT_EQ(ResultLines(), (std::vector<String>{"  File already exists -> " + folder + "/Temp.jpg",
                                                      "  File already exists -> " + folder + "/Temp.emf"}));
    });
    chmod(folder.c_str(), 0700);
    for (const char* name : TempNames) {
        EXPECT_TRUE(Untouched(Victims + "/target-" + name)) << name;
        EXPECT_TRUE(fs::is_symlink(folder + "/" + name)) << name;
    }
}

// In a data folder he may write to, the links go and files of the calculator's own take their
// place; the sizes are theirs.
TEST_F(HostileTest, CalculatorReplacesLinksWithFilesOfItsOwn)
{
    Choose(apptest::SmoothBitmap(64, 48));
    const String folder = app::DataFolder;
    for (const char* name : TempNames) Link(VictimFile(String("target-") + name), folder + "/" + name);
    for (auto& e : fs::directory_iterator(folder)) Own(e.path(), Victim);
    Own(folder, Victim);
    testuser::RunAsUser(Victim, Victim, [&] {
        W().Cmdcalculate->Click();
        const char* prefixes[] = {"Current Jpeg Size = ", "Current Bitmap Size = ", "Current Tif Size = ",
                                  "Current Meta Size = "};
        const char* suffixes[] = {" bytes. (Compression at 75)", " bytes.", " bytes.", " bytes."};
        const std::vector<String> lines = Lines();
        for (int i = 0; i < 4; ++i) {
            const String path = folder + "/" + TempNames[i];
            struct stat st {};
            ASSERT_EQ(lstat(path.c_str(), &st), 0) << path;
            EXPECT_TRUE(S_ISREG(st.st_mode)) << path;
            EXPECT_EQ(st.st_uid, Victim);
            EXPECT_EQ(lines[size_t(i)], prefixes[i] + rtl::IntToStr(st.st_size) + suffixes[i]);
        }
    });
    for (const char* name : TempNames) EXPECT_TRUE(Untouched(Victims + "/target-" + name)) << name;
}

// ---- the data folder ---------------------------------------------------------------------------

// A data folder that another user made or may write to, with his settings and his links in it.
enum class Hostile { OthersFolder, WritableForAll, WritableForGroup, LinkToOthersFolder, SharedFolderWithoutAHome };

struct DataFolderCase {
    const char* Name;
    Hostile Kind;
};

class UntrustedDataFolder : public apptest::AppTest, public ::testing::WithParamInterface<DataFolderCase> {
protected:
    void SetUp() override
    {
        if (!testuser::CanSwitchUser()) GTEST_SKIP() << testuser::NotRoot;
        AppTest::SetUp();
        chmod(Root.c_str(), 0755);
        Shared = Root + "/shared";
        fs::create_directory(Shared);
        chmod(Shared.c_str(), 01777);
        Victims = Root + "/victim";
        fs::create_directory(Victims);
        Own(Victims, Victim);
        Thesis = Victims + "/thesis.odt";
        apptest::WriteBytes(Thesis, VictimsOwn);
        Own(Thesis, Victim);
        Own(Home, Victim);
        Picture = SaveBmp("sun.bmp", apptest::PatternBitmap(40, 30));
    }

    // The planter's settings, history and links in folder.
    void Plant(const String& folder)
    {
        apptest::WriteBytes(folder + "/vomix25.ini", "[Frmadjust]\nW=640\nH=400\n");
        apptest::WriteBytes(folder + "/qorin7.ini", "[History]\nLast Dir=/planted/\n");
        for (const char* name : TempNames) Link(Thesis, folder + "/" + name);
    }

    String Shared, Victims, Thesis, Picture;
};

TEST_P(UntrustedDataFolder, WarnsAndNeitherReadsNorWritesIt)
{
    String folder = Shared + "/Quadrell";
    setenv("XDG_CONFIG_HOME", Shared.c_str(), 1);
    switch (GetParam().Kind) {
    case Hostile::OthersFolder:
        testuser::RunAsUser(Planter, Planter, [&] {
            ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
            Plant(folder);
        });
        break;
    case Hostile::WritableForAll:
    case Hostile::WritableForGroup: {
        const bool all = GetParam().Kind == Hostile::WritableForAll;
        testuser::RunAsUser(Victim, Victim, [&] { ASSERT_EQ(mkdir(folder.c_str(), 0700), 0); });
        Own(folder, Victim, all ? Victim : Planter);
        chmod(folder.c_str(), all ? 0777 : 0770);
        testuser::RunAsUser(Planter, Planter, [&] { Plant(folder); });
        break;
    }
    case Hostile::LinkToOthersFolder:
        testuser::RunAsUser(Planter, Planter, [&] {
            ASSERT_EQ(mkdir((Shared + "/mine").c_str(), 0755), 0);
            Plant(Shared + "/mine");
            Link(Shared + "/mine", folder);
        });
        folder = Shared + "/mine";
        break;
    case Hostile::SharedFolderWithoutAHome:
        // As /tmp: the temporary folder, shared by every user.
        unsetenv("HOME");
        unsetenv("XDG_CONFIG_HOME");
        setenv("TMPDIR", Shared.c_str(), 1);
        testuser::RunAsUser(Planter, Planter, [&] {
            ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
            Plant(folder);
        });
        break;
    }
    const std::set<String> before = Entries(folder);
    const std::string history = ReadFile(folder + "/qorin7.ini");
    testuser::RunAsUser(Victim, Victim, [&] {
        Start();
        ASSERT_EQ(Texts(), std::vector<String>{app::MsgNoDataFolder});
        EXPECT_EQ(Seam->Messages[0].Kind, ui::TMsgDlgType::mtWarning);
        // His settings and history are not read.
        EXPECT_EQ(app::Frmadjust->ClientWidth(), 717);
        EXPECT_EQ(app::Frmadjust->ClientHeight(), 477);
        EXPECT_EQ(app::FrmFirst->OpenDialog1->InitialDir(), "");
        // Nothing is written there: "Last Dir" fails as into a missing folder, the calculator
        // knows no size.
        Select(Picture);
        EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), "Image Chosen: sun.bmp");
        ASSERT_EQ(Seam->Messages.size(), 2u);
        EXPECT_EQ(Seam->Messages[1].Text, "Unable to write to " + app::HistoryIniPath);
        app::Frmadjust->Cmdcalculate->Click();
        EXPECT_EQ(app::Frmadjust->Lblnote1->Caption(), NotKnownLines()[0]);
        EXPECT_EQ(app::Frmadjust->Lblnote2->Caption(), NotKnownLines()[1]);
        EXPECT_EQ(app::Frmadjust->Lblnote3->Caption(), NotKnownLines()[2]);
        EXPECT_EQ(app::Frmadjust->Lblnote4->Caption(), NotKnownLines()[3]);
        if (GetParam().Kind == Hostile::SharedFolderWithoutAHome) {
            EXPECT_EQ(app::DataFolder, "");
        }
    });
    EXPECT_EQ(Entries(folder), before);
    EXPECT_EQ(ReadFile(folder + "/qorin7.ini"), history);
    EXPECT_TRUE(Untouched(Thesis));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UntrustedDataFolder,
    ::testing::Values(DataFolderCase{"AnotherUsersFolder", Hostile::OthersFolder},
                      DataFolderCase{"OwnFolderEveryoneMayWrite", Hostile::WritableForAll},
                      DataFolderCase{"OwnFolderItsGroupMayWrite", Hostile::WritableForGroup},
                      DataFolderCase{"LinkToAnotherUsersFolder", Hostile::LinkToOthersFolder},
                      DataFolderCase{"TemporaryFolderWithoutAHome", Hostile::SharedFolderWithoutAHome}),
    [](const auto& info) { return std::string(info.param.Name); });

// Without a home the data folder lies in the user's private runtime folder, made for him alone;
// what another user left in the shared temporary folder is not looked at.
TEST_F(UntrustedDataFolder, WithoutAHomeTheDataFolderIsPrivate)
{
    unsetenv("HOME");
    setenv("TMPDIR", Shared.c_str(), 1);
    const String runtime = Root + "/run";
    fs::create_directory(runtime);
    Own(runtime, Victim);
    chmod(runtime.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    testuser::RunAsUser(Planter, Planter, [&] {
        ASSERT_EQ(mkdir((Shared + "/Quadrell").c_str(), 0755), 0);
        Plant(Shared + "/Quadrell");
    });
    testuser::RunAsUser(Victim, Victim, [&] {
        Start();
        EXPECT_TRUE(Seam->Messages.empty());
        EXPECT_EQ(app::DataFolder, runtime + "/Quadrell");
        struct stat st {};
        ASSERT_EQ(stat(app::DataFolder.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0700u);
        EXPECT_EQ(app::Frmadjust->ClientWidth(), 717);
        Select(Picture);
        EXPECT_EQ(Seam->Messages.size(), 0u);
        EXPECT_EQ(rtl::TIniFile(app::HistoryIniPath).ReadString("History", "Last Dir", ""), Pictures + "/");
    });
    EXPECT_TRUE(Untouched(Thesis));
    EXPECT_EQ(Entries(Shared + "/Quadrell"), (std::set<String>{"Temp.bmp", "Temp.emf", "Temp.jpg", "Temp.tif",
                                                               "qorin7.ini", "vomix25.ini"}));
}

}  // namespace
