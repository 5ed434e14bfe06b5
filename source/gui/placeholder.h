// A plain box for a window that a later version of the program brings.
#pragma once

#include <QDialog>

class TPlaceholderDlg : public QDialog {
    Q_OBJECT
public:
    TPlaceholderDlg(QWidget* parent, const QString& title, const QString& text);
};
