// The progress gauge of the main window (TQkGauge): LED segments, and the
// status line and frame title that follow an operation's progress.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "source/app/srvccomm.h"
#include "source/base/appmngr.h"

class TQkGauge : public QWidget, public clQkGaugeIntf, public clProgressSink {
    Q_OBJECT
public:
    explicit TQkGauge(QWidget* parent = nullptr);

    // Range 0..100; one LED per spacing units, each LED thickness percent
    // of its slot.
    void SetLed(int spacing, int thicknessPercent);
    void SetColor(const QColor& color)
    {
        m_Color = color;
        update();
    }
    int GetValue() const { return m_iValue; }
    void SetValue(int percent);

    // The status line and the frame title the progress goes to.
    std::function<std::string()> getStatus;
    std::function<void(const std::string&)> setStatus;
    std::function<void(const std::string&)> setTitle;

    // clQkGaugeIntf: value, status text, title, then the window breathes.
    void Progress(int percent, const char* text) override;
    // clProgressSink (file loads and saves).
    void SetProgress(int percent, const char* text) override { Progress(percent, text); }
    void Reset();

    QSize sizeHint() const override { return {200, 18}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_iValue = 0;
    int m_iSpacing = 5;
    int m_iThickness = 80;
    QColor m_Color{0x00, 0x00, 0x80};
};
