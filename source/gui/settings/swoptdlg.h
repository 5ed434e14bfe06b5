// The "&Software Options" page (resource 505): the port (with the device
// path of a COM number), the crystal frequency, the automatic options, the
// programmer's modes and updates, the button style and the sounds.
#pragma once

#include <functional>

#include <QWidget>

#include "source/settings/setsession.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class clQkSndDlg;

class clSwOptDlg : public QWidget {
    Q_OBJECT

public:
    clSwOptDlg(clSettingSession& session, std::function<void(const clSndActInfo&)> play, QWidget* parent);

    // Takes the device path being edited; why it cannot be a port when it
    // cannot ("" when it was taken).
    std::string CommitPath();
    QLineEdit* PortPath() const { return m_pPath; }
    QLineEdit* Frequency() const { return m_pXtal; }

protected:
    // "S&ignature check" follows the device chosen on the "&Devices" page.
    void showEvent(QShowEvent* event) override;

private:
    QCheckBox* Check(int id, const char* text, bool checked);
    void PortChosen(int index);
    void ShowPorts();
    void UpdateProgrammer();

    clSettingSession& m_Session;
    QComboBox* m_pPort;
    QLineEdit* m_pPath;
    QLabel* m_pPathNote;
    QLineEdit* m_pXtal;
    QCheckBox* m_pSigChk;
    QPushButton* m_pPgmUpdate;
    clQkSndDlg* m_pSounds;
};
