// The error dialog (clErrDlg): caption, icon and glyph buttons follow the
// record's type and option bits; sizes and places come from the layout rules
// of the error library.
#pragma once

#include <QDialog>
#include <string>

#include "err/errdlg.h"

class QLabel;

class clErrDlg : public QDialog {
    Q_OBJECT
public:
    // caption: replaces the type's caption when not null (message boxes).
    clErrDlg(QWidget* parent, ERR_TYPE type, unsigned char option, const std::string& text,
             const char* caption = nullptr);

    const std::string& GetText() const { return m_sText; }
    // The button ids offered, in layout order.
    std::vector<int> ButtonIds() const;

protected:
    void reject() override;

private:
    std::string m_sText;
    std::vector<clErrButton> m_Buttons;
};
