// qksim's command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Which frames a reply fault hits: a frame kind (1 execute, 2 request,
// 3 write, 4 fill, 6 reboot) and its order byte.
struct clSimSelector {
    unsigned char kind = 1;
    unsigned char order = 0;
    bool operator==(const clSimSelector&) const = default;
};

struct clSimReplyFault {
    enum clWhat { fltCode, fltBadCnt, fltShort, fltSilent };
    clSimSelector frames;
    clWhat what = fltCode;
    unsigned char code = 0;
};

struct clSimFaults {
    bool flip = false; // invert a device byte after every program order
    std::uint32_t flipAddress = 0;
    bool stuck = false; // a cell that stays 0x00 whatever is done to it
    std::uint32_t stuckAddress = 0;
    bool badSync = false;
    std::uint32_t dropAfter = 0; // hang up on this frame; 0 never
    std::vector<clSimReplyFault> replies;
    // The boot monitor's faults.
    bool bootBadId = false;      // identify with other bytes than the monitor's
    bool bootStays = false;      // go on as the monitor after the start command
    unsigned char bootError = 0; // answer image writes with this error code; 0 never
};

struct clSimOptions {
    std::string link;
    std::uint32_t baud = 115200;    // 0: as fast as the pseudo-terminal goes
    std::uint32_t replyDelayMs = 0; // each reply held this long, as a USB adapter's latency timer would
    std::uint32_t ramKib = 1024;
    std::uint32_t flashKib = 512;
    unsigned char eraseValue = 0xFF;
    std::string version = "V1.50";
    std::string name = "QKJTAG";
    std::uint32_t workMs = 0;
    std::uint32_t busyMs = 250;
    unsigned char startButton = 0;
    std::string frameLog;
    std::string dump;
    std::string memoryDump;   // the programmer's memory at exit
    bool bootMonitor = false; // start as the boot monitor
    std::string bootImage;    // where the image goes when the monitor starts it
    std::string control;      // the command FIFO
    std::string stateFile;    // the programmer's state, rewritten on every change
    clSimFaults faults;
    bool help = false;
};

// Fills options from the arguments; false with a message on the first bad one.
bool SimParseArgs(int argc, const char* const* argv, clSimOptions& options, std::string& error);

extern const char kSimUsage[];
