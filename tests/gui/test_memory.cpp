// "&Memory" in the main window against qksim: the dump editor of the current
// space, hex digits typed in it reaching the buffer and the programmer, the
// project marked changed, one editor per space, and the editor closed before
// another device rebuilds the spaces.
#include <QAbstractButton>
#include <QLabel>
#include <QTest>
#include <filesystem>

#include "comm/comports.h"
#include "source/gui/dump/dumpclient.h"
#include "source/gui/dump/dumpwin.h"
#include "tests/e2e/simproc.h"
#include "tests/gui/guidriver.h"
#include "tests/gui/guimain.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;

namespace {
// The bytes a memory write frame (kind 3, order 0x20) puts at address.
std::vector<int> WrittenAt(const std::vector<std::vector<int>>& frames, std::uint32_t address)
{
    std::vector<int> last;
    for (const auto& frame : frames) {
        if (!QkIsWrite(frame, 0x20, 0) || frame.size() < 10)
            continue;
        const std::uint32_t at = static_cast<std::uint32_t>(frame[4] << 24 | frame[5] << 16 | frame[6] << 8 | frame[7]);
        if (at == address)
            last.assign(frame.begin() + 9, frame.end());
    }
    return last;
}
} // namespace

class MemoryTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<clGuiTestDir> m_pDir;

    std::string Settings() const { return m_pDir->Settings(); }

private slots:
    void init() { m_pDir = std::make_unique<clGuiTestDir>(); }
    void cleanup() { m_pDir.reset(); }

    void typedDigitsReachTheBufferAndTheProgrammer()
    {
        const std::string frames = m_pDir->File("frames.log");
        const std::string device = m_pDir->File("device.bin");
        clSimProcess sim;
        QVERIFY2(sim.Start({"--baud", "0", "--frame-log", frames, "--dump", device}), sim.Error().c_str());
        ComMapPort(7, sim.Path());
        clDialogDriver driver;
        clProgRun run({"/Com:7", "/TDELAY:0"}, Settings());
        run.StartUp();
        QCOMPARE(run.Frame().GetIndicator(), int(indConnected));
        QVERIFY(!run.Main().IsProjectChanged());
        const QString checksum = run.Frame().Text(idChkSumValue)->text();

        run.Click(idMemory);
        QCOMPARE(run.Status(), QString("Ready"));
        std::vector<clDumpWindow*> dumps = run.Frame().DumpWindows();
        QCOMPARE(dumps.size(), std::size_t{1});
        clDumpWindow& window = *dumps[0];
        QCOMPARE(window.windowTitle(), QString("Dump - Data"));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        clDumpClient& client = window.Client();
        if (!client.Editor().Cursor().IsHexPane())
            QTest::keyClick(&client, Qt::Key_Tab);
        QCOMPARE(client.Editor().Cursor().Caret(), 0u);
        QTest::keyClicks(&client, "A55A");

        const clQKHugeBuffer& data = run.Frame().Spaces().Buffer(1);
        QCOMPARE(data.GetByte(clAdrs(0u)), static_cast<unsigned char>(0xA5));
        QCOMPARE(data.GetByte(clAdrs(1u)), static_cast<unsigned char>(0x5A));
        QVERIFY(run.Main().IsProjectChanged());
        // The checksum follows every byte typed, and the transfer's progress
        // does not stay on the status line or in the title.
        QCOMPARE(run.Frame().Text(idChkSumValue)->text(),
                 QString::asprintf("%04Xh", run.Main().CurrentView()->GetChkSum()));
        QVERIFY(run.Frame().Text(idChkSumValue)->text() != checksum);
        QCOMPARE(run.Status(), QString("Ready"));
        QVERIFY(!run.Frame().windowTitle().contains("Synchronizing"));
        // Each byte went to the programmer's memory as it was typed.
        QCOMPARE(WrittenAt(QkReadFrames(frames), 0), std::vector<int>{0xA5});
        QCOMPARE(WrittenAt(QkReadFrames(frames), 1), std::vector<int>{0x5A});
        QVERIFY(driver.errors.empty());

        // "&Memory" again brings the same editor forward.
        run.Click(idMemory);
        QCOMPARE(run.Frame().DumpWindows().size(), std::size_t{1});

        // Programmed from there, the typed bytes are on the device.
        run.Click(idProgram);
        QCOMPARE(run.Status(), QString("Ready"));
        QCOMPARE(sim.Stop(), 0);
        const std::vector<unsigned char> chip = ReadBytes(device);
        QVERIFY(chip.size() >= 2);
        QCOMPARE(chip[0], static_cast<unsigned char>(0xA5));
        QCOMPARE(chip[1], static_cast<unsigned char>(0x5A));
    }

    void theEditorClosesBeforeAnotherDeviceAndKeepsItsSettings()
    {
        clDialogDriver driver;
        clProgRun run({"/Demo"}, Settings());
        run.StartUp();
        run.Click(idMemory);
        QPointer<clDumpWindow> window = run.Frame().DumpWindows().at(0);
        window->Command(cmNarrow);
        window->Command(cm16Bit);
        QVERIFY(run.Main().IsSettingsChanged());
        QVERIFY(!run.Main().IsProjectChanged());
        // While an operation runs nothing can be typed into it.
        run.Main().SetIdle(false);
        QVERIFY(!window->isEnabled());
        run.Main().SetIdle(true);
        QVERIFY(window->isEnabled());

        run.Main().SelectDevice(2, true);
        QVERIFY(window.isNull());
        QVERIFY(run.Frame().DumpWindows().empty());
        run.Main().SelectDevice(1, true);
        // Back on the first device's data space, the editor opens as it was left.
        run.Click(idMemory);
        clDumpWindow* again = run.Frame().DumpWindows().at(0);
        QCOMPARE(again->Client().Editor().Layout().UnitSize(), 2u);
        QCOMPARE(again->Client().Editor().Layout().BytesPerLine(), 8u);
    }
};

QK_GUI_TEST_MAIN(MemoryTest)
#include "test_memory.moc"
