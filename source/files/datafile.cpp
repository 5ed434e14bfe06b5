#include "source/files/datafile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <istream>
#include <string>

#include "cpplib/qk51buff.h"
#include "cpplib/qkfile.h"
#include "cpplib/qkpath.h"
#include "source/base/appmngr.h"
#include "source/base/qk51err.h"
#include "source/files/hexdefs.h"

namespace {
// The parts of a binary image (byte k at first + k) outside start..stop.
void BinaryOutside(std::uint64_t first, std::uint64_t length, std::uint32_t start, std::uint32_t stop,
                   clOutsideData& outside)
{
    if (length == 0)
        return;
    const std::uint64_t last = std::min<std::uint64_t>(first + length - 1, 0xFFFFFFFFu);
    if (first < start)
        outside.Add(static_cast<std::uint32_t>(first),
                    static_cast<std::uint32_t>(std::min<std::uint64_t>(last, start - 1ull)));
    if (last > stop)
        outside.Add(static_cast<std::uint32_t>(std::max<std::uint64_t>(first, stop + 1ull)),
                    static_cast<std::uint32_t>(last));
}

// Past a UTF-8 byte-order mark at the start of in, if there is one.
void SkipUtf8Mark(std::istream& in)
{
    char mark[3] = {};
    in.read(mark, sizeof mark);
    if (in.gcount() != 3 || std::string(mark, 3) != "\xEF\xBB\xBF") {
        in.clear();
        in.seekg(0);
    }
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

constexpr const char kUtf16[] = "UTF-16 text";

// What the head of a file looks like, for a message.
std::string LooksLike(const std::string& path)
{
    std::ifstream in(QkPath(path), std::ios::binary);
    std::string head(512, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    if (head.size() >= 2 && ((head[0] == '\xFF' && head[1] == '\xFE') || (head[0] == '\xFE' && head[1] == '\xFF')))
        return kUtf16;
    const std::size_t zeros = std::count(head.begin(), head.end(), '\0');
    if (head.size() >= 4 && zeros * 3 >= head.size())
        return head[0] != '\0' && head[1] == '\0' ? kUtf16 : "binary data";
    const std::string lower = Lower(head);
    if (lower.find("<html") != std::string::npos || lower.find("<!doctype") != std::string::npos ||
        lower.find("<?xml") != std::string::npos)
        return "an HTML or XML page (a download that went wrong?)";
    const bool text = std::all_of(head.begin(), head.end(), [](unsigned char c) {
        return c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c != 0x7F);
    });
    return text ? "text of another kind" : "binary data";
}
} // namespace

std::string QkCheckDetectedType(const std::string& path, int fileType)
{
    const std::string extension = Lower(QkPathText(QkPath(path).extension()));
    const auto named = [&](std::initializer_list<const char*> list) {
        return std::any_of(list.begin(), list.end(), [&](const char* e) { return extension == e; });
    };
    const bool hexName = named({".hex", ".ihx", ".ihex"});
    const bool srecName = named({".s19", ".s28", ".s37", ".s1", ".s2", ".s3", ".srec", ".mot"});
    const bool binName = named({".bin", ".img", ".raw", ".rom"});
    const std::string name = QkPathText(QkPath(path).filename());
    // Text saved as UTF-16 (a PowerShell redirect) may even begin with ":".
    if (fileType != ftProject && LooksLike(path) == kUtf16)
        return name + " is UTF-16 text: save it as ASCII or UTF-8";
    if (hexName && fileType != ftIntelAny)
        return name + " is not Intel Hex: it looks like " + LooksLike(path);
    if (srecName && fileType != ftMotorolaAny)
        return name + " is not an S-record file: it looks like " + LooksLike(path);
    if (fileType == ftBinary && !binName)
        return name + " holds no Intel Hex or S-records (it looks like " + LooksLike(path) +
               "); a binary image must be named as one (.bin, .img, .raw, .rom)";
    return {};
}

int QkDetectFileType(const std::string& path)
{
    const std::string problem = QkCheckInputFile(path, true);
    if (!problem.empty())
        return ftNone;
    std::ifstream in(QkPath(path), std::ios::binary);
    if (!in)
        return ftNone;
    char head[5] = {};
    in.read(head, sizeof head);
    if (in.gcount() == 5 && head[0] == 15 && std::string(head + 1, 4) == "RIR-")
        return ftProject;
    in.clear();
    in.seekg(0);
    SkipUtf8Mark(in);
    for (int c = in.get(); c != EOF; c = in.get()) {
        if (std::isspace(c))
            continue;
        if (c == ':')
            return ftIntelAny;
        if (c == 'S')
            return ftMotorolaAny;
        break;
    }
    return ftBinary;
}

int QkLoadDataFile(clQKHugeBuffer& buffer, const std::string& path, int fileType, std::uint32_t start,
                   std::uint32_t stop, clOutsideData* outside)
{
    if (const std::string problem = QkCheckInputFile(path); !problem.empty()) {
        QkAppErrMngr() << clQk51Err(0, problem + ".", erTypeError, erOptOk);
        return 0;
    }
    if (fileType == ftBinary) {
        const int loaded = buffer.LoadBinRange(path.c_str(), clAdrs(start), clAdrs(stop));
        std::error_code error;
        const std::uintmax_t length = std::filesystem::file_size(QkPath(path), error);
        if (loaded == 1 && outside != nullptr && !error)
            BinaryOutside(buffer.GetStartAdrs().GetLinear(), length, start, stop, *outside);
        return loaded;
    }
    clHexLoader loader(nullptr, 0);
    if (loader.OpenFile(path.c_str(), QkReadFormatKind(fileType, start), HEX_READ) == 0)
        return 0;
    const int loaded = loader.Load(buffer, start, stop, outside);
    loader.CloseFile();
    return loaded;
}
