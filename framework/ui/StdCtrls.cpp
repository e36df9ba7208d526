#include "framework/ui/StdCtrls.h"

#include <algorithm>
#include <cmath>

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>

#include "framework/ui/Application.h"
#include "framework/ui/Forms.h"
#include "framework/ui/QtBridge.h"

namespace ui {

// ---- label ------------------------------------------------------------------------------------

TLabel::TLabel(TComponent* owner) : TControl(owner)
{
    SetBounds(0, 0, 65, 13);
}

void TLabel::SetCaption(const String& caption)
{
    TControl::SetCaption(caption);
    AdjustSize();
}

void TLabel::SetAutoSize(bool on)
{
    FAutoSize = on;
    AdjustSize();
}

void TLabel::SetWordWrap(bool on)
{
    FWordWrap = on;
    Changed();
    AdjustSize();
}

void TLabel::SetAlignment(TAlignment a)
{
    FAlignment = a;
    Changed();
}

void TLabel::SetTransparent(bool on)
{
    FTransparent = on;
    Changed();
}

void TLabel::SetUnderline(bool on)
{
    FUnderline = on;
    Changed();
}

void TLabel::FontChanged()
{
    TControl::FontChanged();
    AdjustSize();
}

void TLabel::AdjustSize()
{
    if (!FAutoSize) return;
    // An empty caption measures as a blank, so the label keeps a line's height.
    QString text = Caption().empty() ? QStringLiteral(" ") : Q(Caption());
    int w, h;
    if (GuiRunning()) {
        QFont f = QFontOf(Font());
        f.setUnderline(FUnderline);
        QFontMetrics fm(f);
        if (FWordWrap) {
            QRect r = fm.boundingRect(QRect(0, 0, std::max(1, Width()), 1 << 20), Qt::TextWordWrap, text);
            w = Width();
            h = r.height();
        } else {
            QRect r = fm.boundingRect(QRect(0, 0, 1 << 20, 1 << 20), 0, text);
            w = r.width();
            h = r.height();
        }
    } else {
        // No font system: an estimate from the font's size.
        int px = FontPixels(Font());
        int lines = 1 + int(std::count(text.begin(), text.end(), QChar('\n')));
        w = FWordWrap ? Width() : int(std::lround(text.size() * px * 0.55));
        if (FWordWrap && Width() > 0) lines = std::max(lines, int(std::ceil(text.size() * px * 0.55 / Width())));
        h = lines * int(std::lround(px * 1.2));
    }
    SetBounds(Left(), Top(), w, h);
}

QWidget* TLabel::CreateWidget(QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setTextFormat(Qt::PlainText);
    return l;
}

void TLabel::SyncWidget()
{
    // A label sized before a GUI ran had only an estimate of its text.
    AdjustSize();
    TControl::SyncWidget();
    auto* l = static_cast<QLabel*>(FWidget);
    l->setText(Q(Caption()));
    l->setWordWrap(FWordWrap);
    Qt::Alignment a = Qt::AlignTop;
    a |= FAlignment == TAlignment::taCenter ? Qt::AlignHCenter
         : FAlignment == TAlignment::taRightJustify ? Qt::AlignRight : Qt::AlignLeft;
    l->setAlignment(a);
    QFont f = l->font();
    f.setUnderline(FUnderline);
    l->setFont(f);
    l->setAutoFillBackground(!FTransparent && Parent() && Color() != Parent()->Color());
}

// ---- buttons --------------------------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TControl(owner) { SetBounds(0, 0, 75, 25); }

void TButton::Click()
{
    TForm* form = ParentForm();
    if (form) form->SetModalResult(FModalResult);
    TControl::Click();
}

QWidget* TButton::CreateWidget(QWidget* parent)
{
    auto* b = new QPushButton(parent);
    b->setAutoDefault(true);  // Enter presses the button that has the keyboard
    QObject::connect(b, &QPushButton::clicked, b, [this] { Dispatch([this] { Click(); }); });
    return b;
}

void TButton::SyncWidget()
{
    TControl::SyncWidget();
    auto* b = static_cast<QPushButton*>(FWidget);
    b->setText(Q(Caption()));
    b->setDefault(FDefault);
}

namespace {

struct KindInfo { const char* Caption; int Result; };
KindInfo InfoOf(TBitBtnKind k)
{
    switch (k) {
    case TBitBtnKind::bkOK: return {"OK", mrOk};
    case TBitBtnKind::bkCancel: return {"Cancel", mrCancel};
    case TBitBtnKind::bkHelp: return {"&Help", mrNone};
    case TBitBtnKind::bkYes: return {"&Yes", mrYes};
    case TBitBtnKind::bkNo: return {"&No", mrNo};
    case TBitBtnKind::bkClose: return {"&Close", mrNone};
    case TBitBtnKind::bkAbort: return {"Abort", mrAbort};
    case TBitBtnKind::bkRetry: return {"&Retry", mrRetry};
    case TBitBtnKind::bkIgnore: return {"&Ignore", mrIgnore};
    case TBitBtnKind::bkAll: return {"&All", 12};
    default: return {"", mrNone};
    }
}

// The glyph of a button kind, drawn for the screen (16 x 16).
QImage KindGlyph(TBitBtnKind k)
{
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    switch (k) {
    case TBitBtnKind::bkOK:
    case TBitBtnKind::bkYes:
        p.setPen(QPen(QColor(0, 128, 0), 2.5));
        p.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(6.5, 12), QPointF(13, 3.5)}));
        break;
    case TBitBtnKind::bkCancel:
    case TBitBtnKind::bkNo:
    case TBitBtnKind::bkAbort:
        p.setPen(QPen(QColor(200, 0, 0), 2.5));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    case TBitBtnKind::bkClose:
        p.fillRect(QRect(4, 2, 8, 12), QColor(128, 64, 0));
        p.fillRect(QRect(9, 8, 2, 2), QColor(255, 220, 0));
        break;
    case TBitBtnKind::bkHelp:
        p.setPen(QPen(QColor(0, 0, 160), 2));
        p.drawText(img.rect(), Qt::AlignCenter, QStringLiteral("?"));
        break;
    default:
        return QImage();
    }
    return img;
}

// A glyph with its bottom-left colour made see-through, as the framework draws glyphs.
QImage GlyphImage(const gfx::TBitmap& glyph)
{
    QImage img = ToQImage(glyph).convertToFormat(QImage::Format_ARGB32);
    if (img.isNull()) return img;
    QRgb key = img.pixel(0, img.height() - 1) | 0xFF000000u;
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((row[x] | 0xFF000000u) == key) row[x] = 0;
    }
    return img;
}

}  // namespace

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner) {}

void TBitBtn::SetGlyph(const gfx::TBitmap& glyph)
{
    FGlyph = glyph;
    Changed();
}

void TBitBtn::SetKind(TBitBtnKind kind)
{
    FKind = kind;
    KindInfo info = InfoOf(kind);
    if (kind != TBitBtnKind::bkCustom) {
        SetModalResult(info.Result);
        if (Caption().empty()) SetCaption(info.Caption);
    }
    // The kind says which key the button answers: Enter for an OK or Yes, Escape for a Cancel, a
    // No or a Close.
    SetDefault(kind == TBitBtnKind::bkOK || kind == TBitBtnKind::bkYes);
    SetCancel(kind == TBitBtnKind::bkCancel || kind == TBitBtnKind::bkNo || kind == TBitBtnKind::bkClose);
    Changed();
}

void TBitBtn::Click()
{
    if (FKind == TBitBtnKind::bkClose) {
        if (TForm* form = ParentForm()) {
            Dispatch([form] { form->Close(); });
            return;
        }
    }
    TButton::Click();
}

void TBitBtn::SyncWidget()
{
    TButton::SyncWidget();
    auto* b = static_cast<QPushButton*>(FWidget);
    QImage img = !FGlyph.Empty() ? GlyphImage(FGlyph) : KindGlyph(FKind);
    if (img.isNull()) {
        b->setIcon(QIcon());
        return;
    }
    b->setIcon(QIcon(QPixmap::fromImage(img)));
    b->setIconSize(img.size());
}

// ---- panel and group box ---------------------------------------------------------------------------

TPanel::TPanel(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 185, 41); }

void TPanel::SetBevelInner(TBevelCut b)
{
    FBevelInner = b;
    Changed();
}

void TPanel::SetBevelOuter(TBevelCut b)
{
    FBevelOuter = b;
    Changed();
}

void TPanel::SetBevelWidth(int w)
{
    FBevelWidth = std::max(1, w);
    Changed();
}

QWidget* TPanel::CreateWidget(QWidget* parent) { return new ContainerWidget(*this, parent); }

void TPanel::SyncWidget()
{
    TWinControl::SyncWidget();
    auto* w = static_cast<ContainerWidget*>(FWidget);
    auto cut = [](TBevelCut c) { return c == TBevelCut::bvNone ? 0 : c == TBevelCut::bvLowered ? 1 : 2; };
    w->Background = QColorOf(Color());
    w->BevelOuter = cut(FBevelOuter);
    w->BevelInner = cut(FBevelInner);
    w->BevelWidth = FBevelWidth;
    w->CenterText = Q(Caption());
    w->update();
}

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 185, 105); }

namespace {

// A group box as the windows are designed: the parent's colour inside, an etched edge at the
// left, the right and the bottom, and the caption at the top left.
class GroupBoxWidget : public GraphicHost<QWidget> {
public:
    GroupBoxWidget(TWinControl& owner, QWidget* parent) : GraphicHost<QWidget>(owner, parent) {}
    QColor Background;  // invalid: the parent shows through
    QString Title;

protected:
    void paintEvent(QPaintEvent* e) override
    {
        {
            QPainter p(this);
            if (Background.isValid()) p.fillRect(e->rect(), Background);
            const int top = fontMetrics().height() / 2, right = width() - 1, bottom = height() - 1;
            p.setPen(QColor(160, 160, 160));
            p.drawLine(0, top, 0, bottom - 1);
            p.drawLine(right - 1, top, right - 1, bottom - 1);
            p.drawLine(0, bottom - 1, right - 1, bottom - 1);
            p.setPen(QColor(255, 255, 255));
            p.drawLine(1, top, 1, bottom - 2);
            p.drawLine(right, top, right, bottom);
            p.drawLine(0, bottom, right, bottom);
            if (!Title.isEmpty()) {
                p.setPen(palette().color(QPalette::WindowText));
                p.drawText(QRect(8, 0, std::max(0, width() - 16), fontMetrics().height()), Qt::AlignLeft | Qt::AlignTop,
                           Title);
            }
        }
        HostPaint(FOwner, this, e);
    }
};

}  // namespace

QWidget* TGroupBox::CreateWidget(QWidget* parent) { return new GroupBoxWidget(*this, parent); }

void TGroupBox::SyncWidget()
{
    TWinControl::SyncWidget();
    auto* g = static_cast<GroupBoxWidget*>(FWidget);
    g->Title = Q(Caption());
    g->Background = Parent() && Color() != Parent()->Color() ? QColorOf(Color()) : QColor();
    g->update();
}

// ---- check box and radio button ------------------------------------------------------------------

// The designed places leave room for the framework's 13-pixel box and a small gap before the text.
const QString kIndicatorStyle = QStringLiteral(
    "QCheckBox, QRadioButton { spacing: 4px; }"
    "QCheckBox::indicator, QRadioButton::indicator { width: 13px; height: 13px; }");

TCheckBox::TCheckBox(TComponent* owner) : TControl(owner) { SetBounds(0, 0, 97, 17); }

void TCheckBox::SetChecked(bool on)
{
    if (on == FChecked) return;
    FChecked = on;
    Changed();
    Fire(OnClick, this);
}

void TCheckBox::Click() { SetChecked(!FChecked); }

QWidget* TCheckBox::CreateWidget(QWidget* parent)
{
    auto* c = new QCheckBox(parent);
    c->setStyleSheet(kIndicatorStyle);
    QObject::connect(c, &QCheckBox::clicked, c, [this](bool on) { Dispatch([&] { SetChecked(on); }); });
    return c;
}

void TCheckBox::SyncWidget()
{
    TControl::SyncWidget();
    auto* c = static_cast<QCheckBox*>(FWidget);
    QSignalBlocker block(c);
    c->setText(Q(Caption()));
    c->setChecked(FChecked);
}

TRadioButton::TRadioButton(TComponent* owner) : TControl(owner) { SetBounds(0, 0, 113, 17); }

void TRadioButton::SetChecked(bool on)
{
    if (on == FChecked) return;
    FChecked = on;
    Changed();
    if (!on) return;
    if (TWinControl* p = Parent()) {
        for (int i = 0; i < p->ControlCount(); ++i) {
            auto* r = dynamic_cast<TRadioButton*>(p->Controls(i));
            if (r && r != this && r->FChecked) {
                r->FChecked = false;
                r->Changed();
            }
        }
    }
    Fire(OnClick, this);
}

void TRadioButton::Click() { SetChecked(true); }

QWidget* TRadioButton::CreateWidget(QWidget* parent)
{
    auto* r = new QRadioButton(parent);
    r->setStyleSheet(kIndicatorStyle);
    r->setAutoExclusive(false);  // the siblings are unchecked by SetChecked
    QObject::connect(r, &QRadioButton::clicked, r, [this] {
        Dispatch([this] { SetChecked(true); });
        Changed();  // a click on a checked button leaves it checked
    });
    return r;
}

void TRadioButton::SyncWidget()
{
    TControl::SyncWidget();
    auto* r = static_cast<QRadioButton*>(FWidget);
    QSignalBlocker block(r);
    r->setText(Q(Caption()));
    r->setChecked(FChecked);
}

// ---- spin box ----------------------------------------------------------------------------------------

namespace {

class SpinWidget : public QAbstractSpinBox {
public:
    SpinWidget(TSpinEdit& owner, QWidget* parent) : QAbstractSpinBox(parent), FOwner(owner)
    {
        connect(lineEdit(), &QLineEdit::textEdited, this,
                [this](const QString& t) { Dispatch([&] { FOwner.SetCaption(S(t)); }); });
    }
    void SetShownText(const QString& t)
    {
        if (lineEdit()->text() != t) lineEdit()->setText(t);
    }
    void stepBy(int steps) override
    {
        Dispatch([&] {
            for (; steps > 0; --steps) FOwner.StepUp();
            for (; steps < 0; ++steps) FOwner.StepDown();
        });
    }

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }
    QValidator::State validate(QString&, int&) const override { return QValidator::Acceptable; }
    void focusOutEvent(QFocusEvent* e) override
    {
        QAbstractSpinBox::focusOutEvent(e);
        Dispatch([this] { FOwner.Exit(); });
    }

private:
    TSpinEdit& FOwner;
};

}  // namespace

TSpinEdit::TSpinEdit(TComponent* owner) : TControl(owner)
{
    SetBounds(0, 0, 121, 22);
    TControl::SetCaption("0");
}

int TSpinEdit::CheckValue(int v) const
{
    if (FMaxValue != FMinValue) {
        if (v < FMinValue) return FMinValue;
        if (v > FMaxValue) return FMaxValue;
    }
    return v;
}

int TSpinEdit::Value() const
{
    int v = 0;
    if (rtl::TryStrToInt(Text(), v)) return v;
    return FMinValue;
}

void TSpinEdit::SetValue(int v) { SetCaption(rtl::IntToStr(CheckValue(v))); }

void TSpinEdit::SetCaption(const String& text)
{
    if (text == Text()) return;
    TControl::SetCaption(text);
    Fire(OnChange, this);
}

void TSpinEdit::Exit()
{
    int v = Value();
    if (CheckValue(v) != v) SetValue(v);
}

QWidget* TSpinEdit::CreateWidget(QWidget* parent) { return new SpinWidget(*this, parent); }

void TSpinEdit::SyncWidget()
{
    TControl::SyncWidget();
    static_cast<SpinWidget*>(FWidget)->SetShownText(Q(Text()));
}

// ---- list box -------------------------------------------------------------------------------------------

int TListItems::Add(const String& s)
{
    int i = FItems.Add(s);
    FOwner.ItemsChanged(1);
    return i;
}

void TListItems::Delete(int index)
{
    FItems.Delete(index);
    FOwner.ItemsChanged(-1);
}

void TListItems::Clear()
{
    FItems.Clear();
    FOwner.ItemsChanged(-1);
}

namespace {

// An entry as a list box draws it: ItemHeight high, its text 2 pixels from the left edge.
class ItemHeightDelegate : public QStyledItemDelegate {
public:
    ItemHeightDelegate(int h, QObject* parent) : QStyledItemDelegate(parent), Height(h) {}
    QSize sizeHint(const QStyleOptionViewItem& o, const QModelIndex& i) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(o, i);
        s.setHeight(Height);
        return s;
    }
    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& i) const override
    {
        QStyleOptionViewItem opt = o;
        initStyleOption(&opt, i);
        const bool selected = opt.state & QStyle::State_Selected;
        const QPalette::ColorGroup group = opt.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
        if (selected) p->fillRect(opt.rect, opt.palette.brush(group, QPalette::Highlight));
        p->setFont(opt.font);
        p->setPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        p->drawText(opt.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, opt.text);
        if (opt.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(opt);
            focus.backgroundColor = opt.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
            if (const QWidget* w = opt.widget) w->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, p, w);
        }
    }
    int Height;
};

}  // namespace

TListBox::TListBox(TComponent* owner) : TControl(owner)
{
    SetBounds(0, 0, 121, 97);
    SetColor(clWindow);
}

void TListBox::ItemsChanged(int added)
{
    if (FItemIndex >= FItems.Count()) FItemIndex = -1;
    auto* w = static_cast<QListWidget*>(FWidget);
    if (!w) return;
    QSignalBlocker block(w);
    if (added > 0 && FShownCount + added == FItems.Count()) {
        for (int i = FShownCount; i < FItems.Count(); ++i) w->addItem(Q(FItems[i]));
        FShownCount = FItems.Count();
        return;
    }
    SyncWidget();
}

void TListBox::SetItemIndex(int index)
{
    if (index < 0 || index >= FItems.Count()) index = -1;
    FItemIndex = index;
    if (auto* w = static_cast<QListWidget*>(FWidget)) {
        QSignalBlocker block(w);
        w->setCurrentRow(index);
    }
}

void TListBox::SetItemHeight(int h)
{
    FItemHeight = std::max(1, h);
    Changed();
}

void TListBox::ClickItem(int index)
{
    SetItemIndex(index);
    Fire(OnClick, this);
}

QWidget* TListBox::CreateWidget(QWidget* parent)
{
    auto* w = new QListWidget(parent);
    w->setUniformItemSizes(true);
    w->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // a list box scrolls up and down only
    w->setItemDelegate(new ItemHeightDelegate(FItemHeight, w));
    FShownCount = 0;
    QObject::connect(w, &QListWidget::currentRowChanged, w, [this](int row) {
        if (row == FItemIndex) return;
        Dispatch([&] { ClickItem(row); });
    });
    return w;
}

void TListBox::SyncWidget()
{
    TControl::SyncWidget();
    auto* w = static_cast<QListWidget*>(FWidget);
    QSignalBlocker block(w);
    static_cast<ItemHeightDelegate*>(w->itemDelegate())->Height = FItemHeight;
    QPalette pal = w->palette();
    pal.setColor(QPalette::Base, QColorOf(Color()));
    w->setPalette(pal);
    if (FShownCount != FItems.Count() || w->count() != FItems.Count()) {
        w->clear();
        QStringList all;
        all.reserve(FItems.Count());
        for (const String& s : FItems) all << Q(s);
        w->addItems(all);
        FShownCount = FItems.Count();
    }
    w->setCurrentRow(FItemIndex);
}

// ---- scroll bar -----------------------------------------------------------------------------------------

TScrollBar::TScrollBar(TComponent* owner) : TControl(owner) { SetBounds(0, 0, 121, 17); }

void TScrollBar::SetKind(TScrollBarKind kind)
{
    if (kind == FKind) return;
    FKind = kind;
    SetBounds(Left(), Top(), Height(), Width());
    if (FWidget) {
        ReleaseWidget();
        if (Parent() && Parent()->Widget()) RealizeWidget(ControlAccess::Host(*Parent()));
    }
}

void TScrollBar::SetParams(int position, int min, int max)
{
    if (max < min || (FPageSize > 0 && FPageSize > max - min + 1))
        throw rtl::EInvalidOperation("Scrollbar property out of range");
    position = std::clamp(position, min, max);
    FMin = min;
    FMax = max;
    bool moved = position != FPosition;
    FPosition = position;
    Changed();
    if (moved) Fire(OnChange, this);
}

void TScrollBar::SetPosition(int position) { SetParams(position, FMin, FMax); }

void TScrollBar::SetPageSize(int size)
{
    if (size < 0 || size > FMax - FMin + 1) throw rtl::EInvalidOperation("Scrollbar property out of range");
    FPageSize = size;
    Changed();
}

namespace {

// Qt's scroll bar steps a horizontal bar the wrong way on Left and Right (its controls are
// inverted for the wheel); here Right moves towards the maximum, as the arrow at that end does.
class ScrollBarWidget : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const int key = event->key();
        if (orientation() == Qt::Horizontal && (key == Qt::Key_Left || key == Qt::Key_Right)) {
            const bool towardsMax = (key == Qt::Key_Right) != isRightToLeft();
            triggerAction(towardsMax ? SliderSingleStepAdd : SliderSingleStepSub);
            event->accept();
            return;
        }
        QScrollBar::keyPressEvent(event);
    }
};

}  // namespace

QWidget* TScrollBar::CreateWidget(QWidget* parent)
{
    auto* s = new ScrollBarWidget(FKind == TScrollBarKind::sbHorizontal ? Qt::Horizontal : Qt::Vertical, parent);
    s->setTracking(true);
    s->setFocusPolicy(Qt::StrongFocus);  // a scroll bar of its own is a tab stop
    QObject::connect(s, &QScrollBar::valueChanged, s, [this](int v) { Dispatch([&] { SetPosition(v); }); });
    return s;
}

void TScrollBar::SyncWidget()
{
    TControl::SyncWidget();
    auto* s = static_cast<QScrollBar*>(FWidget);
    QSignalBlocker block(s);
    s->setRange(FMin, FMax - std::max(0, FPageSize - 1));
    s->setPageStep(FPageSize > 0 ? FPageSize : std::max(1, FLargeChange));
    s->setSingleStep(std::max(1, FSmallChange));
    s->setValue(FPosition);
}

// ---- edit ------------------------------------------------------------------------------------------------

TEdit::TEdit(TComponent* owner) : TControl(owner)
{
    SetBounds(0, 0, 121, 21);
    SetColor(clWindow);
}

void TEdit::SetMaxLength(int n)
{
    FMaxLength = std::max(0, n);
    Changed();
}

void TEdit::SetCaption(const String& text)
{
    if (text == Text()) return;
    TControl::SetCaption(text);
    Fire(OnChange, this);
}

void TEdit::Type(const String& text)
{
    if (FMaxLength <= 0) {
        SetCaption(text);
        return;
    }
    // Counts characters, not bytes.
    size_t i = 0;
    int n = 0;
    while (i < text.size() && n < FMaxLength) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        i += c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        ++n;
    }
    SetCaption(text.substr(0, std::min(i, text.size())));
}

QWidget* TEdit::CreateWidget(QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    QObject::connect(e, &QLineEdit::textEdited, e, [this](const QString& t) { Dispatch([&] { SetCaption(S(t)); }); });
    return e;
}

void TEdit::SyncWidget()
{
    TControl::SyncWidget();
    auto* e = static_cast<QLineEdit*>(FWidget);
    QSignalBlocker block(e);
    e->setMaxLength(FMaxLength > 0 ? std::max(FMaxLength, int(Q(Text()).size())) : 32767);
    if (e->text() != Q(Text())) e->setText(Q(Text()));
    QPalette pal = e->palette();
    pal.setColor(QPalette::Base, QColorOf(Color()));
    e->setPalette(pal);
}

}  // namespace ui
