// The character streams under the record readers and writers: a buffered
// binary reader with push-back and a writer that replaces its target only
// when the whole file has been written.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "cpplib/qkfile.h"

class clHexTextIn {
public:
    static constexpr int kEof = -1;

    clHexTextIn() = default;
    clHexTextIn(const clHexTextIn&) = delete;
    clHexTextIn& operator=(const clHexTextIn&) = delete;
    ~clHexTextIn() { Close(); }

    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_pFile != nullptr; }

    // The next character, or kEof (then IsEof or HasFailed tells why).
    int Get()
    {
        if (m_iPushed >= 0) {
            const int c = m_iPushed;
            m_iPushed = -1;
            return c;
        }
        if (m_uPos == m_uFill && !Refill())
            return kEof;
        return m_Buffer[m_uPos++];
    }
    // The next two characters at once when both are in the buffer (the
    // common case of a hex digit pair); false when Get must be asked.
    bool GetPair(int& first, int& second)
    {
        if (m_iPushed >= 0 || m_uFill - m_uPos < 2)
            return false;
        first = m_Buffer[m_uPos];
        second = m_Buffer[m_uPos + 1];
        m_uPos += 2;
        return true;
    }
    // Gives a character back to be read again next.
    void PutBack(int c) { m_iPushed = c; }

    bool IsEof() const { return m_bEof; }
    bool IsGood() const { return m_pFile != nullptr && !m_bEof && !m_bFailed; }
    bool HasFailed() const { return m_bFailed; }

    // Position of the next character from the start of the file.
    std::uint64_t Tell() const;
    std::uint64_t Length() const { return m_ulLength; }
    bool Rewind();

private:
    bool Refill();

    std::FILE* m_pFile = nullptr;
    std::unique_ptr<unsigned char[]> m_Buffer;
    std::size_t m_uPos = 0;
    std::size_t m_uFill = 0;
    std::uint64_t m_ulBufferStart = 0; // file position of m_Buffer[0]
    std::uint64_t m_ulLength = 0;
    int m_iPushed = -1;
    bool m_bEof = false;
    bool m_bFailed = false;
};

class clHexTextOut {
public:
    bool Open(const std::string& path);
    bool IsOpen() const { return m_pFile != nullptr && m_pFile->IsOpen(); }
    void Write(const char* text, std::size_t count);
    bool IsGood() const { return IsOpen() && m_pFile->Stream().good(); }
    // Puts the file in place; false (target untouched) when anything failed.
    bool Commit();
    // Drops what was written; the target stays as it was.
    void Discard();

private:
    void Flush();

    std::unique_ptr<clAtomicFile> m_pFile;
    std::string m_sPending; // written to the file in large pieces
};
