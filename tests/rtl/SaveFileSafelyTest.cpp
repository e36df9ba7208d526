// Saving a file the user named: a temporary file of its own beside the target, moved into place
// when complete; what the user had (permissions, links, read-only files) is kept.
#include "framework/rtl/Classes.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "tests/rtl/TempFolder.h"

using namespace rtl;

namespace {

class SaveSafely : public ::testing::Test {
protected:
    void Save(const String& name, const std::string& bytes)
    {
        SaveFileSafely(name, [&](TStream& s) { s.WriteBuffer(bytes.data(), int64_t(bytes.size())); });
    }
    // The message of what Save raises.
    std::string Refusal(const String& name)
    {
        try {
            Save(name, "new");
        } catch (const Exception& e) {
            return e.Message();
        }
        return "(nothing raised)";
    }
    std::set<std::string> Entries() const
    {
        std::set<std::string> names;
        for (auto& e : std::filesystem::directory_iterator(tmp.Path())) names.insert(e.path().filename());
        return names;
    }
    static mode_t ModeOf(const String& path)
    {
        struct stat st {};
        EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
        return st.st_mode;
    }
    TempFolderFixture tmp;
};

TEST_F(SaveSafely, WritesThroughAFileOfItsOwnThatNoOneCouldPlant)
{
    // Links and pipes planted under names a writer might pick.
    const String victim = tmp.File("victim");
    for (int i = 0; i < 50; ++i) {
        const String n = tmp.File(".quadrell-" + std::to_string(i) + ".part");
        ASSERT_EQ(symlink(victim.c_str(), n.c_str()), 0);
        const String p = tmp.File(".quadrell-" + std::to_string(i));
        ASSERT_EQ(mkfifo(p.c_str(), 0666), 0);
    }
    const std::set<std::string> planted = Entries();
    std::set<std::string> temporaries;
    for (int round = 0; round < 2; ++round) {
        SaveFileSafely(tmp.File("seg.bmp"), [&](TStream& s) {
            // While it is written: one new entry, a plain file only this user can read.
            std::set<std::string> now = Entries();
            for (auto& n : planted) now.erase(n);
            now.erase("seg.bmp");
            ASSERT_EQ(now.size(), 1u);
            temporaries.insert(*now.begin());
            const mode_t mode = ModeOf(tmp.File(*now.begin()));
            EXPECT_TRUE(S_ISREG(mode));
            EXPECT_EQ(mode & 077, 0u);
            s.WriteBuffer("pixels", 6);
        });
    }
    EXPECT_EQ(temporaries.size(), 2u) << "a fresh name each time";
    EXPECT_EQ(TempFolderFixture::Get(tmp.File("seg.bmp")), "pixels");
    EXPECT_FALSE(std::filesystem::exists(victim));
    std::set<std::string> after = planted;
    after.insert("seg.bmp");
    EXPECT_EQ(Entries(), after);
}

TEST_F(SaveSafely, ReplacedFileKeepsItsPermissions)
{
    for (mode_t mode : {mode_t(0600), mode_t(0640), mode_t(0755), mode_t(0604)}) {
        const String name = tmp.File("keep.png");
        TempFolderFixture::Put(name, "old");
        chmod(name.c_str(), mode);
        Save(name, "new");
        EXPECT_EQ(TempFolderFixture::Get(name), "new");
        EXPECT_EQ(ModeOf(name) & 07777, mode) << std::oct << mode;
    }
}

TEST_F(SaveSafely, NewFileFollowsTheCreationMask)
{
    for (mode_t mask : {mode_t(022), mode_t(077), mode_t(002)}) {
        const mode_t before = umask(mask);
        const String name = tmp.File("new" + std::to_string(mask) + ".png");
        Save(name, "new");
        umask(before);
        EXPECT_EQ(ModeOf(name) & 07777, 0666 & ~mask) << std::oct << mask;
    }
}

TEST_F(SaveSafely, LinkKeepsPointingAndItsTargetGetsTheBytes)
{
    std::filesystem::create_directory(tmp.File("real"));
    const String target = tmp.File("real/picture.jpg");
    TempFolderFixture::Put(target, "old");
    chmod(target.c_str(), 0600);
    // Absolute, relative to the link's folder, and a chain of two links.
    ASSERT_EQ(symlink(target.c_str(), tmp.File("absolute.jpg").c_str()), 0);
    ASSERT_EQ(symlink("real/picture.jpg", tmp.File("relative.jpg").c_str()), 0);
    ASSERT_EQ(symlink("relative.jpg", tmp.File("chain.jpg").c_str()), 0);
    for (const char* link : {"absolute.jpg", "relative.jpg", "chain.jpg"}) {
        SCOPED_TRACE(link);
        const String name = tmp.File(link);
        const std::string pointsTo = std::filesystem::read_symlink(name);
        const std::string bytes = std::string("through ") + link;
        Save(name, bytes);
        EXPECT_TRUE(S_ISLNK(ModeOf(name)));
        EXPECT_EQ(std::string(std::filesystem::read_symlink(name)), pointsTo);
        EXPECT_EQ(TempFolderFixture::Get(target), bytes);
        EXPECT_EQ(ModeOf(target) & 07777, 0600u);
    }
    EXPECT_EQ(Entries(), (std::set<std::string>{"absolute.jpg", "chain.jpg", "real", "relative.jpg"}));
}

TEST_F(SaveSafely, LinkToAMissingFileCountsAsAFileAndNothingIsMadeThroughIt)
{
    std::filesystem::create_directory(tmp.File("elsewhere"));
    ASSERT_EQ(symlink(tmp.File("elsewhere/new").c_str(), tmp.File("c.BMP").c_str()), 0);
    ASSERT_EQ(symlink("elsewhere/rel", tmp.File("relative.BMP").c_str()), 0);
    ASSERT_EQ(symlink("c.BMP", tmp.File("chain.BMP").c_str()), 0);
    ASSERT_EQ(symlink(tmp.File("nofolder/new").c_str(), tmp.File("nofolder.BMP").c_str()), 0);
    const std::set<std::string> before = Entries();
    struct Case { const char* name; std::string pointsTo; };
    const Case cases[] = {
        {"c.BMP", tmp.File("elsewhere/new")},
        {"relative.BMP", "elsewhere/rel"},
        {"chain.BMP", tmp.File("elsewhere/new")},
        {"nofolder.BMP", tmp.File("nofolder/new")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const String name = tmp.File(c.name);
        EXPECT_TRUE(FileExists(name));
        EXPECT_EQ(Refusal(name), "Cannot create file \"" + name + "\". It is a symbolic link to \"" + c.pointsTo +
                                     "\", which does not exist; no file is made through a link.");
        EXPECT_TRUE(S_ISLNK(ModeOf(name)));
    }
    EXPECT_TRUE(std::filesystem::is_empty(tmp.File("elsewhere")));
    EXPECT_EQ(Entries(), before);
}

TEST_F(SaveSafely, ReadOnlyAndSpecialFilesAreNotReplaced)
{
    // Judged from the mode bits, so that it holds for every user, root included.
    const String readOnly = tmp.File("readonly.bmp");
    TempFolderFixture::Put(readOnly, "old");
    chmod(readOnly.c_str(), 0444);
    const String ownerCannot = tmp.File("ownercannot.bmp");
    TempFolderFixture::Put(ownerCannot, "old");
    chmod(ownerCannot.c_str(), 0466);
    ASSERT_EQ(symlink("readonly.bmp", tmp.File("tothereadonly.bmp").c_str()), 0);
    const String fifo = tmp.File("pipe.bmp");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    std::filesystem::create_directory(tmp.File("folder.bmp"));
    ASSERT_EQ(symlink("loop2.bmp", tmp.File("loop1.bmp").c_str()), 0);
    ASSERT_EQ(symlink("loop1.bmp", tmp.File("loop2.bmp").c_str()), 0);
    const std::set<std::string> before = Entries();

    struct Case { String name; std::string reason; };
    const Case cases[] = {
        {readOnly, "Permission denied"},
        {ownerCannot, "Permission denied"},
        {tmp.File("tothereadonly.bmp"), "Permission denied"},
        {fifo, "Not a regular file"},
        {tmp.File("folder.bmp"), "Is a directory"},
        {tmp.File("loop1.bmp"), "Too many levels of symbolic links"},
        {tmp.File("missing/seg.bmp"), "No such file or directory"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Refusal(c.name), "Cannot create file \"" + c.name + "\". " + c.reason);
    EXPECT_EQ(TempFolderFixture::Get(readOnly), "old");
    EXPECT_EQ(TempFolderFixture::Get(ownerCannot), "old");
    EXPECT_EQ(ModeOf(readOnly) & 07777, 0444u);
    EXPECT_EQ(Entries(), before);
}

TEST_F(SaveSafely, FailedWriteLeavesTheTargetAndNoTemporaryFile)
{
    const String name = tmp.File("seg.jpg");
    TempFolderFixture::Put(name, "old");
    EXPECT_THROW(SaveFileSafely(name,
                                [](TStream& s) {
                                    s.WriteBuffer("partial", 7);
                                    throw EInvalidGraphic("encoder failed");
                                }),
                 EInvalidGraphic);
    EXPECT_EQ(TempFolderFixture::Get(name), "old");
    EXPECT_EQ(Entries(), (std::set<std::string>{"seg.jpg"}));
}

}  // namespace
