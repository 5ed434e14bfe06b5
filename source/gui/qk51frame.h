// The main window of qkprog (TQk51FrameWindow): a fixed-size frame that shows
// the device, the project and the space views, and whose buttons start the
// device operations. It renders and forwards; the rules are clQk51Main's.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <map>
#include <memory>

#include "source/app/qk51main.h"
#include "source/app/qkservice.h"
#include "source/gui/gauge.h"
#include "source/gui/qksound.h"

class QAbstractButton;
class QAction;
class QEventLoop;
class QLabel;
class QTabWidget;
class QTimer;
class QToolButton;
class THelpWnd;
class clDumpWindow;

// The window menu's items (the desktop's own window menu cannot take them).
enum : int {
    idMenuIgnore = 1000 + idMenuIgnoreStartStop, // beside the "&Flash" button's 133
    idHelpContents = 131,
    idKeywordSearch = 130,
    idUsingHelp = 129,
    idTipOfDay = 135,
};

class TQk51FrameWindow : public QMainWindow, public clService, public clQk51Window {
    Q_OBJECT
public:
    static constexpr unsigned long kWindowId = 0x5101;

    // The argument vector must outlive the window.
    TQk51FrameWindow(int argc, const char* const* argv, const std::string& settingsPath = QkSettingsPath());
    ~TQk51FrameWindow() override;

    // The start-up behind the start-up screen; then the window shows and the
    // first connection is posted.
    void StartUp();
    // Ends the program after the exception guard's box: idle, then closed.
    void Fatal();

    clQk51Main& Main() { return m_Main; }
    QAbstractButton* Button(int id) const;
    QLabel* Text(int id) const;
    QTabWidget* Tabs() const { return m_pTabs; }
    TQkGauge* GetGauge() { return m_pGauge; }
    TQkSound& Sound() { return m_Sound; }
    int GetIndicator() const { return m_iIndicator; }
    QString GetPortText() const;
    THelpWnd* Help() const { return m_pHelp; }
    // The dump editors open now.
    std::vector<clDumpWindow*> DumpWindows() const;
    // Commands as the buttons and menu items give them.
    void Command(int id);
    void ShowHelp(const QString& topic);

    // clQk51Window
    unsigned long GetWindowId() override { return kWindowId; }
    void SetStatus(const std::string& text, std::uint32_t colour) override;
    std::string GetStatus() override;
    void SetText(int id, const std::string& text) override;
    void ShowControl(int id, bool shown) override;
    void EnableControl(int id, bool enabled) override;
    void PlaceAbortOver(int id) override;
    void SetFrameBusy(bool busy) override;
    void SetViewsEnabled(bool enabled) override;
    void ResetGauge() override;
    void ShowIndicator(int picture, const std::string& port) override;
    void ShowLinkProblem(const std::string& text) override;
    void FocusControl(int id) override;
    void Repaint() override;
    void BuildTabs(const std::vector<clSpcBaseDlg*>& views) override;
    void ApplyButtonStyle(bool flyOver) override;
    void PostConnect(int port) override;
    void PlaySound(const clSndActInfo& sound) override;
    void WaitMs(int ms) override;
    void PumpMessages() override;
    void ShowTipOfDay() override;
    void OpenDumpWindow(clSpcBaseDlg& view) override;
    void CloseDumpWindows() override;
    void ClearDumpChanges() override;
    void CheckMenuItem(int id, bool checked) override;
    clSettingResult RunSettings(const clSettingInput& input) override;
    std::optional<clLoadChoice> AskLoadFile(const clLoadDialogSetup& setup) override;
    std::optional<clSaveChoice> AskSaveFile(const clSaveDialogSetup& setup) override;
    clProgressSink* Gauge() override { return m_pGauge; }
    clQkGaugeIntf* CommGauge() override { return m_pGauge; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildControls();
    QToolButton* AddButton(int id, const char* text, const char* icon);
    // Runs a command unless another one is running (a progress step or a
    // status read lets events in; nothing may start inside them).
    template <class F>
    void Guarded(F&& work);
    void Connect(int port, bool first);
    // The open dump editors show the buffers as they are now.
    void RepaintDumps();
    // Idle time: the programmer's start button.
    void OnIdle();

    struct clOpenDump {
        QPointer<clDumpWindow> window;
        int space = 0;
    };
    clQk51Main m_Main;
    std::map<int, QAbstractButton*> m_Buttons;
    std::map<int, QLabel*> m_Texts;
    QTabWidget* m_pTabs = nullptr;
    TQkGauge* m_pGauge = nullptr;
    QLabel* m_pStatus = nullptr;
    QToolButton* m_pIndicator = nullptr;
    QLabel* m_pPort = nullptr;
    QString m_sPortText; // the whole text the port label shows elided
    QLabel* m_pLinkProblem = nullptr;
    QToolButton* m_pAbort = nullptr;
    QAction* m_pTipAction = nullptr;
    QAction* m_pIgnoreAction = nullptr;
    QTimer* m_pIdleTimer = nullptr;
    QEventLoop* m_pWait = nullptr; // the running WaitMs
    THelpWnd* m_pHelp = nullptr;
    TQkSound m_Sound;
    std::vector<QWidget*> m_Pages;
    std::vector<clOpenDump> m_Dumps;
    int m_iIndicator = -1;
    int m_iDepth = 0;
    bool m_bForceClose = false;
    bool m_bBuildingTabs = false;
    bool m_bUpdateClose = false; // the programmer is updating its firmware: the program closes
};
