#include <algorithm>
#include <cmath>
#include <numbers>

#include <QPainter>
#include <QPainterPath>

#include "framework/ui/QtBridge.h"
#include "framework/ui/StdCtrls.h"

namespace ui {
namespace {

class GaugeWidget : public QWidget {
public:
    GaugeWidget(TGauge& owner, QWidget* parent) : QWidget(parent), FOwner(owner) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRect r = rect().adjusted(0, 0, -1, -1);
        const QColor fore = QColorOf(FOwner.ForeColor()), back = QColorOf(FOwner.BackColor());
        const int pct = FOwner.PercentDone();
        const double frac = pct / 100.0;
        p.fillRect(rect(), QColorOf(FOwner.Color()));
        switch (FOwner.Kind()) {
        case TGaugeKind::gkHorizontalBar:
            p.fillRect(r, back);
            p.fillRect(QRect(r.left(), r.top(), int(std::lround(r.width() * frac)), r.height()), fore);
            p.setPen(Qt::black);
            p.drawRect(r);
            break;
        case TGaugeKind::gkVerticalBar: {
            p.fillRect(r, back);
            int h = int(std::lround(r.height() * frac));
            p.fillRect(QRect(r.left(), r.bottom() - h, r.width(), h), fore);
            p.setPen(Qt::black);
            p.drawRect(r);
            break;
        }
        case TGaugeKind::gkPie:
            p.setPen(Qt::black);
            p.setBrush(back);
            p.drawEllipse(r);
            p.setBrush(fore);
            p.drawPie(r, 90 * 16, -int(std::lround(360 * 16 * frac)));
            break;
        case TGaugeKind::gkNeedle: {
            // A half disc standing on the bottom edge; the needle turns from left (0) to right (100).
            QRectF disc(r.left(), r.top(), r.width(), 2.0 * r.height());
            p.setPen(Qt::black);
            p.setBrush(back);
            p.drawPie(disc, 0, 180 * 16);
            QPointF centre(disc.center().x(), r.bottom());
            double angle = std::numbers::pi * (1.0 - frac);
            QPointF tip(centre.x() + std::cos(angle) * r.width() / 2.0, centre.y() - std::sin(angle) * r.height());
            p.setPen(QPen(fore, 2));
            p.drawLine(centre, tip);
            break;
        }
        case TGaugeKind::gkText:
            p.fillRect(r, back);
            break;
        }
        if (FOwner.ShowText()) {
            p.setPen(QColorOf(FOwner.Font().Color));
            p.setFont(QFontOf(FOwner.Font()));
            p.drawText(rect(), Qt::AlignCenter, QString::number(pct) + '%');
        }
    }

private:
    TGauge& FOwner;
};

}  // namespace

TGauge::TGauge(TComponent* owner) : TControl(owner) { SetBounds(0, 0, 100, 100); }

void TGauge::SetKind(TGaugeKind kind)
{
    FKind = kind;
    Invalidate();
}

void TGauge::SetMinValue(int v)
{
    int before = PercentDone();
    FMinValue = v;
    if (FMaxValue < FMinValue) FMaxValue = FMinValue;
    FProgress = std::clamp(FProgress, FMinValue, FMaxValue);
    if (PercentDone() != before) Invalidate();
}

void TGauge::SetMaxValue(int v)
{
    int before = PercentDone();
    FMaxValue = v;
    if (FMinValue > FMaxValue) FMinValue = FMaxValue;
    FProgress = std::clamp(FProgress, FMinValue, FMaxValue);
    if (PercentDone() != before) Invalidate();
}

void TGauge::SetProgress(int v)
{
    int before = PercentDone();
    FProgress = std::clamp(v, FMinValue, FMaxValue);
    if (PercentDone() != before) {
        ++FRedrawCount;
        Invalidate();
    }
}

int TGauge::PercentDone() const
{
    int64_t span = int64_t(FMaxValue) - FMinValue;
    if (span <= 0) return 0;
    return int((int64_t(FProgress) - FMinValue) * 100 / span);
}

void TGauge::SetForeColor(TColor c)
{
    FForeColor = c;
    Invalidate();
}

void TGauge::SetBackColor(TColor c)
{
    FBackColor = c;
    Invalidate();
}

void TGauge::SetShowText(bool on)
{
    FShowText = on;
    Invalidate();
}

QWidget* TGauge::CreateWidget(QWidget* parent) { return new GaugeWidget(*this, parent); }

void TGauge::SyncWidget()
{
    TControl::SyncWidget();
    FWidget->update();
}

}  // namespace ui
