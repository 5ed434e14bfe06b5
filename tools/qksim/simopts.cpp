#include "tools/qksim/simopts.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

const char kSimUsage[] = "Usage: qksim [OPTION]...\n"
                         "A simulated QK-JTAG programmer on a pseudo-terminal. Prints the terminal's\n"
                         "path, then serves the programmer's wire protocol until interrupted.\n"
                         "Like a real programmer it knows only what the host has told it since it\n"
                         "started: device orders fail (and the frame log says why) until the host has\n"
                         "sent the device set-up, and all but erase until it has sent the command\n"
                         "range; its memory holds scrambled bytes until the host writes it. A\n"
                         "power-up reply (code 4) restarts it, losing all three.\n"
                         "In robot mode (orders 0x21 and 0x23) it runs the program cycle on its own\n"
                         "at each press of its start button and answers the host with code 4\n"
                         "(stand-alone) until it is reset.\n"
                         "\n"
                         "  --link PATH        also make PATH a symbolic link to the terminal\n"
                         "  --baud N           emulate a line of N baud, 10 bits a byte (default\n"
                         "                     115200; 0 = no emulation, as fast as it goes)\n"
                         "  --reply-delay-ms N hold each reply N ms before it goes, as a USB serial\n"
                         "                     adapter with a latency timer of N ms does (0)\n"
                         "  --ram-kib N        programmer memory and simulated device, KiB (1024)\n"
                         "  --flash-kib N      flash size the programmer reports, KiB (512)\n"
                         "  --erase-value B    value of an erased cell (0xFF)\n"
                         "  --fw-version TEXT  firmware version text, at most 16 characters (V1.50)\n"
                         "  --name TEXT        programmer name (QKJTAG)\n"
                         "  --work-ms N        time each device order takes (0)\n"
                         "  --busy-ms N        busy replies during that time, one each N ms (250)\n"
                         "  --start-button N   start-button state in status replies (0); SIGUSR1\n"
                         "                     presses the button once\n"
                         "  --control FIFO     make FIFO a command channel: each line written to it\n"
                         "                     is a command: 'press' (the start button), 'reset'\n"
                         "                     (power off and on: robot mode ends)\n"
                         "  --state FILE       keep the programmer's state in FILE: robot mode, the\n"
                         "                     project description and automatic options it was\n"
                         "                     sent, the project stored in its flash, the device\n"
                         "                     configuration, program cycles run in robot mode\n"
                         "  --frame-log FILE   log every frame received (RX) and sent (TX); - is stderr\n"
                         "  --dump FILE        write the device memory to FILE at exit\n"
                         "  --memory-dump FILE write the programmer's memory to FILE at exit\n"
                         "  --boot-monitor     start as the boot monitor: answer the probe, take a\n"
                         "                     firmware image, then restart as the programmer\n"
                         "  --boot-image FILE  write the image the monitor received to FILE when the\n"
                         "                     host starts it\n"
                         "  --fault FAULT      inject a fault (repeatable):\n"
                         "       flip=ADDR          invert the device byte at ADDR after programming\n"
                         "       nonblank=ADDR      the cell at ADDR is stuck at 0x00\n"
                         "       reply=SEL:CODE     answer frames SEL with reply code CODE\n"
                         "       powerup=SEL        answer frames SEL with code 4 (power-up)\n"
                         "       bad-cnt=SEL        answer frames SEL with a count byte one too high\n"
                         "       short=SEL          answer frames SEL one byte short\n"
                         "       silent=SEL         do not answer frames SEL\n"
                         "       bad-sync           answer the sync byte with a wrong pattern\n"
                         "       drop-after=N       hang up the line on the N-th frame\n"
                         "       boot-bad-id        the boot monitor identifies with other bytes\n"
                         "       boot-stays         the boot monitor goes on after the start command\n"
                         "       boot-error=CODE    the boot monitor answers image writes with CODE\n"
                         "     SEL is an order byte (0x10 program, 0x11 blank check, 0x12 checksum,\n"
                         "     0x13 erase, 0x14 read, 0x15 verify, ...) of an execute frame, or with\n"
                         "     a kind letter first: r request, w write, f fill, b reboot (w0x20).\n"
                         "  --help             show this text\n";

namespace {

bool ParseNumber(const std::string& text, std::uint64_t max, std::uint64_t& value)
{
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || end == nullptr || *end != '\0' || v > max)
        return false;
    value = v;
    return true;
}

template <class T>
bool ParseInto(const std::string& text, std::uint64_t max, T& out)
{
    std::uint64_t v = 0;
    if (!ParseNumber(text, max, v))
        return false;
    out = static_cast<T>(v);
    return true;
}

bool ParseSelector(std::string text, clSimSelector& sel)
{
    static constexpr struct {
        char letter;
        unsigned char kind;
    } kKinds[] = {{'x', 1}, {'r', 2}, {'w', 3}, {'f', 4}, {'b', 6}};
    sel.kind = 1;
    for (const auto& k : kKinds)
        if (!text.empty() && text[0] == k.letter) {
            sel.kind = k.kind;
            text.erase(0, 1);
            break;
        }
    return ParseInto(text, 0xFF, sel.order);
}

bool ParseFault(const std::string& text, clSimFaults& faults)
{
    const std::size_t eq = text.find('=');
    const std::string name = text.substr(0, eq);
    const std::string value = eq == std::string::npos ? std::string() : text.substr(eq + 1);
    if (name == "bad-sync" || name == "boot-bad-id" || name == "boot-stays") {
        bool& flag = name == "bad-sync" ? faults.badSync : name == "boot-bad-id" ? faults.bootBadId : faults.bootStays;
        flag = true;
        return eq == std::string::npos;
    }
    if (eq == std::string::npos)
        return false;
    if (name == "flip") {
        faults.flip = true;
        return ParseInto(value, 0xFFFFFFFF, faults.flipAddress);
    }
    if (name == "nonblank") {
        faults.stuck = true;
        return ParseInto(value, 0xFFFFFFFF, faults.stuckAddress);
    }
    if (name == "drop-after")
        return ParseInto(value, 0xFFFFFFFF, faults.dropAfter) && faults.dropAfter > 0;
    if (name == "boot-error")
        return ParseInto(value, 0xFF, faults.bootError) && faults.bootError > 0;
    clSimReplyFault fault;
    std::string selector = value;
    if (name == "reply") {
        const std::size_t colon = value.rfind(':');
        if (colon == std::string::npos || !ParseInto(value.substr(colon + 1), 0xFF, fault.code))
            return false;
        selector = value.substr(0, colon);
        fault.what = clSimReplyFault::fltCode;
    } else if (name == "powerup") {
        fault.what = clSimReplyFault::fltCode;
        fault.code = 4;
    } else if (name == "bad-cnt") {
        fault.what = clSimReplyFault::fltBadCnt;
    } else if (name == "short") {
        fault.what = clSimReplyFault::fltShort;
    } else if (name == "silent") {
        fault.what = clSimReplyFault::fltSilent;
    } else {
        return false;
    }
    if (!ParseSelector(selector, fault.frames))
        return false;
    faults.replies.push_back(fault);
    return true;
}

} // namespace

bool SimParseArgs(int argc, const char* const* argv, clSimOptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] != nullptr ? argv[i] : "";
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg == "--boot-monitor") {
            options.bootMonitor = true;
            continue;
        }
        if (i + 1 >= argc || arg.compare(0, 2, "--") != 0) {
            error = arg.compare(0, 2, "--") == 0 ? "option " + arg + " needs a value" : "unknown argument: " + arg;
            return false;
        }
        const std::string value = argv[++i] != nullptr ? argv[i] : "";
        bool ok = true;
        if (arg == "--link")
            ok = !(options.link = value).empty();
        else if (arg == "--baud")
            ok = ParseInto(value, 4000000, options.baud);
        else if (arg == "--reply-delay-ms")
            ok = ParseInto(value, 1000, options.replyDelayMs);
        else if (arg == "--ram-kib")
            ok = ParseInto(value, 0xFFFF, options.ramKib) && options.ramKib > 0;
        else if (arg == "--flash-kib")
            ok = ParseInto(value, 0xFFFF, options.flashKib);
        else if (arg == "--erase-value")
            ok = ParseInto(value, 0xFF, options.eraseValue);
        else if (arg == "--fw-version")
            ok = value.size() <= 16 && !(options.version = value).empty();
        else if (arg == "--name")
            ok = value.size() <= 16 && !(options.name = value).empty();
        else if (arg == "--work-ms")
            ok = ParseInto(value, 3600000, options.workMs);
        else if (arg == "--busy-ms")
            ok = ParseInto(value, 60000, options.busyMs) && options.busyMs > 0;
        else if (arg == "--start-button")
            ok = ParseInto(value, 0xFF, options.startButton);
        else if (arg == "--frame-log")
            ok = !(options.frameLog = value).empty();
        else if (arg == "--dump")
            ok = !(options.dump = value).empty();
        else if (arg == "--memory-dump")
            ok = !(options.memoryDump = value).empty();
        else if (arg == "--boot-image")
            ok = !(options.bootImage = value).empty();
        else if (arg == "--control")
            ok = !(options.control = value).empty();
        else if (arg == "--state")
            ok = !(options.stateFile = value).empty();
        else if (arg == "--fault")
            ok = ParseFault(value, options.faults);
        else {
            error = "unknown option: " + arg;
            return false;
        }
        if (!ok) {
            error = "bad value for " + arg + ": '" + value + "'";
            return false;
        }
    }
    return true;
}
