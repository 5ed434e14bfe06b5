#include "source/gui/qk51frame.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFontMetrics>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "source/gui/dump/dumpclient.h"
#include "source/gui/dump/dumpwin.h"
#include "source/gui/filedlgs.h"
#include "source/gui/helpwnd.h"
#include "source/gui/qtui.h"
#include "source/gui/settings/settingdlg.h"
#include "source/gui/spcpages.h"
#include "source/gui/startupdlg.h"
#include "source/gui/tipdlg.h"
#include "source/settings/qksettings.h"

namespace {
QColor FromColourRef(std::uint32_t colour)
{
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

} // namespace

TQk51FrameWindow::TQk51FrameWindow(int argc, const char* const* argv, const std::string& settingsPath)
    : QMainWindow(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint),
      clService(argc, argv, settingsPath),
      m_Main(*this, *this)
{
    setObjectName("TQk51FrameWindow");
    setWindowTitle(kFrameTitle);
    setWindowIcon(QIcon(":/icons/product.svg"));
    BuildControls();
    QkQtUi().RegisterWindow(kWindowId, this, [this](int type) { m_Main.OnErrorShown(type); });
}

TQk51FrameWindow::~TQk51FrameWindow()
{
    QkQtUi().UnregisterWindow(kWindowId);
    // The dump editors and the pages go before the views they show and the
    // buffers the views hold.
    CloseDumpWindows();
    BuildTabs({});
    Comm().SetGauge(nullptr);
    QkAppErrMngr().CloseErrMngr();
}

void TQk51FrameWindow::StartUp()
{
    move(QkGetSetting(Settings(), kSetXPos), QkGetSetting(Settings(), kSetYPos));
    {
        TStartupDlg screen;
        screen.show();
        QCoreApplication::processEvents();
        ++m_iDepth;
        m_Main.StartUp(screen);
        --m_iDepth;
    }
    show();
    // User message 102: the first connection once the window is up.
    QTimer::singleShot(0, this, [this] { Connect(m_Main.GetPort(), true); });
    // Idle passes: a timer, so that waiting for the start button never spins.
    m_pIdleTimer = new QTimer(this);
    m_pIdleTimer->setInterval(100);
    connect(m_pIdleTimer, &QTimer::timeout, this, &TQk51FrameWindow::OnIdle);
    m_pIdleTimer->start();
}

void TQk51FrameWindow::OnIdle()
{
    bool updating = false;
    Guarded([&] { updating = m_Main.IsIdle() && m_Main.CheckFirmwareUpdate(); });
    if (updating) {
        // What a reply code 5 announced: the program closes on its own.
        if (!m_bUpdateClose) {
            m_bUpdateClose = true;
            QTimer::singleShot(0, this, &QWidget::close);
        }
        return;
    }
    bool pressed = false;
    Guarded([&] { pressed = m_Main.PollStartButton(QkNowMs()); });
    // Posted: it runs through the command path as a click would, never
    // inside the poll.
    if (pressed)
        QTimer::singleShot(0, this, [this] { Command(idProgram); });
}

void TQk51FrameWindow::Fatal()
{
    m_bForceClose = true;
    m_Main.SetIdle(true);
    close();
}

template <class F>
void TQk51FrameWindow::Guarded(F&& work)
{
    if (m_iDepth > 0 || !m_Main.IsStarted())
        return;
    ++m_iDepth;
    work();
    --m_iDepth;
}

void TQk51FrameWindow::Connect(int port, bool first)
{
    if (m_iDepth > 0 || !m_Main.IsIdle()) {
        // Not inside another command: try again once it is done.
        QTimer::singleShot(20, this, [this, port, first] { Connect(port, first); });
        return;
    }
    Guarded([&] { m_Main.OnConnect(port, first); });
    RepaintDumps();
}

void TQk51FrameWindow::Command(int id)
{
    if (id == idCancel) {
        close();
        return;
    }
    Guarded([&] {
        switch (id) {
        case idSettings: m_Main.OnSettings(); break;
        case idMemory: m_Main.OnMemory(); break;
        case idOpen: m_Main.OnOpen(); break;
        case idSave: m_Main.OnSave(); break;
        case idProgram: m_Main.RunOperation(cmdProgram); break;
        case idRead: m_Main.RunOperation(cmdRead); break;
        case idChkSum: m_Main.RunOperation(cmdChkSum); break;
        case idVerify: m_Main.RunOperation(cmdVerify); break;
        case idBlnkChk: m_Main.RunOperation(cmdBlnkChk); break;
        case idErase: m_Main.RunOperation(cmdErase); break;
        case idRobot: m_Main.OnRobot(); break;
        case idFlash: m_Main.OnFlash(); break;
        case idMenuIgnore: m_Main.ToggleIgnoreStartStop(QkNowMs()); break;
        case 9: // F1
            if (clSpcBaseDlg* view = m_Main.CurrentView())
                ShowHelp(view->GetHelpContext());
            else
                ShowHelp("contents");
            break;
        case idHelpContents: ShowHelp("contents"); break;
        case idKeywordSearch:
            ShowHelp("index");
            m_pHelp->StartSearch();
            break;
        case idUsingHelp: ShowHelp("help"); break;
        case 1000 + idTipOfDay: ShowTipOfDay(); break;
        default: break;
        }
    });
    RepaintDumps();
}

void TQk51FrameWindow::ShowHelp(const QString& topic)
{
    if (m_pHelp == nullptr)
        m_pHelp = new THelpWnd(this);
    m_pHelp->ShowTopic(topic);
}

void TQk51FrameWindow::closeEvent(QCloseEvent* event)
{
    if (m_bForceClose) {
        event->accept();
        return;
    }
    if (!m_Main.IsStarted()) {
        event->ignore();
        return;
    }
    if (!m_Main.IsIdle()) {
        m_Main.QueryClose(); // only stops the operation
        if (m_pWait != nullptr)
            m_pWait->quit(); // a wait between its steps ends at once
        event->ignore();
        return;
    }
    if (m_iDepth > 0) {
        // A status read or a question is open: ask again once it is done.
        QTimer::singleShot(50, this, &QWidget::close);
        event->ignore();
        return;
    }
    ++m_iDepth;
    const bool quit = m_bUpdateClose ? m_Main.CloseForUpdate() : m_Main.QueryClose();
    --m_iDepth;
    if (!quit) {
        // Kept open by the user's answer (the project's save dialog cancelled);
        // the close box then closes without the quit question.
        event->ignore();
        return;
    }
    m_Main.SavePosition(pos().x(), pos().y());
    event->accept();
}

void TQk51FrameWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange)
        setWindowTitle(QString::fromStdString(QkFrameTitle(isMinimized(), GetStatus())));
    QMainWindow::changeEvent(event);
}

// clQk51Window

void TQk51FrameWindow::SetStatus(const std::string& text, std::uint32_t colour)
{
    m_pStatus->setText(QString::fromStdString(text));
    QPalette palette = m_pStatus->palette();
    palette.setColor(QPalette::WindowText, FromColourRef(colour));
    m_pStatus->setPalette(palette);
    if (isMinimized())
        setWindowTitle(QString::fromStdString(QkFrameTitle(true, text)));
}

std::string TQk51FrameWindow::GetStatus()
{
    return m_pStatus->text().toStdString();
}

void TQk51FrameWindow::SetText(int id, const std::string& text)
{
    QLabel* label = Text(id);
    if (label == nullptr)
        return;
    QString value = QString::fromStdString(text);
    if (id == idFile || id == idProject) {
        // Long paths lose their leading folders.
        const QFontMetrics metrics(label->font());
        const int width = label->maximumWidth();
        value = QString::fromStdString(QkShortenPath(
            text, [&](const std::string& s) { return metrics.horizontalAdvance(QString::fromStdString(s)) <= width; }));
        label->setToolTip(QString::fromStdString(text));
    }
    label->setText(value);
}

void TQk51FrameWindow::ShowControl(int id, bool shown)
{
    if (id == idIndicator) {
        m_pIndicator->setVisible(shown);
        m_pPort->setVisible(shown);
    } else if (QAbstractButton* button = Button(id))
        button->setVisible(shown);
    else if (QLabel* label = Text(id))
        label->setVisible(shown);
}

void TQk51FrameWindow::EnableControl(int id, bool enabled)
{
    if (QAbstractButton* button = Button(id))
        button->setEnabled(enabled);
}

void TQk51FrameWindow::PlaceAbortOver(int id)
{
    QAbstractButton* button = Button(id);
    if (button == nullptr)
        return;
    m_pAbort->setGeometry(button->geometry());
    m_pAbort->setEnabled(true);
    m_pAbort->show();
    m_pAbort->raise();
}

void TQk51FrameWindow::SetFrameBusy(bool busy)
{
    m_pTipAction->setEnabled(!busy);
    m_pIgnoreAction->setEnabled(!busy);
}

void TQk51FrameWindow::CheckMenuItem(int id, bool checked)
{
    if (id == idMenuIgnoreStartStop)
        m_pIgnoreAction->setChecked(checked);
}

void TQk51FrameWindow::SetViewsEnabled(bool enabled)
{
    m_pTabs->setEnabled(enabled);
    // Nothing may be typed through to the programmer while an operation runs.
    for (const clOpenDump& dump : m_Dumps)
        if (dump.window)
            dump.window->setEnabled(enabled);
}

void TQk51FrameWindow::ResetGauge()
{
    m_pGauge->Reset();
    if (!isMinimized())
        setWindowTitle(kFrameTitle);
}

void TQk51FrameWindow::ShowIndicator(int picture, const std::string& port)
{
    if (picture != m_iIndicator) {
        static const char* const kPictures[] = {":/icons/conn_off.svg", ":/icons/conn_demo.svg", ":/icons/conn_on.svg"};
        static const char* const kTips[] = {"Not connected", "Demo protocol", "Connected"};
        m_pIndicator->setIcon(QIcon(kPictures[picture]));
        m_pIndicator->setToolTip(kTips[picture]);
        m_iIndicator = picture;
    }
    // The COM number stays in sight; a long device path gives way in its
    // middle, and the tooltip holds all of it.
    m_sPortText = QString::fromStdString(port);
    m_pPort->setText(m_pPort->fontMetrics().elidedText(m_sPortText, Qt::ElideMiddle, m_pPort->width() - 6));
    m_pPort->setToolTip(m_sPortText);
}

void TQk51FrameWindow::ShowLinkProblem(const std::string& text)
{
    m_pLinkProblem->setText(QString::fromStdString(text));
    m_pLinkProblem->setToolTip(m_pLinkProblem->text());
}

void TQk51FrameWindow::FocusControl(int id)
{
    if (QAbstractButton* button = Button(id); button != nullptr && button->isEnabled())
        button->setFocus();
}

void TQk51FrameWindow::Repaint()
{
    update();
}

void TQk51FrameWindow::BuildTabs(const std::vector<clSpcBaseDlg*>& views)
{
    m_bBuildingTabs = true;
    while (m_pTabs->count() > 0)
        m_pTabs->removeTab(0);
    for (QWidget* page : m_Pages)
        delete page;
    m_Pages.clear();
    for (clSpcBaseDlg* view : views) {
        QWidget* page = QkMakeSpacePage(m_pTabs, *view);
        page->setObjectName(QString("view%1").arg(view->GetKind()));
        m_Pages.push_back(page);
        m_pTabs->addTab(page, QString::fromStdString(view->GetTitle()));
    }
    if (!views.empty())
        m_pTabs->setCurrentIndex(0);
    m_bBuildingTabs = false;
}

void TQk51FrameWindow::ApplyButtonStyle(bool flyOver)
{
    for (const auto& [id, button] : m_Buttons)
        if (auto* tool = qobject_cast<QToolButton*>(button); tool != nullptr && tool != m_pAbort)
            tool->setAutoRaise(flyOver);
}

void TQk51FrameWindow::PostConnect(int port)
{
    QTimer::singleShot(0, this, [this, port] { Connect(port, false); });
}

void TQk51FrameWindow::PlaySound(const clSndActInfo& sound)
{
    m_Sound.Play(sound);
}

void TQk51FrameWindow::WaitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    QEventLoop* outer = m_pWait;
    m_pWait = &loop;
    loop.exec();
    m_pWait = outer;
}

void TQk51FrameWindow::PumpMessages()
{
    QCoreApplication::processEvents();
}

void TQk51FrameWindow::ShowTipOfDay()
{
    const unsigned long seed = static_cast<unsigned long>(QDateTime::currentMSecsSinceEpoch()) +
                               static_cast<unsigned long>(winId()) + reinterpret_cast<std::uintptr_t>(this);
    TTipDlg tips(this, m_Main.GetTipMode(), seed);
    tips.exec();
    m_Main.SetTipMode(tips.GetTipMode());
}

// The one place the dump editor of a view opens.
void TQk51FrameWindow::OpenDumpWindow(clSpcBaseDlg& view)
{
    const int space = view.GetSpaceIndex();
    clQKHugeBuffer* buffer = view.GetBuffer();
    if (buffer == nullptr || space < 1 || space > kSpaceCount)
        return;
    std::erase_if(m_Dumps, [](const clOpenDump& dump) { return dump.window.isNull(); });
    // One editor per space: a second one would not see the first one's typing.
    for (const clOpenDump& dump : m_Dumps)
        if (dump.space == space) {
            dump.window->raise();
            dump.window->activateWindow();
            return;
        }
    clDumpWindow* window = QkOpenDumpWindow(*buffer, *Catalogue().dumpOptions[static_cast<std::size_t>(space)],
                                            QkAppErrMngr(), this, [this] { Comm().Abort(); });
    connect(window, &clDumpWindow::dataChanged, this, [this, space] { m_Main.OnDumpChanged(space, true); });
    connect(window, &clDumpWindow::optionsChanged, this, [this, space] { m_Main.OnDumpChanged(space, false); });
    connect(window, &clDumpWindow::bytesMayHaveChanged, this, [this] { m_Main.OnDumpEdited(); });
    m_Dumps.push_back({window, space});
}

void TQk51FrameWindow::CloseDumpWindows()
{
    std::vector<clOpenDump> dumps;
    dumps.swap(m_Dumps);
    for (const clOpenDump& dump : dumps) {
        if (dump.window.isNull())
            continue;
        // Closing stores the editor's view settings; the window must be gone
        // before its buffer changes.
        dump.window->close();
        delete dump.window.data();
    }
}

void TQk51FrameWindow::ClearDumpChanges()
{
    for (const clOpenDump& dump : m_Dumps)
        if (dump.window)
            dump.window->ClearChanged();
}

void TQk51FrameWindow::RepaintDumps()
{
    for (const clOpenDump& dump : m_Dumps)
        if (dump.window)
            dump.window->Client().viewport()->update();
}

std::vector<clDumpWindow*> TQk51FrameWindow::DumpWindows() const
{
    std::vector<clDumpWindow*> windows;
    for (const clOpenDump& dump : m_Dumps)
        if (dump.window)
            windows.push_back(dump.window.data());
    return windows;
}

clSettingResult TQk51FrameWindow::RunSettings(const clSettingInput& input)
{
    return QkRunSettingDlg(
        input, [this](const clSndActInfo& sound) { m_Sound.Play(sound); }, this);
}

std::optional<clLoadChoice> TQk51FrameWindow::AskLoadFile(const clLoadDialogSetup& setup)
{
    Tmp51OpenDlg dialog(this, setup);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Choice();
}

std::optional<clSaveChoice> TQk51FrameWindow::AskSaveFile(const clSaveDialogSetup& setup)
{
    Tmp51SaveDlg dialog(this, setup);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Choice();
}
