// The sound page inside "&Software Options" ("Sound options"): the
// "Actio&ns:" list, the "So&und:" combo with "Open" and "Play", and "Mute".
#pragma once

#include <functional>

#include <QGroupBox>

#include "source/settings/sndpage.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;
class clSndLoadDlg;

class clQkSndDlg : public QGroupBox {
    Q_OBJECT

public:
    // play sounds a sound (the window's player); "Play" calls it muted or not.
    clQkSndDlg(clSndPage& page, std::function<void(const clSndActInfo&)> play, QWidget* parent);

    QListWidget* Actions() const { return m_pActions; }
    QComboBox* Sound() const { return m_pSound; }
    QCheckBox* Mute() const { return m_pMute; }
    // The file dialog of "Open" (null while none is open).
    clSndLoadDlg* LoadDialog() const { return m_pLoad; }

private:
    void ShowSound();
    void OpenFile();

    clSndPage& m_Page;
    std::function<void(const clSndActInfo&)> m_Play;
    QListWidget* m_pActions;
    QComboBox* m_pSound;
    QPushButton* m_pOpen;
    QPushButton* m_pPlay;
    QCheckBox* m_pMute;
    clSndLoadDlg* m_pLoad = nullptr;
};
