// qkcli ports: the serial ports this machine has and the COM numbers they get.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "comm/comports.h"
#include "comm/linkprobe.h"
#include "tools/qkcli/cliargs.h"
#include "tools/qkcli/clijson.h"
#include "tools/qkcli/commands.h"

int QkCmdPorts(int argc, char** argv, int first)
{
    const clCliArgs args(argc, argv, first, {}, {"json"});
    if (!args.IsValid())
        return QkUsageError("ports", args.GetError());
    const auto detected = ComDetectPorts();
    // COM numbers reach past the detected ports when the environment maps more.
    int last = static_cast<int>(detected.size());
    for (int n = last + 1; n <= 32; ++n)
        if (!ComPortPath(n).empty())
            last = n;
    clJsonArray list;
    int shown = 0;
    for (int n = 1; n <= last; ++n) {
        const std::string path = ComPortPath(n);
        if (path.empty())
            continue;
        const std::string envName = "QKJTAG_COM" + std::to_string(n);
        const bool fromEnvironment = std::getenv(envName.c_str()) != nullptr;
        // What keeps a port from being opened, as far as it shows without
        // opening it (a port in use shows only when a command opens it).
        const std::string problem = ComPortProblem(n);
        const clComLatency latency = ComPortLatency(path);
        if (args.Has("json")) {
            clJsonObject item;
            item.Add("com", n).Add("path", path).Add("source", fromEnvironment ? envName : "detected");
            item.Add("driver", latency.driver).AddBool("low_latency", latency.IsLow());
            if (latency.timerMs >= 0)
                item.Add("latency_timer_ms", latency.timerMs);
            else
                item.AddNull("latency_timer_ms");
            if (!problem.empty())
                item.Add("problem", problem);
            list.Add(item);
        } else {
            std::printf("COM%-3d %s%s  [%s]%s\n", n, path.c_str(),
                        fromEnvironment ? ("  (" + envName + ")").c_str() : "", QkLatencyText(latency).c_str(),
                        problem.empty() ? "" : ("  -- " + problem).c_str());
        }
        ++shown;
    }
    if (args.Has("json"))
        std::printf("%s\n", clJsonObject().AddRaw("ports", list.Text()).Text().c_str());
    else if (shown == 0)
        std::printf("No serial ports found. Name a port directly (--port /dev/ttyUSB0), or set QKJTAG_COM1.\n");
    return exitOk;
}
