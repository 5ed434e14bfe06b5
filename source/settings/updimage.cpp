#include "source/settings/updimage.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "comm/qkcalc.h"
#include "cpplib/bitrev.h"
#include "cpplib/qkbytes.h"
#include "cpplib/qkfile.h"
#include "cpplib/qkfilesys.h"
#include "cpplib/qkpath.h"
#include "err/qkmodule.h"
#include "qkdb/dbrec.h"
#include "source/project/qkopts.h"

namespace fs = std::filesystem;

namespace {
constexpr unsigned char kSignature[4] = {0x55, 0xAA, 0x79, 0x97};
constexpr std::size_t kDescriptionAt = 48;
constexpr std::uint8_t kBinaryKind = 1;

// A file taken from its first byte into [start, stop] of image; false with
// the reason in error. A longer file is cut at stop.
bool LoadInto(std::vector<unsigned char>& image, const std::string& path, std::uint32_t start, std::uint32_t stop,
              std::string& error)
{
    if (error = QkCheckInputFile(path); !error.empty())
        return false;
    std::ifstream in(QkPath(path), std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    const std::size_t room = static_cast<std::size_t>(stop) - start + 1;
    in.read(reinterpret_cast<char*>(image.data() + start), static_cast<std::streamsize>(room));
    if (in.bad()) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}

// A temporary file removed when it goes.
class clTempFile {
public:
    explicit clTempFile(const std::string& folder)
    {
        std::string ignored;
        for (const fs::path& where : {QkPath(folder), fs::temp_directory_path()}) {
            m_sPath = QkCreateUniqueFile(QkPathText(where), "__temp", ".bin", ignored);
            if (!m_sPath.empty())
                return;
        }
    }
    ~clTempFile()
    {
        std::error_code ignored;
        if (!m_sPath.empty())
            fs::remove(QkPath(m_sPath), ignored);
    }
    clTempFile(const clTempFile&) = delete;
    clTempFile& operator=(const clTempFile&) = delete;
    const std::string& Path() const { return m_sPath; }

private:
    std::string m_sPath;
};

bool WriteBlock(const std::string& path, const std::array<unsigned char, kStandAloneSize>& block)
{
    std::ofstream out(QkPath(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));
    out.flush();
    return static_cast<bool>(out);
}
} // namespace

clUpdateFamily QkUpdateFamily(unsigned short deviceId)
{
    auto family = [](const char* name, bool plain) {
        return clUpdateFamily{std::string("Update/") + name, std::string("Al") + name + ".bin",
                              std::string("B") + name + ".bin", plain};
    };
    switch (deviceId) {
    case 6: return family("80718", true);
    case 7: return family("8072X", true);
    case 8: return family("8070X", true);
    default: return family("80712", false);
    }
}

std::array<unsigned char, kStandAloneSize> QkStandAloneBlock(const clStandAloneParams& params)
{
    std::array<unsigned char, kStandAloneSize> block;
    block.fill(0xFF);
    QkStoreBE32(&block[16], params.cmdStart);
    QkStoreBE32(&block[21], params.cmdStop);
    QkStoreBE32(&block[26], params.timing);
    block[32] = params.deviceValue1;
    block[33] = params.timingFlag;
    block[34] = 0;
    block[35] = params.deviceValue2;
    block[37] = params.sigChk;
    block[38] = params.blnkChk;
    block[39] = params.erase;
    std::copy(std::begin(kSignature), std::end(kSignature), &block[42]);
    const std::size_t count = std::min(params.description.size(), kStandAloneSize - kDescriptionAt);
    std::copy_n(params.description.begin(), count, &block[kDescriptionAt]);
    return block;
}

clStandAloneParams QkStandAloneParams(const clDBChipInfo& device, const clQKHugeBufIntr& buffer,
                                      const clAutoOptions& options, const std::string& description)
{
    clStandAloneParams params;
    params.cmdStart = buffer.GetCmdStartAdrs().GetLinear();
    params.cmdStop = buffer.GetCmdStopAdrs().GetLinear();
    unsigned char doublings = 0;
    const long word = QkParseFrequency(kStandAloneClock, doublings);
    params.timing = word < 0 ? 0 : static_cast<std::uint32_t>(word);
    params.timingFlag = doublings;
    params.deviceValue1 = static_cast<std::uint8_t>(device.GetAlgID());
    params.deviceValue2 = static_cast<std::uint8_t>(device.GetDeviceID());
    params.sigChk = static_cast<std::uint8_t>(options.sigChk);
    params.blnkChk = static_cast<std::uint8_t>(options.blnkChk);
    params.erase = static_cast<std::uint8_t>(options.erase);
    params.description = description;
    return params;
}

std::string QkProgramFolder()
{
    const std::string file = QkModuleFile(reinterpret_cast<const void*>(&QkProgramFolder));
    if (file.empty())
        return {};
    return QkPathText(QkPath(file).parent_path());
}

clUpdateResult QkBuildUpdateImage(const std::string& programFolder, const std::string& tempFolder,
                                  const clUpdateFamily& family, const clStandAloneParams& params,
                                  clQKHugeBufIntr& buffer, const std::function<void(const char*)>& status)
{
    clUpdateResult result;
    if (programFolder.empty()) {
        result.error = kNoModuleName;
        return result;
    }
    status(kPreparingFiles);
    const fs::path folder = QkPath(programFolder) / family.folder;
    result.applicationFile = QkPathText((folder / family.application).make_preferred());
    const std::uint32_t bufStart = buffer.GetStartAdrs().GetLinear();
    if (!buffer.HasMemory() || bufStart != 0 || buffer.GetSize() < kUpdateImageSize) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "The device update image needs the %s space from 0h to FFFFFh; it holds %lXh to %lXh.",
                      buffer.GetName(), static_cast<unsigned long>(bufStart),
                      static_cast<unsigned long>(bufStart + buffer.GetSize()) - 1);
        result.error = buffer.HasMemory() ? text : std::string("The device update image needs a space buffer.");
        return result;
    }

    std::vector<unsigned char> image(kUpdateImageSize, 0xFF);
    if (!LoadInto(image, result.applicationFile, 0, kUpdateAppStop, result.error) ||
        !LoadInto(image, QkPathText(folder / family.boot), kUpdateBootStart, kUpdateBootStop, result.error))
        return result;
    {
        const clTempFile temp(tempFolder);
        if (temp.Path().empty() || !WriteBlock(temp.Path(), QkStandAloneBlock(params))) {
            result.error = "cannot write the stand-alone parameters into " + tempFolder;
            return result;
        }
        if (!LoadInto(image, temp.Path(), kUpdateParamStart, kUpdateParamStop, result.error))
            return result;
    }

    status(kLoadingRam);
    if (!family.plainCopy)
        QkReverseBits(image.data(), image.size());
    const clAdrs first(0);
    const clAdrs last(kUpdateImageSize - 1);
    buffer.SetCmdAddresses(first, last);
    buffer.Write(first, last, image.data());
    result.ok = true;
    return result;
}

void QkRecordUpdateImage(clOptSrvInterface& options, int space, const std::string& applicationFile)
{
    options.Set(QkSpaceOptId(space, spcFileName), applicationFile);
    options.Set(QkSpaceOptId(space, spcFileType), kBinaryKind);
}
