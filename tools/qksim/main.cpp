// qksim: a simulated QK-JTAG programmer on a pseudo-terminal.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>

#include "cpplib/qkfile.h"
#include "tools/qksim/simboot.h"
#include "tools/qksim/simcontrol.h"
#include "tools/qksim/simline.h"
#include "tools/qksim/simmem.h"
#include "tools/qksim/simopts.h"
#include "tools/qksim/simproto.h"

namespace {

std::atomic<bool> g_Stop{false};
std::atomic<bool> g_Press{false};

extern "C" void OnStop(int)
{
    g_Stop = true;
}

extern "C" void OnPress(int)
{
    g_Press = true;
}

void Catch(int signal, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no restart: poll() must wake up
    sigaction(signal, &action, nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    clSimOptions options;
    std::string error;
    if (!SimParseArgs(argc, argv, options, error)) {
        std::fprintf(stderr, "qksim: %s\nTry 'qksim --help'.\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(kSimUsage, stdout);
        return 0;
    }

    std::ofstream logFile;
    std::ostream* frameLog = nullptr;
    if (options.frameLog == "-") {
        frameLog = &std::cerr;
    } else if (!options.frameLog.empty()) {
        logFile.open(options.frameLog, std::ios::out | std::ios::trunc);
        if (!logFile) {
            std::fprintf(stderr, "qksim: cannot write %s\n", options.frameLog.c_str());
            return 1;
        }
        frameLog = &logFile;
    }

    clSimMemory memory(options.ramKib * 1024, options.eraseValue);
    if (options.faults.flip)
        memory.SetFlip(options.faults.flipAddress);
    if (options.faults.stuck)
        memory.SetStuck(options.faults.stuckAddress);
    clSimProtocol protocol(options, memory);
    protocol.SetFrameLog(frameLog);
    clSimBootMonitor monitor(options.faults);
    monitor.SetFrameLog(frameLog);
    if (options.bootMonitor)
        protocol.AttachBootMonitor(&monitor);
    bool imageWritten = true;
    if (!options.bootImage.empty())
        monitor.OnStart([&](const std::vector<unsigned char>& image) {
            imageWritten = QkWriteFileAtomically(options.bootImage, image.data(), image.size());
            if (!imageWritten)
                std::fprintf(stderr, "qksim: cannot write %s\n", options.bootImage.c_str());
        });

    Catch(SIGINT, OnStop);
    Catch(SIGTERM, OnStop);
    Catch(SIGHUP, OnStop);
    Catch(SIGUSR1, OnPress);
    std::signal(SIGPIPE, SIG_IGN);

    bool stateWritten = true;
    if (!options.stateFile.empty()) {
        protocol.OnStateChange([&](const clSimState& state) {
            const std::string text = SimStateText(state);
            if (!QkWriteFileAtomically(options.stateFile, text.data(), text.size())) {
                if (stateWritten)
                    std::fprintf(stderr, "qksim: cannot write %s\n", options.stateFile.c_str());
                stateWritten = false;
            }
        });
        const std::string text = SimStateText(protocol.State());
        if (!QkWriteFileAtomically(options.stateFile, text.data(), text.size())) {
            std::fprintf(stderr, "qksim: cannot write %s\n", options.stateFile.c_str());
            return 1;
        }
    }
    clSimControl control;
    if (!options.control.empty() && !control.Open(options.control, error)) {
        std::fprintf(stderr, "qksim: %s\n", error.c_str());
        return 1;
    }

    clSimLine line;
    if (!line.Open(options.link, error)) {
        std::fprintf(stderr, "qksim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", line.Path().c_str());
    std::fflush(stdout);

    line.SetReplyDelay(options.replyDelayMs);
    line.Serve(protocol, options.baud, g_Stop, g_Press, options.control.empty() ? nullptr : &control);
    const bool dropped = protocol.LineDropped();
    line.HangUp();
    if (dropped)
        std::fprintf(stderr, "qksim: line dropped as asked\n");

    if (!imageWritten || !stateWritten)
        return 1;
    const std::pair<const std::string&, const std::vector<unsigned char>&> dumps[] = {
        {options.dump, memory.Device()}, {options.memoryDump, memory.Ram()}};
    for (const auto& [path, bytes] : dumps) {
        if (!path.empty() && !QkWriteFileAtomically(path, bytes.data(), bytes.size())) {
            std::fprintf(stderr, "qksim: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
