// The owner side of the record streams: opens a stream for a file, reads it
// block by block into a space buffer or writes a buffer range to it, and turns
// record faults into the warnings the user answers.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "err/qkerr.h"
#include "source/files/hexstrm.h"

class clProgressSink;
template <class T>
class clHugeBuffer;

// The record handed to the error manager for a file warning.
class clHexIOErr : public clBasicErr {
public:
    clHexIOErr(unsigned long processId, unsigned short errNo, ERR_TYPE type, const char* text, unsigned char option);
};

class clHexIO : public clHexMenagerInterface {
public:
    static constexpr unsigned short kRecordLength = 16;

    explicit clHexIO(unsigned long ownerWindow);
    ~clHexIO() override;

    // 1 when the file is open and its first record read (reading) or the
    // output file created (writing).
    int OpenFile(const char* name, int kind, int mode);
    // Writing: 1 when the whole file was written and put in place.
    int CloseFile();
    // Fills block with up to maximum contiguous bytes; 1 (possibly short or
    // empty) or 0 on failure.
    int ReadBlock(clHexBlk& block, std::size_t maximum);
    // Writes count bytes of block (0: all); 1 on success.
    int WriteBlock(const clHexBlk& block, std::size_t count = 0);

    int OnReadError(int code) override;
    int OnWriteError(int code) override;
    void OnProgress() override;
    unsigned short GetRecordLength() override { return m_usRecordLength; }

    clHexStream* GetStream() { return m_pStream.get(); }

protected:
    // The progress display; nothing to show without a display.
    virtual void ShowProgress(int percent, const std::string& fileName);
    // Shows a warning through the program's error manager and returns the
    // button pressed.
    virtual int Report(int code, ERR_TYPE type, unsigned char buttons);
    // The same with a text of its own.
    int ReportText(unsigned short code, ERR_TYPE type, unsigned char buttons, const std::string& text);
    // Repeats of a warning that went unshown (and were ignored).
    unsigned long WarningsNotShown() const { return m_ulWarningsNotShown; }

private:
    std::uint64_t m_ulFileStart = 0;
    std::uint64_t m_ulFileLength = 0;
    unsigned long m_ulRecordCount = 0;
    unsigned long m_ulOwnerWindow;
    unsigned short m_usRecordLength = kRecordLength;
    std::map<int, int> m_SameWarnings; // how often each warning came
    unsigned long m_ulWarningsNotShown = 0;
    std::unique_ptr<clHexStream> m_pStream;
};

// The addresses of a file's data that a load left out (outside the range
// asked for, or outside the place it stores into): the lowest and highest.
struct clOutsideData {
    bool any = false;
    std::uint32_t first = 0;
    std::uint32_t last = 0;

    void Add(std::uint32_t from, std::uint32_t to);
};

// Where a load stores what it reads.
class clHexSink {
public:
    virtual ~clHexSink() = default;
    // The addresses it can hold; false when it holds none.
    virtual bool GetRange(std::uint32_t& first, std::uint32_t& last) const = 0;
    // Stores the bytes of first..last (inside the range).
    virtual void Store(std::uint32_t first, std::uint32_t last, const unsigned char* bytes) = 0;
};

class clHexLoader : public clHexIO {
public:
    static constexpr std::size_t kBlockSize = 0x400;

    clHexLoader(clProgressSink* gauge, unsigned long ownerWindow);
    ~clHexLoader() override;

    // Reads the open file into buffer, storing only what falls in start..stop
    // (and inside the buffer); returns the last ReadBlock result. outside,
    // when given, learns the addresses of the data left out.
    int Load(clHugeBuffer<unsigned char>& buffer, std::uint32_t start, std::uint32_t stop,
             clOutsideData* outside = nullptr);
    // The same into any sink.
    int Load(clHexSink& sink, std::uint32_t start, std::uint32_t stop, clOutsideData* outside = nullptr);
    // Whether the last Load stored any byte.
    bool StoredAny() const { return m_bStored; }
    // Writes start..stop of buffer (clamped to it); 1 when all was written.
    int Save(const clHugeBuffer<unsigned char>& buffer, std::uint32_t start, std::uint32_t stop);

protected:
    void ShowProgress(int percent, const std::string& fileName) override;

private:
    clProgressSink* m_pGauge;
    int m_iLastPercent = 0;
    bool m_bStored = false;
};

// The file name without drive and folders.
std::string QkFileNameOnly(const std::string& path);
