#include "tools/qkcli/cliformat.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cpplib/qkfile.h"
#include "tools/qkcli/clinotify.h"

namespace {
// ": reason" from errno, when the system gave one.
std::string Reason()
{
    return errno != 0 ? std::string(": ") + std::strerror(errno) : std::string();
}
} // namespace

std::string QkWriteRange(const clHugeBuffer<unsigned char>& buffer, std::uint32_t first, std::uint32_t last,
                         const std::string& path, const clQkFileFormat& format, bool progress)
{
    // Say plainly what is wrong with the target before any work is done.
    if (const std::string problem = QkCheckOutputFile(path); !problem.empty())
        return problem;
    errno = 0;
    clCliProgress bar(progress);
    if (!QkSaveRange(buffer, first, last, path, format.fileType, &bar, 0))
        return "cannot write " + path + Reason();
    return "";
}

std::string QkCheckReach(const clQkFileFormat& format, std::uint32_t last)
{
    if (last <= format.highest)
        return "";
    char text[200];
    std::snprintf(text, sizeof text,
                  "--to %s reaches address 0x%X at most, the data goes up to 0x%X (use intel386 or s3)", format.name,
                  format.highest, last);
    return text;
}
