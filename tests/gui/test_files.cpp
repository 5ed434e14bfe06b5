// Loading and saving through the "Load File" and "Save File" dialogs: a data
// file that reaches the programmer, a project with its description preview,
// the clipping note, and a project saved with its options.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "comm/comports.h"
#include "cpplib/qkbufint.h"
#include "source/files/hexdefs.h"
#include "source/files/hexio.h"
#include "source/gui/errdlgqt.h"
#include "source/gui/filedlgs.h"
#include "source/project/qkprj.h"
#include "source/project/qkspaces.h"
#include "source/settings/qksettings.h"
#include "tests/e2e/simproc.h"
#include "tests/gui/guidriver.h"
#include "tests/gui/guimain.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;

class FilesTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<clGuiTestDir> m_pDir;

    std::string Settings() const { return m_pDir->Settings(); }
    // 256 bytes 0, 1, 2 ... at 0x1000 as Intel Hex.
    std::string HexFile()
    {
        const std::string path = m_pDir->File("part.hex");
        clQKHugeBufIntr image("Data");
        image.SetParams(0x100, clAdrs(0x1000u));
        for (unsigned i = 0; i < 0x100; ++i) {
            const unsigned char byte = static_cast<unsigned char>(i);
            image.SetByte(clAdrs(0x1000u + i), &byte);
        }
        clHexLoader writer(nullptr, 0);
        writer.OpenFile(path.c_str(), QkWriteFormatKind(ftIntelLinear), HEX_WRITE);
        writer.Save(image, 0x1000, 0x10FF);
        writer.CloseFile();
        return path;
    }
    std::string Project(unsigned short chipId, const std::string& description)
    {
        const std::string path = m_pDir->File("board.qkp");
        TBscOptServer options(kQkOptArrayName);
        const clQkOptCatalogue catalogue = QkRegisterOptions(options);
        clDataBase db(GetDLLDBaseInstance());
        clQkSpaces spaces(db, options, catalogue);
        spaces.SetupDevice(chipId);
        clQkSettingsStore detached("");
        clQkProject project(options, detached, QkAppErrMngr());
        project.Save(path, prjSaveImage, description);
        return path;
    }

private slots:
    void init() { m_pDir = std::make_unique<clGuiTestDir>(); }
    void cleanup() { m_pDir.reset(); }

    void aDataFileReachesTheProgrammer()
    {
        clSimProcess sim;
        const std::string dump = m_pDir->File("device.bin");
        QVERIFY2(sim.Start({"--baud", "0", "--dump", dump}), sim.Error().c_str());
        ComMapPort(7, sim.Path());
        const std::string hex = HexFile();
        clDialogDriver driver;
        bool looked = false;
        driver.onLoad = [&](Tmp51OpenDlg& load) {
            load.Select(2, QString::fromStdString(hex));
            looked = load.DescriptionLabel() == "Description:" && load.IsInitEnabled() && !load.IsNoteVisible();
            load.SetInit(init00);
            load.Confirm();
        };
        {
            clProgRun run({"/Com:7", "/TDELAY:0"}, Settings());
            run.StartUp();
            run.Click(idOpen);
            QVERIFY(looked);
            QCOMPARE(run.Status(), QString("Ready"));
            QCOMPARE(run.Frame().Text(idFile)->text().toStdString(), hex);
            const clQKHugeBuffer& data = run.Frame().Spaces().Buffer(1);
            QCOMPARE(int(data.GetByte(clAdrs(0x1042u))), 0x42);
            QCOMPARE(int(data.GetByte(clAdrs(0x0FFFu))), 0x00); // "w&ith 0x00"
            run.Click(idProgram);
            QCOMPARE(run.Status(), QString("Ready"));
            QVERIFY(driver.errors.empty());
        }
        sim.Stop();
        const std::vector<unsigned char> device = ReadBytes(dump);
        QVERIFY(device.size() >= 0x60000);
        for (unsigned i = 0; i < 0x100; ++i)
            QCOMPARE(int(device[0x1000 + i]), int(i));
        QCOMPARE(int(device[0x0FFF]), 0x00);
        QCOMPARE(int(device[0x5FFFF]), 0x00);
    }

    // A ".hex" that is no hex file at all (every warning answered "&Ignore"),
    // then a damaged project.
    void aFileThatLoadsNothingIsNotNamed()
    {
        const std::string page = m_pDir->File("fw.hex");
        WriteText(page, "<html>\n<body>404 Not Found</body>\n</html>\n");
        const std::string badProject = m_pDir->File("bad.qkp");
        WriteText(badProject, "not a project");
        std::string opening = page;
        clDialogDriver driver;
        clProgRun* running = nullptr;
        // Every dialog opens over the main window, not at the screen's corner.
        QStringList notOver;
        auto checkOver = [&](const QWidget& dialog) {
            // Centred over the window, as far as the screen allows.
            const QRect box = dialog.frameGeometry(), screen = dialog.screen()->availableGeometry();
            QPoint want = running->Frame().frameGeometry().center() - QPoint(box.width() / 2, box.height() / 2);
            want.setX(std::clamp(want.x(), screen.left(), std::max(screen.left(), screen.right() + 1 - box.width())));
            want.setY(std::clamp(want.y(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - box.height())));
            const QPoint off = box.topLeft() - want;
            if (off.manhattanLength() > 16)
                notOver << QString("%1 off by %2,%3").arg(dialog.windowTitle()).arg(off.x()).arg(off.y());
        };
        driver.onLoad = [&](Tmp51OpenDlg& load) {
            checkOver(load);
            load.Select(opening == page ? 2 : 0, QString::fromStdString(opening));
            load.Confirm();
        };
        QStringList statusDuringWarnings, titleDuringWarnings;
        driver.beforeAnswer = [&](clErrDlg& dialog) {
            checkOver(dialog);
            statusDuringWarnings << running->Status();
            titleDuringWarnings << running->Frame().windowTitle();
        };
        driver.answerError = [](const clSeenDialog& seen) {
            return seen.caption == "Warning" || seen.text.startsWith("WARNING") ? int(erIdIgnore) : int(erIdOk);
        };
        clProgRun run({"/DEMO", "/TDELAY:0"}, Settings());
        running = &run;
        run.StartUp();
        const QString fileBefore = run.Frame().Text(idFile)->text();
        run.Click(idOpen);
        QVERIFY(!driver.errors.empty());
        QVERIFY(driver.errors.front().text.startsWith("WARNING:  File fw.hex is not in expected HEX format."));
        for (const QString& status : statusDuringWarnings)
            QCOMPARE(status, QString("Updating"));
        for (const QString& title : titleDuringWarnings)
            QVERIFY2(title.startsWith("QK-JTAG - ") && title.size() > 10, qPrintable(title));
        QCOMPARE(driver.errors.back().text,
                 QString("Nothing was loaded: fw.hex holds no data for this space's range."));
        QCOMPARE(run.Frame().Text(idFile)->text(), fileBefore);
        QCOMPARE(run.Status(), QString("Ready"));

        // A damaged project: message 1010 over the window too.
        opening = badProject;
        run.Click(idOpen);
        QCOMPARE(driver.errors.back().text, QString("Invalid file format, or file corrupted."));
        QVERIFY2(notOver.isEmpty(), qPrintable(notOver.join(", ")));
    }

    void aProjectShowsItsDescriptionAndLoads()
    {
        const std::string project = Project(2, "Board rev. C");
        clDialogDriver driver;
        QString label, preview;
        bool initOff = false;
        driver.onLoad = [&](Tmp51OpenDlg& load) {
            load.Select(0, QString::fromStdString(project));
            label = load.DescriptionLabel();
            preview = load.DescriptionText();
            initOff = !load.IsInitEnabled() && !load.IsNoteVisible();
            load.Confirm();
        };
        clProgRun run({"/Demo"}, Settings());
        run.StartUp();
        QCOMPARE(run.Frame().Text(idDevice)->text(), QString("PCD80710 (PHILIPS)"));
        run.Click(idOpen);
        QCOMPARE(label, QString("Project Description:"));
        QCOMPARE(preview, QString("Board rev. C"));
        QVERIFY(initOff);
        QCOMPARE(run.Frame().Text(idDevice)->text(), QString("PCD80712 (PHILIPS)"));
        QCOMPARE(run.Frame().Text(idDescription)->text(), QString("Board rev. C"));
        QCOMPARE(run.Frame().Tabs()->count(), 5);
        QCOMPARE(QkGetLastProject(clQkSettingsStore(Settings())), project);
        QCOMPARE(run.Status(), QString("Ready"));
    }

    void aNameTypedAtOnceIsOpened()
    {
        const std::string hex = HexFile();
        clDialogDriver driver;
        QString focused;
        driver.onLoad = [&](Tmp51OpenDlg& load) {
            // A user who types the whole path and presses Enter as soon as
            // the dialog has the focus, before its file list is gathered.
            QkWaitFor([&] { return QApplication::focusWidget() != nullptr; }, 2000);
            QWidget* field = QApplication::focusWidget();
            focused = field != nullptr ? field->objectName() : QString();
            load.Select(2, QString());
            QTest::keyClicks(field, QString::fromStdString(hex));
            QTest::keyClick(field, Qt::Key_Return);
        };
        clProgRun run({"/Demo"}, Settings());
        run.StartUp();
        run.Click(idOpen);
        QCOMPARE(focused, QString("fileNameEdit"));
        QCOMPARE(run.Frame().Text(idFile)->text().toStdString(), hex);
        QCOMPARE(int(run.Frame().Spaces().Buffer(1).GetByte(clAdrs(0x1042u))), 0x42);
    }

    void theClippingNoteFollowsTheRange()
    {
        clDialogDriver driver;
        bool whole = true, clipped = false, project = true;
        int opened = 0;
        driver.onLoad = [&](Tmp51OpenDlg& load) {
            load.Select(1, QString());
            (opened == 0 ? whole : clipped) = load.IsNoteVisible();
            load.Select(0, QString());
            project = load.IsNoteVisible();
            ++opened;
            load.reject();
        };
        clProgRun run({"/Demo"}, Settings());
        run.StartUp();
        run.Click(idOpen);
        run.Main().CurrentView()->SetCmdAddresses(0, 0xFFF);
        run.Click(idOpen);
        QCOMPARE(opened, 2);
        QVERIFY(!whole);
        QVERIFY(clipped);
        QVERIFY(!project);
    }

    void aProjectIsSavedWithItsOptions()
    {
        const std::string path = m_pDir->File("saved.qkp");
        clDialogDriver driver;
        bool imageChosen = false, refOff = false;
        driver.onSave = [&](Tmp51SaveDlg& save) {
            // Nothing refers to a data file yet: the image is what can be kept.
            imageChosen = save.SaveOption() == prjSaveImage;
            refOff = !save.IsOptionEnabled(prjSaveHexRef);
            save.Select(0, QString::fromStdString(path));
            save.SetDescription("saved from the window");
            save.Confirm();
        };
        clProgRun run({"/Demo"}, Settings());
        run.StartUp();
        run.Click(idSave);
        QVERIFY(imageChosen);
        QVERIFY(refOff);
        QVERIFY(fs::exists(path));
        QCOMPARE(QkReadProjectDescription(path), std::string("saved from the window"));
        QCOMPARE(run.Frame().Text(idProject)->text().toStdString(), path);
        QCOMPARE(run.Frame().Text(idDescription)->text(), QString("saved from the window"));
        QCOMPARE(QkGetLastProject(clQkSettingsStore(Settings())), path);
        QVERIFY(!run.Main().IsProjectChanged());
    }
};

QK_GUI_TEST_MAIN(FilesTest)
#include "test_files.moc"
