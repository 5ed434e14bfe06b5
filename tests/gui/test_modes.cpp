// Production use against qksim: the programmer's start button (pressed
// through qksim's control channel) starts a program cycle while the window
// shows a result, and is ignored while "Ignore Start Stop" is on and while an
// operation runs; robot mode leaves only "Se&ttings" until the user connects
// again; "&Flash" without its flag sends nothing.
#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

#include "comm/comports.h"
#include "source/gui/settings/settingdlg.h"
#include "source/project/qkopts.h"
#include "tests/e2e/simproc.h"
#include "tests/gui/guidriver.h"
#include "tests/gui/guimain.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;

class ModesTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<clGuiTestDir> m_pDir;
    clSimProcess m_Sim;

    std::string Settings() const { return m_pDir->Settings(); }
    std::string Log() const { return m_pDir->File("frames.log"); }
    std::string Control() const { return m_pDir->File("control"); }
    std::string State() const { return m_pDir->File("state"); }
    bool StartSim(std::vector<std::string> args)
    {
        args.insert(args.end(), {"--baud", "0", "--frame-log", Log(), "--control", Control(), "--state", State()});
        if (!m_Sim.Start(args))
            return false;
        ComMapPort(7, m_Sim.Path());
        return true;
    }
    // A line on qksim's control channel.
    void Send(const char* command)
    {
        const int fd = open(Control().c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        QVERIFY(fd >= 0);
        const std::string line = std::string(command) + "\n";
        QCOMPARE(write(fd, line.data(), line.size()), static_cast<ssize_t>(line.size()));
        close(fd);
    }
    // Execute frames of an order qksim has received so far.
    int Orders(int order) const
    {
        int count = 0;
        for (const auto& frame : QkReadFrames(Log()))
            count += QkIsExecute(frame, order);
        return count;
    }
    bool StateSays(const std::string& line) const { return ReadText(State()).find(line + "\n") != std::string::npos; }

private slots:
    void init() { m_pDir = std::make_unique<clGuiTestDir>(); }
    void cleanup()
    {
        m_Sim.Stop();
        m_pDir.reset();
    }

    void theStartButtonStartsAProgramCycle()
    {
        QVERIFY2(StartSim({"--fault", "flip=0x100", "--work-ms", "600", "--busy-ms", "100"}), m_Sim.Error().c_str());
        clDialogDriver driver;
        clProgRun run({"/Com:7", "/TDELAY:0"}, Settings());
        run.StartUp();
        QAction* ignore = run.Frame().findChild<QAction*>("menu133");
        QVERIFY(ignore != nullptr);
        QCOMPARE(ignore->text(), QString("Ignore Start Stop"));
        QVERIFY(ignore->isChecked()); // the default "TRUE"

        // Ignored: nothing asks the programmer for its button, and the press
        // is dropped, not acted on once presses count again.
        Send("press");
        QTest::qWait(1500);
        QCOMPARE(Orders(0x10), 0);
        ignore->trigger();
        QVERIFY(!ignore->isChecked());
        QTest::qWait(1500);
        QCOMPARE(Orders(0x10), 0);
        QCOMPARE(run.Label(idStatCycles), QString("0"));
        run.Click(idProgram);
        QCOMPARE(run.Status(), QString("Failed"));
        QCOMPARE(run.Label(idStatCycles), QString("1"));
        QCOMPARE(Orders(0x10), 1);

        // "Failed" on the status line: a press programs again, as a click would.
        Send("press");
        QVERIFY(QkWaitFor([&] { return run.Label(idStatCycles) == "2"; }, 10000));
        QVERIFY(QkWaitFor([&] { return run.Main().IsIdle(); }, 20000));
        QCOMPARE(Orders(0x10), 2);
        QCOMPARE(run.Label(idStatFailure), QString("2"));

        // Pressed while an operation runs: not polled meanwhile, and gone
        // with the status read that ends the operation.
        QTimer::singleShot(200, this, [this] { Send("press"); });
        run.Click(idVerify);
        QTest::qWait(1500);
        QCOMPARE(Orders(0x10), 2);
        QCOMPARE(run.Label(idStatCycles), QString("2"));

        // While the item is greyed (busy) it cannot be switched.
        run.Main().SetIdle(false);
        QVERIFY(!ignore->isEnabled());
        run.Main().SetIdle(true);
        QVERIFY(ignore->isEnabled());
    }

    void robotModeLeavesOnlySettings()
    {
        QVERIFY2(StartSim({}), m_Sim.Error().c_str());
        clDialogDriver driver;
        clProgRun run({"/Com:7", "/TDELAY:0"}, Settings());
        run.StartUp();
        QVERIFY(!run.Frame().Button(idRobot)->isVisible());
        run.Frame().Options().Set(kOptAutoRobot, std::uint16_t{1});
        run.Frame().Options().Set(kOptAutoErase, std::uint16_t{1});
        run.Main().RefreshButtons();
        QVERIFY(run.Frame().Button(idRobot)->isVisible());
        run.Click(idRobot);
        QVERIFY2(driver.SawError("QK-JTAG is in 'ROBOT' mode now."), qPrintable(driver.ErrorTexts().join("; ")));
        QCOMPARE(driver.errors.back().caption, QString("Message"));
        QCOMPARE(driver.errors.size(), std::size_t{1}); // no status read that could only fail
        QVERIFY(StateSays("robot=on"));
        QVERIFY(StateSays("stand-alone=yes"));
        for (int id : {idOpen, idSave, idMemory, idProgram, idRead, idChkSum, idRobot, idVerify, idBlnkChk, idErase})
            QVERIFY2(!run.Frame().Button(id)->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY(run.Frame().Button(idSettings)->isEnabled());
        QVERIFY(!run.Frame().Tabs()->isEnabled());
        QVERIFY(run.Frame().findChild<QWidget*>("id153")->isVisible());
        QCOMPARE(run.Status(), QString("Ready"));

        // The programmer works on its own at each press; the window asks it nothing.
        const std::size_t frames = QkReadFrames(Log()).size();
        Send("press");
        QVERIFY(QkWaitFor([&] { return StateSays("cycles=1"); }, 10000));
        QTest::qWait(700);
        QCOMPARE(QkReadFrames(Log()).size(), frames);

        // Reset, then "&Ok" in the settings: connected again, every button back.
        Send("reset");
        QVERIFY(QkWaitFor([&] { return StateSays("robot=off"); }, 5000));
        driver.onSettings = [](clSettingDlg& dialog) { dialog.accept(); };
        run.Click(idSettings);
        QVERIFY(QkWaitFor([&] { return !run.Main().IsRobotActive() && run.Main().IsIdle(); }, 30000));
        QVERIFY(QkWaitFor([&] { return run.Frame().Button(idProgram)->isEnabled(); }, 30000));
        QVERIFY(run.Frame().Tabs()->isEnabled());
    }

    void flashWithItsFlagOffDoesNothing()
    {
        QVERIFY2(StartSim({}), m_Sim.Error().c_str());
        clDialogDriver driver;
        clProgRun run({"/Com:7"}, Settings());
        run.StartUp();
        QVERIFY(!run.Frame().Button(idFlash)->isVisible());
        const std::size_t frames = QkReadFrames(Log()).size();
        run.Frame().Command(idFlash);
        QTest::qWait(300);
        QCOMPARE(QkReadFrames(Log()).size(), frames);
        QCOMPARE(run.Status(), QString("Ready"));
        QVERIFY(driver.errors.empty());
        QVERIFY(StateSays("stored-project=no"));

        // With "Allow f&lash programming" the project goes into the programmer's flash.
        driver.onSettings = [](clSettingDlg& dialog) {
            dialog.Session().Edits().flash = true;
            dialog.accept();
        };
        run.Click(idSettings);
        QVERIFY(run.Frame().Button(idFlash)->isVisible());
        run.Click(idFlash);
        QVERIFY(StateSays("stored-project=yes"));
        QVERIFY(StateSays("config=programmed"));
        QCOMPARE(run.Status(), QString("Ready"));
    }
};

QK_GUI_TEST_MAIN(ModesTest)
#include "test_modes.moc"
