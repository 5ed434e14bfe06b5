#include "source/datafile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "cpplib/qk51buff.h"
#include "cpplib/qkfile.h"
#include "source/appmngr.h"
#include "source/hexdefs.h"
#include "source/qk51err.h"

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
} // namespace

int QkDetectFileType(const std::string& path)
{
    const std::string problem = QkCheckInputFile(path, true);
    if (!problem.empty())
        return ftNone;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return ftNone;
    char head[5] = {};
    in.read(head, sizeof head);
    if (in.gcount() == 5 && head[0] == 15 && std::string(head + 1, 4) == "RIR-")
        return ftProject;
    in.clear();
    in.seekg(0);
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
        const std::uintmax_t length = std::filesystem::file_size(path, error);
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
