// The real widgets: what a person does with them reaches the controls and their events, and
// what the program sets shows on them.
#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QFontMetrics>
#include <QStyle>

#include "framework/ui/Application.h"
#include "framework/ui/Forms.h"
#include "framework/ui/StdCtrls.h"

namespace {

using namespace ui;

class Widgets : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!GuiRunning()) GTEST_SKIP() << "no GUI";
        form = std::make_unique<TForm>(nullptr);
        form->SetName("Sample");
        form->SetCaption("Sample window");
        form->SetClientSize(300, 200);
        panel = new TPanel(form.get());
        panel->SetParent(form.get());
        panel->SetBounds(5, 5, 200, 150);
        a = new TRadioButton(form.get());
        a->SetParent(panel);
        b = new TRadioButton(form.get());
        b->SetParent(panel);
        b->SetTop(20);
        check = new TCheckBox(form.get());
        check->SetParent(panel);
        check->SetTop(40);
        spin = new TSpinEdit(form.get());
        spin->SetParent(panel);
        spin->SetBounds(6, 78, 47, 24);
        spin->SetMinValue(1);
        spin->SetMaxValue(120);
        spin->SetValue(4);
        bar = new TScrollBar(form.get());
        bar->SetParent(form.get());
        bar->SetParams(1, 1, 100);
        list = new TListBox(form.get());
        list->SetParent(form.get());
        list->SetBounds(210, 5, 80, 100);
        edit = new TEdit(form.get());
        edit->SetParent(form.get());
        edit->SetMaxLength(5);
        button = new TButton(form.get());
        button->SetParent(form.get());
        label = new TLabel(form.get());
        label->SetParent(form.get());
        gauge = new TGauge(form.get());
        gauge->SetParent(form.get());
        gauge->SetKind(TGaugeKind::gkNeedle);
        gauge->SetAlign(TAlign::alClient);
        form->HandleNeeded();
    }

    std::unique_ptr<TForm> form;
    TPanel* panel;
    TRadioButton *a, *b;
    TCheckBox* check;
    TSpinEdit* spin;
    TScrollBar* bar;
    TListBox* list;
    TEdit* edit;
    TButton* button;
    TLabel* label;
    TGauge* gauge;
};

TEST_F(Widgets, EveryControlHasItsWidgetAtItsPlace)
{
    for (TControl* c : {static_cast<TControl*>(panel), static_cast<TControl*>(spin), static_cast<TControl*>(list)}) {
        ASSERT_NE(c->Widget(), nullptr);
        EXPECT_EQ(c->Widget()->geometry(), QRect(c->Left(), c->Top(), c->Width(), c->Height()));
    }
    EXPECT_EQ(gauge->Width(), 300);  // fills the window
    EXPECT_EQ(static_cast<QAbstractSpinBox*>(spin->Widget())->text(), "4");
    gfx::TBitmap shot = form->Snapshot();
    EXPECT_EQ(shot.Width(), 300);
    EXPECT_EQ(shot.Height(), 200);
}

TEST_F(Widgets, WhatThePersonDoesReachesTheControls)
{
    int radioClicks = 0, checkClicks = 0, barChanges = 0, listClicks = 0, buttonClicks = 0, edits = 0;
    b->OnClick = [&](TObject*) { ++radioClicks; };
    check->OnClick = [&](TObject*) { ++checkClicks; };
    bar->OnChange = [&](TObject*) { ++barChanges; };
    list->OnClick = [&](TObject*) { ++listClicks; };
    button->OnClick = [&](TObject*) { ++buttonClicks; };
    edit->OnChange = [&](TObject*) { ++edits; };
    list->Items().Add("Image #1");
    list->Items().Add("Image #2");

    a->SetChecked(true);
    static_cast<QRadioButton*>(b->Widget())->click();
    EXPECT_TRUE(b->Checked());
    EXPECT_FALSE(a->Checked());
    EXPECT_FALSE(static_cast<QRadioButton*>(a->Widget())->isChecked());
    static_cast<QRadioButton*>(b->Widget())->click();  // clicking it again leaves it checked
    EXPECT_TRUE(static_cast<QRadioButton*>(b->Widget())->isChecked());
    EXPECT_EQ(radioClicks, 1);

    static_cast<QCheckBox*>(check->Widget())->click();
    EXPECT_TRUE(check->Checked());
    EXPECT_EQ(checkClicks, 1);

    static_cast<QScrollBar*>(bar->Widget())->setValue(60);  // as a drag would
    EXPECT_EQ(bar->Position(), 60);
    EXPECT_EQ(barChanges, 1);
    bar->SetPosition(70);
    EXPECT_EQ(static_cast<QScrollBar*>(bar->Widget())->value(), 70);
    EXPECT_EQ(barChanges, 2);
    // The arrow keys step a horizontal bar towards their own ends.
    for (auto [key, expected] : {std::pair{Qt::Key_Right, 71}, std::pair{Qt::Key_Left, 70}, std::pair{Qt::Key_Left, 69}}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(bar->Widget(), &press);
        EXPECT_EQ(bar->Position(), expected);
    }
    EXPECT_EQ(barChanges, 5);

    auto* lw = static_cast<QListWidget*>(list->Widget());
    ASSERT_EQ(lw->count(), 2);
    lw->setCurrentRow(1);
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(listClicks, 1);

    static_cast<QPushButton*>(button->Widget())->click();
    EXPECT_EQ(buttonClicks, 1);

    auto* le = static_cast<QLineEdit*>(edit->Widget());
    le->setFocus();
    le->insert("abcdefg");  // typing: limited by the widget
    EXPECT_EQ(le->text(), "abcde");
    edit->Type("abcdefg");
    EXPECT_EQ(edit->Text(), "abcde");

    spin->SetText("500");
    EXPECT_EQ(static_cast<QAbstractSpinBox*>(spin->Widget())->text(), "500");
    spin->Exit();
    EXPECT_EQ(static_cast<QAbstractSpinBox*>(spin->Widget())->text(), "120");
    static_cast<QAbstractSpinBox*>(spin->Widget())->stepDown();
    EXPECT_EQ(spin->Value(), 119);

    label->SetCaption("<b>not markup</b>");
    EXPECT_EQ(static_cast<QLabel*>(label->Widget())->text(), "<b>not markup</b>");
    EXPECT_EQ(static_cast<QLabel*>(label->Widget())->textFormat(), Qt::PlainText);
}

TEST_F(Widgets, TheMouseOnAnImageClicksItAndShowsItsCursor)
{
    auto* image = new TImage(form.get());
    image->SetBounds(220, 120, 40, 30);
    image->SetCursor(crHandPoint);
    image->SetParent(form.get());
    int clicks = 0;
    image->OnClick = [&](TObject*) { ++clicks; };
    QWidget* client = form->Widget()->findChild<QWidget*>("client");
    ASSERT_NE(client, nullptr);
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, client->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(client, &e);
    };
    send(QEvent::MouseMove, {230, 130}, Qt::NoButton);
    EXPECT_EQ(client->cursor().shape(), Qt::PointingHandCursor);
    send(QEvent::MouseButtonPress, {230, 130}, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {231, 131}, Qt::NoButton);
    EXPECT_EQ(clicks, 1);
    // Pressed on the image, let go beside it: no click.
    send(QEvent::MouseButtonPress, {230, 130}, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {280, 130}, Qt::NoButton);
    EXPECT_EQ(clicks, 1);
    send(QEvent::MouseMove, {280, 190}, Qt::NoButton);
    EXPECT_NE(client->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(Widgets, TheCloseBoxClosesTheWindowThroughItsHandlers)
{
    ScriptedSeam seam;
    form->Show();
    bool asked = false;
    form->OnCloseQuery = [&](TObject*, bool& can) { asked = true; can = true; };
    form->Widget()->close();
    EXPECT_TRUE(asked);
    EXPECT_FALSE(form->Visible());
}

TEST_F(Widgets, AutoSizedLabelTakesItsTextsSize)
{
    label->SetFont([] { TFont f; f.Name = "Tahoma"; f.Height = -12; return f; }());
    label->SetCaption("filename already exists.");
    int shortWidth = label->Width();
    label->SetCaption("/a/rather/long/folder/name/with/a/file.jpg already exists.");
    EXPECT_GT(label->Width(), shortWidth);
    EXPECT_GT(label->Height(), 10);
    EXPECT_LT(label->Height(), 25);
    label->SetWordWrap(true);
    label->SetWidth(60);
    label->SetCaption("several words that cannot fit on one line of sixty pixels");
    EXPECT_EQ(label->Width(), 60);
    EXPECT_GT(label->Height(), 40);
}

TEST_F(Widgets, ADisabledControlShowsItsTextGrey)
{
    button->SetCaption("Exit");
    const QPalette enabled = button->Widget()->palette();
    button->SetEnabled(false);
    const QPalette pal = button->Widget()->palette();
    EXPECT_EQ(pal.color(QPalette::Disabled, QPalette::ButtonText), QColor(109, 109, 109));
    EXPECT_EQ(pal.color(QPalette::Active, QPalette::ButtonText), enabled.color(QPalette::Active, QPalette::ButtonText));
    EXPECT_NE(pal.color(QPalette::Disabled, QPalette::ButtonText), pal.color(QPalette::Active, QPalette::ButtonText));
}

// The segment viewer's list (89 pixels wide, "MS Sans Serif" 8 pt) shows the longest entry of a
// 120 x 120 split whole beside its vertical bar, and never scrolls sideways.
TEST_F(Widgets, TheViewersLongestListEntryFits)
{
    TFont font;
    font.Name = "MS Sans Serif";
    font.Height = -11;
    list->SetFont(font);
    list->SetBounds(3, 55, 89, 83);
    list->SetItemHeight(14);
    for (int n = 14395; n <= 14400; ++n) list->Items().Add("Image #" + rtl::IntToStr(n));
    auto* w = static_cast<QListWidget*>(list->Widget());
    const int advance = QFontMetrics(w->font()).horizontalAdvance(QStringLiteral("Image #14400"));
    // Entries start 2 pixels in; the vertical bar takes its width off the right.
    const int room = w->width() - 2 * w->frameWidth() - w->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, w) - 2;
    EXPECT_LE(advance, room);
    EXPECT_EQ(w->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

}  // namespace
