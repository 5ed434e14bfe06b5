#include "source/app/qk51text.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "cpplib/qkpath.h"
#include "source/base/strtable.h"
#include "source/files/hexdefs.h"
#include "source/project/qkopts.h"

namespace fs = std::filesystem;

namespace {
constexpr std::size_t kDescriptionMax = 250;

std::string Cut(const std::string& text, std::size_t max)
{
    return text.substr(0, max);
}
} // namespace

clQkChkSumVal::clQkChkSumVal(unsigned long processId, unsigned short checksum)
    : clBasicErr(processId, kMsgChecksum, erTypeNote, erOptOk)
{
    char text[64];
    std::snprintf(text, sizeof text, QkLoadString(kMsgChecksum), checksum);
    SetErrStr(text);
}

std::vector<clSaveEntry> QkLoadList()
{
    return {
        {kProjectFilter, ftProject},
        {"Binary (*.bin)|*.bin|", ftBinary},
        {"Intel Hex (*.hex)|*.hex|", ftIntelAny},
        {"Motorola Hex (*.s19;*.s28;*.s37;*.s1;*.s2;*.s3)|*.s19;*.s28;*.s37;*.s1;*.s2;*.s3|", ftMotorolaAny},
    };
}

std::string QkTransferText(const std::string& what, double wireMs)
{
    constexpr double kWorthSayingMs = 5000;
    if (wireMs < kWorthSayingMs)
        return what;
    return what + " (about " + std::to_string(static_cast<long>(wireMs / 1000 + 0.5)) + " s)";
}

std::string QkProgressTitle(int percent, const std::string& text)
{
    char title[320];
    if (percent >= 1)
        std::snprintf(title, sizeof title, "%s%s %d%%", kTitlePrefix, text.c_str(), percent);
    else
        std::snprintf(title, sizeof title, "%s%s", kTitlePrefix, text.c_str());
    return title;
}

std::string QkNothingLoadedText(const std::string& path)
{
    return "Nothing was loaded: " + QkPathText(QkPath(path).filename()) + " holds no data for this space's range.";
}

std::string QkFrameTitle(bool minimized, const std::string& status)
{
    return minimized ? Cut(kTitlePrefix + status, 255) : kFrameTitle;
}

std::string QkShortenPath(const std::string& path, const std::function<bool(const std::string&)>& fits)
{
    if (fits(path))
        return path;
    // Keep the file name; drop folders from the front.
    std::string rest = path;
    std::size_t slash;
    while ((slash = rest.find('/', 1)) != std::string::npos) {
        rest = rest.substr(slash);
        const std::string shortened = "/..." + rest;
        if (fits(shortened))
            return shortened;
    }
    return "/..." + rest;
}

std::string QkReadProjectDescription(const std::string& path)
{
    std::error_code error;
    if (!fs::is_regular_file(QkPath(path), error))
        return "";
    std::ifstream in(QkPath(path), std::ios::binary);
    if (!in)
        return "";
    TBscOptServer server(kQkOptArrayName);
    auto* description = server.Add(std::make_unique<TProjDesc>(kOptProjDesc, kPriorityProjDesc));
    try {
        server.Load(in);
    } catch (const clBscExpt&) {
        return "";
    } catch (const std::bad_alloc&) {
        return "";
    }
    return Cut(description->Value(), kDescriptionMax);
}
