// The record streams: Intel Hex and Motorola S-records, read into and written
// from a byte queue.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "cladrs/cladrs.h"
#include "source/files/hexdefs.h"
#include "source/files/hexqueue.h"
#include "source/files/hextext.h"

namespace qk_detail {
constexpr std::array<signed char, 256> MakeHexValues()
{
    std::array<signed char, 256> values{};
    for (int c = 0; c < 256; ++c)
        values[c] = c >= '0' && c <= '9'   ? static_cast<signed char>(c - '0')
                    : c >= 'A' && c <= 'F' ? static_cast<signed char>(c - 'A' + 10)
                    : c >= 'a' && c <= 'f' ? static_cast<signed char>(c - 'a' + 10)
                                           : -1;
    return values;
}
// The value of a hex digit in either case, -1 for any other character.
inline constexpr std::array<signed char, 256> kHexValues = MakeHexValues();
} // namespace qk_detail

// A record fault found while reading or writing; the code is the warning's
// string id (hexErr…). It never leaves the stream: the owner decides.
struct clHexError {
    int code;
};

// What a stream needs from its owner.
class clHexMenagerInterface {
public:
    virtual int OnReadError(int code) = 0;
    virtual int OnWriteError(int code) = 0;
    virtual void OnProgress() = 0;
    virtual unsigned short GetRecordLength() = 0;
    virtual ~clHexMenagerInterface() = default;
};

class clHexStreamInterface {
public:
    virtual ~clHexStreamInterface() = default;
    virtual int GetMode() const = 0;
    virtual int Init() = 0;
    virtual int Close() = 0;
    virtual const std::string& GetFileName() const = 0;
    virtual void SetBad() = 0;
    virtual int SetAddress(const clAdrs& adrs) = 0;
    virtual unsigned GetQueueCount() const = 0;
    virtual int IsEnd() const = 0;
    virtual int IsBad() const = 0;
    virtual void SkipToRecordMark() = 0;
    virtual clAdrs GetAddress() const = 0;
    virtual int TransferByte(unsigned char& byte) = 0;
    virtual int Open(const char* name, int kind, int mode) = 0;
    virtual void ReadRecord() = 0;
    virtual void WriteRecord() = 0;
    virtual int IsIntel() const = 0;
    virtual int IsMotorola() const = 0;
};

// The part common to both grammars: the file, the flags, the checksum, the
// queue, the fill loop of reading and the flush loop of writing.
class clHexStream : public clHexStreamInterface {
public:
    explicit clHexStream(clHexMenagerInterface* owner) : m_pOwner(owner) {}

    int GetMode() const override { return m_iMode; }
    int Init() override;
    // Reading: closes the file. Writing: writes what is queued and the
    // terminator, and puts the file in place; HEXIO_ABORT when the file could
    // not be completed (the target is then left as it was).
    int Close() override;
    const std::string& GetFileName() const override { return m_sFileName; }
    void SetBad() override { m_iBad = 1; }
    int SetAddress(const clAdrs& adrs) override;
    unsigned GetQueueCount() const override { return m_Queue.GetCount(); }
    int IsEnd() const override { return m_iEnd; }
    int IsBad() const override { return m_iBad; }
    void SkipToRecordMark() override;
    clAdrs GetAddress() const override { return m_Queue.GetAddress(); }
    // The queue address as a number, for the per-byte loops.
    std::uint32_t GetLinear() const { return m_Queue.GetLinear(); }
    // TransferByte, with the common case of reading (more bytes queued) done
    // here.
    int NextByte(unsigned char& byte)
    {
        if (m_iMode == HEX_READ && m_Queue.GetCount() > 1 && !m_iBad && !m_iEnd) {
            byte = m_Queue.Take();
            m_Queue.Advance();
            return HEXIO_OK;
        }
        return TransferByte(byte);
    }
    // TransferByte for writing, with the common case (the queue does not
    // fill up) done here.
    int PutByte(unsigned char byte)
    {
        if (m_iMode == HEX_WRITE && m_Queue.GetCount() + 2 < clHexQueue::kCapacity) {
            m_Queue.Put(byte);
            m_Queue.Advance();
            return HEXIO_OK;
        }
        return TransferByte(byte);
    }
    int TransferByte(unsigned char& byte) override;
    int Open(const char* name, int kind, int mode) override;

    int GetFormatKind() const { return m_iKind; }
    // Reading: position in the file and its length, for progress.
    std::uint64_t Tell() const { return m_In.Tell(); }
    std::uint64_t Length() const { return m_In.Length(); }
    // Reading: lets 16-bit record offsets land in the 64 KB page of a space
    // until an address record of the file says otherwise.
    virtual void SetPresetPage(unsigned short) {}
    // Reading, once the end record was read: reads the rest of the file and
    // counts the data records in it (they are not loaded).
    unsigned CountDataRecordsAfterEnd();
    // What the system said of the last disk fault ("No space left on
    // device"), or "".
    const std::string& GetSystemReason() const { return m_sSystemReason; }

protected:
    // Grammar hooks.
    virtual char RecordMark() const = 0;
    // Whether a line (from its record mark on) starts a data record.
    virtual bool IsDataRecordLine(const std::string& head) const = 0;
    virtual void ResetQueueAddress() = 0;
    virtual const char* Terminator() const = 0;
    // Writing: address records due before data at a new address.
    virtual void OnNewAddress(std::uint32_t) {}

    // The fill loop of reading.
    int Fill();
    // Writes records until the queue is empty.
    int Flush();
    // Runs one WriteRecord, handing a fault to the owner.
    int WriteOneRecord();

    // Reading helpers; each runs the stream check and throws on a fault.
    int ReadChar()
    {
        const int c = m_In.Get();
        if (c == clHexTextIn::kEof)
            StreamFault();
        return c;
    }
    [[noreturn]] void StreamFault();
    int ReadRecordStart(); // skips white space; end of file here is 106
    // Two hex digits, either case, added to the checksum.
    unsigned char ReadHexByte()
    {
        int first, second;
        if (!m_In.GetPair(first, second))
            return ReadHexByteSlowly();
        return HexByte(first, second);
    }
    unsigned char HexByte(int first, int second)
    {
        const int high = qk_detail::kHexValues[static_cast<unsigned char>(first)];
        const int low = qk_detail::kHexValues[static_cast<unsigned char>(second)];
        if ((high | low) < 0)
            NotHexDigits();
        const auto byte = static_cast<unsigned char>(high << 4 | low);
        m_ucChecksum = static_cast<unsigned char>(m_ucChecksum + byte);
        return byte;
    }
    unsigned char ReadHexByteSlowly();
    [[noreturn]] void NotHexDigits();
    unsigned short Read16();
    // Reads the count data bytes of a record into the queue; bytes that would
    // lie past address 0xFFFFFFFF are read but not queued. True when the
    // record ran past that address.
    bool ReadRecordData(unsigned count);
    // Writing helpers: a record is built in m_Line, then written with its
    // line end.
    void StartLine(char first)
    {
        m_Line[0] = first;
        m_uLineLength = 1;
        m_ucChecksum = 0;
    }
    void PutChar(char c) { m_Line[m_uLineLength++] = c; }
    void PutHexByte(unsigned char byte)
    {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        m_Line[m_uLineLength++] = kDigits[byte >> 4];
        m_Line[m_uLineLength++] = kDigits[byte & 0x0F];
        m_ucChecksum = static_cast<unsigned char>(m_ucChecksum + byte);
    }
    void EndLine();
    unsigned RecordLength();

    clHexTextIn m_In;
    clHexTextOut m_Out;
    std::string m_sFileName;
    int m_iEnd = 0;
    int m_iBad = 0;
    int m_iOpen = 0;
    int m_iMode = HEX_READ;
    int m_iKind = HEXFMT_INTEL_ANY;
    unsigned char m_ucChecksum = 0;
    char m_Line[600] = {}; // the longest record: 255 data bytes
    std::size_t m_uLineLength = 0;
    clHexQueue m_Queue;
    clHexMenagerInterface* m_pOwner;
    std::string m_sSystemReason;
};

class clHexIntelStream : public clHexStream {
public:
    using clHexStream::clHexStream;
    void ReadRecord() override;
    void WriteRecord() override;
    int IsIntel() const override { return 1; }
    int IsMotorola() const override { return 0; }
    void SetPresetPage(unsigned short page) override;

protected:
    char RecordMark() const override { return ':'; }
    bool IsDataRecordLine(const std::string& head) const override
    {
        return head.size() >= 9 && head[0] == ':' && head[7] == '0' && head[8] == '0';
    }
    void ResetQueueAddress() override;
    const char* Terminator() const override { return ":00000001FF"; }
    void OnNewAddress(std::uint32_t address) override;

private:
    void AcceptAddressRecord(int recordType);
    bool WritesAddressRecords() const;
    void WriteAddressRecord(std::uint32_t address);

    bool m_bAddressRecordSeen = false;
    unsigned short m_usWrittenPage = 0; // the page of the last address record written
};

class clHexMotorolaStream : public clHexStream {
public:
    using clHexStream::clHexStream;
    void ReadRecord() override;
    void WriteRecord() override;
    int IsIntel() const override { return 0; }
    int IsMotorola() const override { return 1; }

protected:
    char RecordMark() const override { return 'S'; }
    bool IsDataRecordLine(const std::string& head) const override
    {
        return head.size() >= 2 && head[0] == 'S' && head[1] >= '1' && head[1] <= '3';
    }
    void ResetQueueAddress() override
    {
        m_Queue.SetLinear(0);
        m_uDataKinds = 0;
    }
    const char* Terminator() const override;

private:
    void FindRecordMark();
    void AcceptDataKind(int kind);
    void AcceptEndKind(int kind);
    // Address bytes of the data records of the current kind.
    int AddressBytes() const;

    unsigned m_uDataKinds = 0; // bit n: an Sn data record was read
};
