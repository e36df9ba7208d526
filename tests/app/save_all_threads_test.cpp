// "Save All Images" when the system refuses further threads: fewer workers encode, or none and each
// file is encoded at its turn; the files are the same, and the program goes on.
#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>

#include "view_fixture.h"

namespace {

// Thread starts still granted while refusing is armed (negative: every start is granted).
std::atomic<int> gStartsLeft{-1};

}  // namespace

// Stands in for the system's thread start in this test program, so that a test can make it fail
// as a system out of threads does.
extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*run)(void*), void* arg)
{
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const Create real = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    int left = gStartsLeft.load();
    while (left >= 0) {
        if (left == 0) return EAGAIN;
        if (gStartsLeft.compare_exchange_weak(left, left - 1)) break;
    }
    return real(thread, attributes, run, arg);
}

namespace {

using viewtest::ViewerTest;

class RefusedThreads : public ViewerTest {
protected:
    void TearDown() override
    {
        gStartsLeft = -1;
        app::SaveAllEncoders = 0;
        ViewerTest::TearDown();
    }
    // Saves all segments into a folder of its own and gives the files' bytes.
    std::vector<std::string> SaveAll(const std::string& folder, const char* name)
    {
        std::filesystem::create_directory(File(folder));
        Seam.Files.push_back(File(folder + "/" + name));
        FrmView->CmdSaveAll->Click();
        std::vector<std::string> bytes;
        for (int n = 1; n <= 6; ++n)
            bytes.push_back(viewtest::ReadFile(File(folder + "/seg" + std::to_string(n) + std::string(name).substr(3))));
        return bytes;
    }
    app::TFrmView* FrmView = nullptr;
};

TEST_F(RefusedThreads, FewerWorkersOrNoneWriteTheSameFiles)
{
    FrmView = &MakeViewer(3, 2, 24, 16);
    app::SaveAllEncoders = 1;
    const std::vector<std::string> expectedJpeg = SaveAll("plain-jpg", "seg.jpg");
    const std::vector<std::string> expectedPng = SaveAll("plain-png", "seg.png");
    for (const std::string& b : expectedPng) ASSERT_FALSE(b.empty());
    app::SaveAllEncoders = 4;
    for (int granted : {0, 1, 3}) {
        SCOPED_TRACE(granted);
        Seam.Messages.clear();
        gStartsLeft = granted;
        EXPECT_TRUE(SaveAll("jpg" + std::to_string(granted), "seg.jpg") == expectedJpeg) << "JPEG files differ";
        gStartsLeft = granted;
        EXPECT_TRUE(SaveAll("png" + std::to_string(granted), "seg.png") == expectedPng) << "PNG files differ";
        gStartsLeft = -1;
        for (auto& m : Seam.Messages) EXPECT_NE(m.Kind, ui::TMsgDlgType::mtError) << m.Text;
        EXPECT_EQ(Seam.Messages.back().Text.find("All image segments have now been saved."), 0u);
    }
}

}  // namespace
