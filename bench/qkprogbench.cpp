// qkprog against qksim at a real line rate: the start-up to "Ready" (its
// steps, the start-up screen, the first connection and the synchronisation
// of the PCD80710's 384 KiB data space), how often the window breathes while
// it synchronises, and how soon a close request stops the synchronisation.
// Usage: qkprogbench [BAUD] (default 115200), under a display or offscreen.
#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLabel>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "source/gui/qkapp.h"
#include "source/gui/qtui.h"
#include "tests/e2e/simproc.h"
#include "tests/gui/guidriver.h"
#include "tests/testutil.h"

namespace {
struct clLoopWatch {
    // The longest time the event loop did not run, and how often the gauge painted.
    qint64 worstGapMs = 0;
    int atPercent = 0;         // the gauge when it happened
    qint64 worstDataGapMs = 0; // once the data flows (from 1 %)
    int paints = 0;
};

class clPaintCounter : public QObject {
public:
    explicit clPaintCounter(int& paints) : m_Paints(paints) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++m_Paints;
        return false;
    }

private:
    int& m_Paints;
};

bool Syncing(clProgRun& run)
{
    return run.Status() == "Synchronizing" || run.Status().startsWith("Synchron");
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
    clSimProcess sim;
    if (!sim.Start({"--baud", baud})) {
        std::fprintf(stderr, "qkprogbench: %s\n", sim.Error().c_str());
        return 1;
    }
    setenv("QKJTAG_COM1", sim.Path().c_str(), 1);
    clDialogDriver driver; // answers the tip box and the quit question

    // 1. Start-up to "Ready", the first connection and synchronisation included.
    double startupMs = 0, screenMs = 0, connectMs = 0;
    clLoopWatch watch;
    {
        QElapsedTimer total;
        total.start();
        clProgRun run({"/Com:1", "/TDELAY:0"}, temp.File("settings.ini"));
        run.Frame().StartUp();
        screenMs = static_cast<double>(total.elapsed());
        QElapsedTimer connect;
        connect.start();
        QElapsedTimer tick;
        tick.start();
        QTimer monitor;
        QObject::connect(&monitor, &QTimer::timeout, [&] {
            if (Syncing(run) && tick.elapsed() > watch.worstGapMs) {
                watch.worstGapMs = tick.elapsed();
                watch.atPercent = run.Frame().GetGauge()->GetValue();
            }
            if (Syncing(run) && run.Frame().GetGauge()->GetValue() >= 1)
                watch.worstDataGapMs = std::max(watch.worstDataGapMs, tick.elapsed());
            tick.restart();
        });
        monitor.start(5);
        clPaintCounter counter(watch.paints);
        run.Frame().GetGauge()->installEventFilter(&counter);
        QkWaitFor([&] { return run.Main().IsIdle() && run.Status() == "Ready" && run.Frame().GetIndicator() == 2; },
                  600000);
        connectMs = static_cast<double>(connect.elapsed());
        startupMs = static_cast<double>(total.elapsed());
        run.Frame().GetGauge()->removeEventFilter(&counter);
        monitor.stop();
        run.Frame().close();
    }

    // 2. A close request while the window synchronises.
    double abortMs = -1;
    bool stayed = false;
    {
        clProgRun run({"/Com:1", "/TDELAY:0"}, temp.File("settings.ini"));
        run.Frame().StartUp();
        // Timers run inside the synchronisation's own event pumping, as a
        // user's click does; a plain wait here would only look afterwards.
        QElapsedTimer stop;
        bool closed = false;
        QTimer watchSync;
        QObject::connect(&watchSync, &QTimer::timeout, [&] {
            if (!closed && Syncing(run) && run.Frame().GetGauge()->GetValue() >= 10) {
                closed = true;
                stop.start();
                run.Frame().close();
            }
        });
        watchSync.start(20);
        QkWaitFor([&] { return closed && run.Main().IsIdle() && run.Status() == "Aborted"; }, 180000);
        watchSync.stop();
        abortMs = static_cast<double>(stop.elapsed());
        stayed = run.Frame().isVisible();
        driver.answerError = [](const clSeenDialog&) { return erIdOk; };
        run.Frame().close();
    }
    sim.Stop();

    std::printf("qkprog against qksim at %s baud, PCD80710 (384 KiB data space)\n", baud.c_str());
    std::printf("  start-up to \"Ready\":                  %8.0f ms\n", startupMs);
    std::printf("    steps and the start-up screen:       %8.0f ms (the screen stays 2000 ms)\n", screenMs);
    std::printf("    first connection + synchronisation:  %8.0f ms\n", connectMs);
    std::printf("    start-up apart from the screen:      %8.0f ms\n", startupMs - 2000);
    std::printf("  while synchronising: longest time the event loop waited %lld ms (at %d%%); the gauge painted %d "
                "times\n",
                static_cast<long long>(watch.worstGapMs), watch.atPercent, watch.paints);
    std::printf("    once the data flows (from 1%%): longest wait %lld ms\n",
                static_cast<long long>(watch.worstDataGapMs));
    std::printf("  close request during the synchronisation: \"Aborted\" after %.0f ms, window %s\n", abortMs,
                stayed ? "still open" : "closed");
    return 0;
}
