#include "source/gui/gauge.h"

#include <QCoreApplication>
#include <QPainter>
#include <algorithm>

#include "source/app/qk51main.h"

TQkGauge::TQkGauge(QWidget* parent) : QWidget(parent)
{
    setObjectName("id152");
    setMinimumHeight(18);
}

void TQkGauge::SetLed(int spacing, int thicknessPercent)
{
    m_iSpacing = std::max(spacing, 1);
    m_iThickness = std::clamp(thicknessPercent, 1, 100);
    update();
}

void TQkGauge::SetValue(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (percent != m_iValue) {
        m_iValue = percent;
        update();
    }
}

void TQkGauge::Progress(int percent, const char* text)
{
    SetValue(percent);
    if (text != nullptr) {
        if (getStatus && setStatus && getStatus() != text)
            setStatus(text);
        if (setTitle)
            setTitle(QkProgressTitle(percent, text));
    }
    QCoreApplication::processEvents();
}

void TQkGauge::Reset()
{
    SetValue(0);
}

void TQkGauge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.setPen(palette().color(QPalette::Mid));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRect(frame);
    const int leds = 100 / m_iSpacing;
    const int lit = m_iValue / m_iSpacing;
    const QRect inner = frame.adjusted(2, 2, -1, -1);
    const double slot = static_cast<double>(inner.width()) / leds;
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_Color);
    for (int i = 0; i < lit; ++i) {
        const int x = inner.x() + static_cast<int>(i * slot);
        const int w = std::max(1, static_cast<int>(slot * m_iThickness / 100));
        painter.drawRect(x, inner.y(), w, inner.height());
    }
}
