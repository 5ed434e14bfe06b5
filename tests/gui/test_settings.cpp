// "Se&ttings" from the main window: another device chosen in the dialog
// rebuilds the tabs and resets the statistics, the options go into the
// project, a port's device path kept in the settings file reaches the
// programmer at the next start, and "&Cancel" changes nothing.
#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "source/gui/settings/chpseldlg.h"
#include "source/gui/settings/setids.h"
#include "source/gui/settings/settingdlg.h"
#include "source/gui/settings/vndrchpwnd.h"
#include "source/project/qkopts.h"
#include "source/settings/portlist.h"
#include "tests/e2e/simproc.h"
#include "tests/gui/guidriver.h"
#include "tests/gui/guimain.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;

namespace {
QStringList TabTitles(const QTabWidget* tabs)
{
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    return titles;
}

void ClickOk(clSettingDlg& dialog)
{
    QTest::mouseClick(dialog.findChild<QPushButton*>(QkSetId(idSetOk)), Qt::LeftButton);
}
} // namespace

class SettingsTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<clGuiTestDir> m_pDir;

    std::string Settings() const { return m_pDir->Settings(); }

private slots:
    void init() { m_pDir = std::make_unique<clGuiTestDir>(); }
    void cleanup() { m_pDir.reset(); }

    void anotherDeviceRebuildsTheTabsAndResetsTheStatistics()
    {
        clDialogDriver driver;
        clProgRun run({"/Demo", "/TDELAY:0"}, Settings());
        run.StartUp();
        QCOMPARE(TabTitles(run.Frame().Tabs()), QStringList{"Data"});
        run.Click(idProgram);
        QCOMPARE(run.Label(idStatCycles), QString("1"));
        QCOMPARE(run.Label(idStatSuccess), QString("1"));

        driver.onSettings = [](clSettingDlg& dialog) {
            QVERIFY(dialog.DevicePage()->List()->Select(3)); // PCD80716
            dialog.Tabs()->setCurrentIndex(1);
            dialog.findChild<QCheckBox*>(QkSetId(idSetAutoErase))->click();
            ClickOk(dialog);
        };
        run.Click(idSettings);
        QCOMPARE(driver.settingsDialogs, 1);
        QCOMPARE(run.Frame().Text(idDevice)->text(), QString("PCD80716 (PHILIPS)"));
        QCOMPARE(TabTitles(run.Frame().Tabs()), (QStringList{"Data", "Config", "OSD", "Security", "All"}));
        QCOMPARE(run.Label(idStatCycles), QString("0"));
        QCOMPARE(run.Label(idStatSuccess), QString("0"));
        QCOMPARE(run.Label(idStatFailure), QString("0"));
        QCOMPARE(QkGetOpt16(run.Frame().Options(), kOptAutoErase), std::uint16_t{1});
        QVERIFY(run.Main().IsProjectChanged());
        QCOMPARE(run.Status(), QString("Ready"));
        QVERIFY(run.Frame().Button(idProgram)->isEnabled());

        // "&Cancel" leaves the device and the options as they are.
        driver.onSettings = [](clSettingDlg& dialog) {
            dialog.DevicePage()->List()->Select(1);
            dialog.reject();
        };
        run.Click(idSettings);
        QCOMPARE(run.Main().GetDevice(), static_cast<unsigned short>(3));
        QCOMPARE(TabTitles(run.Frame().Tabs()).size(), 5);
    }

    void aPortsDevicePathIsMappedAtTheNextStart()
    {
        clSimProcess sim;
        QVERIFY2(sim.Start({"--baud", "0"}), sim.Error().c_str());
        {
            clQkSettingsStore settings(Settings());
            QkSetPortPath(settings, 9, sim.Path());
        }
        clDialogDriver driver;
        clProgRun run({"/Com:9"}, Settings());
        run.StartUp();
        QVERIFY2(driver.errors.empty(), qPrintable(driver.ErrorTexts().join("; ")));
        QCOMPARE(run.Frame().GetIndicator(), int(indConnected));
        QCOMPARE(run.Frame().GetPortText().toStdString(), "COM9 (" + sim.Path() + ")");
    }
};

QK_GUI_TEST_MAIN(SettingsTest)
#include "test_settings.moc"
