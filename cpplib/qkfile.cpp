#include "cpplib/qkfile.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// The mode a new file would get, or the mode of the file being replaced.
mode_t ModeFor(const std::string& path)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) == 0)
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool SyncFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}
} // namespace

clAtomicFile::clAtomicFile(const std::string& path) : m_sPath(path)
{
    std::string pattern = FolderOf(path) + "/.qk-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return;
    ::fchmod(fd, ModeFor(path));
    ::close(fd);
    m_sTempPath = name.data();
    m_Stream.open(m_sTempPath, std::ios::binary | std::ios::trunc);
}

clAtomicFile::~clAtomicFile()
{
    if (!m_bDone)
        Discard();
}

bool clAtomicFile::Commit()
{
    if (m_bDone || !m_Stream.is_open())
        return false;
    m_Stream.flush();
    const bool written = static_cast<bool>(m_Stream);
    m_Stream.close();
    if (!written || m_Stream.fail() || !SyncFile(m_sTempPath) ||
        std::rename(m_sTempPath.c_str(), m_sPath.c_str()) != 0) {
        Discard();
        return false;
    }
    m_bDone = true;
    return true;
}

void clAtomicFile::Discard()
{
    if (m_Stream.is_open())
        m_Stream.close();
    if (!m_sTempPath.empty())
        std::remove(m_sTempPath.c_str());
    m_bDone = true;
}

bool QkWriteFileAtomically(const std::string& path, const void* data, std::size_t count)
{
    clAtomicFile file(path);
    if (!file.IsOpen())
        return false;
    file.Stream().write(static_cast<const char*>(data), static_cast<std::streamsize>(count));
    return file.Commit();
}

bool QkFileExists(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0;
}
