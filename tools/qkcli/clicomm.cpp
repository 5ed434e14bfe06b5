#include "tools/qkcli/clicomm.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include "comm/commswtch.h"
#include "comm/comports.h"
#include "tools/qkcli/clisignals.h"

namespace {

// The COM number a named path is mapped to for the length of a command.
constexpr int kHighestComNo = 99; // what --scan searches and COMn names

std::atomic<bool> g_AbortAsked{false};

extern "C" void OnInterrupt(int number)
{
    g_AbortAsked = true;
    std::signal(number, SIG_DFL);
}

} // namespace

clCliInterrupt::clCliInterrupt()
{
    g_AbortAsked = false;
    QkCatchStopSignals(OnInterrupt);
}

clCliInterrupt::~clCliInterrupt()
{
    QkReleaseStopSignals();
}

bool clCliInterrupt::Asked()
{
    return g_AbortAsked;
}

bool clCliInterrupt::Wait(std::uint32_t ms)
{
    // Short sleeps: the wait notices Ctrl-C within a few milliseconds without
    // keeping a core busy.
    constexpr auto kStep = std::chrono::milliseconds(20);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!g_AbortAsked) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= end)
            return true;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kStep, end - now));
    }
    return false;
}

clCliSwitchArgs::clCliSwitchArgs(const clCliArgs& args) : m_Strings{"qkcli"}
{
    for (const std::string& s : args.Values("switch"))
        m_Strings.push_back(s);
    if (args.Has("log"))
        m_Strings.push_back("/COMMLOG:" + args.Value("log"));
    for (const std::string& s : m_Strings)
        m_Pointers.push_back(s.c_str());
    m_Pointers.push_back(nullptr);
}

clCliComm::clCliComm(const clCliArgs& args, clDataBase& db, clCliEvents& events)
    : clCliSwitchArgs(args), clQKComm(Count(), Vector(), db), m_Events(events)
{}

int clCliComm::CommProgress(unsigned char percent, const clAdrs& address, const char* text) const
{
    m_Events.Progress(percent, address.GetLinear(), text != nullptr ? text : "");
    return clCliInterrupt::Asked() ? 0 : 1;
}

std::string QkConnectAsAsked(clCliComm& comm, const clCliArgs& args)
{
    if (args.Has("demo")) {
        comm.Connect(QK_PORT_CFG{-1, 0, -1}, 0);
        return "demo";
    }
    if (args.Has("scan")) {
        std::vector<QK_PORT_CFG> list;
        for (int n = 1; n <= kHighestComNo; ++n)
            if (!ComPortPath(n).empty())
                list.push_back(QK_PORT_CFG{n, 1, 1});
        const QK_PORT_CFG found = comm.SearchConnect(static_cast<int>(list.size()), list.data(), 0);
        return found.m_lPortNo > 0 ? "COM" + std::to_string(found.m_lPortNo) + " " + ComPortPath(found.m_lPortNo) : "";
    }
    const std::string port = args.Value("port");
    std::uint32_t number = 0;
    if (port.size() > 3 && port.compare(0, 3, "COM") == 0 && QkParseNumber(port.substr(3), number) && number >= 1 &&
        number <= kHighestComNo)
        comm.Connect(QK_PORT_CFG{static_cast<std::int32_t>(number), 1, 1}, 0);
    else
        comm.ConnectPath(port, 0);
    return port;
}

std::vector<std::string> QkScanPorts()
{
    std::vector<std::string> ports;
    for (int n = 1; n <= kHighestComNo; ++n)
        if (!ComPortPath(n).empty())
            ports.push_back("COM" + std::to_string(n));
    return ports;
}

std::string QkCheckConnArgs(const clCliArgs& args)
{
    if (args.Has("port") && args.Value("port").empty())
        return "--port needs a device path or COMn, not an empty name";
    for (const std::string& s : args.Values("switch"))
        if (const std::string problem = QkCommSwitchProblem(s); !problem.empty())
            return problem;
    return {};
}
