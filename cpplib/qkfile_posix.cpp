#include "cpplib/qkfilesys.h"
#include "cpplib/qkpath.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
// The mode of the file being replaced, or the one a new file would get.
mode_t ModeFor(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}
} // namespace

std::string QkCreateTempFile(const std::string& folder, const std::string& target, std::string& error)
{
    const std::string pattern = folder + "/.qk-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = QkLastSystemError();
        return {};
    }
    ::fchmod(fd, ModeFor(target));
    ::close(fd);
    return name.data();
}

std::string QkCreateUniqueFile(const std::string& folder, const std::string& prefix, const std::string& suffix,
                               std::string& error)
{
    const std::string pattern = folder + "/" + prefix + "XXXXXX" + suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemps(name.data(), static_cast<int>(suffix.size()));
    if (fd < 0) {
        error = QkLastSystemError();
        return {};
    }
    ::close(fd);
    return name.data();
}

bool QkSyncFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool QkReplaceFile(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}

std::string QkLastSystemError()
{
    return errno != 0 ? std::strerror(errno) : std::string();
}

std::FILE* QkOpenFile(const std::string& utf8, const char* mode)
{
    return std::fopen(utf8.c_str(), mode);
}
