// Controls: ownership, radio buttons, spin boxes, scroll bars, labels, buttons and the gauge.
#include <gtest/gtest.h>

#include <vector>

#include "framework/ui/Application.h"
#include "framework/ui/Forms.h"
#include "framework/ui/StdCtrls.h"

namespace {

using namespace ui;

// Counts its own destruction into a shared log.
class Tracked : public TComponent {
public:
    Tracked(TComponent* owner, int id, std::vector<int>& log) : TComponent(owner), FId(id), FLog(log) {}
    ~Tracked() override { FLog.push_back(FId); }

private:
    int FId;
    std::vector<int>& FLog;
};

TEST(Ownership, OwnerFreesWhatItOwnsLastFirst)
{
    std::vector<int> log;
    {
        TComponent owner(nullptr);
        for (int i = 1; i <= 5; ++i) new Tracked(&owner, i, log);
        EXPECT_EQ(owner.ComponentCount(), 5);
    }
    EXPECT_EQ(log, (std::vector<int>{5, 4, 3, 2, 1}));
}

TEST(Ownership, FreedComponentLeavesItsOwner)
{
    std::vector<int> log;
    TComponent owner(nullptr);
    std::vector<Tracked*> items;
    for (int i = 0; i < 300; ++i) items.push_back(new Tracked(&owner, i, log));
    // Freed in creation order, as a split frees its segments.
    for (int i = 0; i < 200; ++i) delete items[i];
    EXPECT_EQ(owner.ComponentCount(), 100);
    EXPECT_EQ(owner.Components(0), items[200]);
    EXPECT_EQ(owner.Components(99), items[299]);
    EXPECT_THROW(owner.Components(100), rtl::EListError);
    owner.DestroyComponents();
    EXPECT_EQ(log.size(), 300u);
    EXPECT_EQ(log.back(), 200);
}

TEST(Ownership, ParentFreesChildrenOwnedElsewhere)
{
    TForm owner(nullptr);
    auto* viewer = new TForm(&owner);
    auto* image = new TImage(&owner);
    image->SetParent(viewer);
    EXPECT_EQ(viewer->ControlCount(), 1);
    delete viewer;
    EXPECT_EQ(owner.ComponentCount(), 0);  // the image went with its parent
}

TEST(Ownership, FindAndBindByNameIgnoreCase)
{
    TForm form(nullptr);
    auto* b = new TButton(&form);
    b->SetName("CmdSplit");
    TButton* bound = nullptr;
    form.Bind(bound, "cmdsplit");
    EXPECT_EQ(bound, b);
    TLabel* wrongKind = nullptr;
    EXPECT_THROW(form.Bind(wrongKind, "CmdSplit"), rtl::Exception);
    EXPECT_THROW(form.Find<TButton>("Missing"), rtl::Exception);
}

TEST(RadioButton, CheckingRaisesClickAndUnchecksSiblings)
{
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    auto* a = new TRadioButton(&form);
    auto* b = new TRadioButton(&form);
    auto* other = new TRadioButton(&form);  // on another parent: left alone
    a->SetParent(panel);
    b->SetParent(panel);
    other->SetParent(&form);
    other->SetChecked(true);
    int clicksA = 0, clicksB = 0;
    a->OnClick = [&](TObject* s) { ++clicksA; EXPECT_EQ(s, a); };
    b->OnClick = [&](TObject*) { ++clicksB; };

    a->SetChecked(true);
    EXPECT_EQ(clicksA, 1);
    b->Click();
    EXPECT_EQ(clicksB, 1);
    EXPECT_FALSE(a->Checked());
    EXPECT_TRUE(b->Checked());
    EXPECT_TRUE(other->Checked());
    b->SetChecked(true);  // already checked: nothing happens
    EXPECT_EQ(clicksB, 1);
    a->SetChecked(true);
    EXPECT_EQ(clicksA, 2);
    EXPECT_FALSE(b->Checked());
}

TEST(CheckBox, ClickToggles)
{
    TForm form(nullptr);
    auto* c = new TCheckBox(&form);
    int clicks = 0;
    c->OnClick = [&](TObject*) { ++clicks; };
    c->Click();
    EXPECT_TRUE(c->Checked());
    c->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    c->Click();
    EXPECT_FALSE(c->Checked());
    EXPECT_EQ(clicks, 2);
}

struct SpinCase {
    const char* what;
    int min, max;
    const char* text;    // typed (nullptr: set by SetValue)
    int set;             // value set when text is nullptr
    int value;           // Value() right after
    int afterExit;       // Value() once the focus left
    const char* shown;   // the text once the focus left
};

class SpinEditRules : public ::testing::TestWithParam<SpinCase> {};

TEST_P(SpinEditRules, KeepsValueInsideLimits)
{
    const SpinCase& c = GetParam();
    TForm form(nullptr);
    auto* s = new TSpinEdit(&form);
    s->SetMinValue(c.min);
    s->SetMaxValue(c.max);
    if (c.text) s->SetText(c.text);
    else s->SetValue(c.set);
    EXPECT_EQ(s->Value(), c.value) << c.what;
    s->Exit();
    EXPECT_EQ(s->Value(), c.afterExit) << c.what;
    EXPECT_EQ(s->Text(), c.shown) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SpinEditRules,
    ::testing::Values(SpinCase{"inside", 1, 120, nullptr, 4, 4, 4, "4"},
                      SpinCase{"set above", 1, 120, nullptr, 500, 120, 120, "120"},
                      SpinCase{"set below", 5, 640, nullptr, 0, 5, 5, "5"},
                      SpinCase{"35 into a small picture", 5, 20, nullptr, 35, 20, 20, "20"},
                      SpinCase{"equal limits do not clamp", 0, 0, nullptr, 35, 35, 35, "35"},
                      SpinCase{"equal non-zero limits", 7, 7, nullptr, -3, -3, -3, "-3"},
                      SpinCase{"typed above: kept until exit", 1, 120, "500", 0, 500, 120, "120"},
                      SpinCase{"typed below", 1, 120, "-2", 0, -2, 1, "1"},
                      SpinCase{"not a number reads as min", 5, 100, "abc", 0, 5, 5, "abc"},
                      SpinCase{"empty reads as min", 1, 120, "", 0, 1, 1, ""},
                      SpinCase{"blanks around", 1, 120, " 12 ", 0, 12, 12, " 12 "},
                      SpinCase{"max below min: the max is checked last", 5, 0, nullptr, 35, 0, 5, "5"}));

TEST(SpinEdit, LimitsAloneDoNotMoveTheValueAndStepsClamp)
{
    TForm form(nullptr);
    auto* s = new TSpinEdit(&form);
    int changes = 0;
    s->OnChange = [&](TObject*) { ++changes; };
    s->SetMinValue(1);
    s->SetMaxValue(120);
    s->SetValue(4);
    s->SetMaxValue(2);
    EXPECT_EQ(s->Value(), 4);
    s->StepUp();
    EXPECT_EQ(s->Value(), 2);
    s->SetValue(2);  // same text: no change event
    EXPECT_EQ(changes, 2);
}

TEST(ScrollBar, ChangeOnEveryMoveOfThePosition)
{
    TForm form(nullptr);
    auto* bar = new TScrollBar(&form);
    std::vector<int> seen;
    bar->OnChange = [&](TObject* s) { seen.push_back(static_cast<TScrollBar*>(s)->Position()); };
    bar->SetParams(1, 1, 200);
    bar->SetPosition(100);
    bar->SetPosition(100);   // no move
    bar->SetPosition(500);   // kept at the maximum
    bar->SetMax(150);        // the position follows the new maximum
    bar->SetMin(150);
    EXPECT_EQ(seen, (std::vector<int>{1, 100, 200, 150}));
    EXPECT_THROW(bar->SetParams(1, 10, 5), rtl::EInvalidOperation);
    EXPECT_EQ(bar->Position(), 150);
}

TEST(ListBox, SelectionAndClick)
{
    TForm form(nullptr);
    auto* list = new TListBox(&form);
    int clicks = 0;
    list->OnClick = [&](TObject*) { ++clicks; };
    for (int i = 1; i <= 3; ++i) list->Items().Add("Image #" + rtl::IntToStr(i));
    list->SetItemIndex(2);
    EXPECT_EQ(clicks, 0);  // set from code: no event
    list->ClickItem(1);
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(clicks, 1);
    list->SetItemIndex(7);
    EXPECT_EQ(list->ItemIndex(), -1);
    list->Items().Clear();
    EXPECT_EQ(list->Items().Count(), 0);
    EXPECT_THROW(list->Items()[0], rtl::EStringListError);
}

TEST(Edit, MaxLengthLimitsTyping)
{
    TForm form(nullptr);
    auto* e = new TEdit(&form);
    e->SetMaxLength(5);
    e->Type("1234567");
    EXPECT_EQ(e->Text(), "12345");
    e->SetText("1234567");  // from code: kept whole
    EXPECT_EQ(e->Text(), "1234567");
    e->Type("\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xC3\xA9\xC3\xA0");  // six two-byte letters
    EXPECT_EQ(e->Text(), "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xC3\xA9");
}

TEST(Gauge, ProgressKeptInsideAndRedrawnOnlyWhenThePercentChanges)
{
    TForm form(nullptr);
    auto* g = new TGauge(&form);
    g->SetKind(TGaugeKind::gkNeedle);
    g->SetProgress(50);
    g->SetProgress(50);
    g->SetProgress(150);
    EXPECT_EQ(g->Progress(), 100);
    g->SetProgress(-4);
    EXPECT_EQ(g->Progress(), 0);
    EXPECT_EQ(g->RedrawCount(), 3);
    g->SetMaxValue(1000);
    g->SetProgress(5);  // 0.5 per cent still shows 0
    EXPECT_EQ(g->PercentDone(), 0);
    EXPECT_EQ(g->RedrawCount(), 3);
}

TEST(Button, ModalResultSetOnItsWindowBeforeTheHandler)
{
    TForm form(nullptr);
    auto* b = new TButton(&form);
    b->SetParent(&form);
    b->SetModalResult(mrOk);
    int seen = -1;
    b->OnClick = [&](TObject*) { seen = form.ModalResult(); };
    b->Click();
    EXPECT_EQ(seen, mrOk);
}

TEST(Font, ParentFontUntilSet)
{
    TForm form(nullptr);
    auto* l = new TLabel(&form);
    l->SetParent(&form);
    TFont f;
    f.Name = "Arial";
    f.Height = -12;
    form.SetFont(f);
    EXPECT_EQ(l->Font().Name, "Arial");
    l->SetFontColor(clNavy);
    EXPECT_EQ(l->Font().Color, clNavy);
    EXPECT_EQ(l->Font().Height, -12);
    EXPECT_FALSE(l->ParentFont());
}

}  // namespace

namespace {

using namespace ui;

struct KindCase {
    TBitBtnKind kind;
    int modalResult;
    const char* caption;
    bool enter;   // the window's Default
    bool escape;  // its Cancel
};

class BitBtnKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(BitBtnKinds, KindGivesResultCaptionAndKey)
{
    const KindCase& c = GetParam();
    TForm form(nullptr);
    auto* b = new TBitBtn(&form);
    b->SetKind(c.kind);
    EXPECT_EQ(b->ModalResult(), c.modalResult);
    EXPECT_EQ(b->Caption(), c.caption);
    EXPECT_EQ(b->Default(), c.enter);
    EXPECT_EQ(b->Cancel(), c.escape);
    // A kind changed later takes its key with it.
    b->SetKind(TBitBtnKind::bkCustom);
    EXPECT_FALSE(b->Default() || b->Cancel());
    auto* exit = new TBitBtn(&form);
    exit->SetCaption("Exit");
    exit->SetKind(c.kind);
    EXPECT_EQ(exit->Caption(), "Exit");
}

INSTANTIATE_TEST_SUITE_P(Table, BitBtnKinds,
                         ::testing::Values(KindCase{TBitBtnKind::bkOK, mrOk, "OK", true, false},
                                           KindCase{TBitBtnKind::bkYes, mrYes, "&Yes", true, false},
                                           KindCase{TBitBtnKind::bkCancel, mrCancel, "Cancel", false, true},
                                           KindCase{TBitBtnKind::bkNo, mrNo, "&No", false, true},
                                           KindCase{TBitBtnKind::bkClose, mrNone, "&Close", false, true},
                                           KindCase{TBitBtnKind::bkRetry, mrRetry, "&Retry", false, false},
                                           KindCase{TBitBtnKind::bkHelp, mrNone, "&Help", false, false}));

TEST(BitBtn, CloseKindClosesItsWindow)
{
    ScriptedSeam seam;
    TForm form(nullptr);
    auto* b = new TBitBtn(&form);
    b->SetParent(&form);
    b->SetKind(TBitBtnKind::bkClose);
    form.Show();
    b->Click();
    EXPECT_FALSE(form.Visible());
}

TEST(Screen, CursorIsKept)
{
    Screen().SetCursor(crHourGlass);
    EXPECT_EQ(Screen().Cursor(), crHourGlass);
    Screen().SetCursor(crDefault);
    EXPECT_EQ(Screen().Cursor(), crDefault);
}

}  // namespace
