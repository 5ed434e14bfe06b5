// Writing a user's file so that a failure never leaves a half-written file
// where a good one was: the data goes to a temporary file beside the target,
// which replaces the target only once it is complete and on disk.
#pragma once

#include <cstddef>
#include <fstream>
#include <string>

class clAtomicFile {
public:
    // Opens a temporary file in the folder of path; IsOpen() tells whether that
    // worked.
    explicit clAtomicFile(const std::string& path);
    clAtomicFile(const clAtomicFile&) = delete;
    clAtomicFile& operator=(const clAtomicFile&) = delete;
    // Removes the temporary file unless Commit succeeded.
    ~clAtomicFile();

    bool IsOpen() const { return m_Stream.is_open(); }
    std::ofstream& Stream() { return m_Stream; }
    // Flushes, syncs and renames over the target; false (and the target left
    // as it was) on any failure.
    bool Commit();
    // Drops the temporary file; the target stays as it was.
    void Discard();

private:
    std::string m_sPath;
    std::string m_sTempPath;
    std::ofstream m_Stream;
    bool m_bDone = false;
};

// Writes count bytes as the whole content of path, atomically.
bool QkWriteFileAtomically(const std::string& path, const void* data, std::size_t count);

// True when path names an existing file (or other directory entry).
bool QkFileExists(const std::string& path);
