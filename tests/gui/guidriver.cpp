#include "tests/gui/guidriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <algorithm>
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

std::vector<clAdrsRange> QkMemoryWrites(const std::string& log, int* fills)
{
    const auto be32 = [](const std::vector<int>& f, std::size_t at) {
        return static_cast<std::uint32_t>(f[at] << 24 | f[at + 1] << 16 | f[at + 2] << 8 | f[at + 3]);
    };
    std::vector<clAdrsRange> ranges;
    int fillCount = 0;
    for (const std::vector<int>& frame : QkReadFrames(log)) {
        if (QkIsWrite(frame, 0x20, 0) && frame.size() >= 9 && frame[8] > 0) {
            const std::uint32_t first = be32(frame, 4);
            ranges.push_back({first, first + static_cast<std::uint32_t>(frame[8]) - 1});
        } else if (frame.size() >= 13 && frame[1] == 4 && frame[2] == 0x20 && frame[3] == 0) {
            ranges.push_back({be32(frame, 4), be32(frame, 8)});
            ++fillCount;
        }
    }
    if (fills != nullptr)
        *fills = fillCount;
    return ranges;
}

bool QkCovers(const std::vector<clAdrsRange>& ranges, std::uint32_t first, std::uint32_t last)
{
    clQkMirror covered;
    for (const clAdrsRange& range : ranges)
        covered.MarkUnsynced(range.first, range.last);
    return covered.Unsynced(first, last) == std::vector<clAdrsRange>{{first, last}};
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

void QkFailTest(const QString& message)
{
    QTest::qFail(message.toUtf8().constData(), __FILE__, __LINE__);
}

bool QkWaitOrFail(const std::function<bool()>& done, int ms, const QString& what)
{
    if (QkWaitFor(done, ms))
        return true;
    QkFailTest(QString("waited %1 ms for %2").arg(ms).arg(what));
    return false;
}

namespace {
// How a dialog names itself in a failure: class, title, and its text when
// it is a message box.
QString Describe(const QWidget* widget)
{
    QString text = QString("%1 \"%2\"").arg(widget->metaObject()->className(), widget->windowTitle());
    if (const auto* box = qobject_cast<const QMessageBox*>(widget))
        text += QString(" saying \"%1\"").arg(box->text());
    return text;
}

bool IsModal(const QWidget* widget)
{
    return widget->isModal() || widget->windowModality() != Qt::NonModal;
}

// A modal window that no handler expects may be one a test answers itself
// through a timer: it gets this long.
constexpr qint64 kUnexpectedMs = 1000;
} // namespace

clDialogDriver::clDialogDriver()
{
    m_Clock.start();
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

void clDialogDriver::Fail(QWidget* widget, const QString& why)
{
    QkFailTest(Describe(widget) + " " + why);
    if (auto* dialog = qobject_cast<QDialog*>(widget))
        dialog->reject();
    else
        widget->close();
}

void clDialogDriver::Poll()
{
    const qint64 now = m_Clock.elapsed();
    // A dialog that closes is forgotten: shown again, it is answered again.
    m_Handled.removeIf([](const clTracked& tracked) { return !tracked.widget || !tracked.widget->isVisible(); });
    for (const clTracked& tracked : QList<clTracked>(m_Handled)) {
        if (!tracked.widget || !tracked.widget->isVisible())
            continue;
        if (tracked.answered && now - tracked.sinceMs > kAnswerMs)
            Fail(tracked.widget, QString("stayed open %1 ms after it was answered").arg(kAnswerMs));
        else if (!tracked.answered && !tracked.handling && now - tracked.sinceMs > kUnexpectedMs)
            Fail(tracked.widget, "opened, and no handler of the test expects it");
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible() || std::any_of(m_Handled.begin(), m_Handled.end(),
                                                [widget](const clTracked& t) { return t.widget == widget; }))
            continue;
        if (!IsModal(widget) && !Handles(widget))
            continue;
        m_Handled.push_back({widget, now, false, Handles(widget)});
        if (!Handles(widget))
            continue;
        Answer(widget);
        // The handler may have run its own event loop: its entry is found again.
        for (clTracked& tracked : m_Handled)
            if (tracked.widget == widget) {
                tracked.handling = false;
                tracked.answered = true;
                tracked.sinceMs = m_Clock.elapsed();
            }
    }
}

bool clDialogDriver::Handles(const QWidget* widget)
{
    if (const auto* box = qobject_cast<const QMessageBox*>(widget))
        return box->objectName() == "exceptionBox";
    return qobject_cast<const clErrDlg*>(widget) != nullptr || qobject_cast<const Tmp51OpenDlg*>(widget) != nullptr ||
           qobject_cast<const Tmp51SaveDlg*>(widget) != nullptr || qobject_cast<const TTipDlg*>(widget) != nullptr ||
           qobject_cast<const clSettingDlg*>(widget) != nullptr;
}

void clDialogDriver::Answer(QWidget* widget)
{
    if (auto* error = qobject_cast<clErrDlg*>(widget)) {
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
        if (onLoad)
            onLoad(*load);
        else
            load->reject();
    } else if (auto* save = qobject_cast<Tmp51SaveDlg*>(widget)) {
        if (onSave)
            onSave(*save);
        else
            save->reject();
    } else if (auto* tip = qobject_cast<TTipDlg*>(widget)) {
        if (auto* text = tip->findChild<QLabel*>("id101"))
            tips << text->text();
        if (onTip)
            onTip(*tip);
        else
            tip->accept();
    } else if (auto* settings = qobject_cast<clSettingDlg*>(widget)) {
        ++settingsDialogs;
        if (onSettings)
            onSettings(*settings);
        else
            settings->reject();
    } else if (auto* box = qobject_cast<QMessageBox*>(widget)) {
        ++guardBoxes;
        guardText = box->text();
        box->accept();
    }
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
    QkWaitOrFail([this] { return Main().IsIdle(); }, 30000, "the first connection to end (the window idle)");
}

void clProgRun::Click(int id)
{
    QAbstractButton* button = m_pFrame->Button(id);
    if (button == nullptr || !button->isEnabled())
        return;
    button->click();
    QkWaitOrFail([this] { return Main().IsIdle(); }, kClickMs,
                 QString("the window to be idle after a click on %1 (status \"%2\")").arg(id).arg(Status()));
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
