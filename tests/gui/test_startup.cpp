// Start-up and exit of qkprog: an empty settings file and no programmer, a
// fixed port with qksim behind it, a port that is a plain file and the line
// that says so, the demo switch, and the settings written at exit.
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include <QAction>
#include <QTextBrowser>
#include <QTimer>

#include "comm/comports.h"
#include "err/qkexpt.h"
#include "source/base/strtable.h"
#include "source/gui/helpwnd.h"
#include "source/settings/qksettings.h"
#include "tests/e2e/simproc.h"
#include "tests/gui/guidriver.h"
#include "tests/gui/guimain.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;

class StartupTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<clGuiTestDir> m_pDir;

    std::string Settings() const { return m_pDir->Settings(); }

private slots:
    void init()
    {
        m_pDir = std::make_unique<clGuiTestDir>();
        // No real port can answer a search in these tests.
        for (int port = 1; port <= 4; ++port)
            ComMapPort(port, m_pDir->File("no-port"));
    }
    void cleanup() { m_pDir.reset(); }

    void emptySettingsAndNoProgrammer()
    {
        clDialogDriver driver;
        clProgRun run({}, Settings());
        run.StartUp();
        TQk51FrameWindow& frame = run.Frame();
        QVERIFY(frame.isVisible());
        QCOMPARE(frame.pos(), QPoint(90, 40));
        QCOMPARE(frame.windowTitle(), QString("QK-JTAG - Halvane Windows Programmer"));
        // "Scan": the search found nothing and said so once.
        QCOMPARE(run.Main().GetPort(), 0);
        QCOMPARE(driver.ErrorTexts(), QStringList{"Cannot connect with QK-JTAG programmer.\nEntering off line mode."});
        QCOMPARE(driver.errors[0].caption, QString("Error"));
        QCOMPARE(frame.GetIndicator(), int(indNotConnected));
        QCOMPARE(frame.GetPortText(), QString("Not connected"));
        QCOMPARE(run.Status(), QString("Not connected"));
        QCOMPARE(frame.Text(idProject)->text().toStdString(), (m_pDir->Path() / "MyProject.qkp").string());
        QCOMPARE(frame.Text(idDevice)->text(), QString("PCD80710 (PHILIPS)"));
        for (int id : {idProgram, idRead, idChkSum, idVerify, idBlnkChk, idErase})
            QVERIFY2(!frame.Button(id)->isEnabled(), qPrintable(QString::number(id)));
        for (int id : {idOpen, idSave, idMemory, idSettings})
            QVERIFY2(frame.Button(id)->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY(frame.Button(idErase)->isVisible());
        QVERIFY(!frame.Button(idFlash)->isVisible());
        QVERIFY(!frame.Button(idCancel)->isVisible());
        // The first tip box shows tip 2101.
        QCOMPARE(driver.tips, QStringList{QString(QkLoadString(2101)).replace('\t', "    ")});
        QCOMPARE(run.Main().GetTipMode(), 1);
    }

    void fixedPortConnectsToQksim()
    {
        clSimProcess sim;
        const std::string log = m_pDir->File("frames.log");
        QVERIFY2(sim.Start({"--baud", "0", "--frame-log", log}), sim.Error().c_str());
        // A device path too long for the label under the indicator.
        const std::string link = m_pDir->File("the-programmer-on-the-bench-by-the-window");
        QCOMPARE(symlink(sim.Path().c_str(), link.c_str()), 0);
        setenv("QKJTAG_COM7", link.c_str(), 1);
        clDialogDriver driver;
        {
            clProgRun run({"/Com:7"}, Settings());
            run.StartUp();
            TQk51FrameWindow& frame = run.Frame();
            QCOMPARE(run.Main().GetPort(), 7);
            QVERIFY(driver.errors.empty());
            QCOMPARE(frame.GetIndicator(), int(indConnected));
            QCOMPARE(frame.GetPortText().toStdString(), "COM7 (" + link + ")");
            // The label keeps the COM number and the path's end, the tooltip all of it.
            const QLabel* port = frame.findChild<QLabel*>("port");
            QVERIFY(port->text().startsWith("COM7 (") && port->text().endsWith("window)"));
            QVERIFY(port->text().contains(QChar(0x2026)));
            QVERIFY(port->fontMetrics().horizontalAdvance(port->text()) <= port->width());
            QCOMPARE(port->toolTip(), frame.GetPortText());
            QCOMPARE(run.Status(), QString("Ready"));
            for (int id : {idProgram, idRead, idChkSum, idVerify, idBlnkChk, idErase, idOpen})
                QVERIFY(frame.Button(id)->isEnabled());
        }
        unsetenv("QKJTAG_COM7");
        sim.Stop();
        // The synchronisation reached the programmer: the device set-up, then
        // the whole data space, the erased buffer as fill frames.
        int setups = 0, fills = 0;
        for (const auto& frame : QkReadFrames(log))
            setups += QkIsWrite(frame, 0x22, 0);
        const std::vector<clAdrsRange> written = QkMemoryWrites(log, &fills);
        QVERIFY(setups >= 1);
        QVERIFY(QkCovers(written, 0, 0x5FFFF));
        QCOMPARE(int(written.size()), fills);
    }

    void aPortThatIsAPlainFileSaysWhy()
    {
        const std::string plain = m_pDir->File("plain.txt");
        WriteText(plain, "not a port");
        ComMapPort(6, plain);
        clDialogDriver driver;
        clProgRun run({"/Com:6"}, Settings());
        run.StartUp();
        QCOMPARE(driver.ErrorTexts(), QStringList{"Cannot connect with QK-JTAG programmer.\nEntering off line mode."});
        QCOMPARE(run.Status(), QString("Not connected"));
        const QLabel* why = run.Frame().findChild<QLabel*>("linkProblem");
        QVERIFY(why != nullptr && why->isVisible());
        QCOMPARE(why->text().toStdString(),
                 "Cannot connect with QK-JTAG programmer. " + plain + " is not a serial device (a regular file)");
        // Connected elsewhere, the line is empty again.
        clSimProcess sim;
        QVERIFY2(sim.Start({"--baud", "0"}), sim.Error().c_str());
        ComMapPort(6, sim.Path());
        run.Main().OnConnect(6, false);
        QCOMPARE(run.Frame().GetIndicator(), int(indConnected));
        QCOMPARE(why->text(), QString());
    }

    void scanFindsTheProgrammerInThePortTable()
    {
        clSimProcess sim;
        QVERIFY2(sim.Start({"--baud", "0"}), sim.Error().c_str());
        ComMapPort(2, sim.Path());
        clDialogDriver driver;
        clProgRun run({"/Scan", "/Com:2"}, Settings()); // "Scan" wins over "Com:"
        run.StartUp();
        QVERIFY(driver.errors.empty());
        QCOMPARE(run.Main().GetPort(), 2);
        QCOMPARE(run.Frame().GetIndicator(), int(indConnected));
        QCOMPARE(run.Frame().GetPortText().toStdString(), "COM2 (" + sim.Path() + ")");
    }

    void helpMenuAndSettings()
    {
        clDialogDriver driver;
        clProgRun run({"/Demo"}, Settings());
        run.StartUp();
        TQk51FrameWindow& frame = run.Frame();
        // F1 opens the manual at the current view's page.
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        QTest::keyClick(&frame, Qt::Key_F1);
        QVERIFY(frame.Help() != nullptr && frame.Help()->isVisible());
        QCOMPARE(frame.Help()->Browser()->source().fragment(), QString("data"));
        QVERIFY(frame.Help()->Browser()->toPlainText().contains("The Data space"));
        // Enter in the find field finds, and stays on the page.
        auto* find = frame.Help()->findChild<QLineEdit*>("find");
        QVERIFY(find != nullptr);
        find->setFocus();
        QTest::keyClicks(find, "Data space");
        QTest::keyClick(find, Qt::Key_Return);
        QCOMPARE(frame.Help()->Browser()->source().fragment(), QString("data"));
        QCOMPARE(frame.Help()->Browser()->textCursor().selectedText(), QString("Data space"));
        frame.findChild<QAction*>("menu131")->trigger();
        QCOMPARE(frame.Help()->Browser()->source().fragment(), QString("contents"));
        // "&Tip of the day" opens the box whatever the mode.
        const int tips = driver.tips.size();
        frame.findChild<QAction*>("menu135")->trigger();
        QCOMPARE(driver.tips.size(), tips + 1);
        run.Click(idSettings);
        QCOMPARE(driver.settingsDialogs, 1);
        QCOMPARE(run.Status(), QString("Ready"));
    }

    void theGuardShowsTheExceptionBoxAndCloses()
    {
        clDialogDriver driver;
        clProgRun run({"/Demo"}, Settings());
        run.StartUp();
        TQk51FrameWindow& frame = run.Frame();
        static_cast<TQkApplication*>(qApp)->SetFatalHandler([&frame] { frame.Fatal(); });
        // A handler lets a disk fault escape.
        QTimer::singleShot(0, &frame, [] { throw clXIO(); });
        QVERIFY(QkWaitFor([&] { return !frame.isVisible(); }, 5000));
        QCOMPARE(driver.guardBoxes, 1);
        QCOMPARE(driver.guardText, QString("Disk operation error was found (log file)."));
        QVERIFY(!driver.SawError("Do you wish to quit")); // no questions on the way out
        static_cast<TQkApplication*>(qApp)->SetFatalHandler(nullptr);
    }

    void demoSwitchEnablesEverything()
    {
        clDialogDriver driver;
        clProgRun run({"/Demo"}, Settings());
        run.StartUp();
        TQk51FrameWindow& frame = run.Frame();
        QVERIFY(driver.errors.empty());
        QCOMPARE(frame.GetIndicator(), int(indDemo));
        QCOMPARE(frame.GetPortText(), QString("Demo"));
        for (int id : {idProgram, idRead, idChkSum, idVerify, idBlnkChk, idErase, idOpen, idSave, idMemory, idSettings})
            QVERIFY(frame.Button(id)->isEnabled());
    }

    void exitWritesTheSettings()
    {
        {
            clQkSettingsStore settings(Settings());
            QkSetSetting(settings, kSetTipMode, 0);
            QkSetSetting(settings, kSetXPos, 200);
            QkSetSetting(settings, kSetYPos, 150);
            settings.SetString(kSectionSounds, "Ready", "2,/tmp/ready.wav");
        }
        clDialogDriver driver;
        clProgRun run({"/Demo", "/Com:3"}, Settings());
        run.StartUp();
        QVERIFY(driver.tips.isEmpty()); // "Tip Mode" 0
        QCOMPARE(run.Frame().pos(), QPoint(200, 150));
        // The first answer keeps the program running.
        driver.answerError = [](const clSeenDialog&) { return erIdCancel; };
        run.Frame().close();
        QVERIFY(run.Frame().isVisible());
        QCOMPARE(driver.errors.back().text, QString("Do you wish to quit the QK-JTAG Halvane programmer ?"));
        QCOMPARE(driver.errors.back().buttons, (std::vector<int>{erIdOk, erIdCancel}));
        driver.answerError = nullptr;
        run.Frame().move(230, 170);
        run.Frame().close();
        QVERIFY(!run.Frame().isVisible());
        const clQkSettingsStore settings(Settings());
        QCOMPARE(QkGetSetting(settings, kSetComPort), 3);
        QCOMPARE(QkGetSetting(settings, kSetXPos), 230);
        QCOMPARE(QkGetSetting(settings, kSetYPos), 170);
        QCOMPARE(QkGetSetting(settings, kSetTipMode), 0);
        QCOMPARE(QkGetSetting(settings, kSetFlyoverButtons), 1);
        QCOMPARE(settings.GetString(kSectionSounds, "Ready", ""), std::string("2,/tmp/ready.wav"));
        QCOMPARE(settings.GetString(kSectionFlags, "Ignore Start Stop", ""), std::string("TRUE"));
    }
};

QK_GUI_TEST_MAIN(StartupTest)
#include "test_startup.moc"
