// The space views through their widgets: the address fields with alignment
// 256 and the answers to their questions, a typed range reaching the
// programmer, and the "All" view programming two spaces.
#include <QAbstractButton>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "comm/comports.h"
#include "source/project/qkprj.h"
#include "source/project/qkspaces.h"
#include "tests/e2e/simproc.h"
#include "tests/gui/guidriver.h"
#include "tests/gui/guimain.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;

namespace {
// Types text over a field's contents, as the keyboard does.
void Type(QLineEdit* field, const QString& text)
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

// The user leaves the field (tab to the next control).
void Leave(QLineEdit* field)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(field, &out);
}
} // namespace

class ViewsTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<clGuiTestDir> m_pDir;

    std::string Settings() const { return m_pDir->Settings(); }
    // A project for a device, as the program saves one.
    std::string Project(unsigned short chipId)
    {
        const std::string path = m_pDir->File("device.qkp");
        TBscOptServer options(kQkOptArrayName);
        const clQkOptCatalogue catalogue = QkRegisterOptions(options);
        clDataBase db(GetDLLDBaseInstance());
        clQkSpaces spaces(db, options, catalogue);
        spaces.SetupDevice(chipId);
        clQkSettingsStore detached("");
        clQkProject project(options, detached, QkAppErrMngr());
        project.Save(path, prjSaveOnly, "views");
        return path;
    }

private slots:
    void init() { m_pDir = std::make_unique<clGuiTestDir>(); }
    void cleanup() { m_pDir.reset(); }

    void addressFieldsWithAlignment256()
    {
        clDialogDriver driver;
        // PCD80716: its OSD space is 0xC000 to 0xCFFF in blocks of 256 bytes.
        clProgRun run({"/Demo", "/P:" + Project(3)}, Settings());
        run.StartUp();
        TQk51FrameWindow& frame = run.Frame();
        QCOMPARE(frame.Tabs()->tabText(2), QString("OSD"));
        frame.Tabs()->setCurrentIndex(2);
        auto* start = frame.findChild<QLineEdit*>("id5140");
        auto* stop = frame.findChild<QLineEdit*>("id5141");
        QVERIFY(start != nullptr && stop != nullptr);
        QCOMPARE(start->text(), QString("C000h"));
        QCOMPARE(stop->text(), QString("CFFFh"));
        QCOMPARE(frame.Text(idSizeLabel)->text(), QString("OSD size:"));
        QCOMPARE(frame.Text(idSizeValue)->text(), QString("1000h (4K)"));

        // Inside the space: rounded down to its block, nothing asked.
        Type(start, "CF80");
        Leave(start);
        QCOMPARE(start->text(), QString("CF00h"));
        QVERIFY(driver.errors.empty());
        QCOMPARE(frame.Text(idSizeValue)->text(), QString("100h (0.2K)"));

        // Past the last block: the overflow question; Cancel keeps the text.
        driver.answerError = [](const clSeenDialog&) { return erIdCancel; };
        Type(start, "D000");
        Leave(start);
        QCOMPARE(driver.ErrorTexts(), QStringList{"Address overflow.\nSet address to default ?"});
        QCOMPARE(driver.errors[0].buttons, (std::vector<int>{erIdOk, erIdCancel}));
        QCOMPARE(start->text(), QString("D000"));
        // Ok takes the last block.
        driver.answerError = nullptr;
        Leave(start);
        QCOMPARE(driver.errors.size(), std::size_t{2});
        QCOMPARE(start->text(), QString("CF00h"));

        // The stop goes to the end of its block and takes the start along.
        Type(stop, "C010");
        Leave(stop);
        QCOMPARE(stop->text(), QString("C0FFh"));
        QCOMPARE(start->text(), QString("C000h"));

        // Not an address: said so, the text stays for correcting.
        Type(start, "xyz");
        Leave(start);
        QCOMPARE(driver.errors.back().text, QString("Invalid start address.\nPlease re-type the desired address."));
        QCOMPARE(driver.errors.back().caption, QString("Error"));
        QCOMPARE(start->text(), QString("xyz"));
        // An operation does not start while a field is wrong.
        driver.answerError = [](const clSeenDialog&) { return erIdOk; };
        const std::size_t shown = driver.errors.size();
        run.Click(idBlnkChk);
        QCOMPARE(driver.errors.size(), shown + 1);
        QCOMPARE(run.Status(), QString("Ready"));

        QWidget* osd = frame.Tabs()->widget(2);
        osd->findChild<QAbstractButton*>("id155")->click(); // "&Lowest address"
        osd->findChild<QAbstractButton*>("id154")->click(); // "&Highest address"
        QCOMPARE(start->text(), QString("C000h"));
        QCOMPARE(stop->text(), QString("CFFFh"));
    }

    void aTypedRangeReachesTheProgrammer()
    {
        clSimProcess sim;
        const std::string log = m_pDir->File("frames.log");
        QVERIFY2(sim.Start({"--baud", "0", "--frame-log", log}), sim.Error().c_str());
        ComMapPort(7, sim.Path());
        clDialogDriver driver;
        clProgRun run({"/Com:7", "/TDELAY:0"}, Settings());
        run.StartUp();
        auto* start = run.Frame().findChild<QLineEdit*>("id2068");
        auto* stop = run.Frame().findChild<QLineEdit*>("id2069");
        Type(start, "1234");
        Leave(start);
        Type(stop, "2000");
        Leave(stop);
        QCOMPARE(start->text(), QString("1000h")); // blocks of 2048 bytes
        QCOMPARE(stop->text(), QString("27FFh"));
        run.Click(idBlnkChk);
        QCOMPARE(run.Status(), QString("Ready"));
        sim.Stop();
        // The last range before the blank check: 0x1000 to 0x27FF, high byte first.
        std::vector<int> range;
        for (const auto& frame : QkReadFrames(log)) {
            if (QkIsWrite(frame, 0x22, 1))
                range = frame;
            if (QkIsExecute(frame, 0x11))
                break;
        }
        QCOMPARE(range, (std::vector<int>{0x10, 3, 0x22, 1, 0, 0, 0, 0, 8, 0, 0, 0x10, 0, 0, 0, 0x27, 0xFF}));
    }

    void allProgramsTwoSpaces()
    {
        clDialogDriver driver;
        clProgRun run({"/Demo", "/TDELAY:0", "/P:" + Project(3)}, Settings());
        run.StartUp();
        TQk51FrameWindow& frame = run.Frame();
        QCOMPARE(frame.Tabs()->tabText(4), QString("All"));
        frame.Tabs()->setCurrentIndex(4);
        auto* list = frame.findChild<QListWidget*>("id1025");
        QVERIFY(list != nullptr);
        QStringList spaces;
        for (int i = 0; i < list->count(); ++i)
            spaces << list->item(i)->text();
        QCOMPARE(spaces, (QStringList{"Data", "Config", "OSD", "Security"}));
        // The project chose none; Data and OSD now. The security space of
        // this device has no bytes of its own to program.
        QVERIFY(!frame.Button(idProgram)->isEnabled());
        list->item(0)->setCheckState(Qt::Checked);
        list->item(2)->setCheckState(Qt::Checked);
        QVERIFY(!(list->item(3)->flags() & Qt::ItemIsEnabled));
        QVERIFY(frame.Button(idProgram)->isEnabled());
        QVERIFY(!frame.Button(idRead)->isEnabled());
        QStringList titles;
        connect(&frame, &QWidget::windowTitleChanged, [&](const QString& title) {
            const QString phase = title.section(' ', 2, 2);
            if (titles.isEmpty() || titles.back() != phase)
                titles << phase;
        });
        run.Click(idProgram);
        QCOMPARE(run.Status(), QString("Ready"));
        // Each space programmed and verified in list order.
        QCOMPARE(titles.filter("Programming").size(), 2);
        QCOMPARE(titles.filter("Verifying").size(), 2);
        QVERIFY(driver.errors.empty());
    }
};

QK_GUI_TEST_MAIN(ViewsTest)
#include "test_views.moc"
