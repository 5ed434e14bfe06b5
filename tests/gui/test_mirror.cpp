// The Data space mirrored in the programmer's memory, checked in what qksim
// programmed into its device: after a stopped synchronisation, and after
// edits made while the line was down and the programmer restarted, Program
// must first send what the programmer lacks; and after a long edit whose
// transfer was stopped with "Cancel".
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QtEndian>
#include <cstdlib>
#include <random>

#include "comm/comports.h"
#include "source/gui/dump/dumpclient.h"
#include "source/gui/dump/dumpmime.h"
#include "source/gui/dump/dumpwin.h"
#include "source/gui/filedlgs.h"
#include "source/project/qkprj.h"
#include "source/project/qkspaces.h"
#include "source/settings/qksettings.h"
#include "tests/e2e/simproc.h"
#include "tests/gui/guidriver.h"
#include "tests/gui/guimain.h"
#include "tests/testutil.h"

class MirrorTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<clGuiTestDir> m_pDir;

    std::string Settings() const { return m_pDir->Settings(); }
    // A PCD80710 project whose Data space holds random bytes.
    std::string RandomProject()
    {
        const std::string path = m_pDir->File("random.qkp");
        TBscOptServer options(kQkOptArrayName);
        const clQkOptCatalogue catalogue = QkRegisterOptions(options);
        clDataBase db(GetDLLDBaseInstance());
        clQkSpaces spaces(db, options, catalogue);
        spaces.SetupDevice(1);
        clQKHugeBuffer& data = spaces.Buffer(1);
        std::vector<unsigned char> bytes(data.GetSize());
        std::mt19937 random(7);
        for (unsigned char& byte : bytes)
            byte = static_cast<unsigned char>(random());
        data.Write(data.GetStartAdrs(), data.GetStopAdrs(), bytes.data());
        clQkSettingsStore detached("");
        clQkProject project(options, detached, QkAppErrMngr());
        project.Save(path, prjSaveImage, "random");
        return path;
    }
    // The first address where the device differs from the buffer, or -1.
    static long long FirstDifference(const std::vector<unsigned char>& device, const clQKHugeBuffer& buffer)
    {
        for (std::uint32_t a = 0; a <= buffer.GetStopAdrs().GetLinear(); ++a)
            if (a >= device.size() || device[a] != buffer.GetByte(clAdrs(a)))
                return a;
        return -1;
    }

private slots:
    void init() { m_pDir = std::make_unique<clGuiTestDir>(); }
    void cleanup() { m_pDir.reset(); }

    void aStoppedSynchronisationIsCompletedBeforeProgram()
    {
        const std::string project = RandomProject();
        clSimProcess sim;
        const std::string device = m_pDir->File("device.bin");
        QVERIFY2(sim.Start({"--baud", "0", "--dump", device}), sim.Error().c_str());
        ComMapPort(7, sim.Path());
        clDialogDriver driver;
        std::vector<unsigned char> expected;
        {
            clProgRun run({"/Com:7", "/TDELAY:0", "/P:" + project}, Settings());
            // The close box while the data space goes to the programmer (the
            // first connection runs inside the start-up).
            bool closed = false;
            QTimer watch;
            QObject::connect(&watch, &QTimer::timeout, [&] {
                if (!closed && run.Frame().windowTitle().contains(
                                   QRegularExpression("Synchronizing \\(about 4\\d s\\) [1-5]\\d%"))) {
                    closed = true;
                    run.Frame().close();
                }
            });
            watch.start(5);
            run.Frame().StartUp();
            QkWaitOrFail([&] { return closed && run.Main().IsIdle(); }, 20000,
                         "a close request during the synchronisation");
            QCOMPARE(run.Status(), QString("Aborted"));
            const clQKHugeBuffer& data = run.Frame().Spaces().Buffer(1);
            QVERIFY(!data.IsSynced(data.GetStartAdrs(), data.GetStopAdrs()));
            run.Click(idProgram);
            QCOMPARE(run.Status(), QString("Ready"));
            run.Click(idVerify);
            QCOMPARE(run.Status(), QString("Ready"));
            QVERIFY(data.IsSynced(data.GetStartAdrs(), data.GetStopAdrs()));
            expected.resize(data.GetSize());
            data.Read(data.GetStartAdrs(), data.GetStopAdrs(), expected.data());
        }
        sim.Stop();
        const std::vector<unsigned char> programmed = ReadBytes(device);
        QVERIFY(programmed.size() >= expected.size());
        QVERIFY(std::equal(expected.begin(), expected.end(), programmed.begin()));
    }

    void aStoppedLoadKeepsTheFileAndSendsTheRestBeforeProgram()
    {
        std::vector<unsigned char> image(0x60000);
        std::mt19937 random(11);
        for (unsigned char& byte : image)
            byte = static_cast<unsigned char>(random());
        const std::string file = m_pDir->File("image.bin");
        WriteBytes(file, image);
        clSimProcess sim;
        const std::string device = m_pDir->File("device.bin");
        QVERIFY2(sim.Start({"--baud", "0", "--dump", device}), sim.Error().c_str());
        ComMapPort(7, sim.Path());
        clDialogDriver driver;
        driver.onLoad = [&](Tmp51OpenDlg& load) {
            load.Select(1, QString::fromStdString(file));
            load.Confirm();
        };
        {
            clProgRun run({"/Com:7", "/TDELAY:0"}, Settings());
            run.StartUp();
            bool closed = false;
            QTimer watch;
            QObject::connect(&watch, &QTimer::timeout, [&] {
                if (!closed && run.Frame().windowTitle().contains(QRegularExpression("Loading.* [1-5]\\d%"))) {
                    closed = true;
                    run.Frame().close();
                }
            });
            watch.start(5);
            run.Click(idOpen);
            QVERIFY(closed);
            QCOMPARE(run.Status(), QString("Aborted"));
            QVERIFY(driver.SawError("the programmer did not receive all of it"));
            // The buffer holds the whole file, so the view names it.
            QCOMPARE(run.Frame().Text(idFile)->text().toStdString(), file);
            const clQKHugeBuffer& data = run.Frame().Spaces().Buffer(1);
            QCOMPARE(FirstDifference(image, data), -1LL);
            QVERIFY(!data.IsSynced(data.GetStartAdrs(), data.GetStopAdrs()));
            run.Click(idProgram);
            QCOMPARE(run.Status(), QString("Ready"));
        }
        sim.Stop();
        const std::vector<unsigned char> programmed = ReadBytes(device);
        QVERIFY(programmed.size() >= image.size());
        QVERIFY(std::equal(image.begin(), image.end(), programmed.begin()));
    }

    void aLongEditStoppedWithCancelIsSentBeforeProgram()
    {
        clSimProcess sim;
        const std::string device = m_pDir->File("device.bin");
        QVERIFY2(sim.Start({"--baud", "0", "--dump", device}), sim.Error().c_str());
        ComMapPort(7, sim.Path());
        clDialogDriver driver;
        std::vector<unsigned char> expected;
        {
            clProgRun run({"/Com:7", "/TDELAY:0"}, Settings());
            run.StartUp();
            run.Click(idMemory);
            QCOMPARE(run.Frame().DumpWindows().size(), std::size_t{1});
            clDumpClient& client = run.Frame().DumpWindows().front()->Client();
            // A whole random image pasted: about 43 s of wire time, stopped early.
            QByteArray image(4, '\0');
            qToLittleEndian<quint32>(0x60000, image.data());
            std::mt19937 random(5);
            for (int i = 0; i < 0x60000; ++i)
                image.append(static_cast<char>(random()));
            auto* mime = new QMimeData;
            mime->setData(kBinImageMime, image);
            QGuiApplication::clipboard()->setMimeData(mime);
            bool cancelled = false;
            QTimer watch;
            QObject::connect(&watch, &QTimer::timeout, [&] {
                auto* box = client.window()->findChild<QDialog*>("transferBox");
                if (!cancelled && box != nullptr && box->isVisible()) {
                    cancelled = true;
                    QTimer::singleShot(300, box, [box] {
                        QTest::mouseClick(box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel),
                                          Qt::LeftButton);
                    });
                }
            });
            watch.start(10);
            client.Editor().Paste();
            QVERIFY(cancelled);
            QVERIFY(driver.SawError("Stopped: the buffer holds the edit"));
            const clQKHugeBuffer& data = run.Frame().Spaces().Buffer(1);
            QVERIFY(!data.IsSynced(data.GetStartAdrs(), data.GetStopAdrs()));
            run.Click(idProgram);
            QCOMPARE(run.Status(), QString("Ready"));
            expected.assign(image.begin() + 4, image.end());
        }
        sim.Stop();
        const std::vector<unsigned char> programmed = ReadBytes(device);
        QVERIFY(programmed.size() >= expected.size());
        QVERIFY(std::equal(expected.begin(), expected.end(), programmed.begin()));
    }

    void editsWhileTheLineWasDownReachTheRestartedProgrammer()
    {
        clSimProcess first, second;
        const std::string device = m_pDir->File("device.bin");
        QVERIFY2(first.Start({"--baud", "0"}), first.Error().c_str());
        ComMapPort(7, first.Path());
        clDialogDriver driver;
        {
            clProgRun run({"/Com:7", "/TDELAY:0"}, Settings());
            run.StartUp();
            clQKHugeBuffer& data = run.Frame().Spaces().Buffer(1);
            const auto type = [&](std::uint32_t address, char ch) {
                const unsigned char byte = static_cast<unsigned char>(ch);
                try {
                    data.SetByte(clAdrs(address), &byte);
                } catch (const clBscExpt&) {
                    // The communication library said so; the byte stays here.
                }
            };
            type(0x100, 'H');
            QVERIFY(data.IsSynced(clAdrs(0x100u), clAdrs(0x100u)));
            // The programmer goes; a new one (memory scrambled) takes its place.
            first.Stop();
            type(0x101, 'Q');
            QVERIFY(driver.SawError("General communication error with the programmer."));
            QVERIFY2(second.Start({"--baud", "0", "--dump", device}), second.Error().c_str());
            ComMapPort(7, second.Path());
            type(0x102, 'R');
            QVERIFY(!data.IsSynced(clAdrs(0x101u), clAdrs(0x102u)));
            run.Click(idProgram);
            QCOMPARE(run.Status(), QString("Ready"));
        }
        second.Stop();
        const std::vector<unsigned char> programmed = ReadBytes(device);
        QVERIFY(programmed.size() >= 0x60000);
        QCOMPARE(std::string(programmed.begin() + 0x100, programmed.begin() + 0x103), std::string("HQR"));
        for (std::uint32_t a = 0; a < 0x60000; ++a)
            if (a < 0x100 || a > 0x102)
                QVERIFY2(programmed[a] == 0xFF, qPrintable(QString::number(a, 16)));
    }
};

QK_GUI_TEST_MAIN(MirrorTest)
#include "test_mirror.moc"
