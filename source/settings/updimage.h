// The device update image of the PCD807xx families: the family's
// application and boot files from the "Update" folder beside the program
// and the stand-alone parameter block, laid out in a 1 MB image and copied
// into a space buffer.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "cpplib/qkbufint.h"
#include "options/optsrv.h"
#include "source/run/autoopts.h"

class clDBChipInfo;

inline constexpr std::uint32_t kUpdateImageSize = 0x100000;
inline constexpr std::uint32_t kUpdateAppStop = 0xF7FFF;
inline constexpr std::uint32_t kUpdateBootStart = 0xF0000;
inline constexpr std::uint32_t kUpdateBootStop = 0xF7FFF;
inline constexpr std::uint32_t kUpdateParamStart = 0xE0000;
inline constexpr std::uint32_t kUpdateParamStop = 0xE0060;
inline constexpr std::size_t kStandAloneSize = 63;
// The clock the stand-alone code runs the device at, in hertz.
inline constexpr float kStandAloneClock = 400000.0f;

inline constexpr const char kNoModuleName[] = "Can not find module name!!!";
inline constexpr const char kPreparingFiles[] = "preparing to load files...";
inline constexpr const char kLoadingRam[] = "loading files into RAM...";

struct clUpdateFamily {
    std::string folder;      // "Update/80718", beside the program
    std::string application; // "Al80718.bin"
    std::string boot;        // "B80718.bin"
    // Families 6, 7 and 8 go into the buffer as they are (the protocol turns
    // their bits round on the way); the others bit-reversed.
    bool plainCopy = false;
};
// The family of a device id (the database's GetDeviceID).
clUpdateFamily QkUpdateFamily(unsigned short deviceId);

// The stand-alone parameter block's values.
struct clStandAloneParams {
    std::uint32_t cmdStart = 0;
    std::uint32_t cmdStop = 0;
    std::uint32_t timing = 0;      // clock-synthesizer word for kStandAloneClock
    std::uint8_t timingFlag = 0;   // its doublings
    std::uint8_t deviceValue1 = 0; // the algorithm id
    std::uint8_t deviceValue2 = 0; // the device id
    std::uint8_t sigChk = 0;
    std::uint8_t blnkChk = 0;
    std::uint8_t erase = 0;
    std::string description;
};

// The 63 bytes: 0xFF where nothing is set, multi-byte values big-endian.
std::array<unsigned char, kStandAloneSize> QkStandAloneBlock(const clStandAloneParams& params);
// The values for a device, the view's command range, the automatic options
// and the project description.
clStandAloneParams QkStandAloneParams(const clDBChipInfo& device, const clQKHugeBufIntr& buffer,
                                      const clAutoOptions& options, const std::string& description);

// The folder of the running program; "" when it cannot be found.
std::string QkProgramFolder();

struct clUpdateResult {
    bool ok = false;
    std::string error;           // why not, in words naming the file
    std::string applicationFile; // the application file loaded
};

// Builds the image and copies it into buffer (command range 0 to 0xFFFFF).
// status gets the progress texts. On failure (a file missing or unreadable,
// a buffer that does not hold 0 to 0xFFFFF) the buffer is left as it was.
// The parameter block goes through a temporary file in tempFolder (the
// project's folder), removed whatever happens. Raises what the buffer's
// write-through to the programmer raises.
clUpdateResult QkBuildUpdateImage(const std::string& programFolder, const std::string& tempFolder,
                                  const clUpdateFamily& family, const clStandAloneParams& params,
                                  clQKHugeBufIntr& buffer, const std::function<void(const char*)>& status);

// After a build: the space's file is the application file, of kind 1 (binary).
void QkRecordUpdateImage(clOptSrvInterface& options, int space, const std::string& applicationFile);
