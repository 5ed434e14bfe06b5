#include "tests/gui/guidriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <sstream>

#include "comm/comports.h"
#include "source/gui/errdlgqt.h"
#include "source/gui/filedlgs.h"
#include "source/gui/settings/settingdlg.h"
#include "source/gui/tipdlg.h"

clGuiTestDir::clGuiTestDir() : m_Previous(std::filesystem::current_path())
{
    std::filesystem::current_path(Path());
}

clGuiTestDir::~clGuiTestDir()
{
    ComClearPortMap();
    std::error_code ignored;
    std::filesystem::current_path(m_Previous, ignored);
}

std::vector<std::vector<int>> QkReadFrames(const std::string& log)
{
    std::vector<std::vector<int>> frames;
    std::ifstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("RX ", 0) != 0)
            continue;
        std::istringstream bytes(line.substr(3));
        std::vector<int> frame;
        int value = 0;
        while (bytes >> std::hex >> value)
            frame.push_back(value);
        frames.push_back(frame);
    }
    return frames;
}

bool QkIsWrite(const std::vector<int>& frame, int order, int sub)
{
    return frame.size() >= 4 && frame[1] == 3 && frame[2] == order && frame[3] == sub;
}

bool QkIsExecute(const std::vector<int>& frame, int order)
{
    return frame.size() >= 3 && frame[1] == 1 && frame[2] == order;
}

bool QkWaitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QTest::qWait(10);
    }
    return true;
}

clDialogDriver::clDialogDriver()
{
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &clDialogDriver::Poll);
    timer->start(15);
}

clDialogDriver::~clDialogDriver() = default;

QStringList clDialogDriver::ErrorTexts() const
{
    QStringList texts;
    for (const clSeenDialog& seen : errors)
        texts << seen.text;
    return texts;
}

bool clDialogDriver::SawError(const QString& part) const
{
    for (const clSeenDialog& seen : errors)
        if (seen.text.contains(part))
            return true;
    return false;
}

void clDialogDriver::Poll()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible() || m_Handled.contains(widget))
            continue;
        if (auto* error = qobject_cast<clErrDlg*>(widget)) {
            m_Handled << widget;
            clSeenDialog seen;
            seen.caption = error->windowTitle();
            seen.text = QString::fromStdString(error->GetText());
            seen.buttons = error->ButtonIds();
            if (answerError) {
                seen.answer = answerError(seen);
            } else {
                seen.answer = seen.buttons.empty() ? erIdOk : seen.buttons.front();
                for (int id : seen.buttons)
                    if (id == erIdOk)
                        seen.answer = erIdOk;
            }
            errors.push_back(seen);
            if (beforeAnswer)
                beforeAnswer(*error);
            if (auto* button = error->findChild<QAbstractButton*>(QString("button%1").arg(seen.answer)))
                button->click();
            else
                error->done(seen.answer);
        } else if (auto* load = qobject_cast<Tmp51OpenDlg*>(widget)) {
            m_Handled << widget;
            if (onLoad)
                onLoad(*load);
            else
                load->reject();
        } else if (auto* save = qobject_cast<Tmp51SaveDlg*>(widget)) {
            m_Handled << widget;
            if (onSave)
                onSave(*save);
            else
                save->reject();
        } else if (auto* tip = qobject_cast<TTipDlg*>(widget)) {
            m_Handled << widget;
            if (auto* text = tip->findChild<QLabel*>("id101"))
                tips << text->text();
            if (onTip)
                onTip(*tip);
            else
                tip->accept();
        } else if (auto* settings = qobject_cast<clSettingDlg*>(widget)) {
            m_Handled << widget;
            ++settingsDialogs;
            if (onSettings)
                onSettings(*settings);
            else
                settings->reject();
        } else if (auto* box = qobject_cast<QMessageBox*>(widget);
                   box != nullptr && box->objectName() == "exceptionBox") {
            m_Handled << widget;
            ++guardBoxes;
            guardText = box->text();
            box->accept();
        }
    }
    m_Handled.removeAll(nullptr);
}

clProgRun::clProgRun(const std::vector<std::string>& switches, const std::string& settingsPath)
{
    m_Args.push_back("qkprog");
    m_Args.insert(m_Args.end(), switches.begin(), switches.end());
    for (const std::string& arg : m_Args)
        m_Argv.push_back(arg.c_str());
    m_Argv.push_back(nullptr);
    m_pFrame = std::make_unique<TQk51FrameWindow>(static_cast<int>(m_Args.size()), m_Argv.data(), settingsPath);
}

clProgRun::~clProgRun()
{
    m_pFrame.reset();
}

void clProgRun::StartUp()
{
    m_pFrame->StartUp();
    // The first connect runs from the event loop; it is done when the window is idle and shown.
    QTest::qWait(50);
    QkWaitFor([this] { return Main().IsIdle(); }, 30000);
}

void clProgRun::Click(int id)
{
    QAbstractButton* button = m_pFrame->Button(id);
    if (button == nullptr || !button->isEnabled())
        return;
    button->click();
    QkWaitFor([this] { return Main().IsIdle(); }, 60000);
}

QString clProgRun::Status() const
{
    return m_pFrame->Text(idStatus)->text();
}

QString clProgRun::Label(int id) const
{
    const QLabel* label = m_pFrame->findChild<QLabel*>(QString("id%1").arg(id));
    return label != nullptr ? label->text() : QString("(no label %1)").arg(id);
}
