// The gallery's pages, names and copies, and the folder batch's file rules.
#include "tests/app/first_harness.h"

#include <algorithm>

#include "app/Converter.h"
#include "app/FolderBatch.h"
#include "app/Gallery.h"
#include "framework/ui/Shell.h"

namespace apptest {
namespace {

std::string ReadAll(const String& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string CrLf(std::initializer_list<const char*> lines)
{
    std::string text;
    for (const char* line : lines) text += std::string(line) + "\r\n";
    return text;
}

const char* const kHead = "<HTML><HEAD><TITLE>My Pictures</TITLE></HEAD>";
const char* const kBody =
    "<BODY BGCOLOR=\"EEEEEE\" TEXT=\"#000000\" LINK=\"#000000\" vlink=\"#AA0055\" alink=\"#AA0055\"><br>";

class GalleryTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        Web = Root + "/web/";
        fs::create_directory(Web);
    }
    String Web;
};

TEST(FolderBatchRules, ConvertibleExtensions)
{
    const std::pair<const char*, bool> cases[] = {
        {"sea.jpg", true},   {"SEA.JPG", true},    {"sea.Jpg", true},   {"sea.ico", true},
        {"sea.bmp", true},   {"sea.emf", true},    {"sea.tif", true},   {"sea.gif", true},
        {"a.b.GIF", true},   {"sea.jpeg", false},  {"sea.JPE", false},  {"sea.tiff", false},
        {"sea.png", false},  {"sea.wmf", false},   {"sea", false},      {"sea.", false},
        {"sea.jpg ", false}, {"sea.jpg.txt", false}, {"jpg", false},    {"", false},
    };
    for (const auto& [name, convertible] : cases) EXPECT_EQ(app::IsConvertibleFile(name), convertible) << name;
}

TEST(FolderBatchRules, BatchSizesRoundHalvesToEven)
{
    struct Case { int32_t Length; int Percent; int32_t Scaled; };
    const Case cases[] = {
        {101, 50, 50}, {60, 50, 30}, {103, 50, 52}, {3000, 50, 1500}, {50, 1, 0}, {50, 3, 2},
        {3, 150, 4}, {101, 200, 202}, {75, 200, 150}, {640, 100, 640}, {0, 100, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(app::PercentOf(c.Percent, c.Length), c.Scaled) << c.Length << " at " << c.Percent;
}

TEST(FolderBatchRules, FullSizeNameSwapsTheThumbnailPrefix)
{
    const std::pair<const char*, const char*> cases[] = {
        {"T_sea.jpg", "IT_sea.jpg"}, {"T_My Photo.JPG", "IT_My Photo.JPG"}, {"t_x.jpg", "IT_x.jpg"},
        {"T_", "IT_"}, {"X", "IT_"}, {"", "IT_"},
    };
    for (const auto& [thumb, full] : cases) EXPECT_EQ(app::FullSizeName(thumb), full) << thumb;
}

TEST(FolderBatchRules, MenuEntryLinksTheFullSizeCopy)
{
    EXPECT_EQ(app::MenuEntryLine("T_sea.JPG"), "<a href=\"IT_sea.JPG\" target=\"main\"><img src=\"T_sea.JPG\"></a><br>");
    // Bytes of 0x80 and above and the backslash are escaped, so the address means the same bytes in
    // any character set the browser reads the page in; blanks stay.
    EXPECT_EQ(app::MenuEntryLine("T_My Photo ü.jpg"),
              "<a href=\"IT_My Photo %C3%BC.jpg\" target=\"main\"><img src=\"T_My Photo %C3%BC.jpg\"></a><br>");
    EXPECT_EQ(app::MenuEntryLine("T_a\\b.JPG"), "<a href=\"IT_a%5Cb.JPG\" target=\"main\"><img src=\"T_a%5Cb.JPG\"></a><br>");
    EXPECT_EQ(app::MenuEntryLine("T_\x7F\xFF\x80.jpg"),
              "<a href=\"IT_%7F%FF%80.jpg\" target=\"main\"><img src=\"T_%7F%FF%80.jpg\"></a><br>");
    // A name cannot end the attribute, the line or the link's path.
    EXPECT_EQ(app::MenuEntryLine("T_a\"b<c>#d%e?f&g'h\r\n.jpg"),
              "<a href=\"IT_a%22b%3Cc%3E%23d%25e%3Ff%26g%27h%0D%0A.jpg\" target=\"main\">"
              "<img src=\"T_a%22b%3Cc%3E%23d%25e%3Ff%26g%27h%0D%0A.jpg\"></a><br>");
}

TEST_F(GalleryTest, FindBatchFilesTakesPlainVisibleFilesOfTheMask)
{
    for (const char* name : {"a.jpg", "b.JPG", "c.gif", ".hidden.jpg", "d.jpeg"}) WriteBytes(Web + name, "x");
    fs::create_directory(Web + "folder.jpg");
    fs::create_symlink(Web + "a.jpg", Web + "link.jpg");
    fs::create_symlink(Web + "folder.jpg", Web + "dirlink.jpg");
    auto sorted = [](std::vector<String> v) { std::ranges::sort(v); return v; };
    EXPECT_EQ(sorted(app::FindBatchFiles(Web, "*.JPG")), (std::vector<String>{"a.jpg", "b.JPG", "link.jpg"}));
    EXPECT_EQ(sorted(app::FindBatchFiles(Web, "*.*")),
              (std::vector<String>{"a.jpg", "b.JPG", "c.gif", "d.jpeg", "link.jpg"}));
    EXPECT_TRUE(app::FindBatchFiles(Root + "/missing/", "*.*").empty());
}

TEST_F(GalleryTest, CopyFileViaStreamCopiesOrReportsFalse)
{
    std::string bytes(70000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 31 + 7);
    WriteBytes(Web + "src.jpg", bytes);
    WriteBytes(Web + "old.jpg", "an older, longer copy that must go entirely");
    EXPECT_TRUE(app::CopyFileViaStream(Web + "src.jpg", Web + "T_src.jpg"));
    EXPECT_EQ(ReadAll(Web + "T_src.jpg"), bytes);
    WriteBytes(Web + "short.jpg", "new");
    EXPECT_TRUE(app::CopyFileViaStream(Web + "short.jpg", Web + "old.jpg"));
    EXPECT_EQ(ReadAll(Web + "old.jpg"), "new");
    WriteBytes(Web + "empty.jpg", "");
    EXPECT_TRUE(app::CopyFileViaStream(Web + "empty.jpg", Web + "T_empty.jpg"));
    EXPECT_TRUE(fs::exists(Web + "T_empty.jpg"));
    EXPECT_EQ(fs::file_size(Web + "T_empty.jpg"), 0u);

    EXPECT_FALSE(app::CopyFileViaStream(Web + "missing.jpg", Web + "T_missing.jpg"));
    EXPECT_FALSE(fs::exists(Web + "T_missing.jpg"));
    EXPECT_FALSE(app::CopyFileViaStream(Web + "src.jpg", Root + "/no/such/folder/T_src.jpg"));
    EXPECT_FALSE(app::CopyFileViaStream(Web, Web + "T_folder.jpg"));
    EXPECT_TRUE(Seam->Messages.empty());
}

TEST_F(GalleryTest, MainAndMenuPagesAreWrittenByteForByte)
{
    for (const char* name : {"T_a.jpg", "T_b.JPG", "IT_a.jpg", "a.JPG", "T_c.png", "T_d.jpeg", ".T_e.jpg"})
        WriteBytes(Web + name, "x");
    fs::create_directory(Web + "T_folder.JPG");
    WriteBytes(Web + "main.html", "an older, much longer page that must be replaced entirely ...........");

    app::WriteMenuAndMainPages(Web);

    EXPECT_EQ(ReadAll(Web + "main.html"),
              CrLf({kHead, kBody,
                    "<Center><br><br><br><br><br><Font Size=\"4\">Click the thumbnail images on your left</Font></Center>",
                    "</BODY></HTML>"}));
    // The entries follow the file system's order.
    std::string entries;
    for (const String& thumb : rtl::FindFiles(Web, "T_*.JPG")) entries += app::MenuEntryLine(thumb) + "\r\n";
    EXPECT_EQ(ReadAll(Web + "menu.html"),
              CrLf({kHead, kBody, "<Font Size=\"3\"><Center><b>PICTURE MENU</b></Font><p>"}) + entries +
                  "</Center></BODY></HTML>\r\n");
    EXPECT_NE(entries.find("<a href=\"IT_a.jpg\" target=\"main\"><img src=\"T_a.jpg\"></a><br>\r\n"), std::string::npos);
    EXPECT_NE(entries.find("<a href=\"IT_b.JPG\" target=\"main\"><img src=\"T_b.JPG\"></a><br>\r\n"), std::string::npos);
    EXPECT_EQ(std::ranges::count(entries, '\n'), 2);
    EXPECT_TRUE(Seam->Messages.empty());
    EXPECT_TRUE(Seam->ShellCalls.empty());
    EXPECT_FALSE(fs::exists(Web + "index.html"));
}

// The menu of a folder with names beyond ASCII and with a backslash: every address on the page is
// plain ASCII, escaped byte for byte from the file's name.
TEST_F(GalleryTest, MenuAddressesOfNamesBeyondAsciiAreEscapedByteForByte)
{
    for (const char* name : {"T_caf\xC3\xA9.jpg", "T_back\\slash.jpg", "T_\xE6\x97\xA5\xE6\x9C\xAC.JPG"})
        WriteBytes(Web + name, "x");
    app::WriteMenuAndMainPages(Web);
    const std::string menu = ReadAll(Web + "menu.html");
    EXPECT_NE(menu.find("<a href=\"IT_caf%C3%A9.jpg\" target=\"main\"><img src=\"T_caf%C3%A9.jpg\"></a><br>\r\n"),
              std::string::npos);
    EXPECT_NE(menu.find("<a href=\"IT_back%5Cslash.jpg\" target=\"main\"><img src=\"T_back%5Cslash.jpg\"></a><br>\r\n"),
              std::string::npos);
    EXPECT_NE(menu.find("<a href=\"IT_%E6%97%A5%E6%9C%AC.JPG\" target=\"main\"><img src=\"T_%E6%97%A5%E6%9C%AC.JPG\">"),
              std::string::npos);
    EXPECT_EQ(std::ranges::count_if(menu, [](char c) { return (unsigned char)c >= 0x80 || c == '\\'; }), 0);
}

TEST_F(GalleryTest, AMenuWithoutThumbnailsHasItsFrameLinesOnly)
{
    app::WriteMenuAndMainPages(Web);
    EXPECT_EQ(ReadAll(Web + "menu.html"),
              CrLf({kHead, kBody, "<Font Size=\"3\"><Center><b>PICTURE MENU</b></Font><p>", "</Center></BODY></HTML>"}));
}

TEST_F(GalleryTest, PagesThatCannotBeWrittenRaiseTheIoError)
{
    EXPECT_THROW(app::WriteMenuAndMainPages(Root + "/missing/"), rtl::EInOutError);
    EXPECT_THROW(app::WriteIndexPage(Root + "/missing/"), rtl::EInOutError);
    EXPECT_TRUE(Seam->ShellCalls.empty());
    // A folder where the menu should go: main.html is written, menu.html cannot be.
    fs::create_directory(Web + "menu.html");
    EXPECT_THROW(app::WriteMenuAndMainPages(Web), rtl::EInOutError);
    EXPECT_TRUE(fs::is_regular_file(Web + "main.html"));
    EXPECT_TRUE(Seam->Messages.empty());
}

TEST_F(GalleryTest, PagesAndCopiesReplaceThroughLinksAndKeepPermissions)
{
    const String elsewhere = Root + "/elsewhere/";
    fs::create_directory(elsewhere);
    WriteBytes(elsewhere + "menu.html", "old menu");
    fs::create_symlink(elsewhere + "menu.html", Web + "menu.html");
    WriteBytes(elsewhere + "T_a.jpg", "old thumbnail");
    fs::create_symlink(elsewhere + "T_a.jpg", Web + "T_a.jpg");
    WriteBytes(Web + "main.html", "old main");
    fs::permissions(Web + "main.html", fs::perms(0640));
    WriteBytes(Web + "a.jpg", "new thumbnail");

    EXPECT_TRUE(app::CopyFileViaStream(Web + "a.jpg", Web + "T_a.jpg"));
    app::WriteMenuAndMainPages(Web);
    EXPECT_TRUE(fs::is_symlink(Web + "menu.html"));
    EXPECT_EQ(ReadAll(elsewhere + "menu.html").rfind(kHead, 0), 0u);
    EXPECT_NE(ReadAll(elsewhere + "menu.html").find("<img src=\"T_a.jpg\">"), std::string::npos);
    EXPECT_TRUE(fs::is_symlink(Web + "T_a.jpg"));
    EXPECT_EQ(ReadAll(elsewhere + "T_a.jpg"), "new thumbnail");
    EXPECT_EQ(fs::status(Web + "main.html").permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_EQ(ReadAll(Web + "main.html").rfind(kHead, 0), 0u);
    // No temporary file is left beside the pages.
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(Web)) ++files;
    EXPECT_EQ(files, 4);
}

TEST_F(GalleryTest, IndexPageIsWrittenAndOpenedWhole)
{
    // A path far longer than any fixed buffer reaches the opener whole.
    String deep = Web;
    for (int i = 0; i < 6; ++i) {
        deep += std::string(60, char('a' + i)) + "/";
        fs::create_directory(deep);
    }
    WriteBytes(deep + "index.html", "old");
    Seam->ShellResults = {42, ui::SE_ERR_NOASSOC};
    app::WriteIndexPage(deep);
    const std::string index = CrLf({
        kHead,
        "<FRAMESET COLS=\"23,77\" framespacing=\"0\" frameborder=\"0\" border=\"0\"><FRAME NAME=\"menu\" "
        "SRC=\"menu.html\" SCROLLING=\"AUTO\" MARGINWIDTH=10 NORESIZE><FRAME NAME=\"main\" SRC=\"main.html\" "
        "SCROLLING=\"AUTO\" NORESIZE MARGINHEIGHT=2 MARGINWIDTH=20>",
        "</FRAMESET><NOFRAMES>Your browser does not support frames. Please download the latest browser version. "
        "</NOFRAMES></HTML>",
    });
    EXPECT_EQ(ReadAll(deep + "index.html"), index);
    ASSERT_EQ(Seam->ShellCalls.size(), 1u);
    EXPECT_GT(deep.size(), 300u);
    EXPECT_EQ(Seam->ShellCalls[0].File, deep + "index.html");
    EXPECT_EQ(Seam->ShellCalls[0].Verb, "open");
    EXPECT_EQ(Seam->ShellCalls[0].Params, "");
    EXPECT_EQ(Seam->ShellCalls[0].Dir, "");
    EXPECT_EQ(Seam->ShellCalls[0].ShowCmd, ui::SW_SHOWMAXIMIZED);
    EXPECT_TRUE(Seam->Messages.empty());

    // No browser: the page stays written and the user is told where it lies.
    app::WriteIndexPage(deep);
    EXPECT_EQ(ReadAll(deep + "index.html"), index);
    ASSERT_EQ(Seam->Messages.size(), 1u);
    EXPECT_EQ(Seam->Messages[0].Text,
              "You cannot view this file because you do not have a default web browser setup. You can still view "
              "this file by opening your web browser and pointing to the file index.html which is located at " +
                  deep + "index.html");
    EXPECT_EQ(Seam->Messages[0].Buttons, unsigned(ui::mbOK));
}

}  // namespace
}  // namespace apptest
