// The settings dialog offscreen: the filter as typed, the device history,
// the port list and a port's device path, the crystal frequency, the sound
// page, the About lines with qksim and without a programmer, and what "&Ok"
// and "&Cancel" hand back.
#include <map>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "comm/comports.h"
#include "comm/qkcomm.h"
#include "err/qkerr.h"
#include "source/base/appmngr.h"
#include "source/gui/settings/aboutdlg.h"
#include "source/gui/settings/chpseldlg.h"
#include "source/gui/settings/qksnddlg.h"
#include "source/gui/settings/setids.h"
#include "source/gui/settings/settingdlg.h"
#include "source/gui/settings/sndloaddlg.h"
#include "source/gui/settings/swoptdlg.h"
#include "source/gui/settings/vndrchpwnd.h"
#include "source/settings/qksettings.h"
#include "tests/e2e/simproc.h"
#include "tests/testutil.h"

namespace {
// The texts of the program's messages, answered with Ok.
class clTextLog : public clBasicErrNtfy {
public:
    explicit clTextLog(QStringList& seen) : m_Seen(seen) {}
    int Notify(const clBasicErr& err) override
    {
        char* text = err.GetErrStr();
        m_Seen << QString::fromLatin1(text != nullptr ? text : "");
        std::free(text);
        return erIdOk;
    }

private:
    QStringList& m_Seen;
};

QStringList Items(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

QStringList Rows(const clVndrChpWnd* list)
{
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        rows << list->topLevelItem(i)->text(1);
    return rows;
}

template <class W>
W* Control(QWidget& dialog, int id)
{
    W* widget = dialog.findChild<W*>(QkSetId(id));
    if (widget == nullptr)
        qFatal("no control %d", id);
    return widget;
}

// Shows a page and lets its layout settle before anything is clicked.
void ShowTab(clSettingDlg& dialog, int tab)
{
    dialog.Tabs()->setCurrentIndex(tab);
    QApplication::processEvents();
}

// The Alt+letter keys that the visible controls of a dialog answer, with
// the texts that carry each (a letter with two texts is a clash).
std::map<QChar, QStringList> Mnemonics(QWidget& dialog, const QTabWidget& tabs)
{
    std::map<QChar, QStringList> keys;
    auto add = [&](const QString& text) {
        const qsizetype at = text.indexOf('&');
        if (at >= 0 && at + 1 < text.size())
            keys[text[at + 1].toLower()] << text;
    };
    for (int tab = 0; tab < tabs.count(); ++tab)
        add(tabs.tabText(tab));
    for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
        if (button->isVisible())
            add(button->text());
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        if (label->isVisible() && label->buddy() != nullptr)
            add(label->text());
    return keys;
}

void Click(QWidget& dialog, int id)
{
    QTest::mouseClick(Control<QPushButton>(dialog, id), Qt::LeftButton);
}
} // namespace

class TestSettingDlg : public QObject {
    Q_OBJECT

private:
    clDataBase m_Db{GetDLLDBaseInstance()};
    clTempDir m_Dir;
    std::unique_ptr<clQkSettingsStore> m_pStore;
    QStringList m_Messages;
    std::vector<clSndActInfo> m_Played;
    int m_iRun = 0;

    clSettingInput Input()
    {
        clSettingInput input;
        input.db = &m_Db;
        input.settings = m_pStore.get();
        input.device = 4;
        input.port = 1;
        input.software = "QK-JTAG 3.1.0";
        return input;
    }
    std::function<void(const clSndActInfo&)> Player()
    {
        return [this](const clSndActInfo& sound) { m_Played.push_back(sound); };
    }
    static void Type(clSettingDlg& dialog, const QString& text)
    {
        QLineEdit* edit = dialog.DevicePage()->Filter()->lineEdit();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

private slots:
    void init()
    {
        m_pStore = std::make_unique<clQkSettingsStore>(m_Dir.File("settings" + std::to_string(++m_iRun) + ".ini"));
        m_Messages.clear();
        m_Played.clear();
        QkAppErrMngr().OpenErrMngr(new clTextLog(m_Messages), nullptr);
    }
    void cleanup()
    {
        QkAppErrMngr().CloseErrMngr();
        ComClearPortMap();
    }

    void TitleTabsAndTheCurrentDevice()
    {
        clSettingDlg dialog(Input(), Player(), nullptr);
        QCOMPARE(dialog.windowTitle(), QString("Settings"));
        QTabWidget* tabs = Control<QTabWidget>(dialog, idSetTabs);
        QCOMPARE(tabs->tabText(0), QString("&Devices"));
        QCOMPARE(tabs->tabText(1), QString("&Software Options"));
        QCOMPARE(tabs->tabText(2), QString("&About"));
        QCOMPARE(Control<QPushButton>(dialog, idSetOk)->text(), QString("&Ok"));
        QCOMPARE(Control<QPushButton>(dialog, idSetCancel)->text(), QString("&Cancel"));
        const clVndrChpWnd* list = dialog.DevicePage()->List();
        QCOMPARE(list->headerItem()->text(0), QString("Vendors"));
        QCOMPARE(list->headerItem()->text(1), QString("Name"));
        QCOMPARE(list->headerItem()->text(2), QString("Adapter"));
        QCOMPARE(list->SelectedChip(), static_cast<unsigned short>(4));
        QVERIFY(dialog.DevicePage()->Info()->toPlainText().startsWith(
            QString::fromUtf8("Device: PCD80718\nVendor: PHILIPS\nType: uC (E\u00B2)\n")));
    }

    void EveryControlHasAKeyOfItsOwn()
    {
        clSettingInput input = Input();
        input.admin = input.showFrequency = true;
        clSettingDlg dialog(input, Player(), nullptr);
        dialog.show();
        for (int tab = 0; tab < dialog.Tabs()->count(); ++tab) {
            ShowTab(dialog, tab);
            for (const auto& [key, texts] : Mnemonics(dialog, *dialog.Tabs()))
                QVERIFY2(texts.size() == 1, qPrintable(QString("Alt+%1: %2").arg(key).arg(texts.join(", "))));
        }
    }

    void FilterAsTyped()
    {
        clSettingDlg dialog(Input(), Player(), nullptr);
        dialog.show();
        QComboBox* vendor = dialog.DevicePage()->VendorChoice();
        QCOMPARE(Items(vendor), (QStringList{"all devices", "PHILIPS"}));
        const clVndrChpWnd* list = dialog.DevicePage()->List();
        QCOMPARE(list->topLevelItemCount(), 8);

        Type(dialog, "51F");
        QCOMPARE(list->topLevelItemCount(), 0);
        QVERIFY(Items(vendor).isEmpty());
        QCOMPARE(dialog.DevicePage()->Info()->toPlainText(),
                 QString("Total Devices: 8\nTotal Filtered Devices: 0\nTotal Vendor Filtered Device: 0\n"
                         "Filtered Group devices: 0"));

        Type(dialog, "?");
        QCOMPARE(list->topLevelItemCount(), 8);
        QCOMPARE(Items(vendor), (QStringList{"all devices", "PHILIPS"}));

        // "5", "1" and "?" one key at a time.
        Type(dialog, "5");
        QCOMPARE(Rows(list), QStringList{"PCD80705"});
        QTest::keyClicks(dialog.DevicePage()->Filter()->lineEdit(), "1");
        QCOMPARE(list->topLevelItemCount(), 0);
        QTest::keyClicks(dialog.DevicePage()->Filter()->lineEdit(), "?");
        QCOMPARE(list->topLevelItemCount(), 0);

        // The device filtered away earlier is no longer chosen: the counts
        // show until a row is chosen.
        Type(dialog, "8071?");
        QCOMPARE(Rows(list), (QStringList{"PCD80710", "PCD80712", "PCD80716", "PCD80718"}));
        QCOMPARE(dialog.DevicePage()->Info()->toPlainText(),
                 QString("Total Devices: 8\nTotal Filtered Devices: 4\nTotal Vendor Filtered Device: 4\n"
                         "Filtered Group devices: 4"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
        QVERIFY(dialog.DevicePage()->Info()->toPlainText().startsWith("Device: PCD80712\n"));
        // A vendor-only filter drops "all devices".
        Type(dialog, "PHI");
        QCOMPARE(Items(vendor), QStringList{"PHILIPS"});
        QCOMPARE(list->topLevelItemCount(), 8);
    }

    void EightDevicesLeaveSevenInTheHistory()
    {
        QStringList chosen;
        for (int i = 0; i < 8; ++i) {
            clSettingDlg dialog(Input(), Player(), nullptr);
            dialog.show();
            clVndrChpWnd* list = dialog.DevicePage()->List();
            QTreeWidgetItem* item = list->topLevelItem(i);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
            QCOMPARE(list->SelectedChip(), static_cast<unsigned short>(item->data(0, Qt::UserRole).toUInt()));
            chosen.prepend("PHILIPS " + item->text(1));
            Click(dialog, idSetOk);
            QVERIFY(dialog.Result().accepted);
        }
        clSettingDlg dialog(Input(), Player(), nullptr);
        dialog.show();
        QComboBox* filter = dialog.DevicePage()->Filter();
        QCOMPARE(Items(filter), chosen.mid(0, 7));
        QVERIFY(filter->currentText().isEmpty());
        // A history entry chooses its device.
        filter->setCurrentIndex(3);
        emit filter->activated(3);
        QCOMPARE(Rows(dialog.DevicePage()->List()), QStringList{chosen[3].mid(8)});
        Click(dialog, idSetOk);
        QCOMPARE(QString::fromStdString(QkGetDeviceHistory(*m_pStore).front()), chosen[3]);
    }

    void PortTwelveWithFourPorts()
    {
        clSettingInput input = Input();
        input.port = 12;
        input.lastCom = 4;
        ComMapPort(12, "/tmp/qk-twelve");
        clSettingDlg dialog(input, Player(), nullptr);
        QComboBox* port = Control<QComboBox>(dialog, idSetPort);
        const QStringList items = Items(port);
        QCOMPARE(items.size(), 6);
        for (int i = 0; i < 4; ++i)
            QVERIFY2(items[i] == QString("COM%1").arg(i + 1) || items[i].startsWith(QString("COM%1 (").arg(i + 1)),
                     qPrintable(items[i]));
        QCOMPARE(items[4], QString("COM12 (/tmp/qk-twelve)"));
        QCOMPARE(items[5], QString("Scan"));
        QCOMPARE(port->currentIndex(), 4);
        port->setCurrentIndex(5);
        QVERIFY(!Control<QLineEdit>(dialog, idSetPortPath)->isEnabled());
        Click(dialog, idSetOk);
        QCOMPARE(dialog.Result().port, 0);
    }

    void APortsDevicePathIsCheckedKeptAndShown()
    {
        clSettingDlg dialog(Input(), Player(), nullptr);
        dialog.show();
        ShowTab(dialog, 1);
        QLineEdit* path = Control<QLineEdit>(dialog, idSetPortPath);
        QVERIFY(path->isEnabled());
        path->setFocus();
        QTest::keyClicks(path, "ttyUSB0");
        Click(dialog, idSetOk);
        QVERIFY(dialog.isVisible());
        QCOMPARE(m_Messages, QStringList{"ttyUSB0 is not an absolute path"});
        path->clear();
        QTest::keyClicks(path, "/dev/serial/by-id/usb-QK-JTAG");
        Click(dialog, idSetOk);
        QVERIFY(!dialog.isVisible());
        QVERIFY(dialog.Result().accepted);
        QVERIFY(dialog.Result().reconnect); // the port in use leads elsewhere now
        QCOMPARE(QkGetPortPaths(*m_pStore).at(1), std::string("/dev/serial/by-id/usb-QK-JTAG"));
        QCOMPARE(ComPortPath(1), std::string("/dev/serial/by-id/usb-QK-JTAG"));
        clSettingDlg again(Input(), Player(), nullptr);
        QCOMPARE(Control<QComboBox>(again, idSetPort)->itemText(0), QString("COM1 (/dev/serial/by-id/usb-QK-JTAG)"));
    }

    void CrystalOnlyWithFreqAndChecked()
    {
        {
            clSettingDlg dialog(Input(), Player(), nullptr);
            dialog.show();
            ShowTab(dialog, 1);
            QVERIFY(!Control<QLineEdit>(dialog, idSetXtal)->isVisible());
        }
        clSettingInput input = Input();
        input.showFrequency = true;
        clSettingDlg dialog(input, Player(), nullptr);
        dialog.show();
        ShowTab(dialog, 1);
        QLineEdit* xtal = Control<QLineEdit>(dialog, idSetXtal);
        QVERIFY(xtal->isVisible());
        QCOMPARE(xtal->text(), QString("4Mhz"));
        QCOMPARE(xtal->maxLength(), 20);
        xtal->setText("fast");
        Click(dialog, idSetOk);
        QVERIFY(dialog.isVisible());
        QCOMPARE(m_Messages, QStringList{"Invalid crystal frequency.\nPlease re-type the desired frequency."});
        xtal->setText("11.0592M");
        Click(dialog, idSetOk);
        QCOMPARE(dialog.Result().frequency, std::string("11.0592M"));
    }

    void SoundPagePlaysEvenMutedAndTakesAFile()
    {
        const std::string wave = m_Dir.File("a folder with a long name/and another one/ding.wav");
        std::filesystem::create_directories(std::filesystem::path(wave).parent_path());
        WriteBytes(wave, {'R', 'I', 'F', 'F'});
        clSettingDlg dialog(Input(), Player(), nullptr);
        dialog.show();
        ShowTab(dialog, 1);
        QListWidget* actions = Control<QListWidget>(dialog, idSetActions);
        QComboBox* sound = Control<QComboBox>(dialog, idSetSound);
        QCOMPARE(actions->count(), 7);
        QCOMPARE(actions->item(6)->text(), QString("Error Dialog"));
        actions->setCurrentRow(1); // "Ready"
        QCOMPARE(Items(sound), (QStringList{"[None]", "[Speaker Beep]"}));
        QCOMPARE(sound->currentIndex(), 0);
        sound->setCurrentIndex(1);
        emit sound->activated(1);
        Control<QCheckBox>(dialog, idSetMute)->click();
        Click(dialog, idSetSoundPlay);
        QCOMPARE(m_Played.size(), std::size_t{1});
        QCOMPARE(m_Played[0].kind, std::uint16_t{sndBeep});

        // "Open": the chooser's own "&Play", then the file taken.
        actions->setCurrentRow(3); // "Failed"
        clQkSndDlg* page = dialog.findChild<clQkSndDlg*>("clQkSndDlg");
        bool answered = false, listShown = false;
        QTimer::singleShot(0, [&] {
            clSndLoadDlg* chooser = page->LoadDialog();
            QVERIFY(chooser != nullptr);
            QCOMPARE(chooser->windowTitle(), QString("Select Sound File"));
            // The file list is part of the box, not a hidden child.
            listShown = chooser->Chooser()->isVisible() && chooser->width() >= 400 && chooser->height() >= 250;
            chooser->Chooser()->setDirectory(QString::fromStdString(std::filesystem::path(wave).parent_path()));
            chooser->Chooser()->selectFile(QString::fromStdString(wave));
            QTest::mouseClick(chooser->PlayButton(), Qt::LeftButton);
            QMetaObject::invokeMethod(chooser->Chooser(), "accept");
            answered = true;
        });
        Click(dialog, idSetSoundOpen);
        QVERIFY(answered);
        QVERIFY(listShown);
        QCOMPARE(m_Played.size(), std::size_t{2});
        QCOMPARE(m_Played[1].file, wave);
        QCOMPARE(sound->count(), 3);
        QCOMPARE(sound->currentIndex(), 2);
        QVERIFY(sound->itemText(2).startsWith("/..."));
        QVERIFY(sound->itemText(2).endsWith("/ding.wav"));
        Click(dialog, idSetOk);
        const clSettingResult& result = dialog.Result();
        QVERIFY(result.mute);
        QCOMPARE(result.sounds.Actions()[1].kind, std::uint16_t{sndBeep});
        QCOMPARE(result.sounds.Actions()[3].kind, std::uint16_t{sndWave});
        QCOMPARE(result.sounds.Actions()[3].file, wave);
    }

    void CancelChangesNothing()
    {
        clSettingDlg dialog(Input(), Player(), nullptr);
        dialog.show();
        clVndrChpWnd* list = dialog.DevicePage()->List();
        list->Select(1);
        ShowTab(dialog, 1);
        Control<QCheckBox>(dialog, idSetAllowFlash)->click();
        Control<QCheckBox>(dialog, idSetAutoErase)->click();
        Click(dialog, idSetCancel);
        const clSettingResult& result = dialog.Result();
        QVERIFY(!result.accepted);
        QCOMPARE(result.device, static_cast<unsigned short>(0));
        QVERIFY(!result.flash);
        QCOMPARE(result.autoOptions.erase, std::uint16_t{0});
        QVERIFY(!result.reconnect);
        QVERIFY(QkGetDeviceHistory(*m_pStore).empty());
    }

    void OkHandsBackTheChanges()
    {
        clSettingInput input = Input();
        input.admin = true;
        input.device = 1; // PCD80710 has no signature to check
        clSettingDlg dialog(input, Player(), nullptr);
        dialog.show();
        dialog.DevicePage()->List()->Select(2);
        ShowTab(dialog, 1);
        // PCD80712 has one: the device chosen on the first page counts.
        QVERIFY(Control<QCheckBox>(dialog, idSetAutoSigChk)->isEnabled());
        for (const int id : {idSetAutoSigChk, idSetAutoBlnkChk, idSetAutoRobot, idSetAllowFlash, idSetIgnoreStartStop,
                             idSetBootUpdate})
            Control<QCheckBox>(dialog, id)->click();
        Control<QRadioButton>(dialog, idSetStdButtons)->click();
        Click(dialog, idSetOk);
        const clSettingResult& result = dialog.Result();
        QCOMPARE(result.device, static_cast<unsigned short>(2));
        QCOMPARE(result.port, -1);
        QCOMPARE(result.autoOptions.sigChk, std::uint16_t{1});
        QCOMPARE(result.autoOptions.blnkChk, std::uint16_t{1});
        QCOMPARE(result.autoOptions.erase, std::uint16_t{0});
        QCOMPARE(result.autoOptions.robot, std::uint16_t{1});
        QVERIFY(result.flash);
        QVERIFY(!result.ignoreStartStop);
        QVERIFY(result.bootUpdate);
        QVERIFY(!result.flyOver);
        // Without "ADMIN" the maker's check boxes stay out of sight.
        input.admin = false;
        clSettingDlg plain(input, Player(), nullptr);
        plain.show();
        ShowTab(plain, 1);
        QVERIFY(!Control<QCheckBox>(plain, idSetIgnoreStartStop)->isVisible());
        QVERIFY(!Control<QCheckBox>(plain, idSetBootUpdate)->isVisible());
        QVERIFY(!Control<QCheckBox>(plain, idSetAutoSigChk)->isEnabled());
    }

    void AboutWithoutAndWithQksim()
    {
        {
            clSettingDlg dialog(Input(), Player(), nullptr);
            QListWidget* lines = Control<QListWidget>(dialog, idSetAboutList);
            QCOMPARE(lines->count(), 4);
            QCOMPARE(lines->item(0)->text(), QString("QK-JTAG 3.1.0"));
            QCOMPARE(lines->item(1)->text(), QString("   Protocol: Not Connected"));
            QCOMPARE(lines->item(2)->text(), QString("   Device:   Not Connected"));
            QCOMPARE(lines->item(3)->text(), QString("   DBase:    QKDB 3.32"));
            QVERIFY(!Control<QPushButton>(dialog, idSetPgmUpdate)->isEnabled());
        }
        const std::string frames = m_Dir.File("frames.log");
        clSimProcess sim;
        QVERIFY2(sim.Start({"--baud", "0", "--fw-version", "V1.62", "--frame-log", frames}), sim.Error().c_str());
        ComMapPort(9, sim.Path());
        const char* args[] = {"qkprog"};
        clQKComm comm(1, args, m_Db);
        comm.Connect(QK_PORT_CFG{9, 1, 1}, 4);
        QCOMPARE(comm.GetProtocol(), clQkProtocol::real);
        clSettingInput input = Input();
        input.comm = &comm;
        clSettingDlg dialog(input, Player(), nullptr);
        dialog.show();
        QListWidget* lines = Control<QListWidget>(dialog, idSetAboutList);
        QCOMPARE(lines->item(1)->text().left(13), QString("   Protocol: "));
        QVERIFY(lines->item(1)->text() != QString("   Protocol: Not Connected"));
        QCOMPARE(lines->item(2)->text(), QString("   Device:   QKJTAG 1.62"));
        // The line to the programmer, after the programmer's sizes.
        QVERIFY(lines->item(5)->text().startsWith("   Line:     round trip "));
        QVERIFY(lines->item(5)->text().endsWith(" ms, 20 requests)"));
        QCOMPARE(lines->item(6)->text(), QString("     -  pseudo-terminal, no latency timer"));
        QCOMPARE(lines->item(lines->count() - 1)->text(), QString("   DBase:    QKDB 3.32"));

        // "&Programmer SW update" restarts the programmer; even "&Cancel"
        // then asks for the reconnection.
        ShowTab(dialog, 1);
        QPushButton* update = Control<QPushButton>(dialog, idSetPgmUpdate);
        QVERIFY(update->isEnabled());
        QTest::mouseClick(update, Qt::LeftButton);
        QVERIFY(!update->isEnabled());
        Click(dialog, idSetCancel);
        QVERIFY(!dialog.Result().accepted);
        QVERIFY(dialog.Result().reconnect);
        QVERIFY(ReadText(frames).find("RX 02 06 26") != std::string::npos);
        comm.Disconnect(0);
        sim.Stop();
        QVERIFY(m_Messages.isEmpty());
    }
};

QTEST_MAIN(TestSettingDlg)
#include "test_settingdlg.moc"
