#include "source/files/hexstrm.h"

#include <algorithm>

#include "cpplib/qkfilesys.h"

namespace {
constexpr int kMaxSkip = 200; // characters skipped per warning at most

bool IsWhite(int c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
} // namespace

// ---- common part ----

int clHexStream::Open(const char* name, int kind, int mode)
{
    m_sFileName = name != nullptr ? name : "";
    const bool opened = mode == HEX_WRITE ? m_Out.Open(m_sFileName) : m_In.Open(m_sFileName);
    if (!opened)
        return 0;
    m_iMode = mode;
    m_iKind = kind;
    m_iOpen = 1;
    // The owner measures the file and then runs Init, once.
    return 1;
}

int clHexStream::Init()
{
    m_iEnd = m_iBad = 0;
    m_ucChecksum = 0;
    m_Queue.Clear();
    ResetQueueAddress();
    if (m_iMode == HEX_WRITE)
        return HEXIO_OK;
    if (!m_In.Rewind()) {
        m_iBad = 1;
        return HEXIO_ABORT;
    }
    return Fill();
}

int clHexStream::Fill()
{
    if (m_iEnd)
        return HEXIO_END;
    if (m_iBad)
        return HEXIO_ABORT;
    while (!m_iEnd && !m_iBad && m_Queue.IsEmpty()) {
        m_pOwner->OnProgress();
        try {
            ReadRecord();
        } catch (const clHexError& error) {
            const int status = m_pOwner->OnReadError(error.code);
            if (status != HEXIO_OK)
                return status;
        }
    }
    return HEXIO_OK;
}

int clHexStream::TransferByte(unsigned char& byte)
{
    if (m_iMode == HEX_READ) {
        if (m_iBad || m_iEnd || m_Queue.IsEmpty())
            return HEXIO_ABORT;
        byte = m_Queue.Take();
        m_Queue.Advance();
        return m_Queue.IsEmpty() ? Fill() : HEXIO_OK;
    }
    m_Queue.Put(byte);
    m_Queue.Advance();
    while (!m_iEnd && !m_iBad && m_Queue.IsFull()) {
        m_pOwner->OnProgress();
        const int status = WriteOneRecord();
        if (status != HEXIO_OK)
            return status;
    }
    return HEXIO_OK;
}

int clHexStream::WriteOneRecord()
{
    try {
        WriteRecord();
    } catch (const clHexError& error) {
        return m_pOwner->OnWriteError(error.code);
    }
    return HEXIO_OK;
}

int clHexStream::Flush()
{
    while (!m_Queue.IsEmpty() && !m_iBad) {
        const int status = WriteOneRecord();
        if (status != HEXIO_OK)
            return status;
    }
    return HEXIO_OK;
}

int clHexStream::SetAddress(const clAdrs& adrs)
{
    if (m_iMode != HEX_WRITE) {
        m_Queue.SetLinear(adrs.GetLinear());
        return HEXIO_OK;
    }
    const int status = Flush();
    if (status != HEXIO_OK)
        return status;
    try {
        OnNewAddress(adrs.GetLinear());
    } catch (const clHexError& error) {
        const int answer = m_pOwner->OnWriteError(error.code);
        if (answer != HEXIO_OK)
            return answer;
    }
    m_Queue.SetLinear(adrs.GetLinear());
    return HEXIO_OK;
}

int clHexStream::Close()
{
    int result = HEXIO_OK;
    if (m_iOpen && m_iMode == HEX_WRITE) {
        SetAddress(m_Queue.GetAddress());
        if (!m_iBad && !m_sFileName.empty())
            m_Out.Write(Terminator(), std::char_traits<char>::length(Terminator()));
        if (m_iBad || !m_Out.IsGood() || !m_Out.Commit()) {
            m_Out.Discard();
            result = HEXIO_ABORT;
        }
    }
    m_In.Close();
    m_iEnd = m_iBad = m_iOpen = 0;
    m_Queue.Clear();
    return result;
}

unsigned clHexStream::CountDataRecordsAfterEnd()
{
    unsigned count = 0;
    std::string head; // the start of the current line, white space dropped
    for (;;) {
        const int c = m_In.Get();
        if (c == clHexTextIn::kEof || c == '\n' || c == '\r') {
            if (IsDataRecordLine(head))
                ++count;
            head.clear();
            if (c == clHexTextIn::kEof)
                return count;
        } else if (head.size() < 16 && !(head.empty() && IsWhite(c))) {
            head += static_cast<char>(c);
        }
    }
}

void clHexStream::SkipToRecordMark()
{
    const int mark = RecordMark();
    for (int skipped = 0; skipped < kMaxSkip; ++skipped) {
        const int c = m_In.Get();
        if (c == clHexTextIn::kEof)
            return;
        if (c == mark) {
            m_In.PutBack(c);
            return;
        }
    }
}

// The stream check: end of file ends the stream with an invalid record, any
// other failure makes it bad.
void clHexStream::StreamFault()
{
    if (m_In.IsEof()) {
        m_iEnd = 1;
        throw clHexError{hexErrInvalid};
    }
    m_iBad = 1;
    m_sSystemReason = QkLastSystemError();
    throw clHexError{hexErrDisk};
}

int clHexStream::ReadRecordStart()
{
    try {
        int c;
        do
            c = ReadChar();
        while (IsWhite(c));
        return c;
    } catch (const clHexError& error) {
        // End of file where a record should begin: the end record is missing.
        throw clHexError{error.code == hexErrInvalid ? hexErrNoEnd : error.code};
    }
}

unsigned char clHexStream::ReadHexByteSlowly()
{
    const int first = ReadChar();
    const int second = ReadChar();
    return HexByte(first, second);
}

void clHexStream::NotHexDigits()
{
    throw clHexError{hexErrInvalid};
}

unsigned short clHexStream::Read16()
{
    const unsigned high = ReadHexByte();
    return static_cast<unsigned short>(high << 8 | ReadHexByte());
}

bool clHexStream::ReadRecordData(unsigned count)
{
    const std::uint64_t room = 0x100000000ull - m_Queue.GetLinear();
    for (unsigned i = 0; i < count; ++i) {
        const unsigned char byte = ReadHexByte();
        if (i < room && !m_Queue.Put(byte))
            throw clHexError{hexErrInvalid};
    }
    return count > room;
}

void clHexStream::EndLine()
{
    // Line ends are CR LF whatever the platform.
    m_Line[m_uLineLength++] = '\r';
    m_Line[m_uLineLength++] = '\n';
    m_Out.Write(m_Line, m_uLineLength);
    if (!m_Out.IsGood()) {
        m_iBad = 1;
        m_sSystemReason = QkLastSystemError();
        throw clHexError{hexErrDisk};
    }
}

unsigned clHexStream::RecordLength()
{
    const unsigned length = m_pOwner->GetRecordLength();
    return std::clamp(length, 1u, 255u);
}

// ---- Intel Hex ----

void clHexIntelStream::ResetQueueAddress()
{
    m_Queue.SetBase(m_iKind == HEXFMT_INTEL_LINEAR ? adrsBase64K : adrsSegment, 0);
    m_bAddressRecordSeen = false;
    m_usWrittenPage = 0;
}

void clHexIntelStream::SetPresetPage(unsigned short page)
{
    // Only while the file has not given an address of its own; a record
    // already queued moves with the page.
    if (!m_bAddressRecordSeen)
        m_Queue.Rebase(adrsBase64K, page);
}

// An 02 record sets a segment base, an 04 record a linear one, and the
// latest one counts: files that mix them (a micro:bit universal hex) are
// legal Intel Hex, so a mix is read as the format defines, without a warning.
// The first of either fixes an open kind.
void clHexIntelStream::AcceptAddressRecord(int recordType)
{
    if (m_iKind == HEXFMT_INTEL_ANY)
        m_iKind = recordType == 2 ? HEXFMT_INTEL_SEGMENT : HEXFMT_INTEL_LINEAR;
}

void clHexIntelStream::ReadRecord()
{
    m_ucChecksum = 0;
    if (ReadRecordStart() != ':')
        throw clHexError{hexErrNotHex};
    const unsigned count = ReadHexByte();
    const unsigned short offset = Read16();
    const unsigned type = ReadHexByte();
    bool pastTop = false;
    switch (type) {
    case 0x00:
        m_Queue.SetOffset(offset);
        pastTop = ReadRecordData(count);
        break;
    case 0x01: m_iEnd = 1; return;
    case 0x02:
        AcceptAddressRecord(2);
        m_Queue.SetBase(adrsSegment, Read16());
        m_bAddressRecordSeen = true;
        break;
    case 0x03:
    case 0x05:
        Read16();
        Read16();
        break;
    case 0x04:
        AcceptAddressRecord(4);
        m_Queue.SetBase(adrsBase64K, Read16());
        m_bAddressRecordSeen = true;
        break;
    default: throw clHexError{hexErrUnknownType};
    }
    ReadHexByte();
    if (m_ucChecksum != 0)
        throw clHexError{hexErrChecksum};
    // The bytes within the address space are queued; the rest cannot be
    // stored anywhere, which the user must hear of.
    if (pastTop)
        throw clHexError{hexErrInvalid};
}

bool clHexIntelStream::WritesAddressRecords() const
{
    return m_iKind == HEXFMT_INTEL_LINEAR || m_iKind == HEXFMT_INTEL_SEGMENT;
}

void clHexIntelStream::OnNewAddress(std::uint32_t address)
{
    if (WritesAddressRecords() && (address >> 16) != m_usWrittenPage)
        WriteAddressRecord(address);
}

void clHexIntelStream::WriteAddressRecord(std::uint32_t address)
{
    const bool linear = m_iKind == HEXFMT_INTEL_LINEAR;
    const auto value = static_cast<unsigned short>(linear ? address >> 16 : (address & 0xFFFF0000u) >> 4);
    StartLine(':');
    PutHexByte(2);
    PutHexByte(0);
    PutHexByte(0);
    PutHexByte(linear ? 4 : 2);
    PutHexByte(static_cast<unsigned char>(value >> 8));
    PutHexByte(static_cast<unsigned char>(value & 0xFF));
    PutHexByte(static_cast<unsigned char>(0 - m_ucChecksum));
    m_usWrittenPage = static_cast<unsigned short>(address >> 16);
    EndLine();
}

void clHexIntelStream::WriteRecord()
{
    const std::uint32_t address = m_Queue.GetLinear() - m_Queue.GetCount();
    // A record never crosses a 64 KB boundary: the data after it needs an
    // address record of its own.
    const unsigned toBoundary = 0x10000u - (address & 0xFFFFu);
    const unsigned count = std::min({RecordLength(), m_Queue.GetCount(), toBoundary});
    OnNewAddress(address);
    StartLine(':');
    PutHexByte(static_cast<unsigned char>(count));
    PutHexByte(static_cast<unsigned char>((address >> 8) & 0xFF));
    PutHexByte(static_cast<unsigned char>(address & 0xFF));
    PutHexByte(0x00);
    for (unsigned i = 0; i < count; ++i)
        PutHexByte(m_Queue.Take());
    PutHexByte(static_cast<unsigned char>(0 - m_ucChecksum));
    EndLine();
}

// ---- Motorola S-records ----

const char* clHexMotorolaStream::Terminator() const
{
    switch (m_iKind) {
    case HEXFMT_S2: return "S804000000FB";
    case HEXFMT_S3: return "S70500000000FA";
    default: return "S9030000FC";
    }
}

// Every data record carries its whole address, so S1, S2 and S3 records
// may mix (compilers write S1 and then S2 records); the first one fixes an
// open kind. A termination record must match a kind of data seen.
void clHexMotorolaStream::AcceptDataKind(int kind)
{
    if (m_iKind == HEXFMT_S_ANY)
        m_iKind = kind;
    m_uDataKinds |= 1u << kind;
}

void clHexMotorolaStream::AcceptEndKind(int kind)
{
    if (m_iKind == HEXFMT_S_ANY)
        m_iKind = kind;
    else if (m_iKind != kind && (m_uDataKinds & (1u << kind)) == 0)
        throw clHexError{hexErrUnexpectedType};
}

// "S" is the record mark. "$" opens a section that is skipped: "$$S" resumes
// at that S; otherwise up to 200 characters are skipped through the next "$",
// which is read again as the start of a further section. Every round reads at
// least one character, so the search ends at the latest with the file.
void clHexMotorolaStream::FindRecordMark()
{
    for (;;) {
        const int c = ReadRecordStart();
        if (c == 'S')
            return;
        if (c != '$')
            throw clHexError{hexErrNotHex};
        try {
            int next = ReadChar();
            if (next == '$') {
                next = ReadChar();
                if (next == 'S')
                    return;
            }
            for (int skipped = 1; next != '$' && skipped < kMaxSkip; ++skipped)
                next = ReadChar();
        } catch (const clHexError& error) {
            throw clHexError{error.code == hexErrInvalid ? hexErrNoEnd : error.code};
        }
        m_In.PutBack('$');
    }
}

int clHexMotorolaStream::AddressBytes() const
{
    switch (m_iKind) {
    case HEXFMT_S2: return 3;
    case HEXFMT_S3: return 4;
    default: return 2;
    }
}

void clHexMotorolaStream::ReadRecord()
{
    m_ucChecksum = 0;
    FindRecordMark();
    const int type = ReadChar() - '0';
    unsigned count = ReadHexByte();
    unsigned addressBytes;
    switch (type) {
    case 0:
    case 1:
    case 5:
    case 9: addressBytes = 2; break;
    case 2:
    case 8: addressBytes = 3; break;
    case 3:
    case 7: addressBytes = 4; break;
    default: throw clHexError{hexErrUnknownType};
    }
    // The count covers the address, the data and the checksum.
    if (count < addressBytes + 1)
        throw clHexError{hexErrInvalid};
    std::uint32_t address = 0;
    for (unsigned i = 0; i < addressBytes; ++i)
        address = address << 8 | ReadHexByte();
    count -= addressBytes;
    bool pastTop = false;
    switch (type) {
    case 0:
        for (unsigned i = 0; i + 1 < count; ++i)
            ReadHexByte();
        break;
    case 1:
    case 2:
    case 3:
        AcceptDataKind(type);
        m_Queue.SetLinear(address);
        pastTop = ReadRecordData(count - 1);
        break;
    case 7:
    case 8:
    case 9:
        AcceptEndKind(10 - type);
        m_iEnd = 1;
        return;
    default: // S5: the record count is not used
        break;
    }
    ReadHexByte();
    if (m_ucChecksum != 0xFF)
        throw clHexError{hexErrChecksum};
    if (pastTop)
        throw clHexError{hexErrInvalid};
}

void clHexMotorolaStream::WriteRecord()
{
    const std::uint32_t address = m_Queue.GetLinear() - m_Queue.GetCount();
    const int addressBytes = AddressBytes();
    // The count byte covers address, data and checksum.
    const unsigned count = std::min({RecordLength(), m_Queue.GetCount(), 254u - addressBytes});
    StartLine('S');
    PutChar(static_cast<char>('0' + (addressBytes - 1)));
    PutHexByte(static_cast<unsigned char>(count + addressBytes + 1));
    for (int i = addressBytes - 1; i >= 0; --i)
        PutHexByte(static_cast<unsigned char>((address >> (8 * i)) & 0xFF));
    for (unsigned i = 0; i < count; ++i)
        PutHexByte(m_Queue.Take());
    PutHexByte(static_cast<unsigned char>(0xFF - m_ucChecksum));
    EndLine();
}
