// Saving a file the user named: a temporary file of its own beside the target, moved into place
// when complete; what the user had (permissions, links, read-only files) is kept.
#include "framework/rtl/Classes.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "tests/common/AsUser.h"
#include "tests/rtl/FaultyCalls.h"
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
    // Set-user-ID, set-group-ID and sticky bits too, which a change of owner clears.
    for (mode_t mode : {mode_t(0600), mode_t(0640), mode_t(0755), mode_t(0604), mode_t(04755), mode_t(02750),
                        mode_t(01644), mode_t(06775), mode_t(07777)}) {
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

// Two users who are not root: one plants, the other saves.
constexpr uid_t Victim = testuser::Nobody;
constexpr uid_t Planter = testuser::Other;

void Own(const String& path, uid_t user)
{
    ASSERT_EQ(lchown(path.c_str(), user, user), 0) << path;
}

TEST_F(SaveSafely, ReplacedFileKeepsItsOwnerAndEveryModeBitForEveryUser)
{
    if (!testuser::CanSwitchUser()) GTEST_SKIP() << testuser::NotRoot;
    chmod(tmp.Path().c_str(), 0755);
    const String folder = tmp.File("victim");
    std::filesystem::create_directory(folder);
    Own(folder, Victim);
    const mode_t modes[] = {0644, 04755, 02755, 01644, 06755, 07755};
    // Root replacing another user's file keeps that user as its owner.
    const String others = folder + "/root-saves.bin";
    TempFolderFixture::Put(others, "old");
    Own(others, Planter);
    chmod(others.c_str(), 04750);
    Save(others, "new");
    struct stat st {};
    ASSERT_EQ(stat(others.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, Planter);
    EXPECT_EQ(st.st_gid, Planter);
    EXPECT_EQ(st.st_mode & 07777, 04750u);
    // A user replacing a file of his own.
    for (mode_t mode : modes) {
        const String name = folder + "/own" + std::to_string(mode) + ".bin";
        TempFolderFixture::Put(name, "old");
        Own(name, Victim);
        chmod(name.c_str(), mode);
    }
    testuser::RunAsUser(Victim, Victim, [&] {
        for (mode_t mode : modes) {
            const String name = folder + "/own" + std::to_string(mode) + ".bin";
            Save(name, "new");
            EXPECT_EQ(TempFolderFixture::Get(name), "new");
            EXPECT_EQ(ModeOf(name) & 07777, mode) << std::oct << mode;
        }
    });
}

// A shared sticky folder (as /tmp) where another user has planted links into the victim's home,
// and links that the kernel's own rule lets the victim follow.
TEST_F(SaveSafely, LinksAreFollowedOnlyWhereTheKernelWouldFollowThem)
{
    if (!testuser::CanSwitchUser()) GTEST_SKIP() << testuser::NotRoot;
    chmod(tmp.Path().c_str(), 0755);
    const String home = tmp.File("home"), shared = tmp.File("shared"), planters = tmp.File("planters");
    for (const String& f : {home, home + "/.config", home + "/.config/autostart", shared, planters})
        std::filesystem::create_directory(f);
    for (const String& f : {home, home + "/.config", home + "/.config/autostart"}) Own(f, Victim);
    chmod(home.c_str(), 0700);
    chmod(shared.c_str(), 01777);
    Own(planters, Planter);
    for (const char* name : {"thesis.odt", "mine.jpg", "roots.jpg", "open.jpg", "folder.jpg"}) {
        TempFolderFixture::Put(home + "/" + name, "the victim's own");
        Own(home + "/" + name, Victim);
        chmod((home + "/" + name).c_str(), 0600);
    }
    // The folder's owner made this one; and the victim his own.
    ASSERT_EQ(symlink((home + "/roots.jpg").c_str(), (shared + "/roots.jpg").c_str()), 0);
    testuser::RunAsUser(Victim, Victim, [&] {
        ASSERT_EQ(symlink((home + "/mine.jpg").c_str(), (shared + "/mine.jpg").c_str()), 0);
    });
    testuser::RunAsUser(Planter, Planter, [&] {
        ASSERT_EQ(symlink((home + "/thesis.odt").c_str(), (shared + "/IT_b.jpg").c_str()), 0);
        ASSERT_EQ(symlink((home + "/.config/autostart/planted.desktop").c_str(), (shared + "/b.JPG").c_str()), 0);
        ASSERT_EQ(symlink(home.c_str(), (shared + "/out").c_str()), 0);
        ASSERT_EQ(symlink("b.JPG", (shared + "/chain.jpg").c_str()), 0);
        // In a folder of his own that no one else may write to, the kernel follows his links.
        ASSERT_EQ(symlink((home + "/open.jpg").c_str(), (planters + "/open.jpg").c_str()), 0);
    });
    testuser::RunAsUser(Victim, Victim, [&] {
        ASSERT_EQ(symlink((planters + "/open.jpg").c_str(), (home + "/via.jpg").c_str()), 0);
    });
    const String refused = "\". It is a symbolic link that another user made in a shared folder, so it is not followed.";
    struct Case {
        String name;
        String message;  // empty: saved
        String gets;     // the file that gets the bytes
    };
    const Case cases[] = {
        {shared + "/IT_b.jpg", "Cannot create file \"" + shared + "/IT_b.jpg" + refused, ""},
        {shared + "/b.JPG", "Cannot create file \"" + shared + "/b.JPG" + refused, ""},
        {shared + "/chain.jpg", "Cannot create file \"" + shared + "/chain.jpg" + refused, ""},
        {shared + "/out/folder.jpg",
         "Cannot create file \"" + shared + "/out/folder.jpg\". \"" + shared +
             "/out\" is a symbolic link that another user made in a shared folder, so it is not followed.",
         ""},
        {shared + "/mine.jpg", "", home + "/mine.jpg"},
        {shared + "/roots.jpg", "", home + "/roots.jpg"},
        {home + "/via.jpg", "", home + "/open.jpg"},
    };
    testuser::RunAsUser(Victim, Victim, [&] {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            if (c.message.empty()) {
                Save(c.name, "saved");
                EXPECT_EQ(TempFolderFixture::Get(c.gets), "saved");
                EXPECT_EQ(ModeOf(c.gets) & 07777, 0600u);
                EXPECT_TRUE(S_ISLNK(ModeOf(c.name)));
            } else {
                EXPECT_EQ(Refusal(c.name), c.message);
            }
        }
    });
    for (const char* name : {"thesis.odt", "folder.jpg"})
        EXPECT_EQ(TempFolderFixture::Get(home + "/" + name), "the victim's own") << name;
    EXPECT_FALSE(std::filesystem::exists(home + "/.config/autostart/planted.desktop"));
    std::set<std::string> homeEntries;
    for (auto& e : std::filesystem::directory_iterator(home)) homeEntries.insert(e.path().filename());
    EXPECT_EQ(homeEntries, (std::set<std::string>{".config", "folder.jpg", "mine.jpg", "open.jpg", "roots.jpg",
                                                  "thesis.odt", "via.jpg"}));
}

TEST_F(SaveSafely, FailedCloseOrFsyncLeavesTheTargetAndIsReported)
{
    struct Case {
        faulty::Call call;
        int error;
        bool replacing;
        const char* reason;
    };
    const Case cases[] = {
        {faulty::Call::Close, EIO, false, "Input/output error"},
        {faulty::Call::Close, ENOSPC, true, "No space left on device"},
        {faulty::Call::Fsync, EIO, true, "Input/output error"},
        {faulty::Call::Fsync, EDQUOT, true, "Disk quota exceeded"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const String name = tmp.File("seg.png");
        std::filesystem::remove(name);
        if (c.replacing) TempFolderFixture::Put(name, "old");
        const std::set<std::string> before = Entries();
        {
            faulty::FailOnTemporaryFile fail(c.call, c.error);
            EXPECT_EQ(Refusal(name), "Stream write error \"" + name + "\". " + c.reason);
            EXPECT_EQ(fail.Failures(), 1);
        }
        EXPECT_EQ(Entries(), before);
        EXPECT_EQ(TempFolderFixture::Get(name), c.replacing ? "old" : "");
    }
}

}  // namespace

TEST_F(SaveSafely, NewFileNeverTakesANameThatIsTakenBeforeOrDuringTheWrite)
{
    const String name = tmp.File("seg.jpg");
    const auto write = [](TStream& s) { s.WriteBuffer("new", 3); };
    EXPECT_TRUE(SaveNewFileSafely(name, write));
    EXPECT_EQ(TempFolderFixture::Get(name), "new");

    TempFolderFixture::Put(name, "old");
    EXPECT_FALSE(SaveNewFileSafely(name, write));
    EXPECT_EQ(TempFolderFixture::Get(name), "old");

    // Another program makes the file while ours is being written: its file stays.
    std::filesystem::remove(name);
    EXPECT_FALSE(SaveNewFileSafely(name, [&](TStream& s) {
        TempFolderFixture::Put(name, "theirs");
        write(s);
    }));
    EXPECT_EQ(TempFolderFixture::Get(name), "theirs");
    EXPECT_EQ(Entries(), (std::set<std::string>{"seg.jpg"}));
}
