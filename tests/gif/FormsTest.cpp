#include <gtest/gtest.h>

#include "GifTestUtil.h"
#include "framework/ui/Application.h"
#include "framework/ui/Seam.h"
#include "gif/FmCanSav.h"
#include "gif/FmProgr.h"

using namespace gif;

TEST(ProgressWindow, ShownWhileNotFinished)
{
    delete ProgressForm;
    ProgressForm = nullptr;

    ShowProgress(1);  // the first report makes the window, hidden
    ASSERT_NE(ProgressForm, nullptr);
    EXPECT_FALSE(ProgressForm->Visible());
    TProgressForm* window = ProgressForm;

    const struct {
        float value;
        bool visible;
        int needle;
    } steps[] = {{0.5f, true, 50}, {0.9999f, true, 100}, {1.0f, false, 100}, {0.2f, true, 20},
                 {0.125f, true, 12}, {0.375f, true, 38}, {-0.5f, true, 0}, {1.5f, false, 0}};
    for (const auto& s : steps) {
        ShowProgress(s.value);
        EXPECT_EQ(ProgressForm, window);  // made once
        EXPECT_EQ(window->Visible(), s.visible) << s.value;
        EXPECT_EQ(window->Gauge1->Progress(), s.needle) << s.value;
    }
}

TEST(ProgressWindow, Layout)
{
    ShowProgress(2);
    TProgressForm& w = *ProgressForm;
    EXPECT_EQ(w.Caption(), "Progress");
    EXPECT_EQ(w.Left(), 11);
    EXPECT_EQ(w.Top(), 8);
    EXPECT_EQ(w.Width(), 275);
    EXPECT_EQ(w.Height(), 157);
    EXPECT_EQ(w.BorderStyle(), ui::TFormBorderStyle::bsSizeable);
    EXPECT_EQ(w.Font().Name, "System");
    EXPECT_EQ(w.Font().Height, -14);
    EXPECT_EQ(w.Gauge1->Kind(), ui::TGaugeKind::gkNeedle);
    EXPECT_EQ(w.Gauge1->Align(), ui::TAlign::alClient);
    EXPECT_EQ(w.Gauge1->ForeColor(), ui::clBlue);
    EXPECT_EQ(w.Gauge1->MinValue(), 0);
    EXPECT_EQ(w.Gauge1->MaxValue(), 100);
    EXPECT_TRUE(w.Gauge1->ShowText());
    EXPECT_EQ(w.Gauge1->Width(), w.ClientWidth());
}

TEST(ProgressWindow, PendingMessagesRunBeforeAReportReturns)
{
    bool handled = false;
    ui::QueueEvent([&] { handled = true; });
    ShowProgress(0.3f);
    EXPECT_TRUE(handled);
    ShowProgress(1);
}

TEST(ProgressWindow, InstalledAtStartUp)
{
    TProgressProc saved = ProgressCallback;
    InitFmProgr();
    EXPECT_EQ(ProgressCallback, &ShowProgress);
    ProgressCallback = saved;
}

namespace {

struct DialogFixture : ::testing::Test {
    void SetUp() override
    {
        folder = giftest::Scratch() + "/gif_cansave_test";
        rtl::CreateDir(folder);
        existing = folder + "/there.gif";
        giftest::StreamOf("x")->SaveToFile(existing);
        dialog = std::make_unique<TCanSaveDialog>(nullptr);
    }
    void TearDown() override
    {
        dialog.reset();
        rtl::DeleteFile(existing);
    }
    std::string folder, existing;
    std::unique_ptr<TCanSaveDialog> dialog;
    ui::ScriptedSeam seam;
};

}  // namespace

TEST_F(DialogFixture, MissingFileNeedsNoQuestion)
{
    EXPECT_TRUE(dialog->Execute(folder + "/new.gif"));
    EXPECT_EQ(dialog->Filename, folder + "/new.gif");
    EXPECT_TRUE(seam.ModalShown.empty());
}

TEST_F(DialogFixture, Answers)
{
    const struct {
        const char* what;
        std::function<void(TCanSaveDialog&)> act;
        bool result;
    } cases[] = {
        {"yes", [](TCanSaveDialog& d) { d.Button1->Click(); }, true},
        {"no", [](TCanSaveDialog& d) { d.Button3->Click(); }, false},
        {"close box", nullptr, false},
    };
    for (const auto& c : cases) {
        seam.OnShowModal = [&](ui::TForm& f) {
            if (c.act) c.act(static_cast<TCanSaveDialog&>(f));
        };
        EXPECT_EQ(dialog->Execute(existing), c.result) << c.what;
        EXPECT_EQ(dialog->Filename, existing) << c.what;
    }
    ASSERT_EQ(seam.ModalShown.size(), 3u);
    EXPECT_EQ(seam.ModalShown[0], "CanSaveDialog");
}

TEST_F(DialogFixture, ChangeFilename)
{
    seam.OnShowModal = [](ui::TForm& f) { static_cast<TCanSaveDialog&>(f).SaveAsButton->Click(); };
    seam.Files.push_back(folder + "/other.gif");
    EXPECT_TRUE(dialog->Execute(existing));
    EXPECT_EQ(dialog->Filename, folder + "/other.gif");
    ASSERT_EQ(seam.Dialogs.size(), 1u);
    EXPECT_TRUE(seam.Dialogs[0].Save);
    EXPECT_EQ(seam.Dialogs[0].FileName, existing);
    EXPECT_TRUE(seam.Dialogs[0].Options & ui::ofOverwritePrompt);
    EXPECT_TRUE(seam.Dialogs[0].Options & ui::ofPathMustExist);

    seam.Files.push_back(std::nullopt);
    EXPECT_FALSE(dialog->Execute(existing));
    EXPECT_EQ(dialog->Filename, existing);
}

TEST_F(DialogFixture, LabelAndWidthFollowTheName)
{
    seam.OnShowModal = [](ui::TForm& f) { static_cast<TCanSaveDialog&>(f).Button3->Click(); };
    std::string longName = folder + "/" + std::string(60, 'l') + ".gif";
    giftest::StreamOf("x")->SaveToFile(longName);
    int widths[2] = {0, 0};
    int k = 0;
    for (const std::string& name : {existing, longName}) {
        dialog->Execute(name);
        EXPECT_EQ(dialog->FilenameLabel->Caption(), name + " already exists.");
        EXPECT_EQ(dialog->ClientWidth(), dialog->FilenameLabel->Width() + 95);
        widths[k++] = dialog->ClientWidth();
    }
    EXPECT_GT(widths[1], widths[0]);
    rtl::DeleteFile(longName);
}

TEST_F(DialogFixture, Layout)
{
    EXPECT_EQ(dialog->Caption(), "Save");
    EXPECT_EQ(dialog->BorderStyle(), ui::TFormBorderStyle::bsDialog);
    EXPECT_EQ(dialog->ClientWidth(), 268);
    EXPECT_EQ(dialog->ClientHeight(), 147);
    EXPECT_EQ(dialog->Position(), ui::TPosition::poScreenCenter);
    EXPECT_EQ(dialog->Image1->Width(), 34);
    EXPECT_EQ(dialog->Image1->Height(), 34);
    EXPECT_EQ(dialog->Button1->Caption(), "&Yes");
    EXPECT_EQ(dialog->Button1->ModalResult(), 1);
    EXPECT_EQ(dialog->Button3->Caption(), "&No");
    EXPECT_EQ(dialog->Button3->ModalResult(), 3);
    EXPECT_EQ(dialog->SaveAsButton->Caption(), "&Change filename");
    EXPECT_EQ(dialog->SaveAsButton->TabOrder(), 0);
    EXPECT_EQ(dialog->Label2->Caption(), "Do you want to replace it?");
}

TEST(CanSaveDialogUnit, MadeAtStartUpAndFreedAtExit)
{
    InitFmCanSav();
    ASSERT_NE(CanSaveDialog, nullptr);
    EXPECT_FALSE(CanSaveDialog->Visible());
    DoneFmCanSav();
    EXPECT_EQ(CanSaveDialog, nullptr);
}
