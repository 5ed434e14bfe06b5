// qksetdlg: the settings dialog on its own, over the device database and the
// settings file, for trying the dialog and for its screenshots. It connects
// to a programmer when one is named, and prints what the dialog handed back.
//
//   qksetdlg [--port PATH | --demo] [--device ID] [--com N] [--last-com N]
//            [--freq] [--admin] [--screenshot DIR]
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "comm/comports.h"
#include "comm/qkcomm.h"
#include "err/errntfy.h"
#include "err/uisrv.h"
#include "qkversion.h"
#include "source/base/appmngr.h"
#include "source/gui/settings/qksnddlg.h"
#include "source/gui/settings/setids.h"
#include "source/gui/settings/settingdlg.h"
#include "source/gui/settings/sndloaddlg.h"
#include "source/settings/qksettings.h"

namespace {
class clBoxUi : public clUiServices {
public:
    int MessageBox(const char* text, const char* caption, unsigned char) override
    {
        QMessageBox::information(nullptr, caption, text);
        return erIdOk;
    }
    int ShowError(const clBasicErr& err) override
    {
        char* text = err.GetErrStr();
        QMessageBox::warning(nullptr, "QK-JTAG", QString::fromLatin1(text != nullptr ? text : ""));
        std::free(text);
        return erIdOk;
    }
};

int Usage()
{
    std::fprintf(stderr, "usage: qksetdlg [--port PATH | --demo] [--device ID] [--com N] [--last-com N]\n"
                         "                [--freq] [--admin] [--screenshot DIR]\n");
    return 1;
}

bool Number(const std::string& text, int low, int high, int& value)
{
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || parsed < low || parsed > high)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

void Print(const clSettingResult& r)
{
    std::printf("accepted=%d device=%u port=%d frequency=%s flyover=%d mute=%d auto=%u,%u,%u,%u flash=%d "
                "ignore=%d reconnect=%d boot-update=%d\n",
                r.accepted, r.device, r.port, r.frequency.c_str(), r.flyOver, r.mute, r.autoOptions.sigChk,
                r.autoOptions.blnkChk, r.autoOptions.erase, r.autoOptions.robot, r.flash, r.ignoreStartStop,
                r.reconnect, r.bootUpdate);
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    std::string port, screenshots;
    bool demo = false;
    clSettingInput input;
    int device = 1, com = 1, lastCom = 4;
    for (int i = 1; i < args.size(); ++i) {
        const std::string arg = args[i].toStdString();
        const bool more = i + 1 < args.size();
        const std::string next = more ? args[i + 1].toStdString() : "";
        if (arg == "--port" && more)
            port = next, ++i;
        else if (arg == "--device" && more && Number(next, 1, 65535, device))
            ++i;
        else if (arg == "--com" && more && Number(next, 0, 100, com))
            ++i;
        else if (arg == "--last-com" && more && Number(next, 1, 100, lastCom))
            ++i;
        else if (arg == "--screenshot" && more)
            screenshots = next, ++i;
        else if (arg == "--demo")
            demo = true;
        else if (arg == "--freq")
            input.showFrequency = true;
        else if (arg == "--admin")
            input.admin = true;
        else
            return Usage();
    }
    if (!port.empty() && demo)
        return Usage();

    clBoxUi ui;
    QkSetUi(&ui);
    QkAppErrMngr().OpenErrMngr(GetNotifier(), nullptr);
    clDataBase db(GetDLLDBaseInstance());
    clQkSettingsStore settings;
    QkMapStoredPorts(settings);
    const char* commArgs[] = {"qksetdlg", "/DEMO"};
    clQKComm comm(demo ? 2 : 1, commArgs, db);
    if (!port.empty() && com > 0)
        ComMapPort(com, port);
    if (!port.empty() || demo) {
        try {
            comm.Connect(QK_PORT_CFG{demo ? -1 : com, 1, demo ? -1 : 1}, device);
        } catch (const clBscExpt&) {
            std::fprintf(stderr, "qksetdlg: no programmer at %s\n", port.c_str());
        }
    }

    input.db = &db;
    input.settings = &settings;
    input.comm = &comm;
    input.sounds.Load(settings);
    input.device = static_cast<unsigned short>(device);
    input.port = port.empty() && !demo ? QkGetSetting(settings, kSetComPort) : com;
    input.lastCom = lastCom;
    input.flyOver = QkGetSetting(settings, kSetFlyoverButtons) != 0;
    input.mute = QkGetSetting(settings, kSetMute) != 0;
    input.ignoreStartStop = QkGetFlag(settings, kSetIgnoreStartStop);
    input.software = std::string("QK-JTAG ") + QK_VERSION_TEXT;
    auto play = [](const clSndActInfo& sound) {
        if (sound.kind == sndBeep)
            QApplication::beep();
        else if (sound.kind == sndWave)
            std::fprintf(stderr, "qksetdlg: would play %s\n", sound.file.c_str());
    };

    clSettingDlg dialog(input, play, nullptr);
    if (!screenshots.empty()) {
        static const char* const kNames[] = {"devices", "options", "about"};
        dialog.show();
        QTimer::singleShot(300, [&] {
            bool saved = true;
            for (int tab = 0; tab < 3 && saved; ++tab) {
                dialog.Tabs()->setCurrentIndex(tab);
                app.processEvents();
                const QString file = QString::fromStdString(screenshots) + "/settings-" + kNames[tab] + ".png";
                saved = dialog.grab().save(file);
                std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "wrote" : "qksetdlg: cannot write",
                             file.toLocal8Bit().constData());
            }
            // Then the sound file chooser over the options page.
            dialog.Tabs()->setCurrentIndex(1);
            auto* page = dialog.findChild<clQkSndDlg*>("clQkSndDlg");
            auto* open = dialog.findChild<QPushButton*>(QkSetId(idSetSoundOpen));
            if (saved && page != nullptr && open != nullptr) {
                QTimer::singleShot(300, [&, page] {
                    const QString file = QString::fromStdString(screenshots) + "/settings-sound-file.png";
                    saved = page->LoadDialog() != nullptr && page->LoadDialog()->grab().save(file);
                    std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "wrote" : "qksetdlg: cannot write",
                                 file.toLocal8Bit().constData());
                    if (page->LoadDialog() != nullptr)
                        page->LoadDialog()->reject();
                });
                open->click();
            }
            dialog.done(QDialog::Rejected);
            app.exit(saved ? 0 : 1);
        });
        const int status = app.exec();
        QkSetUi(nullptr);
        return status;
    }
    dialog.exec();
    Print(dialog.Result());
    QkSetUi(nullptr);
    return 0;
}
