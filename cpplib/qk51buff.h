// The program's space buffer: adds binary file loads of an address range and,
// once bound to a communication object, writes every change of its bytes
// through to the programmer's memory.
#pragma once

#include "cpplib/qkbufcomm.h"
#include "cpplib/qkbufint.h"

class clQKHugeBuffer : public clQKHugeBufIntr {
public:
    explicit clQKHugeBuffer(const char* name = "");
    ~clQKHugeBuffer() override = default;

    // The communication object changes go to (null: none). Not owned.
    void BindComm(clQKBufComm* comm) { m_pComm = comm; }
    clQKBufComm* GetComm() const { return m_pComm; }
    // Whether a change now goes to the programmer: the buffer has bytes and
    // is bound to a connected real protocol, or to a forced demo.
    bool IsWriteThrough() const;

    // The changing operations: each does its work, then writes what it
    // changed through.
    void SetByte(const clAdrs& adrs, const unsigned char* byte) override;
    void CopyWithin(const clAdrs& start, const clAdrs& stop, const clAdrs& dest) override;
    void Write(const clAdrs& start, const clAdrs& stop, const unsigned char* src) override;
    void Fill(const clAdrs& start, const clAdrs& stop, const unsigned char* value) override;
    void LoadFromStream(std::istream& in) override;
    // The whole buffer goes through under the progress text "Loading".
    int LoadFile(const char* path) override;
    // File byte k goes to buffer start address + k; only the part of the file
    // that falls in start..stop is loaded. A missing file shows "File not
    // found!" and answers 0.
    int LoadBinRange(const char* path, const clAdrs& start, const clAdrs& stop) override;
    // The same, every byte stored with its bit order reversed.
    int LoadBinRangeReversed(const char* path, const clAdrs& start, const clAdrs& stop) override;
    // Also tells the programmer the new range.
    void SetCmdAddresses(const clAdrs& start, const clAdrs& stop) override;

private:
    int LoadRange(const char* path, const clAdrs& start, const clAdrs& stop, bool reversed,
                  const unsigned short lines[3]);
    // Writes start..stop through (or fills it with *fill) with the command
    // range set to it for the time of the transfer.
    void WriteThrough(const clAdrs& start, const clAdrs& stop, const unsigned char* fill = nullptr);

    clQKBufComm* m_pComm = nullptr;
};
