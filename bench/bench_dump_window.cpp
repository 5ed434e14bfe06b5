// The dump window, offscreen: opening it on a 1 MiB and a 16 MiB buffer up to
// its first paint, Ctrl+End up to the repaint that shows the last line, and
// keystroke to repaint while a programmer is connected, where every typed
// digit is written through to qksim's memory (115200 baud by default) before
// the window paints it again. Prints the spread of each.
//
//   bench_dump_window [--baud N] [--keys N]      (115200 and 64 by default)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <QApplication>
#include <QKeyEvent>

#include "comm/comports.h"
#include "comm/qkcomm.h"
#include "source/gui/dump/dumpclient.h"
#include "source/gui/dump/dumpwin.h"
#include "source/project/qkopts.h"
#include "tests/e2e/simproc.h"

namespace {
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

void Press(QWidget& widget, Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(&widget, &press);
    QApplication::sendEvent(&widget, &release);
}

// Runs the event loop until the view has painted again; false after 10 s.
bool WaitForPaint(const clDumpClient& client, unsigned long painted)
{
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (client.PaintCount() == painted && Clock::now() < deadline)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    return client.PaintCount() != painted;
}

void Print(const char* what, std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double t : times)
        sum += t;
    std::printf("%-44s n %3zu  min %7.2f ms  median %7.2f ms  mean %7.2f ms  90%% %7.2f ms  max %7.2f ms\n", what,
                times.size(), times.front(), times[times.size() / 2], sum / static_cast<double>(times.size()),
                times[times.size() * 9 / 10], times.back());
}

// The catalogue with space 1's buffer of size bytes, shown in hex.
struct clSpace {
    explicit clSpace(std::uint32_t size) : catalogue(QkRegisterOptions(options))
    {
        Buffer().SetName("Data");
        Buffer().SetSpaceId(1);
        Buffer().SetParams(size, clAdrs(0));
        std::vector<unsigned char> bytes(size);
        for (std::uint32_t i = 0; i < size; ++i)
            bytes[i] = static_cast<unsigned char>(i * 7);
        Buffer().Write(clAdrs(0), clAdrs(size - 1), bytes.data());
        options.Set(QkSpaceOptId(1, spcBinMode), std::uint8_t{1});
    }
    clQKHugeBuffer& Buffer() { return catalogue.buffers[1]->Value(); }
    TBscOptGrp& Dump() { return *catalogue.dumpOptions[1]; }

    TBscOptServer options{kQkOptArrayName};
    clQkOptCatalogue catalogue;
    clErrMngr errors;
};

void OpenAndScroll(std::uint32_t size, const char* name)
{
    clSpace space(size);
    std::vector<double> open, scroll;
    for (int round = 0; round < 20; ++round) {
        const auto start = Clock::now();
        clDumpWindow window(space.Buffer(), space.Dump(), space.errors);
        window.show();
        if (!WaitForPaint(window.Client(), 0))
            return;
        open.push_back(Ms(Clock::now() - start));

        Press(window.Client(), Qt::Key_Home, Qt::ControlModifier);
        WaitForPaint(window.Client(), window.Client().PaintCount());
        const unsigned long painted = window.Client().PaintCount();
        const auto end = Clock::now();
        Press(window.Client(), Qt::Key_End, Qt::ControlModifier);
        WaitForPaint(window.Client(), painted);
        scroll.push_back(Ms(Clock::now() - end));
        window.close();
    }
    Print((std::string("open to first paint, ") + name).c_str(), open);
    Print((std::string("Ctrl+End to repaint, ") + name).c_str(), scroll);
}

int Typing(const std::string& baud, int keys)
{
    clSimProcess sim;
    if (!sim.Start({"--baud", baud})) {
        std::fprintf(stderr, "bench_dump_window: %s\n", sim.Error().c_str());
        return 1;
    }
    constexpr int kComNo = 46;
    ComMapPort(kComNo, sim.Path());
    clDataBase db(GetDLLDBaseInstance());
    const char* commArgs[] = {"qkprog"};
    clQKComm comm(1, commArgs, db);
    comm.Connect(QK_PORT_CFG{kComNo, 1, 1}, 0);
    if (comm.GetProtocol() != clQkProtocol::real) {
        std::fprintf(stderr, "bench_dump_window: qksim did not answer\n");
        return 1;
    }
    clSpace space(0x10000);
    space.Buffer().BindComm(&comm);
    clDumpWindow window(space.Buffer(), space.Dump(), space.errors);
    window.show();
    clDumpClient& client = window.Client();
    WaitForPaint(client, 0);

    std::vector<double> times;
    const char digits[] = "0123456789ABCDEF";
    for (int i = 0; i < keys; ++i) {
        const char digit = digits[i % 16];
        const unsigned long painted = client.PaintCount();
        const auto start = Clock::now();
        Press(client, Qt::Key(digit), Qt::NoModifier, QString(QLatin1Char(digit)));
        if (!WaitForPaint(client, painted))
            return 1;
        times.push_back(Ms(Clock::now() - start));
    }
    Print(("keystroke to repaint, qksim at " + baud + " baud").c_str(), times);
    window.close();
    space.Buffer().BindComm(nullptr);
    comm.Disconnect(0);
    sim.Stop();
    ComMapPort(kComNo, "");
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::string baud = "115200";
    int keys = 64;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--baud")
            baud = argv[i + 1];
        else if (std::string(argv[i]) == "--keys")
            keys = std::max(1, std::atoi(argv[i + 1]));
    }
    OpenAndScroll(1u << 20, "1 MiB");
    OpenAndScroll(16u << 20, "16 MiB");
    return Typing(baud, keys);
}
