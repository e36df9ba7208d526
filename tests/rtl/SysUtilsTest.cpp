#include "framework/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <locale>
#include <cmath>
#include <ctime>
#include <string>

#include "tests/rtl/TempFolder.h"

using namespace rtl;

TEST(Round, HalvesGoToTheEvenNeighbour)
{
    struct Case {
        double value;
        int64_t expected;
    } const cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
        {0.49, 0}, {0.51, 1}, {4.5, 4}, {-2.6, -3}, {1e15 + 0.5, 1000000000000000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Round(c.value), c.expected) << "double " << c.value;
        EXPECT_EQ(Round(static_cast<long double>(c.value)), c.expected) << "long double " << c.value;
        if (c.value < 1e6) {
            EXPECT_EQ(Round(static_cast<float>(c.value)), c.expected) << "float " << c.value;
        }
    }
    EXPECT_EQ(Trunc(-2.9), -2);
    EXPECT_THROW(Round(1e300), ERangeError);
    EXPECT_THROW(Round(std::nan("")), ERangeError);
}

TEST(CheckedCast, RaisesRangeErrorOutsideTheTarget)
{
    EXPECT_EQ(CheckedCast<uint8_t>(255), 255);
    EXPECT_THROW(CheckedCast<uint8_t>(256), ERangeError);
    EXPECT_THROW(CheckedCast<uint8_t>(-1), ERangeError);
    EXPECT_EQ(CheckedCast<uint16_t>(65535), 65535);
    EXPECT_THROW(CheckedCast<uint16_t>(65536), ERangeError);
    EXPECT_EQ(CheckedCast<int16_t>(-32768), -32768);
    EXPECT_THROW(CheckedCast<int16_t>(-32769), ERangeError);
    EXPECT_THROW(CheckedCast<int32_t>(int64_t{1} << 31), ERangeError);
    EXPECT_EQ(CheckedCast<uint32_t>(0xFFFFFFFF), 0xFFFFFFFFu);
    EXPECT_THROW(CheckedCast<uint32_t>(-1), ERangeError);
    try {
        RangeCheck(121, 1, 120);
        FAIL();
    } catch (const ERangeError& e) {
        EXPECT_STREQ(e.what(), "Range check error");
    }
}

TEST(Strings, StrToIntAcceptsBlanksAndHexAndRefusesTheRest)
{
    struct Case {
        const char* text;
        bool ok;
        int value;
    } const cases[] = {
        {"640", true, 640},       {"  640 ", true, 640},    {"\t-7\r\n", true, -7},
        {"+12", true, 12},        {"$1F", true, 31},        {"0x10", true, 16},
        {"$FFFFFFFF", true, -1},  {"2147483647", true, 2147483647},
        {"-2147483648", true, INT32_MIN},                   {"2147483648", false, 0},
        {"", false, 0},           {"  ", false, 0},         {"abc", false, 0},
        {"12a", false, 0},        {"1 2", false, 0},        {"$", false, 0},
        {"-", false, 0},          {"1.5", false, 0},
    };
    for (const Case& c : cases) {
        int value = 12345;
        EXPECT_EQ(TryStrToInt(c.text, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
        EXPECT_EQ(StrToIntDef(c.text, -99), c.ok ? c.value : -99) << c.text;
    }
    try {
        StrToInt("12a");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'12a' is not a valid integer value");
    }
}

TEST(Strings, TrimAndCase)
{
    EXPECT_EQ(Trim("\t a b \r\n"), "a b");
    EXPECT_EQ(Trim(" \x01 "), "");
    EXPECT_EQ(Trim("\xC3\xA9"), "\xC3\xA9");
    EXPECT_EQ(UpperCase("sun.jpg \xC3\xA9"), "SUN.JPG \xC3\xA9");
    // Full upper-casing works whatever the process locale is (the test runs in "C").
    EXPECT_EQ(AnsiUpperCase("\xC3\xA9t\xC3\xA9.gif"), "\xC3\x89T\xC3\x89.GIF");       // été
    EXPECT_EQ(AnsiUpperCase("\xD0\xBA\xD0\xBE\xD1\x82.tif"), "\xD0\x9A\xD0\x9E\xD0\xA2.TIF");  // кот
    EXPECT_EQ(AnsiUpperCase("a\xFF" "b"), "A\xFF" "B");  // bytes that are not UTF-8 are kept
    EXPECT_EQ(IntToHex(0x3A, 2), "3A");
    EXPECT_EQ(IntToHex(0x102, 4), "0102");
    EXPECT_EQ(IntToHex(0x12345, 2), "12345");
    EXPECT_TRUE(SameText("Frmadjust", "FRMADJUST"));
    EXPECT_FALSE(SameText("W", "H"));
}

TEST(Strings, Format)
{
    EXPECT_EQ(Format("Unable to write to %s", {"/a/b.ini"}), "Unable to write to /a/b.ini");
    EXPECT_EQ(Format("List index out of bounds (%d)", {-1}), "List index out of bounds (-1)");
    EXPECT_EQ(Format("%s x %d, %d%%", {"w", 3, 4L}), "w x 3, 4%");
    EXPECT_EQ(Format("[%5d|%-4s|%.3d]", {42, "ab", 7}), "[   42|ab  |007]");
    EXPECT_EQ(Format("no args", {}), "no args");
    EXPECT_THROW(Format("%d and %d", {1}), EConvertError);
    EXPECT_THROW(Format("%x", {1}), EConvertError);
}

TEST(Paths, Parts)
{
    struct Case {
        const char* path;
        const char* filePath;
        const char* dir;
        const char* name;
        const char* ext;
        const char* changed;  // ChangeFileExt(path, ".png")
    } const cases[] = {
        {"/home/u/sun.jpg", "/home/u/", "/home/u", "sun.jpg", ".jpg", "/home/u/sun.png"},
        {"/home/u/a.b.jpg", "/home/u/", "/home/u", "a.b.jpg", ".jpg", "/home/u/a.b.png"},
        {"/home/my.pics/sun", "/home/my.pics/", "/home/my.pics", "sun", "", "/home/my.pics/sun.png"},
        {"/home/u/", "/home/u/", "/home/u", "", "", "/home/u/.png"},
        {"sun.jpg", "", "", "sun.jpg", ".jpg", "sun.png"},
        {"/sun", "/", "/", "sun", "", "/sun.png"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractFilePath(c.path), c.filePath) << c.path;
        EXPECT_EQ(ExtractFileDir(c.path), c.dir) << c.path;
        EXPECT_EQ(ExtractFileName(c.path), c.name) << c.path;
        EXPECT_EQ(ExtractFileExt(c.path), c.ext) << c.path;
        EXPECT_EQ(ChangeFileExt(c.path, ".png"), c.changed) << c.path;
    }
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/a/"), "/a");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
    EXPECT_EQ(ExecutableFolder().back(), '/');
    EXPECT_TRUE(DirectoryExists(ExecutableFolder()));
}

TEST(FileSystem, ExistsCreateRename)
{
    TempFolderFixture tmp;
    ASSERT_FALSE(tmp.Path().empty());
    const String sub = tmp.File("sub");
    EXPECT_FALSE(DirectoryExists(sub));
    EXPECT_TRUE(CreateDir(sub));
    EXPECT_TRUE(DirectoryExists(sub));
    EXPECT_FALSE(FileExists(sub));
    EXPECT_FALSE(CreateDir(tmp.File("x/y")));  // one level only

    const String link = tmp.File("link");
    ASSERT_EQ(symlink(sub.c_str(), link.c_str()), 0);
    EXPECT_TRUE(DirectoryExists(link));

    TempFolderFixture::Put(tmp.File("a"), "old");
    TempFolderFixture::Put(tmp.File("b"), "new");
    EXPECT_TRUE(FileExists(tmp.File("a")));
    EXPECT_TRUE(RenameFile(tmp.File("b"), tmp.File("a")));
    EXPECT_EQ(TempFolderFixture::Get(tmp.File("a")), "new");
    EXPECT_FALSE(FileExists(tmp.File("b")));
    EXPECT_TRUE(DeleteFile(tmp.File("a")));
    EXPECT_FALSE(DeleteFile(tmp.File("a")));
}

TEST(FileSystem, FindFilesMatchesPlainVisibleFilesWithoutCase)
{
    TempFolderFixture tmp;
    for (const char* name : {"a.JPG", "b.jpg", "c.jpeg", "d", ".hidden.jpg", "\xC3\xA9.jpg"})
        TempFolderFixture::Put(tmp.File(name), "x");
    ASSERT_TRUE(CreateDir(tmp.File("folder.jpg")));
    const auto sorted = [](std::vector<String> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    using V = std::vector<String>;
    EXPECT_EQ(sorted(FindFiles(tmp.Path(), "*.jpg")), (V{"a.JPG", "b.jpg", "\xC3\xA9.jpg"}));
    EXPECT_EQ(sorted(FindFiles(tmp.Path() + "/", "*.*")), (V{"a.JPG", "b.jpg", "c.jpeg", "d", "\xC3\xA9.jpg"}));
    EXPECT_EQ(sorted(FindFiles(tmp.Path(), "?.jp*")), (V{"a.JPG", "b.jpg", "c.jpeg", "\xC3\xA9.jpg"}));
    EXPECT_TRUE(FindFiles(tmp.File("missing"), "*.*").empty());
}

TEST(FileFacts, SizeAndTimes)
{
    TempFolderFixture tmp;
    const String file = tmp.File("f.bin");
    TempFolderFixture::Put(file, "12345");
    const TFileFacts facts = FindFileFacts(file);
    ASSERT_TRUE(facts.Found);
    EXPECT_EQ(facts.Size, 5);
    const time_t now = time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    EXPECT_EQ(facts.Modified.Year, local.tm_year + 1900);
    EXPECT_GE(facts.Created.Year, 1970);
    EXPECT_FALSE(FindFileFacts(tmp.File("missing")).Found);
}

TEST(Dates, DaysSince18991230)
{
    EXPECT_EQ(SystemTimeToDateTime({1899, 12, 30}), 0.0);
    EXPECT_EQ(SystemTimeToDateTime({1900, 1, 1}), 2.0);
    EXPECT_EQ(SystemTimeToDateTime({2000, 1, 1, 12}), 36526.5);
    const TSystemTime st{2024, 2, 29, 23, 59, 58, 999};
    const TSystemTime back = DateTimeToSystemTime(SystemTimeToDateTime(st));
    EXPECT_EQ(back.Year, 2024);
    EXPECT_EQ(back.Month, 2);
    EXPECT_EQ(back.Day, 29);
    EXPECT_EQ(back.Hour, 23);
    EXPECT_EQ(back.Minute, 59);
    EXPECT_EQ(back.Second, 58);
    EXPECT_EQ(back.Milliseconds, 999);
}

TEST(Dates, DateTimeToStrLeavesOutMidnight)
{
    const String saved = setlocale(LC_ALL, nullptr);
    ASSERT_NE(setlocale(LC_ALL, "C.UTF-8"), nullptr);
    EXPECT_EQ(DateTimeToStr(SystemTimeToDateTime({2026, 12, 10})), "12/10/26");
    EXPECT_EQ(DateTimeToStr(SystemTimeToDateTime({2026, 12, 10, 9, 21, 5})), "12/10/26 09:21:05");
    EXPECT_EQ(DateTimeToStr(SystemTimeToDateTime({2026, 12, 10, 0, 0, 0, 1})), "12/10/26 00:00:00");
    setlocale(LC_ALL, saved.c_str());
}

TEST(Dates, InitLocaleSurvivesAnUnknownLocaleAndKeepsNumbersPlain)
{
    const String saved = setlocale(LC_ALL, nullptr);
    const char* lang = getenv("LC_ALL");
    const String savedLang = lang ? lang : "";
    setenv("LC_ALL", "xx_NOWHERE.UTF-8", 1);
    EXPECT_NO_THROW(InitLocale());
    EXPECT_STREQ(setlocale(LC_NUMERIC, nullptr), "C");
    if (lang) setenv("LC_ALL", savedLang.c_str(), 1); else unsetenv("LC_ALL");
    std::locale::global(std::locale::classic());
    setlocale(LC_ALL, saved.c_str());
}
