// Every byte value that crosses the serial line to the programmer, named
// once: frame kinds, orders and their sub-orders, reply codes, the single
// command bytes, the sequence ids by which the protocol layer knows which
// operation ran, and the boot monitor's side of the line. Shared by the
// communication library and the boot library. The simulated programmer keeps
// names of its own on purpose, so that a mistake here cannot pass both ends.
#pragma once

#include <cstdint>

namespace qkwire {

// Frame kinds the host sends (the second byte of a frame).
enum : unsigned char {
    kindExecute = 1, // cnt, 1, order, arguments
    kindRequest = 2, // cnt, 2, order, sub, address, len
    kindWrite = 3,   // cnt, 3, order, sub, address, len, data
    kindFill = 4,    // cnt, 4, order, sub, start, stop, value
    kindReboot = 6,  // cnt, 6, order
};

// Bytes sent alone, without a count.
inline constexpr unsigned char kSyncByte = 0xFE;
inline constexpr unsigned char kAbortByte = 0xFF;
// What the programmer answers to the sync byte, from its third byte on.
inline constexpr unsigned char kSyncAnswer[5] = {0xAA, 0x55, 0x81, 0x18, 0xFF};

// Reply codes (the second byte of a reply).
enum : unsigned char {
    rplDone = 0,
    rplFailed = 1,
    rplBusy = 2,
    rplAborted = 3,  // stopped at the programmer
    rplPowerUp = 4,  // the programmer restarted (stand-alone power-up)
    rplUpdating = 5, // the programmer is updating its firmware
    rplVerifyFailed = 16,
};

// Orders of execute frames: the device orders run inside the programmer on
// the command range it holds.
enum : unsigned char {
    ordProgram = 0x10,
    ordBlankCheck = 0x11,
    ordChecksum = 0x12,
    ordErase = 0x13,
    ordRead = 0x14, // the device into the programmer's memory
    ordVerify = 0x15,
    ordPgmFlash = 0x16,
    ordEraseDConf = 0x17, // erase the device configuration
    ordPgmDConf = 0x18,   // program the device configuration
    ordRobotOn = 0x21,
    ordRobotOff = 0x22,
    ordRobotState = 0x23,
    ordButtonsAllowed = 0x24,
    ordButtonsForbidden = 0x25,
    ordReboot = 0x26, // in a reboot frame
    ordReady = 0xFE,
};

// Orders of request, write and fill frames, each with its sub-orders.
enum : unsigned char {
    ordIdentity = 0,  // request: subIdVersion, subIdName, subFlashSize, subRamSize
    ordOption = 1,    // write: subOptionPowerUp, subOption17
    ordStatus = 33,   // request subStatus; write subStatusMode
    ordSetup = 34,    // write: subDeviceSetup, subCmdAddresses, subAutoOptions, subPrjDescr
    ordMemory = 0x20, // request, write and fill: the programmer's data memory, sub 0
};

enum : unsigned char {
    subIdVersion = 0,
    subIdName = 1,
    subFlashSize = 17,
    subRamSize = 18,
    subOptionPowerUp = 16, // its value is also the host's power-up tolerance
    subOption17 = 17,
    subStatus = 0,
    subStatusMode = 1,
    subDeviceSetup = 0,
    subCmdAddresses = 1,
    subAutoOptions = 3,
    subPrjDescr = 4,
    subMemory = 0,
};

// Sequence ids. Every operation pushes its id while it runs; the id left on
// top after a failure selects the error the epilog posts. The robot and
// button orders use their order byte as their id.
enum : std::uint16_t {
    seqSecurity = 0x14,
    seqBlankCheck = 0x15,
    seqNotBlank = 0x16,
    seqErase = 0x18,
    seqChecksum = 0x19,
    seqReadSpace = 0x1A,
    seqProgram = 0x1B, // while on the stack, a stop sends the abort byte
    seqVerify = 0x1D,
    seqBootProbe = 0x20,
    seqReboot = 0x26,
    seqReady = 0x27,
    seqDemo = 0x112,
    seqInternal = 0x113,
    seqWriteSpace = 0x115,
    seqFill = 0x116,
    seqStatus = 0x117,
};

// The programming sequences whose failure on a verify-class reply is the
// final verify's ("Final verify operation has failed.").
inline constexpr std::uint16_t kFinalVerifySeqs[] = {seqProgram, 0x1C, 0x1E, 0x1F, 0x114};

// Devices of these families store their bits in reverse order: the
// programmer's memory holds every byte of theirs reversed, and the programmer
// starts anew when a device of another kind takes their place.
inline constexpr bool QkReversesBits(unsigned deviceId)
{
    return deviceId == 6 || deviceId == 7 || deviceId == 8;
}

// Reply lengths of the orders (count byte included): a plain answer, and
// the answers that carry an address and values or a checksum.
inline constexpr int kReplyAck = 2;
inline constexpr int kReplyStatus = 2;
inline constexpr int kReplyChecksum = 4; // the sum high byte first
inline constexpr int kReplyBlankCheck = 7;
inline constexpr int kReplyVerify = 7;

// Payload sizes of the set-up frames.
inline constexpr int kPrjDescrSize = 15;    // 14 characters and the delay byte
inline constexpr int kCmdAddressesSize = 8; // start and stop, big-endian
inline constexpr int kAutoOptionsSize = 3;
inline constexpr int kDeviceSetupSize = 10;

// Frame sizes.
inline constexpr int kMaxFrame = 64; // the most the line carries per frame
inline constexpr int kMaxData = 55;  // data bytes in one write frame
inline constexpr int kMaxRead = 62;  // data bytes asked in one request frame

// The boot monitor. The host probes with one byte; a monitor answers with
// 15 bytes: a count of 14, the ready flags, code 0, then its identity.
inline constexpr unsigned char kProbeByte = 0x00;
inline constexpr int kProbeReplySize = 15;
inline constexpr unsigned char kMonitorIdentity[12] = {0xFF, 0xAA, 0x55, 0x80, 0x40, 0x20,
                                                       0x10, 0x08, 0x04, 0x02, 0x01, 0x00};

// The monitor's transactions: a count, the request kind, then its fields (a
// command byte, or a memory with its address).
enum : unsigned char {
    bootIdentify = 0x00, // sent alone; the answer carries the identity
    bootReqCommand = 0x00,
    bootReqRead = 0x01,
    bootReqWrite = 0x02,
    bootReady = 0x02,      // reply flags of a ready monitor
    bootFlagError = 0x40,  // reply flag: the third byte is an error code
    bootPageMemory = 0xF0, // a page of the monitor's memory
    bootImageMemory = 0xF1,
    bootPageOfPages = 0xFF, // page number register, in bootPageMemory
    bootStartFirmware = 0xFF,
};

} // namespace qkwire
