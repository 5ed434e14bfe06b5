// Writing a user's file so that a failure never leaves a half-written file
// where a good one was: the data goes to a temporary file beside the target,
// which replaces the target only once it is complete and on disk. And the
// checks that keep a read or a write away from what is not a plain file.
#pragma once

#include <cstddef>
#include <fstream>
#include <string>

class clAtomicFile {
public:
    // Prepares the write of path. A symbolic link is followed to the file it
    // names, so the link stays and that file gets the new content. A regular
    // file (or a new one) is written through a temporary file beside it; a
    // character device (/dev/null, a terminal) is written directly, its
    // errors reported by Commit; anything else (a directory, a FIFO, a block
    // device) is refused. IsOpen() tells whether the write can go on,
    // GetError() why not.
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
    // Discard after the stream failed: GetError then says why, as the
    // system told it.
    void Abandon();
    // What went wrong, in words naming the file; empty while all is well.
    const std::string& GetError() const { return m_sError; }

private:
    void Fail(const std::string& what);

    std::string m_sPath;     // as the caller named it
    std::string m_sTarget;   // the file that gets the content (links followed)
    std::string m_sTempPath; // empty when writing directly
    std::ofstream m_Stream;
    std::string m_sError;
    bool m_bDone = false;
};

// The temporary file of the atomic write under way ("" when none), for the
// handler of a stop signal, which must leave no hidden half-written file
// behind: a fixed buffer, read without allocating.
const char* QkPendingTempFile();

// Removes the hidden temporary files of atomic writes that a killed program
// left in folder (ours by their name, and untouched for an hour, so that a
// write under way elsewhere keeps its file); answers how many.
int QkSweepStaleTempFiles(const std::string& folder);

// Writes count bytes as the whole content of path, atomically (see
// clAtomicFile); error, when given, receives the reason of a failure.
bool QkWriteFileAtomically(const std::string& path, const void* data, std::size_t count, std::string* error = nullptr);

// True when path names an existing file (or other directory entry).
bool QkFileExists(const std::string& path);

// Why path cannot serve as a data or project file to read, in words naming
// it ("x.bin is empty", "adir is a directory", "/dev/zero is not a regular
// file", "x.hex does not exist"); empty when it can. Never opens anything but
// a regular file, so a FIFO cannot block it. allowEmpty: an empty file is
// fine (a caller that fills a range by itself).
std::string QkCheckInputFile(const std::string& path, bool allowEmpty = false);

// Why path cannot be written as a file (see clAtomicFile: a directory, a
// FIFO, a missing folder, ...), in words; empty when it can be.
std::string QkCheckOutputFile(const std::string& path);

// True when both paths lead to the same existing file, links followed.
bool QkSameFile(const std::string& first, const std::string& second);
// True when both paths lead to the same file, existing or still to be
// written (links, "." and ".." followed as far as they exist).
bool QkSameTarget(const std::string& first, const std::string& second);

// Why path cannot be written right now, found by trying: what
// QkCheckOutputFile finds, a name too long, a folder that refuses a new
// file (permissions, a read-only file system). Creates nothing that stays.
std::string QkProbeOutputFile(const std::string& path);
