#include "cpplib/qkfilesys.h"
#include "cpplib/qkpath.h"

#include <cerrno>
#include <cstring>
#include <random>

#include "err/qkwide.h"

namespace {
DWORD g_LastError = 0; // what the last call here failed with

// Six characters that make a name unique with good odds; the create below
// never takes a file that exists, so a clash only costs another try.
std::string RandomPart()
{
    static std::mt19937 engine{std::random_device{}()};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string part(6, 'x');
    for (char& c : part)
        c = kLetters[engine() % (sizeof kLetters - 1)];
    return part;
}

std::string CreateNew(const std::string& folder, const std::string& prefix, const std::string& suffix,
                      std::string& error)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = folder + "\\" + prefix + RandomPart() + suffix;
        const HANDLE file =
            CreateFileW(QkWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return path;
        }
        g_LastError = GetLastError();
        if (g_LastError != ERROR_FILE_EXISTS && g_LastError != ERROR_ALREADY_EXISTS)
            break;
    }
    error = QkSystemMessage(g_LastError);
    return {};
}
} // namespace

std::string QkCreateTempFile(const std::string& folder, const std::string& /*target*/, std::string& error)
{
    // The new file takes the folder's permissions, as a replaced file would.
    return CreateNew(folder, ".qk-", "", error);
}

std::string QkCreateUniqueFile(const std::string& folder, const std::string& prefix, const std::string& suffix,
                               std::string& error)
{
    return CreateNew(folder, prefix, suffix, error);
}

bool QkSyncFile(const std::string& path)
{
    const HANDLE file = CreateFileW(QkWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        g_LastError = GetLastError();
        return false;
    }
    const bool ok = FlushFileBuffers(file) != 0;
    if (!ok)
        g_LastError = GetLastError();
    CloseHandle(file);
    return ok;
}

bool QkReplaceFile(const std::string& from, const std::string& to)
{
    // Replaces to in one step, and only returns when the move is on disk.
    if (MoveFileExW(QkWide(from).c_str(), QkWide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    g_LastError = GetLastError();
    return false;
}

std::string QkLastSystemError()
{
    if (g_LastError != 0) {
        const std::string text = QkSystemMessage(g_LastError);
        g_LastError = 0;
        return text;
    }
    return errno != 0 ? std::strerror(errno) : std::string();
}

std::FILE* QkOpenFile(const std::string& utf8, const char* mode)
{
    return _wfopen(QkWide(utf8).c_str(), QkWide(mode).c_str());
}
