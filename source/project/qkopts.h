// The application's option catalogue: every project-bound setting, its id,
// datum and priority. The ids of options that mirror a dialog control are the
// control's resource id.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "options/srvqk51.h"
#include "source/files/hexdefs.h"

inline constexpr const char kQkOptArrayName[] = "QK-JTAG.W32";
inline constexpr int kSpaceCount = 5; // device spaces 1 to 5

enum : clQKOptIDType {
    kOptPgmCycle = 106,
    kOptSuccess = 107,
    kOptFailure = 108,
    kOptProjDesc = 129,
    kOptSerial = 180, // the serial-value settings, as text (clSerialSettings)
    kOptChipId = 130,
    kOptAutoSigChk = 158,
    kOptAutoBlkChk = 159,
    kOptAutoErase = 256,
    kOptAutoRobot = 259,
    kOptSpace0FileName = 1026,
    kOptDataStart = 2068,
    kOptDataStop = 2069,
    kOptEncryption = 3092,
    kOptOsdStart = 5140,
    kOptOsdStop = 5141,
    kOptLockBit1 = 6164,
    kOptLockBit2 = 6165,
    kOptLockBit3 = 6166,
};

// Per-space options: id = space index * 1024 + offset.
enum : clQKOptIDType {
    spcBufImage = 1025,
    spcFileName = 1026,
    spcFileType = 1027,
    spcDumpH = 1028,
    spcDumpW = 1029,
    spcDumpY = 1030,
    spcDumpX = 1031,
    spcGoto = 1032,
    spcCurAdrs = 1033,
    spcDumpStart = 1034,
    spcBinMode = 1035,
    spcEndian = 1036,
    spcLineWidth = 1037,
    spcViewMode = 1038,
    spcReplace = 1039,
    spcFind = 1040,
    spcCLThree = 1041,
    spcCLState = 1042,
    spcLastFill = 1043,
};

constexpr clQKOptIDType QkSpaceOptId(int space, clQKOptIDType offset)
{
    return static_cast<clQKOptIDType>(space * 1024 + offset);
}

// The file-type option holds the file-type code of the space's file (0
// project, 1 binary image, 2 to 5 Intel Hex, 6 to 9 Motorola S-records), or
// ftImageKept (the buffer image is kept in the project) or ftNone (neither).

inline constexpr clQKPriorityType kPriorityProjDesc = 65535;
inline constexpr clQKPriorityType kPriorityFileType = 30;
inline constexpr std::size_t kProjDescMax = 250; // characters of the description in use

// The space's buffer: the datum of its buffer option.
class THBuffOpt : public TBscOpt<clQKHugeBuffer> {
public:
    explicit THBuffOpt(int space) : TBscOpt(QkSpaceOptId(space, spcBufImage)), m_iSpace(space) {}
    int GetSpace() const { return m_iSpace; }

private:
    int m_iSpace;
};

using TProjDesc = TBscOpt<std::string>;
using TChipID = TBscOpt<std::uint16_t>;
using clRefLoad = TBscOpt<std::string>;
using clRefType = TBscOpt<std::uint8_t>;
using TSpcCLThree = TBscOpt<bool>;
using TSpcCLState = TBscOpt<std::uint32_t>;
using clLastFill = TBscOpt<std::uint8_t>;
using TDumpH = TBscOpt<std::uint16_t>;
using TDumpW = TBscOpt<std::uint16_t>;
using TDumpY = TBscOpt<std::uint16_t>;
using TDumpX = TBscOpt<std::uint16_t>;
using TGotoOpt = TBscOpt<std::uint32_t>;
using TCurAdrsOpt = TBscOpt<std::uint32_t>;
using TDumpStartOpt = TBscOpt<std::uint32_t>;
using TBinModeOpt = TBscOpt<std::uint8_t>;
using TEndianTypeOpt = TBscOpt<std::uint8_t>;
using TLineWidthOpt = TBscOpt<std::uint8_t>;
using TViewModeOpt = TBscOpt<std::uint8_t>;
using TReplaceOpt = TBscOpt<std::string>;
using TFindOpt = TBscOpt<std::string>;
using TStartEdit = TBscOpt<std::string>;
using TStopEdit = TBscOpt<std::string>;
using TPgmCycle = TBscOpt<std::uint16_t>;
using TSuccess = TBscOpt<std::uint16_t>;
using TFailure = TBscOpt<std::uint16_t>;
using TChkBxOpt = TBscOpt<std::uint16_t>;
using TAutoSigChk = TBscOpt<std::uint16_t>;
using TAutoErase = TBscOpt<std::uint16_t>;
using TAutoBlkChk = TBscOpt<std::uint16_t>;
using TAutoRobot = TBscOpt<std::uint16_t>;
// The serial-value settings: written only when set, so a project without
// them is the same file it always was.
class TSerialOpt : public TBscOpt<std::string> {
public:
    TSerialOpt(clQKOptIDType id, clQKPriorityType priority) : TBscOpt(id, priority) {}
    void SaveLevel(std::ostream& out, clQKPriorityType level, std::optional<clQKPriorityType>& next) const override
    {
        if (!Value().empty())
            TBscOpt::SaveLevel(out, level, next);
    }
};

// What the registration hands back for direct use (entries 1 to 5 of the
// arrays are the spaces; entry 0 is unused).
struct clQkOptCatalogue {
    TProjDesc* description = nullptr;
    TChipID* chipId = nullptr;
    std::array<THBuffOpt*, kSpaceCount + 1> buffers{};
    // A space's dump-window options form one group (group id = space index).
    std::array<TBscOptGrp*, kSpaceCount + 1> dumpOptions{};
};

// Registers the whole catalogue into server, in the order the project file
// relies on; every option starts switched on.
clQkOptCatalogue QkRegisterOptions(TBscOptServer& server);
