// The start-up screen ("clStartupDlg"): a borderless box centred on the
// screen with the product picture, the product name, the version and a line
// of text that the start-up steps replace.
#pragma once

#include <QWidget>

#include "source/app/qk51main.h"

class QLabel;

class TStartupDlg : public QWidget, public clStartupScreen {
    Q_OBJECT
public:
    TStartupDlg();
    void SetText(const std::string& text) override;
    QString GetText() const;

private:
    QLabel* m_pText;
};

// "Version %s" with the program's version.
QString QkVersionLine();
