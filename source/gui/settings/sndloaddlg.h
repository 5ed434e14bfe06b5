// "Select Sound File": a file chooser for wave files with its own "&Play"
// button, to hear a file before taking it.
#pragma once

#include <functional>

#include <QDialog>

#include "source/settings/qksnd.h"

class QFileDialog;
class QPushButton;

class clSndLoadDlg : public QDialog {
    Q_OBJECT

public:
    clSndLoadDlg(const QString& folder, std::function<void(const clSndActInfo&)> play, QWidget* parent);

    // The file taken with "Open" (after exec() answered Accepted).
    QString File() const { return m_sFile; }
    QFileDialog* Chooser() const { return m_pChooser; }
    QPushButton* PlayButton() const { return m_pPlay; }

private:
    // The file under the selection, or "".
    QString Current() const;

    std::function<void(const clSndActInfo&)> m_Play;
    QFileDialog* m_pChooser;
    QPushButton* m_pPlay;
    QString m_sFile;
};
