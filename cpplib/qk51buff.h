// The program's space buffer: adds binary file loads of an address range and,
// once bound to a communication object, mirrors its bytes in the programmer's
// memory. It knows which parts the programmer confirmed since the connection
// was made; a change, a failed or stopped transfer, or a new connection
// leaves parts unsynced, and they are sent before an order uses them.
#pragma once

#include <cstdint>

#include "cpplib/qkbufcomm.h"
#include "cpplib/qkbufint.h"
#include "cpplib/qkmirror.h"

class clQKHugeBuffer : public clQKHugeBufIntr {
public:
    explicit clQKHugeBuffer(const char* name = "");
    ~clQKHugeBuffer() override = default;

    // The communication object changes go to (null: none). Not owned.
    void BindComm(clQKBufComm* comm)
    {
        m_pComm = comm;
        m_uConnection = kNoConnection;
    }
    clQKBufComm* GetComm() const { return m_pComm; }
    // Whether a change now goes to the programmer: the buffer has bytes and
    // is bound to a connected real protocol, or to a forced demo.
    bool IsWriteThrough() const;

    // The changing operations: each does its work, marks the bytes it changed
    // unsynced and, unless sending is held, sends them at once.
    void SetByte(const clAdrs& adrs, const unsigned char* byte) override;
    void CopyWithin(const clAdrs& start, const clAdrs& stop, const clAdrs& dest) override;
    void Write(const clAdrs& start, const clAdrs& stop, const unsigned char* src) override;
    void Fill(const clAdrs& start, const clAdrs& stop, const unsigned char* value) override;
    void LoadFromStream(std::istream& in) override;
    // The whole buffer goes through under the progress text "Loading".
    int LoadFile(const char* path) override;
    int SetParams(std::uint32_t size, const clAdrs& start) override;
    // File byte k goes to buffer start address + k; only the part of the file
    // that falls in start..stop is loaded. A missing file shows "File not
    // found!" and answers 0.
    int LoadBinRange(const char* path, const clAdrs& start, const clAdrs& stop) override;
    // The same, every byte stored with its bit order reversed.
    int LoadBinRangeReversed(const char* path, const clAdrs& start, const clAdrs& stop) override;
    // Also tells the programmer the new range.
    void SetCmdAddresses(const clAdrs& start, const clAdrs& stop) override;

    // The programmer's copy.
    // Whether the programmer's memory holds start..stop as the buffer does.
    bool IsSynced(const clAdrs& start, const clAdrs& stop) const;
    std::uint64_t UnsyncedBytes(const clAdrs& start, const clAdrs& stop) const;
    // How long sending them keeps the line busy, in ms (0 without a programmer).
    double UnsyncedWireMs(const clAdrs& start, const clAdrs& stop) const;
    // Sends what the programmer lacks of start..stop: runs of equal bytes as
    // fill frames, in steps with one progress over all of them. A failure or
    // a stop throws; what was confirmed before it stays synced.
    void SendUnsynced(const clAdrs& start, const clAdrs& stop);
    // The programmer's memory and the buffer were made equal over start..stop
    // another way (a read of the device into both), or may differ there.
    void MarkSynced(const clAdrs& start, const clAdrs& stop);
    void MarkUnsynced(const clAdrs& start, const clAdrs& stop);

    // While a hold lives, changes are only marked: a load or an edit of many
    // bytes is sent once, when it is complete (SendUnsynced).
    class clHold {
    public:
        explicit clHold(clQKHugeBuffer& buffer) : m_Buffer(buffer) { ++m_Buffer.m_iHolds; }
        ~clHold() { --m_Buffer.m_iHolds; }
        clHold(const clHold&) = delete;
        clHold& operator=(const clHold&) = delete;

    private:
        clQKHugeBuffer& m_Buffer;
    };

private:
    int LoadRange(const char* path, const clAdrs& start, const clAdrs& stop, bool reversed,
                  const unsigned short lines[3]);
    // Marks unsynced the bytes of start..stop that differ from the values
    // that newByte(offset) is about to give them.
    template <class NewByte>
    void MarkChanges(const clAdrs& start, const clAdrs& stop, NewByte newByte);
    // Sends the unsynced part of start..stop unless sending is held or no
    // programmer is connected (the next order sends it then).
    void WriteThrough(const clAdrs& start, const clAdrs& stop);
    // A new connection since the last transfer: the programmer may have
    // restarted, so none of its memory is known.
    void CheckConnection() const;

    clQKBufComm* m_pComm = nullptr;
    mutable clQkMirror m_Mirror;
    mutable unsigned m_uConnection = kNoConnection;
    int m_iHolds = 0;
    static constexpr unsigned kNoConnection = ~0u;
};
