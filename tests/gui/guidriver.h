// Drives qkprog's real windows for the GUI tests and the screenshots: answers
// the dialogs that open (as a user would, through their buttons and fields),
// keeps what they showed, and runs the program's window with its arguments.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "source/gui/qk51frame.h"
#include "tests/testutil.h"

class clErrDlg;
class clSettingDlg;
class Tmp51OpenDlg;
class Tmp51SaveDlg;
class TTipDlg;

struct clSeenDialog {
    QString caption;
    QString text;
    std::vector<int> buttons;
    int answer = 0;
};

class clDialogDriver : public QObject {
    Q_OBJECT
public:
    clDialogDriver();
    ~clDialogDriver() override;

    // The answer to an error dialog; by default Ok when offered, else the first button.
    std::function<int(const clSeenDialog&)> answerError;
    // Each must accept or reject the dialog; by default they cancel.
    std::function<void(Tmp51OpenDlg&)> onLoad;
    std::function<void(Tmp51SaveDlg&)> onSave;
    // Called before an error dialog is answered (a screenshot, say).
    std::function<void(clErrDlg&)> beforeAnswer;
    std::function<void(TTipDlg&)> onTip;
    // Must close the settings dialog; by default "&Cancel".
    std::function<void(clSettingDlg&)> onSettings;

    std::vector<clSeenDialog> errors;
    QStringList tips; // the first tip text of each tip box
    int settingsDialogs = 0;
    int guardBoxes = 0;
    QString guardText; // the last "Exception" box's text

    // The texts of the error dialogs seen so far.
    QStringList ErrorTexts() const;
    bool SawError(const QString& part) const;

private:
    void Poll();
    QList<QPointer<QWidget>> m_Handled;
};

// A test's own folder and the current directory while the test runs, so the
// program's relative paths land in it; going, it restores the directory and
// forgets the ports the test mapped.
class clGuiTestDir : public clTempDir {
public:
    clGuiTestDir();
    ~clGuiTestDir();
    std::string Settings() const { return File("settings.ini"); }

private:
    std::filesystem::path m_Previous;
};

// qkprog's window with its argument vector kept alive.
class clProgRun {
public:
    clProgRun(const std::vector<std::string>& switches, const std::string& settingsPath);
    ~clProgRun();
    // Runs the start-up (2 s behind the screen) and waits for the first connect.
    void StartUp();
    TQk51FrameWindow& Frame() { return *m_pFrame; }
    clQk51Main& Main() { return m_pFrame->Main(); }
    // Clicks a main-window button and waits until the window is idle again.
    void Click(int id);
    QString Status() const;
    // The text of the label with this control id (a view's statistics, say).
    QString Label(int id) const;

private:
    std::vector<std::string> m_Args;
    std::vector<const char*> m_Argv;
    std::unique_ptr<TQk51FrameWindow> m_pFrame;
};

// The frames qksim received, from its frame log (RX lines), as bytes.
std::vector<std::vector<int>> QkReadFrames(const std::string& log);
// A write frame (kind 3) of order and sub.
bool QkIsWrite(const std::vector<int>& frame, int order, int sub);
// An execute frame (kind 1) of order.
bool QkIsExecute(const std::vector<int>& frame, int order);

// Waits (events running) until done answers true; false after ms.
bool QkWaitFor(const std::function<bool()>& done, int ms = 10000);
