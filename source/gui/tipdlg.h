// The tip-of-the-day box (dialog 120 "Tip of the Day").
#pragma once

#include <QDialog>

#include "source/app/tipday.h"

class QCheckBox;
class QLabel;

class TTipDlg : public QDialog {
    Q_OBJECT
public:
    TTipDlg(QWidget* parent, int tipMode, unsigned long seed);
    // "Tip Mode" after the box closed.
    int GetTipMode() const;
    const clQkTipOfDay& Tips() const { return m_Tips; }

private:
    void ShowTip();

    clQkTipOfDay m_Tips;
    QLabel* m_pText;
    QCheckBox* m_pShow;
};
