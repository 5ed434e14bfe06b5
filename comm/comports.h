// Which device a COM number opens. COM n is the path the program mapped to
// n, else the path in the environment variable QKJTAG_COM<n>, else the n-th
// serial port detected on this machine. Any path may be mapped, pseudo-
// terminals included.
#pragma once

#include <string>
#include <vector>

#include "comm/comhandle.h"

// A port as a user names it: a COM number, or a device path (a
// pseudo-terminal included), passed down to the serial line as it is.
struct clComPort {
    int comNo = 0;    // 1 and up; 0 when the port is named by its path
    std::string path; // the device; empty: the path behind COM comNo
    // The device path to open ("" when COM comNo has none).
    std::string Path() const;
    // "COM3", or the path.
    std::string Name() const;
};

// Maps COM comNo (1-based) to path; an empty path removes the mapping.
void ComMapPort(int comNo, const std::string& path);
void ComClearPortMap();
// The device path of COM comNo, or "" when there is none.
std::string ComPortPath(int comNo);
// Why COM comNo's path cannot be a serial port, seen without opening it
// (see QkPortProblem); empty when it may be one.
std::string ComPortProblem(int comNo);

// What COM comNo is on this system when nobody mapped it: on Linux the
// comNo-th detected port, on Windows the port of that name when the system
// lists it; "" when there is none.
std::string ComSystemPortPath(int comNo);

// The serial ports with a real device behind them, in COM order. Linux: USB
// serial adapters (ttyUSB*), USB modems (ttyACM*), then built-in UARTs
// (ttyS*), each by number; the system console and UARTs the kernel found no
// chip for are left out. Windows: the COM ports the registry lists (the two
// folders are not used there). Nothing is opened: a search never writes into
// a console.
std::vector<std::string> ComDetectPorts(const std::string& sysClassTty = "/sys/class/tty",
                                        const std::string& devDir = "/dev");

// The driver behind the port at path and its latency timer, seen without
// opening it (lowLatency stays false). Linux: the sysfs entry of the tty the
// path leads to ("pseudo-terminal" for those); Windows: the device name the
// system lists for the COM port, and an FTDI adapter's LatencyTimer from its
// device parameters.
clComLatency ComPortLatency(const std::string& path, const std::string& sysClassTty = "/sys/class/tty");
