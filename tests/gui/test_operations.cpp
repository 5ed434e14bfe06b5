// Every device button of the data view against qksim: through to "Ready",
// "Failed" after a cell goes bad, "Error" after the line drops (then the
// reconnection), "Aborted" when the window is closed meanwhile (during the
// delay between the automatic steps too, with nothing sent after it), and
// "Error" and the program closing when the programmer is updating its
// firmware.
#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "comm/comports.h"
#include "source/app/spcdata.h"
#include "source/project/qkopts.h"
#include "tests/e2e/simproc.h"
#include "tests/gui/guidriver.h"
#include "tests/gui/guimain.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;

class OperationsTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<clGuiTestDir> m_pDir;
    clSimProcess m_Sim;

    std::string Settings() const { return m_pDir->Settings(); }
    std::string Log() const { return m_pDir->File("frames.log"); }
    bool StartSim(std::vector<std::string> args)
    {
        args.insert(args.end(), {"--baud", "0", "--frame-log", Log()});
        if (!m_Sim.Start(args))
            return false;
        ComMapPort(7, m_Sim.Path());
        return true;
    }

private slots:
    void init() { m_pDir = std::make_unique<clGuiTestDir>(); }
    void cleanup()
    {
        m_Sim.Stop();
        m_pDir.reset();
    }

    void everyButtonEndsReady()
    {
        QVERIFY2(StartSim({}), m_Sim.Error().c_str());
        clDialogDriver driver;
        clProgRun run({"/Com:7", "/TDELAY:0"}, Settings());
        run.StartUp();
        const std::size_t afterStart = QkReadFrames(Log()).size();
        const std::pair<int, int> buttons[] = {{idBlnkChk, 0x11}, {idProgram, 0x10}, {idVerify, 0x15},
                                               {idChkSum, 0x12},  {idRead, 0x14},    {idErase, 0x13}};
        for (const auto& [id, order] : buttons) {
            QVERIFY2(run.Frame().Button(id)->isEnabled(), qPrintable(QString::number(id)));
            run.Click(id);
            QCOMPARE(run.Status(), QString("Ready"));
            QVERIFY(!run.Frame().Button(idCancel)->isVisible());
            QVERIFY(run.Frame().Button(idProgram)->isVisible());
        }
        // Each order ran on the view's range, which the programmer got first.
        const auto frames = QkReadFrames(Log());
        for (const auto& [id, order] : buttons) {
            bool ranged = false, seen = false;
            for (std::size_t i = afterStart; i < frames.size(); ++i) {
                if (QkIsWrite(frames[i], 0x22, 1))
                    ranged = true;
                if (QkIsExecute(frames[i], order)) {
                    seen = true;
                    QVERIFY2(ranged, qPrintable(QString("order %1 without a range").arg(order)));
                }
            }
            QVERIFY2(seen, qPrintable(QString("order %1 not sent").arg(order)));
        }
        // The checksum was shown; one programming cycle succeeded.
        QVERIFY(driver.SawError("The check-sum value is"));
        QCOMPARE(driver.errors.size(), std::size_t{1});
        QCOMPARE(run.Label(idStatCycles), QString("1"));
        QCOMPARE(run.Label(idStatSuccess), QString("1"));
        QCOMPARE(run.Label(idStatFailure), QString("0"));
        // A read leaves no file behind the space.
        QCOMPARE(run.Frame().Text(idFile)->text(), QString());
    }

    void eachDeviceGetsItsOwnSerialAndTheImageStaysTheUsers()
    {
        const std::string dump = m_pDir->File("device.bin");
        QVERIFY2(StartSim({"--dump", dump}), m_Sim.Error().c_str());
        clDialogDriver driver;
        clProgRun run({"/Com:7", "/TDELAY:0"}, Settings());
        run.StartUp();
        clSpcDataDlg* data = nullptr;
        for (clSpcBaseDlg* view : run.Main().Views())
            if (auto* found = dynamic_cast<clSpcDataDlg*>(view))
                data = found;
        QVERIFY(data != nullptr);
        clSerialSettings serial;
        serial.source = "counter:5000";
        serial.address = 0x20;
        serial.layout = {2, clSerialFormat::bin, true};
        serial.ledger = m_pDir->File("line.ledger");
        data->SetSerialSettings(serial);
        auto* text = run.Frame().findChild<QLabel*>("serialText");
        QVERIFY(text != nullptr);
        QCOMPARE(text->text(), QString("Next: 5000"));
        const unsigned char before = data->GetBuffer()->GetByte(clAdrs(0x20));

        run.Click(idProgram);
        QCOMPARE(run.Status(), QString("Ready"));
        QCOMPARE(text->text(), QString("Last: 5000 verified;  next: 5001"));
        QCOMPARE(data->GetBuffer()->GetByte(clAdrs(0x20)), before); // the image is the user's again
        QVERIFY(driver.errors.empty());
        m_Sim.Stop();
        const auto device = ReadBytes(dump);
        QVERIFY(device.size() > 0x21);
        QCOMPARE(int(device[0x20]), 0x13); // 5000, big endian
        QCOMPARE(int(device[0x21]), 0x88);
        // A ledger that cannot be opened stops Program before anything is sent.
        WriteText(serial.ledger, "not a ledger");
        QVERIFY2(StartSim({}), m_Sim.Error().c_str());
        const std::size_t framesBefore = QkReadFrames(Log()).size();
        run.Click(idProgram);
        QVERIFY(driver.SawError("is not a ledger (not an SQLite database)"));
        QCOMPARE(run.Label(idStatCycles), QString("1"));
        const auto frames = QkReadFrames(Log());
        for (std::size_t i = framesBefore; i < frames.size(); ++i)
            QVERIFY(!QkIsExecute(frames[i], 0x10));
    }

    void aBadCellFails()
    {
        QVERIFY2(StartSim({"--fault", "flip=0x100"}), m_Sim.Error().c_str());
        clDialogDriver driver;
        clProgRun run({"/Com:7", "/TDELAY:0"}, Settings());
        run.StartUp();
        run.Click(idProgram);
        QCOMPARE(run.Status(), QString("Failed"));
        QVERIFY(driver.SawError("Data verify has failed at address 0100h"));
        QVERIFY(driver.SawError("General communication error with the programmer."));
        QCOMPARE(run.Label(idStatFailure), QString("1"));
        QCOMPARE(run.Label(idStatSuccess), QString("0"));
        // The programmer is still there for the next attempt.
        QCOMPARE(run.Frame().GetIndicator(), int(indConnected));
        QVERIFY(run.Frame().Button(idProgram)->isEnabled());
        run.Click(idBlnkChk);
        QVERIFY(run.Status() == "Ready" || run.Status() == "Failed");
    }

    void aDroppedLineIsAnErrorThenTheWindowReconnects()
    {
        QVERIFY2(StartSim({"--work-ms", "3000", "--busy-ms", "100"}), m_Sim.Error().c_str());
        clSimProcess spare;
        QVERIFY2(spare.Start({"--baud", "0"}), spare.Error().c_str());
        clDialogDriver driver;
        clProgRun run({"/Com:7", "/TDELAY:0"}, Settings());
        run.StartUp();
        // The line goes while the verify runs; COM7 then leads to another programmer.
        QTimer::singleShot(600, [&] {
            m_Sim.Stop();
            ComMapPort(7, spare.Path());
        });
        run.Click(idVerify);
        QCOMPARE(run.Status(), QString("Error"));
        QVERIFY(driver.SawError("General communication error with the programmer."));
        QCOMPARE(run.Frame().GetIndicator(), int(indConnected));
        QCOMPARE(run.Frame().GetPortText().toStdString(), "COM7 (" + spare.Path() + ")");
        run.Click(idBlnkChk);
        QCOMPARE(run.Status(), QString("Ready"));
    }

    void closingDuringALongOperationAborts()
    {
        QVERIFY2(StartSim({"--work-ms", "5000", "--busy-ms", "100"}), m_Sim.Error().c_str());
        clDialogDriver driver;
        clProgRun run({"/Com:7", "/TDELAY:0"}, Settings());
        run.StartUp();
        bool cancelOverProgram = false;
        QTimer::singleShot(1800, [&] {
            // Over the hidden Program's own slot, not over Read below it.
            const QAbstractButton* cancel = run.Frame().Button(idCancel);
            cancelOverProgram = cancel->isVisible() && !run.Frame().Button(idProgram)->isVisible() &&
                                cancel->geometry() == run.Frame().Button(idProgram)->geometry() &&
                                !cancel->geometry().intersects(run.Frame().Button(idRead)->geometry());
            run.Frame().close();
        });
        run.Click(idProgram);
        QCOMPARE(run.Status(), QString("Aborted"));
        QVERIFY(cancelOverProgram);
        QVERIFY(run.Frame().isVisible());
        QVERIFY(!driver.SawError("Do you wish to quit"));
        // A stopped cycle is neither a failure nor a cycle.
        QCOMPARE(run.Label(idStatFailure), QString("0"));
        QCOMPARE(run.Label(idStatCycles), QString("0"));
        QVERIFY(run.Frame().Button(idProgram)->isEnabled());
    }

    void closingDuringTheDelaySendsNothingMore()
    {
        QVERIFY2(StartSim({}), m_Sim.Error().c_str());
        clDialogDriver driver;
        clProgRun run({"/Com:7", "/TDELAY:8000"}, Settings());
        run.StartUp();
        run.Frame().Options().Set(kOptAutoBlkChk, std::uint16_t{1});
        std::size_t framesAtClose = 0;
        QTimer::singleShot(1500, [&] {
            // Blank-checked, now waiting before it programs.
            QVERIFY(run.Frame().Button(idCancel)->isVisible());
            framesAtClose = QkReadFrames(Log()).size();
            run.Frame().close();
        });
        QElapsedTimer clock;
        clock.start();
        run.Click(idProgram);
        QVERIFY2(clock.elapsed() < 4000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(run.Status(), QString("Aborted"));
        QVERIFY(run.Frame().isVisible());
        QCOMPARE(run.Label(idStatFailure), QString("0"));
        QTest::qWait(300);
        const auto frames = QkReadFrames(Log());
        QVERIFY(framesAtClose > 0);
        QCOMPARE(frames.size(), framesAtClose);
        bool blankChecked = false;
        for (const auto& frame : frames) {
            blankChecked = blankChecked || QkIsExecute(frame, 0x11);
            QVERIFY(!QkIsExecute(frame, 0x10));
        }
        QVERIFY(blankChecked);
    }

    void aProgrammerUpdatingItsFirmwareEndsInErrorAndTheProgramCloses()
    {
        QVERIFY2(StartSim({"--fault", "reply=0x15:5"}), m_Sim.Error().c_str());
        clDialogDriver driver;
        clProgRun run({"/Com:7", "/TDELAY:0"}, Settings());
        run.StartUp();
        run.Click(idVerify);
        // The verify was not carried out: no "Ready".
        QCOMPARE(run.Status(), QString("Error"));
        QVERIFY(!driver.errors.empty());
        QCOMPARE(driver.errors[0].caption, QString("QK-JTAG Programmer"));
        QCOMPARE(driver.errors[0].text, QString("Software is being updated. Wait until LCD displays 'RESTART "
                                                "NEEDED'\n and then turn off QK-JTAG. The QK-JTAG software will be "
                                                "closed automatically."));
        // Then the program closes by itself, without the quit question.
        QVERIFY(QkWaitFor([&] { return !run.Frame().isVisible(); }, 5000));
        QVERIFY(!driver.SawError("Do you wish to quit"));
        QVERIFY(run.Main().IsClosing());
    }

    void aChangedProjectIsOfferedBeforeTheUpdateClose()
    {
        QVERIFY2(StartSim({"--fault", "reply=0x10:5"}), m_Sim.Error().c_str());
        clDialogDriver driver;
        clProgRun run({"/Com:7", "/TDELAY:0"}, Settings());
        run.StartUp();
        driver.answerError = [](const clSeenDialog& seen) {
            return seen.text.startsWith("Project has been changed") ? erIdNo : erIdOk;
        };
        run.Click(idProgram);
        QCOMPARE(run.Status(), QString("Error"));
        QCOMPARE(run.Label(idStatFailure), QString("1"));
        QCOMPARE(run.Label(idStatSuccess), QString("0"));
        QVERIFY(QkWaitFor([&] { return !run.Frame().isVisible(); }, 5000));
        QVERIFY(driver.SawError("Project has been changed. Save before closing ?"));
        QVERIFY(!driver.SawError("Do you wish to quit"));
    }
};

QK_GUI_TEST_MAIN(OperationsTest)
#include "test_operations.moc"
