// Windows: frame and client sizes, centring, the real modal loop, closing and the main form.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

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

TEST(RealModalLoop, EveryShowingIsModalAndADialogOverTheWindowThatShowedIt)
{
    if (!GuiRunning()) GTEST_SKIP() << "no GUI";
    TForm outer(nullptr), inner(nullptr);
    outer.SetClientSize(200, 100);
    inner.SetClientSize(100, 50);
    struct Seen {
        bool modal, dialog;
        QWindow* transientFor;
    };
    std::vector<Seen> seen;
    auto look = [&] {
        QWidget* w = inner.Widget();
        seen.push_back({QGuiApplication::modalWindow() == w->windowHandle(), w->windowType() == Qt::Dialog,
                        w->windowHandle()->transientParent()});
        inner.Close();
    };
    // The same window shown modally three times, as the quality dialog is.
    QueueEvent([&] {
        for (int i = 0; i < 3; ++i) {
            QueueEvent(look);
            inner.ShowModal();
        }
        outer.Close();
    });
    outer.ShowModal();
    ASSERT_EQ(seen.size(), 3u);
    for (const Seen& s : seen) {
        EXPECT_TRUE(s.modal);
        EXPECT_TRUE(s.dialog);
        EXPECT_EQ(s.transientFor, outer.Widget()->windowHandle());
    }
    EXPECT_FALSE(inner.Widget()->isVisible());
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
}

// A key pressed on the control that has the keyboard, passed up as the application passes it.
void Press(TForm& form, int key)
{
    QWidget* target = form.Widget()->focusWidget() ? form.Widget()->focusWidget() : form.Widget();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
}

struct KeyDialog {
    TForm form{nullptr};
    TScrollBar* bar = new TScrollBar(&form);
    TButton* ok = new TButton(&form);
    int okClicks = 0;
    KeyDialog()
    {
        form.SetClientSize(200, 100);
        bar->SetParent(&form);
        ok->SetParent(&form);
        ok->SetTop(40);
        ok->SetDefault(true);
        ok->OnClick = [this](TObject*) {
            ++okClicks;
            form.Close();
        };
    }
};

TEST(WindowKeys, EachShowingStartsOnTheFirstControlAndEnterPressesTheDefaultButton)
{
    if (!GuiRunning()) GTEST_SKIP() << "no GUI";
    KeyDialog d;
    std::vector<QWidget*> focused;
    for (int i = 0; i < 2; ++i) {
        QueueEvent([&] {
            focused.push_back(d.form.Widget()->focusWidget());
            Press(d.form, Qt::Key_Return);
        });
        d.form.ShowModal();
        if (i == 0) d.ok->Widget()->setFocus();  // the next showing starts on the first control again
    }
    EXPECT_EQ(d.okClicks, 2);
    ASSERT_EQ(focused.size(), 2u);
    EXPECT_EQ(focused[0], d.bar->Widget());
    EXPECT_EQ(focused[1], d.bar->Widget());
}

TEST(WindowKeys, EscapeClosesAModalWindowOnly)
{
    if (!GuiRunning()) GTEST_SKIP() << "no GUI";
    KeyDialog d;
    QueueEvent([&] { Press(d.form, Qt::Key_Escape); });
    EXPECT_EQ(d.form.ShowModal(), mrCancel);
    EXPECT_EQ(d.okClicks, 0);
    TForm plain(nullptr);
    plain.SetClientSize(100, 50);
    plain.Show();
    Press(plain, Qt::Key_Escape);
    EXPECT_TRUE(plain.Visible());
}

// A modal window with controls of every kind that takes the keyboard, an OK-kind and a
// Cancel-kind button.
struct KindDialog {
    TForm form{nullptr};
    TRadioButton* radio = new TRadioButton(&form);
    TCheckBox* check = new TCheckBox(&form);
    TEdit* edit = new TEdit(&form);
    TSpinEdit* spin = new TSpinEdit(&form);
    TListBox* list = new TListBox(&form);
    TButton* other = new TButton(&form);
    TBitBtn* ok = new TBitBtn(&form);
    TBitBtn* cancel = new TBitBtn(&form);
    int otherClicks = 0, okClicks = 0, cancelClicks = 0;
    KindDialog()
    {
        form.SetClientSize(300, 300);
        int top = 0;
        for (TControl* c : std::initializer_list<TControl*>{radio, check, edit, spin, list, other, ok, cancel}) {
            c->SetParent(&form);
            c->SetTop(top);
            top += 30;
        }
        ok->SetKind(TBitBtnKind::bkOK);
        cancel->SetKind(TBitBtnKind::bkCancel);
        other->OnClick = [this](TObject*) { ++otherClicks; };
        ok->OnClick = [this](TObject*) { ++okClicks; };
        cancel->OnClick = [this](TObject*) { ++cancelClicks; };
    }
    TControl* Named(const std::string& name)
    {
        if (name == "radio") return radio;
        if (name == "check") return check;
        if (name == "edit") return edit;
        if (name == "spin") return spin;
        if (name == "list") return list;
        if (name == "other") return other;
        return ok;
    }
};

struct KeyCase {
    const char* focus;
    int key;
    int result;       // the showing's result
    int okClicks, cancelClicks, otherClicks;
};

class ButtonKindKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(ButtonKindKeys, EnterPressesTheOkKindButtonUnlessAnotherHasTheKeyboardAndEscapeTheCancelKind)
{
    if (!GuiRunning()) GTEST_SKIP() << "no GUI";
    const KeyCase& k = GetParam();
    KindDialog d;
    QueueEvent([&] {
        d.Named(k.focus)->Widget()->setFocus();
        Press(d.form, k.key);
        if (d.form.ModalResult() == mrNone) d.form.Close();
    });
    EXPECT_EQ(d.form.ShowModal(), k.result);
    EXPECT_EQ(d.okClicks, k.okClicks);
    EXPECT_EQ(d.cancelClicks, k.cancelClicks);
    EXPECT_EQ(d.otherClicks, k.otherClicks);
}

INSTANTIATE_TEST_SUITE_P(Table, ButtonKindKeys,
                         ::testing::Values(KeyCase{"radio", Qt::Key_Return, mrOk, 1, 0, 0},
                                           KeyCase{"check", Qt::Key_Enter, mrOk, 1, 0, 0},
                                           KeyCase{"edit", Qt::Key_Return, mrOk, 1, 0, 0},
                                           KeyCase{"spin", Qt::Key_Return, mrOk, 1, 0, 0},
                                           KeyCase{"list", Qt::Key_Return, mrOk, 1, 0, 0},
                                           KeyCase{"other", Qt::Key_Return, mrCancel, 0, 0, 1},
                                           KeyCase{"radio", Qt::Key_Escape, mrCancel, 0, 1, 0},
                                           KeyCase{"edit", Qt::Key_Escape, mrCancel, 0, 1, 0},
                                           KeyCase{"list", Qt::Key_Escape, mrCancel, 0, 1, 0},
                                           KeyCase{"ok", Qt::Key_Escape, mrCancel, 0, 1, 0}));

// Counts the times a window is blocked by a modal window.
struct BlockedCount : QObject {
    int Count = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::WindowBlocked) ++Count;
        return false;
    }
};

TEST(WindowKeys, AWindowShownWhileAModalWindowIsUpBelongsToItAndEscapePressesItsCloseButton)
{
    if (!GuiRunning()) GTEST_SKIP() << "no GUI";
    TForm before(nullptr), modal(nullptr), results(nullptr);
    before.SetClientSize(100, 50);
    modal.SetClientSize(300, 200);
    results.SetClientSize(200, 100);
    auto* list = new TListBox(&results);
    list->SetParent(&results);
    auto* close = new TBitBtn(&results);
    close->SetParent(&results);
    close->SetTop(60);
    close->SetKind(TBitBtnKind::bkClose);
    before.Show();
    BlockedCount beforeBlocked, resultsBlocked;
    before.Widget()->windowHandle()->installEventFilter(&beforeBlocked);
    bool dialog = false, onTopOfModal = false, visibleAfterEscape = true;
    QueueEvent([&] {
        results.Show();
        QWindow* handle = results.Widget()->windowHandle();
        handle->installEventFilter(&resultsBlocked);
        dialog = results.Widget()->windowType() == Qt::Dialog;
        onTopOfModal = handle->transientParent() == modal.Widget()->windowHandle();
        Press(results, Qt::Key_Escape);
        visibleAfterEscape = results.Visible();
        modal.Close();
    });
    modal.ShowModal();
    EXPECT_TRUE(dialog);
    EXPECT_TRUE(onTopOfModal);
    EXPECT_FALSE(visibleAfterEscape);
    EXPECT_GT(beforeBlocked.Count, 0);  // a window shown before the modal one is blocked by it
    EXPECT_EQ(resultsBlocked.Count, 0);
    // Shown again with no modal window up it is a plain window of its own.
    results.Show();
    EXPECT_EQ(results.Widget()->windowType(), Qt::Window);
    EXPECT_EQ(results.Widget()->windowHandle()->transientParent(), nullptr);
    results.Hide();
    before.Hide();
}

TEST(WindowKeys, TabFollowsTheReadingOrderAfterTheControlsGivenAPlace)
{
    if (!GuiRunning()) GTEST_SKIP() << "no GUI";
    TForm form(nullptr);
    form.SetClientSize(400, 300);
    auto button = [](TWinControl* parent, const char* name, int left, int top, int height = 25) {
        auto* b = new TButton(parent->Owner() ? parent->Owner() : parent);
        b->SetName(name);
        b->SetParent(parent);
        b->SetBounds(left, top, 75, height);
        return b;
    };
    // Put on the window out of reading order: a row whose tops differ a little, a tall panel with
    // a column beside it, and a control given the first place.
    button(&form, "bottom", 10, 250);
    button(&form, "rowRight", 200, 8);
    button(&form, "rowLeft", 10, 10, 21);
    auto* panel = new TPanel(&form);
    panel->SetName("panel");
    panel->SetParent(&form);
    panel->SetBounds(10, 50, 180, 180);
    button(panel, "inRight", 95, 5);
    button(panel, "inLeft", 5, 6);
    button(panel, "inBelow", 5, 60);
    button(&form, "columnLower", 250, 120);
    button(&form, "columnUpper", 250, 60);
    auto* image = new TImage(&form);  // takes no keyboard: makes no row
    image->SetParent(&form);
    image->SetBounds(300, 0, 90, 300);
    button(&form, "first", 300, 280)->SetTabOrder(0);
    form.HandleNeeded();
    std::vector<String> names;
    for (TControl* c : form.TabStops()) names.push_back(c->Name());
    EXPECT_EQ(names, (std::vector<String>{"first", "rowLeft", "rowRight", "inLeft", "inRight", "inBelow",
                                          "columnUpper", "columnLower", "bottom"}));
}

TEST(WindowKeys, AControlDisabledWithTheKeyboardGetsItBackWhenEnabledAgain)
{
    if (!GuiRunning()) GTEST_SKIP() << "no GUI";
    TForm form(nullptr);
    form.SetClientSize(200, 100);
    auto* first = new TButton(&form);
    auto* spin = new TSpinEdit(&form);
    first->SetParent(&form);
    spin->SetParent(&form);
    spin->SetTop(40);
    form.Show();
    ASSERT_EQ(form.Widget()->focusWidget(), first->Widget());
    first->SetEnabled(false);
    // Typing now reaches no other control.
    EXPECT_NE(form.Widget()->focusWidget(), spin->Widget());
    first->SetEnabled(true);
    EXPECT_EQ(form.Widget()->focusWidget(), first->Widget());
    form.Hide();
}

}  // namespace
