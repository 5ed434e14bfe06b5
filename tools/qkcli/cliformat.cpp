#include "tools/qkcli/cliformat.h"

#include <cctype>
#include <cerrno>
#include <cstring>

#include "cpplib/qkfile.h"
#include "source/hexdefs.h"
#include "source/hexio.h"
#include "tools/qkcli/clinotify.h"

namespace {
constexpr clCliFormat kFormats[] = {
    {"bin", ftBinary, 0xFFFFFFFFu},
    {"intel", ftIntel16, 0xFFFFu},
    {"intel-seg", ftIntelSegment, 0xFFFFFu},
    {"intel386", ftIntelLinear, 0xFFFFFFFFu},
    {"s1", ftS1, 0xFFFFu},
    {"s2", ftS2, 0xFFFFFFu},
    {"s3", ftS3, 0xFFFFFFFFu},
};

// ": reason" from errno, when the system gave one.
std::string Reason()
{
    return errno != 0 ? std::string(": ") + std::strerror(errno) : std::string();
}
} // namespace

const clCliFormat* QkFormatByName(const std::string& name)
{
    for (const clCliFormat& f : kFormats)
        if (name == f.name)
            return &f;
    return nullptr;
}

const clCliFormat* QkFormatByExtension(const std::string& path)
{
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return nullptr;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "bin")
        return QkFormatByName("bin");
    if (ext == "hex")
        return QkFormatByName("intel386");
    if (ext == "s19" || ext == "s1")
        return QkFormatByName("s1");
    if (ext == "s28" || ext == "s2")
        return QkFormatByName("s2");
    if (ext == "s37" || ext == "s3")
        return QkFormatByName("s3");
    return nullptr;
}

std::string QkWriteRange(const clHugeBuffer<unsigned char>& buffer, std::uint32_t first, std::uint32_t last,
                         const std::string& path, const clCliFormat& format, bool progress)
{
    // Say plainly what is wrong with the target before any work is done.
    if (const std::string problem = QkCheckOutputFile(path); !problem.empty())
        return problem;
    errno = 0;
    const std::string cannot = "cannot write " + path;
    if (format.fileType == ftBinary)
        return buffer.SaveBinRange(path.c_str(), clAdrs(first), clAdrs(last)) == 0 ? cannot + Reason() : "";
    clCliProgress bar(progress);
    clHexLoader writer(&bar, 0);
    if (writer.OpenFile(path.c_str(), QkWriteFormatKind(format.fileType), HEX_WRITE) == 0)
        return cannot + Reason();
    const int saved = writer.Save(buffer, first, last);
    if (writer.CloseFile() == 0 || saved == 0)
        return cannot + Reason();
    return "";
}
