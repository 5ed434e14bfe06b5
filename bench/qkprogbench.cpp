// qkprog against qksim at a real line rate (PCD80710, 384 KiB data space):
// the start-up to "Ready" with an erased buffer, loading a 2 KiB binary,
// loading a random 384 KiB image (the wire's time), how often the window
// breathes meanwhile, and how soon a close request stops the transfer. After
// each run, qksim's memory is compared with the buffer.
// Usage: qkprogbench [BAUD] (default 115200), under a display or offscreen.
#include <QElapsedTimer>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "source/gui/filedlgs.h"
#include "source/gui/qkapp.h"
#include "source/gui/qtui.h"
#include "tests/e2e/simproc.h"
#include "tests/gui/guidriver.h"
#include "tests/testutil.h"

namespace {
// The longest time the event loop did not run while the window was busy.
class clLoopWatch {
public:
    explicit clLoopWatch(clProgRun& run)
    {
        m_Tick.start();
        QObject::connect(&m_Timer, &QTimer::timeout, [this, &run] {
            if (!run.Main().IsIdle())
                worstGapMs = std::max(worstGapMs, m_Tick.elapsed());
            m_Tick.restart();
        });
        m_Timer.start(5);
    }
    qint64 worstGapMs = 0;

private:
    QTimer m_Timer;
    QElapsedTimer m_Tick;
};

std::vector<unsigned char> RandomBytes(std::size_t size, unsigned seed)
{
    std::vector<unsigned char> bytes(size);
    std::mt19937 random(seed);
    for (unsigned char& byte : bytes)
        byte = static_cast<unsigned char>(random());
    return bytes;
}

// Whether qksim's memory dump holds the buffer's bytes.
const char* Matches(const std::string& dump, const std::vector<unsigned char>& buffer)
{
    const std::vector<unsigned char> memory = ReadBytes(dump);
    return memory.size() >= buffer.size() && std::equal(buffer.begin(), buffer.end(), memory.begin()) ? "equal"
                                                                                                      : "DIFFERENT";
}

std::vector<unsigned char> BufferBytes(clProgRun& run)
{
    const clQKHugeBuffer& data = run.Frame().Spaces().Buffer(1);
    std::vector<unsigned char> bytes(data.GetSize());
    data.Read(data.GetStartAdrs(), data.GetStopAdrs(), bytes.data());
    return bytes;
}

// Opens file through the Load File dialog; the time to "Ready" in ms.
double LoadMs(clProgRun& run, clDialogDriver& driver, const std::string& file)
{
    QElapsedTimer clock;
    driver.onLoad = [&](Tmp51OpenDlg& load) {
        load.Select(1, QString::fromStdString(file));
        clock.start();
        load.Confirm();
    };
    run.Click(idOpen);
    return static_cast<double>(clock.elapsed());
}
} // namespace

int main(int argc, char** argv)
{
    TQkApplication app(argc, argv);
    app.setStyle(QStyleFactory::create("Fusion"));
    QkQtUi();
    const std::string baud = argc > 1 ? argv[1] : "115200";
    clTempDir temp;
    std::filesystem::current_path(temp.Path());
    const std::string small = temp.File("small.bin"), big = temp.File("big.bin");
    WriteBytes(small, RandomBytes(2048, 1));
    WriteBytes(big, RandomBytes(0x60000, 2));
    clDialogDriver driver; // answers the tip box and the notes

    // 1. Start-up with an erased buffer, then a 2 KiB binary.
    clSimProcess sim;
    const std::string memory1 = temp.File("memory1.bin");
    if (!sim.Start({"--baud", baud, "--memory-dump", memory1})) {
        std::fprintf(stderr, "qkprogbench: %s\n", sim.Error().c_str());
        return 1;
    }
    setenv("QKJTAG_COM1", sim.Path().c_str(), 1);
    double screenMs = 0, startupMs = 0, smallMs = 0;
    qint64 startGapMs = 0;
    std::vector<unsigned char> afterSmall;
    {
        QElapsedTimer total;
        total.start();
        clProgRun run({"/Com:1", "/TDELAY:0"}, temp.File("settings.ini"));
        clLoopWatch watch(run);
        run.Frame().StartUp();
        screenMs = static_cast<double>(total.elapsed());
        QkWaitFor([&] { return run.Main().IsIdle() && run.Status() == "Ready" && run.Frame().GetIndicator() == 2; },
                  600000);
        startupMs = static_cast<double>(total.elapsed());
        startGapMs = watch.worstGapMs;
        smallMs = LoadMs(run, driver, small);
        afterSmall = BufferBytes(run);
    }
    sim.Stop();

    // 2. A random 384 KiB image: the wire's time; then one stopped at 10 %.
    const std::string memory2 = temp.File("memory2.bin");
    sim.Start({"--baud", baud, "--memory-dump", memory2});
    setenv("QKJTAG_COM1", sim.Path().c_str(), 1);
    double bigMs = 0, abortMs = -1;
    qint64 bigGapMs = 0;
    QString abortStatus;
    std::vector<unsigned char> afterBig;
    {
        clProgRun run({"/Com:1", "/TDELAY:0"}, temp.File("settings.ini"));
        run.StartUp();
        clLoopWatch watch(run);
        bigMs = LoadMs(run, driver, big);
        bigGapMs = watch.worstGapMs;
        afterBig = BufferBytes(run);
        // The same file again changes nothing: a fresh buffer first.
        const unsigned char erased = 0xFF;
        clQKHugeBuffer& data = run.Frame().Spaces().Buffer(1);
        data.Fill(data.GetStartAdrs(), data.GetStopAdrs(), &erased);
        QElapsedTimer stop;
        bool closed = false;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (!closed && !run.Main().IsIdle() && run.Frame().GetGauge()->GetValue() >= 10) {
                closed = true;
                stop.start();
                run.Frame().close();
            }
        });
        closer.start(20);
        LoadMs(run, driver, big);
        abortMs = closed ? static_cast<double>(stop.elapsed()) : -1;
        abortStatus = run.Status();
        // What the stop left goes before the next order: a checksum order
        // sends nothing, a verify sends the rest.
        run.Click(idVerify);
    }
    sim.Stop();

    std::printf("qkprog against qksim at %s baud, PCD80710 (384 KiB data space)\n", baud.c_str());
    std::printf("  start-up to \"Ready\", erased buffer:   %8.0f ms (the start-up screen stays 2000 ms)\n", startupMs);
    std::printf("    after the screen (connect + sync):   %8.0f ms; the event loop waited at most %lld ms\n",
                startupMs - screenMs, static_cast<long long>(startGapMs));
    std::printf("  load a 2 KiB binary to \"Ready\":       %8.0f ms; programmer's memory %s to the buffer\n", smallMs,
                Matches(memory1, afterSmall));
    std::printf("  load a random 384 KiB image:          %8.0f ms; the event loop waited at most %lld ms\n", bigMs,
                static_cast<long long>(bigGapMs));
    std::printf("  close request at 10 %% of that load:   \"%s\" after %.0f ms; after the verify that followed the "
                "programmer's memory is %s to the buffer\n",
                qPrintable(abortStatus), abortMs, Matches(memory2, afterBig));
    return 0;
}
