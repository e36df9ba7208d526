// Windows: frame and client sizes, centring, the real modal loop, closing and the main form.
#include <gtest/gtest.h>

#include <QWidget>

#include "framework/ui/Application.h"
#include "framework/ui/Forms.h"
#include "framework/ui/StdCtrls.h"

namespace {

using namespace ui;

struct FrameCase {
    TFormBorderStyle style;
    int width, height;  // for a client area of 267 x 130
};

class FormFrames : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FormFrames, WidthAndHeightIncludeTheFrame)
{
    const FrameCase& c = GetParam();
    TForm form(nullptr);
    form.SetBorderStyle(c.style);
    form.SetClientSize(267, 130);
    EXPECT_EQ(form.Width(), c.width);
    EXPECT_EQ(form.Height(), c.height);
    form.SetWidth(c.width + 100);
    EXPECT_EQ(form.ClientWidth(), 367);
    EXPECT_EQ(form.ClientHeight(), 130);
}

INSTANTIATE_TEST_SUITE_P(Table, FormFrames,
                         ::testing::Values(FrameCase{TFormBorderStyle::bsSizeable, 275, 157},
                                           FrameCase{TFormBorderStyle::bsSingle, 273, 155},
                                           FrameCase{TFormBorderStyle::bsDialog, 273, 155},
                                           FrameCase{TFormBorderStyle::bsNone, 267, 130}));

TEST(Form, CentredOnTheScreenWhenFirstShown)
{
    ScriptedSeam seam;
    TForm form(nullptr);
    form.SetClientSize(427, 350);
    form.SetPosition(TPosition::poScreenCenter);
    form.Show();
    EXPECT_EQ(form.Left(), (Screen().Width() - form.Width()) / 2);
    EXPECT_EQ(form.Top(), (Screen().Height() - form.Height()) / 2);
}

TEST(Form, OnCreateRunsOnceAfterConstruction)
{
    int created = 0;
    struct W : TForm {
        W(TComponent* o, int& n) : TForm(o)
        {
            Label = new TLabel(this);
            Label->SetName("Label1");
            OnCreate = [this, &n](TObject*) {
                ++n;
                Label->SetCaption("made");
            };
            DoCreate();
        }
        TLabel* Label;
    };
    W w(nullptr, created);
    w.DoCreate();
    EXPECT_EQ(created, 1);
    EXPECT_EQ(w.Label->Caption(), "made");
}

struct AutoCreated : TForm {
    static AutoCreated* Global;
    explicit AutoCreated(TComponent* o) : TForm(o)
    {
        OnCreate = [this](TObject*) { SeenSelf = Global == this; };
        DoCreate();
    }
    bool SeenSelf = false;
};
AutoCreated* AutoCreated::Global = nullptr;

TEST(Form, CreateFormSetsTheReferenceBeforeTheConstructorRuns)
{
    TApplication& app = Application();
    TForm* previous = app.MainForm();
    app.SetMainForm(nullptr);
    app.CreateForm(AutoCreated::Global);
    EXPECT_TRUE(AutoCreated::Global->SeenSelf);
    EXPECT_EQ(app.MainForm(), AutoCreated::Global);
    EXPECT_EQ(AutoCreated::Global->Owner(), &app);
    delete AutoCreated::Global;
    EXPECT_EQ(app.MainForm(), nullptr);
    app.SetMainForm(previous);
}

TEST(Form, ReleaseFreesTheWindowLater)
{
    ScriptedSeam seam;
    TComponent owner(nullptr);
    auto* f = new TForm(&owner);
    f->Show();
    f->Release();
    EXPECT_EQ(owner.ComponentCount(), 1);
    ProcessMessages();
    EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST(Form, AReleasedWindowFreedByItsOwnerMeanwhileIsNotFreedAgain)
{
    ScriptedSeam seam;
    auto* owner = new TComponent(nullptr);
    auto* f = new TForm(owner);
    f->Release();
    delete owner;
    ProcessMessages();  // must not touch the freed window
    SUCCEED();
}

TEST(RealModalLoop, EndsWhenAButtonSetsTheResult)
{
    if (!GuiRunning()) GTEST_SKIP() << "no GUI";
    TForm dlg(nullptr);
    dlg.SetClientSize(100, 50);
    auto* ok = new TButton(&dlg);
    ok->SetParent(&dlg);
    ok->SetModalResult(mrOk);
    bool shownWhileModal = false;
    // Queued before the showing: it runs inside the modal loop, as a click would.
    QueueEvent([&] {
        shownWhileModal = dlg.Visible() && dlg.Widget() && dlg.Widget()->isVisible();
        ok->Click();
    });
    EXPECT_EQ(dlg.ShowModal(), mrOk);
    EXPECT_TRUE(shownWhileModal);
    EXPECT_FALSE(dlg.Visible());
    EXPECT_FALSE(dlg.Widget()->isVisible());
}

TEST(RealModalLoop, HidingTheWindowEndsTheShowing)
{
    if (!GuiRunning()) GTEST_SKIP() << "no GUI";
    TForm dlg(nullptr);
    QueueEvent([&] { dlg.Hide(); });
    EXPECT_EQ(dlg.ShowModal(), mrCancel);
}

TEST(RealModalLoop, TheCloseBoxGivesCancel)
{
    if (!GuiRunning()) GTEST_SKIP() << "no GUI";
    TForm dlg(nullptr);
    QueueEvent([&] { dlg.Widget()->close(); });
    EXPECT_EQ(dlg.ShowModal(), mrCancel);
}

}  // namespace
