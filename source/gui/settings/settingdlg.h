// The settings dialog ("Settings"): the "&Devices", "&Software Options" and
// "&About" pages over one clSettingSession, closed with "&Ok" or "&Cancel".
// One call opens it with the main window's values and hands back what the
// main window applies (QkApplySettings, QkApplyCancelled).
#pragma once

#include <functional>
#include <memory>

#include <QDialog>

#include "source/settings/setsession.h"

class QPushButton;
class QTabWidget;
class clAboutDlg;
class clChpSelDlg;
class clSwOptDlg;

// play: the window's sound player ("Play" and the file chooser's "&Play").
// Problems (a bad device path or frequency) go to the program's error
// manager.
clSettingResult QkRunSettingDlg(const clSettingInput& input, std::function<void(const clSndActInfo&)> play,
                                QWidget* parent);

class clSettingDlg : public QDialog {
    Q_OBJECT

public:
    clSettingDlg(const clSettingInput& input, std::function<void(const clSndActInfo&)> play, QWidget* parent);
    ~clSettingDlg() override;

    // What the dialog hands back; valid once it has closed.
    const clSettingResult& Result() const { return m_Result; }
    clSettingSession& Session() { return *m_pSession; }
    QTabWidget* Tabs() const { return m_pTabs; }
    clChpSelDlg* DevicePage() const { return m_pDevices; }
    clSwOptDlg* OptionsPage() const { return m_pOptions; }
    clAboutDlg* AboutPage() const { return m_pAbout; }

    void accept() override;
    void reject() override;

private:
    // Shows a problem through the program's error manager.
    void Complain(const std::string& text);

    std::unique_ptr<clSettingSession> m_pSession;
    clSettingResult m_Result;
    QTabWidget* m_pTabs;
    clChpSelDlg* m_pDevices;
    clSwOptDlg* m_pOptions;
    clAboutDlg* m_pAbout;
};
