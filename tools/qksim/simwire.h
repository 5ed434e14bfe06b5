// The programmer's end of the wire, named from the programmer's side. Kept
// apart from the host's names on purpose: the simulator is a second reading
// of the protocol, so a mistake in one reading shows up against the other.
#pragma once

namespace simwire {

// What the first bytes of a host frame say.
enum : unsigned char {
    frmExecute = 1,
    frmRequest = 2,
    frmWrite = 3,
    frmFill = 4,
    frmReboot = 6,
};

// Single bytes without a count.
inline constexpr unsigned char kProbe = 0x00; // the boot-monitor probe: normal firmware stays silent
inline constexpr unsigned char kSync = 0xFE;
inline constexpr unsigned char kAbort = 0xFF;

// The programmer's answer codes.
enum : unsigned char {
    ansDone = 0,
    ansFailed = 1,
    ansBusy = 2,
    ansAborted = 3,
    ansRestarted = 4,
    ansVerifyFailed = 16,
};

// Execute orders.
enum : unsigned char {
    exProgram = 0x10,
    exBlankCheck = 0x11,
    exChecksum = 0x12,
    exErase = 0x13,
    exReadDevice = 0x14,
    exVerify = 0x15,
    exProgramFlash = 0x16,
    exEraseConfig = 0x17,
    exProgramConfig = 0x18,
    exRobotOn = 0x21,
    exRobotOff = 0x22,
    exRobotState = 0x23,
    exButtonsAllowed = 0x24,
    exButtonsForbidden = 0x25, // the last of the robot and button orders
    exReboot = 0x26,
    exReady = 0xFE,
};

// Request and write targets: (order, sub).
enum : unsigned char {
    tgtInfo = 0,      // sub 0 firmware version, 1 name, 17 flash size, 18 memory size
    tgtOption = 1,    // sub 16, 17: one byte each
    tgtStatus = 33,   // request sub 0; write sub 1 (status mode)
    tgtSetup = 34,    // sub 0 device, 1 command range, 3 automatic options, 4 description
    tgtMemory = 0x20, // sub 0
};

enum : unsigned char {
    infoVersion = 0,
    infoName = 1,
    infoFlashKib = 17,
    infoRamKib = 18,
    setupDevice = 0,
    setupRange = 1,
    setupAutomatic = 3,
    setupDescription = 4,
};

// The boot monitor. A frame is a count, the request kind, then a command
// byte or a memory with its address; the probe alone asks who it is.
enum : unsigned char {
    bootCommand = 0x00,
    bootRead = 0x01,
    bootWrite = 0x02,
};
inline constexpr unsigned char kIdentify = 0x00;
inline constexpr unsigned char kReady = 0x02; // reply flags of a ready monitor
inline constexpr unsigned char kFlagError = 0x40;
inline constexpr unsigned char kStartFirmware = 0xFF; // the command that leaves the monitor
inline constexpr unsigned char kPageMemory = 0xF0;
inline constexpr unsigned char kImageMemory = 0xF1;
inline constexpr unsigned char kPageOfPages = 0xFF; // the page number register
inline constexpr unsigned char kIdentity[12] = {0xFF, 0xAA, 0x55, 0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01, 0x00};
// Error codes of the monitor's replies.
inline constexpr unsigned char kErrBadFrame = 1;
inline constexpr unsigned char kErrAddress = 2;
inline constexpr unsigned char kErrUnknownCommand = 10;

} // namespace simwire
