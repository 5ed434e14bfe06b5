#include "cpplib/qkfile.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "cpplib/qkfilesys.h"
#include "cpplib/qkpath.h"

namespace fs = std::filesystem;

namespace {
constexpr int kMostLinks = 40; // as the system's own path walk allows

char g_PendingTemp[4096] = {}; // see QkPendingTempFile

void SetPendingTemp(const std::string& path)
{
    if (path.size() < sizeof g_PendingTemp) {
        std::memcpy(g_PendingTemp, path.c_str(), path.size() + 1);
    } else {
        g_PendingTemp[0] = '\0';
    }
}

// path with its symbolic links followed to the entry they finally name,
// which need not exist yet (a link to a file still to be made). An existing
// entry is asked of the system, which also knows the links of /proc.
fs::path FollowLinks(const fs::path& path)
{
    std::error_code canonicalError;
    const fs::path existing = fs::canonical(path, canonicalError);
    if (!canonicalError)
        return existing;
    fs::path at = path;
    for (int hops = 0; hops < kMostLinks; ++hops) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(at, error)))
            return at;
        const fs::path next = fs::read_symlink(at, error);
        if (error)
            return at;
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    return at;
}

std::string FolderOf(const fs::path& path)
{
    const fs::path folder = path.parent_path();
    return folder.empty() ? "." : QkPathText(folder);
}

// ": reason" from the system, when it gave one.
std::string Because(const std::string& reason)
{
    return reason.empty() ? std::string() : ": " + reason;
}

enum class clWriteKind { replace, direct, refused };

// How a write of path goes, and for a refusal why.
clWriteKind WriteKindOf(const std::string& path, const fs::path& target, std::string& why)
{
    std::error_code error;
    const fs::file_status status = fs::status(target, error);
    if (status.type() == fs::file_type::not_found) {
        std::error_code folderError;
        const fs::path folder = QkPath(FolderOf(target));
        const fs::file_status folderStatus = fs::status(folder, folderError);
        if (folderStatus.type() == fs::file_type::not_found) {
            why = "cannot write " + path + ": the folder " + QkPathText(folder) + " does not exist";
            return clWriteKind::refused;
        }
        if (!folderError && folderStatus.type() != fs::file_type::directory) {
            why = "cannot write " + path + ": " + QkPathText(folder) + " is not a folder";
            return clWriteKind::refused;
        }
        return clWriteKind::replace;
    }
    if (error) {
        why = "cannot write " + path + Because(error.message());
        return clWriteKind::refused;
    }
    switch (status.type()) {
    case fs::file_type::regular: return clWriteKind::replace;
    case fs::file_type::character: return clWriteKind::direct;
    case fs::file_type::directory: why = path + " is a directory"; return clWriteKind::refused;
    default:
        why = path + " is not a regular file; only files and character devices are written";
        return clWriteKind::refused;
    }
}
} // namespace

clAtomicFile::clAtomicFile(const std::string& path) : m_sPath(path)
{
    const fs::path target = FollowLinks(QkPath(path));
    m_sTarget = QkPathText(target);
    std::string why;
    switch (WriteKindOf(path, target, why)) {
    case clWriteKind::refused: Fail(why); return;
    case clWriteKind::direct:
        // A device is no file to replace: it takes the bytes as they come.
        m_Stream.open(target, std::ios::binary);
        if (!m_Stream.is_open())
            Fail("cannot write " + m_sPath + Because(QkLastSystemError()));
        return;
    case clWriteKind::replace: break;
    }
    errno = 0;
    m_sTempPath = QkCreateTempFile(FolderOf(target), m_sTarget, why);
    SetPendingTemp(m_sTempPath);
    if (m_sTempPath.empty()) {
        Fail("cannot write " + m_sPath + Because(why));
        return;
    }
    m_Stream.open(QkPath(m_sTempPath), std::ios::binary | std::ios::trunc);
    if (!m_Stream.is_open())
        Fail("cannot write " + m_sPath + Because(QkLastSystemError()));
}

clAtomicFile::~clAtomicFile()
{
    if (!m_bDone)
        Discard();
}

void clAtomicFile::Fail(const std::string& what)
{
    if (m_sError.empty())
        m_sError = what;
}

bool clAtomicFile::Commit()
{
    if (m_bDone || !m_Stream.is_open()) {
        Fail("cannot write " + m_sPath);
        return false;
    }
    errno = 0;
    m_Stream.flush();
    const bool written = static_cast<bool>(m_Stream);
    const std::string reason = QkLastSystemError();
    m_Stream.close();
    if (!written || m_Stream.fail()) {
        Fail("cannot write " + m_sPath + Because(reason.empty() ? QkLastSystemError() : reason));
        Discard();
        return false;
    }
    if (m_sTempPath.empty()) {
        m_bDone = true;
        return true;
    }
    errno = 0;
    if (!QkSyncFile(m_sTempPath) || !QkReplaceFile(m_sTempPath, m_sTarget)) {
        Fail("cannot write " + m_sPath + Because(QkLastSystemError()));
        Discard();
        return false;
    }
    SetPendingTemp({});
    m_bDone = true;
    return true;
}

void clAtomicFile::Discard()
{
    if (m_Stream.is_open())
        m_Stream.close();
    if (!m_sTempPath.empty()) {
        std::error_code ignored;
        fs::remove(QkPath(m_sTempPath), ignored);
        SetPendingTemp({});
    }
    m_bDone = true;
}

void clAtomicFile::Abandon()
{
    Fail("cannot write " + m_sPath + Because(QkLastSystemError()));
    Discard();
}

bool QkWriteFileAtomically(const std::string& path, const void* data, std::size_t count, std::string* error)
{
    clAtomicFile file(path);
    if (file.IsOpen()) {
        file.Stream().write(static_cast<const char*>(data), static_cast<std::streamsize>(count));
        if (file.Commit())
            return true;
    }
    if (error != nullptr)
        *error = file.GetError();
    return false;
}

bool QkFileExists(const std::string& path)
{
    std::error_code error;
    return fs::exists(QkPath(path), error);
}

std::string QkCheckInputFile(const std::string& path, bool allowEmpty)
{
    if (path.empty())
        return "no file name was given";
    std::error_code error;
    const fs::file_status status = fs::status(QkPath(path), error);
    if (status.type() == fs::file_type::not_found) {
        std::error_code ignored;
        return fs::is_symlink(fs::symlink_status(QkPath(path), ignored))
                   ? path + " is a link to a file that does not exist"
                   : path + " does not exist";
    }
    if (error)
        return "cannot read " + path + Because(error.message());
    if (status.type() == fs::file_type::directory)
        return path + " is a directory";
    if (status.type() != fs::file_type::regular)
        return path + " is not a regular file";
    const std::uintmax_t size = fs::file_size(QkPath(path), error);
    if (error)
        return "cannot read " + path + Because(error.message());
    if (size == 0 && !allowEmpty)
        return path + " is empty";
    errno = 0;
    std::ifstream probe(QkPath(path), std::ios::binary);
    if (!probe)
        return "cannot read " + path + Because(QkLastSystemError());
    return {};
}

std::string QkCheckOutputFile(const std::string& path)
{
    if (path.empty())
        return "no file name was given";
    std::string why;
    WriteKindOf(path, FollowLinks(QkPath(path)), why);
    return why;
}

bool QkSameFile(const std::string& first, const std::string& second)
{
    std::error_code error;
    return fs::equivalent(QkPath(first), QkPath(second), error) && !error;
}

bool QkSameTarget(const std::string& first, const std::string& second)
{
    if (QkSameFile(first, second))
        return true;
    // Neither is there yet (or one is not): compare where they would be.
    const auto resolved = [](const std::string& path, std::error_code& error) {
        const fs::path absolute = fs::absolute(FollowLinks(QkPath(path)), error);
        return error ? fs::path() : fs::weakly_canonical(absolute, error);
    };
    std::error_code firstError, secondError;
    const fs::path a = resolved(first, firstError), b = resolved(second, secondError);
    return !firstError && !secondError && a == b;
}

std::string QkProbeOutputFile(const std::string& path)
{
    constexpr std::size_t kLongestName = 255; // bytes, as the usual file systems allow
    if (QkPathText(QkPath(path).filename()).size() > kLongestName)
        return "cannot write " + path + ": the name is longer than 255 bytes";
    clAtomicFile probe(path);
    if (!probe.IsOpen())
        return probe.GetError();
    probe.Discard();
    return {};
}

const char* QkPendingTempFile()
{
    return g_PendingTemp;
}

int QkSweepStaleTempFiles(const std::string& folder)
{
    constexpr auto kStale = std::chrono::hours(1);
    int removed = 0;
    std::error_code error;
    const auto now = fs::file_time_type::clock::now();
    for (fs::directory_iterator it(QkPath(folder.empty() ? "." : folder), error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = QkPathText(it->path().filename());
        // ".qk-" and the six characters mkstemp puts in.
        if (name.size() != 10 || name.rfind(".qk-", 0) != 0 || !it->is_regular_file(error))
            continue;
        std::error_code timeError;
        const auto written = fs::last_write_time(it->path(), timeError);
        if (!timeError && now - written > kStale && fs::remove(it->path(), timeError))
            ++removed;
    }
    return removed;
}
