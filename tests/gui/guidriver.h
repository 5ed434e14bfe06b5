// Drives qkprog's real windows for the GUI tests and the screenshots: answers
// the dialogs that open (as a user would, through their buttons and fields),
// keeps what they showed, and runs the program's window with its arguments.
// Nothing waits silently: a dialog still open a few seconds after it was
// answered, a modal window no handler expects, or a wait past its deadline
// fails the running test with what it waited for, and the window is closed
// so that the test goes on to its end.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cpplib/qkmirror.h"
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

    // How long an answered dialog may stay open.
    static constexpr int kAnswerMs = 3000;

private:
    void Poll();
    static bool Handles(const QWidget* widget);
    void Answer(QWidget* widget);
    // Fails the running test and closes the dialog.
    void Fail(QWidget* widget, const QString& why);

    // A visible dialog the driver has seen: answered (since when), being
    // answered by a handler, or modal and unexpected (seen since when).
    struct clTracked {
        QPointer<QWidget> widget;
        qint64 sinceMs = 0;
        bool answered = false;
        bool handling = false;
    };
    QList<clTracked> m_Handled;
    QElapsedTimer m_Clock;
};

// Fails the running test with a message (from helpers and event handlers,
// where QVERIFY cannot return from the test function).
void QkFailTest(const QString& message);

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
    // Clicks a main-window button and waits until the window is idle again
    // (the test fails when it is not within kClickMs).
    void Click(int id);
    static constexpr int kClickMs = 30000;
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
// The programmer's memory each write or fill frame of the data space set, in
// frame order; fills counts the fill frames among them.
std::vector<clAdrsRange> QkMemoryWrites(const std::string& log, int* fills = nullptr);
// Whether ranges together cover first..last.
bool QkCovers(const std::vector<clAdrsRange>& ranges, std::uint32_t first, std::uint32_t last);
// An execute frame (kind 1) of order.
bool QkIsExecute(const std::vector<int>& frame, int order);

// Waits (events running) until done answers true; false after ms.
bool QkWaitFor(const std::function<bool()>& done, int ms = 10000);
// The same, and a false answer fails the running test: "waited ms for what".
bool QkWaitOrFail(const std::function<bool()>& done, int ms, const QString& what);
