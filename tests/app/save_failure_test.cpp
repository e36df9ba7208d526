// Saves that cannot be written: a full disk or a read-only folder leaves an existing file as it
// was, no partial or temporary file, the framework's error, and save all stops there.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "tests/common/AsUser.h"
#include "view_fixture.h"

namespace {

using viewtest::ViewerTest;

enum class Place { FullDisk, ReadOnlyFolder };

class SaveFailure : public ViewerTest, public ::testing::WithParamInterface<Place> {
protected:
    void SetUp() override
    {
        ViewerTest::SetUp();
        Target = File("target");
        std::filesystem::create_directory(Target);
    }

    void TearDown() override
    {
        chmod(Target.c_str(), 0755);
        ViewerTest::TearDown();
    }

    // Runs a case's saves where every write into Target fails: a small file system filled up, or
    // a folder that the saving user may not write (as root, the saves run as an unprivileged user
    // who owns the test's folder).
    void InFailingPlace(const std::function<void()>& saves)
    {
        auto withOldFiles = [&] {
            for (const char* name : {"sunset1.png", "sunset1.bmp", "sunset1.jpg"})
                viewtest::WriteFile(Target + "/" + name, "old contents");
        };
        if (GetParam() == Place::FullDisk) {
            testuser::RunOnSmallDisk(Target, 64 * 1024, [&] {
                withOldFiles();
                {
                    // Fill it up: every further block is refused.
                    std::ofstream filler(Target + "/filler", std::ios::binary);
                    std::string block(4096, 'x');
                    for (int i = 0; i < 64 && filler.write(block.data(), block.size()); ++i) {}
                }
                Before = FolderEntries(Target);
                saves();
            });
            return;
        }
        withOldFiles();
        auto readOnly = [&] {
            ASSERT_NE(access(Target.c_str(), W_OK), 0) << "the read-only folder is writable for user " << geteuid();
            Before = FolderEntries(Target);
            saves();
        };
        if (!testuser::CanSwitchUser()) {
            chmod(Target.c_str(), 0555);
            readOnly();
            return;
        }
        for (auto& entry : std::filesystem::recursive_directory_iterator(Folder))
            ASSERT_EQ(lchown(entry.path().c_str(), testuser::Nobody, testuser::Nobody), 0) << entry.path();
        ASSERT_EQ(chown(Folder.c_str(), testuser::Nobody, testuser::Nobody), 0);
        chmod(Target.c_str(), 0555);
        testuser::RunAsUser(testuser::Nobody, testuser::Nobody, readOnly);
    }

    std::string Existing() const { return Target + "/sunset1.png"; }

    // The error box of the framework, naming no temporary file.
    void ExpectOneErrorAmong(const std::vector<ui::MessageRecord>& messages)
    {
        int errors = 0;
        for (auto& m : messages)
            if (m.Kind == ui::TMsgDlgType::mtError) {
                ++errors;
                EXPECT_EQ(m.Text.find(".quadrell-"), std::string::npos) << m.Text;
            }
        EXPECT_EQ(errors, 1);
        for (auto& m : messages) EXPECT_EQ(m.Text.find("File saved"), std::string::npos);
    }

    std::string Target;
    std::vector<std::string> Before;
};

TEST_P(SaveFailure, SaveOneLeavesTheReplacedFileIntact)
{
    InFailingPlace([&] {
        for (const char* name : {"sunset1.png", "sunset1.bmp", "sunset1.jpg"}) {
            SCOPED_TRACE(name);
            Seam.Messages.clear();
            app::TFrmView& view = MakeViewer(1, 1, 120, 100);
            Seam.Files.push_back(Target + "/" + name);
            Seam.Answers = {ui::mrYes};
            view.Cmdwork->Click();
            ExpectOneErrorAmong(Seam.Messages);
            if (GetParam() == Place::FullDisk) {
                EXPECT_EQ(Seam.Messages.back().Text,
                          "Stream write error \"" + Target + "/" + name + "\". No space left on device");
            }
            EXPECT_EQ(viewtest::ReadFile(Target + "/" + name), "old contents");
            EXPECT_EQ(FolderEntries(Target), Before);
        }
    });
}

TEST_P(SaveFailure, EveryFormatLeavesNoPartialFile)
{
    InFailingPlace([&] {
        for (const char* name : {"other.png", "other.bmp", "other.jpg"}) {
            SCOPED_TRACE(name);
            Seam.Messages.clear();
            app::TFrmView& view = MakeViewer(1, 1, 120, 100);
            Seam.Files.push_back(Target + "/" + name);
            view.Cmdwork->Click();
            ExpectOneErrorAmong(Seam.Messages);
            EXPECT_EQ(FolderEntries(Target), Before);
        }
        EXPECT_EQ(viewtest::ReadFile(Existing()), "old contents");
    });
}

TEST_P(SaveFailure, SaveAllStopsAtTheFirstFailure)
{
    InFailingPlace([&] {
        for (const char* chosen : {"sunset.png", "sunset.jpg"}) {
            SCOPED_TRACE(chosen);
            Seam.Messages.clear();
            app::TFrmView& view = MakeViewer(2, 2, 120, 100);
            Seam.Files.push_back(Target + "/" + chosen);
            Seam.Answers = {ui::mrOk, ui::mrYes};  // the hint; replace sunset1.png
            view.CmdSaveAll->Click();
            ExpectOneErrorAmong(Seam.Messages);
            for (auto& m : Seam.Messages) EXPECT_EQ(m.Text.find("All image segments"), std::string::npos);
            EXPECT_EQ(viewtest::ReadFile(Existing()), "old contents");
            EXPECT_EQ(FolderEntries(Target), Before);
        }
    });
}

INSTANTIATE_TEST_SUITE_P(Places, SaveFailure, ::testing::Values(Place::FullDisk, Place::ReadOnlyFolder),
                         [](const auto& info) { return info.param == Place::FullDisk ? "FullDisk" : "ReadOnlyFolder"; });

TEST_F(ViewerTest, MissingFolderIsToldWithTheChosenName)
{
    app::TFrmView& view = MakeViewer(1, 1, 10, 10);
    const std::string path = File("missing/sunset.png");
    Seam.Files.push_back(path);
    view.Cmdwork->Click();
    ASSERT_EQ(Seam.Messages.size(), 1u);
    EXPECT_EQ(Seam.Messages[0].Kind, ui::TMsgDlgType::mtError);
    EXPECT_NE(Seam.Messages[0].Text.find(path), std::string::npos) << Seam.Messages[0].Text;
    EXPECT_EQ(Seam.Messages[0].Text.find(".quadrell-"), std::string::npos);
}

}  // namespace
