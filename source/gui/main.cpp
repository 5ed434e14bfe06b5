// qkprog: the QK-JTAG desktop programmer.
#include <QStyleFactory>
#include <cstdio>
#include <cstring>

#include "source/gui/qk51frame.h"
#include "source/gui/qkapp.h"
#include "source/gui/qtui.h"

namespace {
constexpr const char kHelp[] = "Usage: qkprog [SWITCH]...\n"
                               "       qkprog --help\n"
                               "The desktop program of the QK-JTAG device programmer: a box on a serial port\n"
                               "that programs, reads, verifies, blank-checks, erases and secures\n"
                               "microcontroller memories over JTAG. One tab per memory space of the device;\n"
                               "data files (binary, Intel Hex, Motorola S-records) and projects load into the\n"
                               "space buffers; the operations run on the current space or on all spaces.\n"
                               "F1 opens the manual.\n"
                               "\n"
                               "A switch starts with \"/\" or \"-\", in any case; a value follows its name\n"
                               "directly (/Com:3).\n"
                               "\n"
                               "  /P:PATH       the project to load at start instead of the last one\n"
                               "  /Size:KB      every space buffer at least this many KB\n"
                               "  /LastCom:N    the number of COM ports in the port table (4)\n"
                               "  /Com:N        the port to use at start instead of the stored one\n"
                               "  /Scan         search the ports at start\n"
                               "  /Demo         the demo protocol: no programmer, nothing reaches a device\n"
                               "  /FREQ         the crystal-frequency field in the settings dialog\n"
                               "  /TDELAY:MS    the delay the space operations wait (1000 ms)\n"
                               "  /ADMIN        the maker's options in the settings dialog\n"
                               "\n"
                               "The communication library's switches: /NOVFY, /NOFST, /COMMLOG,\n"
                               "/COMMLOG:PATH (the communication log), /IGNOREADP, /QUICKPULSE, /FPGM:,\n"
                               "/VPP:N, /RDBAUD:, /SIMBAUD:, /COMMTO:N, /DSMLBUF, /BAUDID<N> (the baud rate),\n"
                               "/NOFB, /SDELAY:N, /MDELAY:N, /VLEVEL:, /PDELAY:N.\n"
                               "\n"
                               "Environment: QKJTAG_COMn is the device path COM n stands for (a USB adapter,\n"
                               "a /dev/serial/by-id/... name, or the terminal qksim prints); QKJTAG_SETTINGS\n"
                               "names the settings file instead of\n"
                               "$XDG_CONFIG_HOME/HALVANE/QK-JTAG for windows.ini.\n";
} // namespace

int main(int argc, char** argv)
{
    // Answered before any window: no display is needed to read it.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
    TQkApplication app(argc, argv);
    app.setStyle(QStyleFactory::create("Fusion"));
    QkQtUi(); // dialogs for every module's error manager
    TQk51FrameWindow frame(argc, argv);
    app.SetFatalHandler([&frame] { frame.Fatal(); });
    frame.StartUp();
    return app.exec();
}
