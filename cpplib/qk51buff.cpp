#include "cpplib/qk51buff.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "cpplib/bitrev.h"
#include "cpplib/clexpt.h"
#include "cpplib/qkfile.h"
#include "cpplib/qkpath.h"
#include "err/qkerr.h"
#include "err/uisrv.h"

namespace {
constexpr const char kSrc[] = "..\\cpplib\\qk51buff.cpp";
constexpr unsigned short kPlainLines[3] = {263, 267, 273};
constexpr unsigned short kReversedLines[3] = {339, 343, 349};
} // namespace

clQKHugeBuffer::clQKHugeBuffer(const char* name) : clQKHugeBufIntr(name) {}

bool clQKHugeBuffer::IsWriteThrough() const
{
    return GetSize() != 0 && m_pComm != nullptr && m_pComm->IsCommExist() &&
           (m_pComm->GetProtocol() != clQkProtocol::demo || m_pComm->IsForceDemo());
}

int clQKHugeBuffer::SetParams(std::uint32_t size, const clAdrs& start)
{
    const int done = clQKHugeBufIntr::SetParams(size, start);
    // Other addresses: nothing of the programmer's memory is known for them.
    m_uConnection = kNoConnection;
    return done;
}

void clQKHugeBuffer::CheckConnection() const
{
    if (m_pComm == nullptr || m_pComm->GetConnectionCount() == m_uConnection)
        return;
    m_uConnection = m_pComm->GetConnectionCount();
    m_Mirror = clQkMirror();
    if (GetSize() != 0)
        m_Mirror.MarkUnsynced(GetStartAdrs().GetLinear(), GetStopAdrs().GetLinear());
}

bool clQKHugeBuffer::IsSynced(const clAdrs& start, const clAdrs& stop) const
{
    CheckConnection();
    return m_Mirror.IsSynced(start.GetLinear(), stop.GetLinear());
}

std::uint64_t clQKHugeBuffer::UnsyncedBytes(const clAdrs& start, const clAdrs& stop) const
{
    CheckConnection();
    return m_Mirror.UnsyncedBytes(start.GetLinear(), stop.GetLinear());
}

double clQKHugeBuffer::UnsyncedWireMs(const clAdrs& start, const clAdrs& stop) const
{
    if (m_pComm == nullptr)
        return 0;
    CheckConnection();
    double ms = 0;
    for (const clAdrsRange& piece : m_Mirror.Unsynced(start.GetLinear(), stop.GetLinear()))
        ms += m_pComm->WriteRangeMs(*this, clAdrs(piece.first), clAdrs(piece.last));
    return ms;
}

void clQKHugeBuffer::MarkSynced(const clAdrs& start, const clAdrs& stop)
{
    CheckConnection();
    m_Mirror.MarkSynced(start.GetLinear(), stop.GetLinear());
}

void clQKHugeBuffer::MarkUnsynced(const clAdrs& start, const clAdrs& stop)
{
    m_Mirror.MarkUnsynced(start.GetLinear(), stop.GetLinear());
}

void clQKHugeBuffer::SendUnsynced(const clAdrs& start, const clAdrs& stop)
{
    if (m_pComm == nullptr || GetSize() == 0 || stop < start)
        return;
    // A step is confirmed as a whole: a stop or a failure costs at most one
    // step of the wire's time.
    constexpr std::uint32_t kStep = 16 * 1024;
    struct clPartReset {
        clQKBufComm& comm;
        ~clPartReset() { comm.SetProgressPart(0, 100); }
    } reset{*m_pComm};
    CheckConnection();
    const std::uint32_t first = start.GetLinear(), last = stop.GetLinear();
    std::uint64_t sent = 0;
    std::uint64_t total = m_Mirror.UnsyncedBytes(first, last);
    for (;;) {
        const std::vector<clAdrsRange> pieces = m_Mirror.Unsynced(first, last);
        if (pieces.empty())
            return;
        clAdrsRange step = pieces.front();
        step.last = std::min<std::uint64_t>(step.last, std::uint64_t{step.first} + kStep - 1);
        const std::uint64_t bytes = std::uint64_t{step.last} - step.first + 1;
        m_pComm->SetProgressPart(100.0 * sent / total, 100.0 * (sent + bytes) / total);
        const unsigned connection = m_pComm->GetConnectionCount();
        m_pComm->WriteRangeSeq(*this, clAdrs(step.first), clAdrs(step.last));
        if (m_pComm->GetConnectionCount() != connection) {
            // The transfer connected again first: what was sent before is unknown now.
            CheckConnection();
            total = sent + m_Mirror.UnsyncedBytes(first, last);
        }
        m_Mirror.MarkSynced(step.first, step.last);
        sent += bytes;
    }
}

template <class NewByte>
void clQKHugeBuffer::MarkChanges(const clAdrs& start, const clAdrs& stop, NewByte newByte)
{
    if (!HasMemory() || stop < start)
        return;
    const std::uint32_t first = start.GetLinear(), last = stop.GetLinear();
    constexpr std::uint32_t kStep = 4096;
    unsigned char old[kStep];
    std::uint64_t runStart = 0;
    bool inRun = false;
    for (std::uint64_t at = first; at <= last; at += kStep) {
        const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(kStep, std::uint64_t{last} - at + 1));
        clQKHugeBufIntr::Read(clAdrs(static_cast<std::uint32_t>(at)), clAdrs(static_cast<std::uint32_t>(at + n - 1)),
                              old);
        for (std::uint32_t i = 0; i < n; ++i) {
            const bool differs = old[i] != newByte(static_cast<std::size_t>(at - first + i));
            if (differs && !inRun) {
                runStart = at + i;
                inRun = true;
            } else if (!differs && inRun) {
                m_Mirror.MarkUnsynced(static_cast<std::uint32_t>(runStart), static_cast<std::uint32_t>(at + i - 1));
                inRun = false;
            }
        }
    }
    if (inRun)
        m_Mirror.MarkUnsynced(static_cast<std::uint32_t>(runStart), last);
}

void clQKHugeBuffer::WriteThrough(const clAdrs& start, const clAdrs& stop)
{
    if (m_iHolds == 0 && IsWriteThrough())
        SendUnsynced(start, stop);
}

void clQKHugeBuffer::SetCmdAddresses(const clAdrs& start, const clAdrs& stop)
{
    clQKHugeBufIntr::SetCmdAddresses(start, stop);
    if (IsWriteThrough())
        m_pComm->SetAddressesSeq(*this);
}

void clQKHugeBuffer::SetByte(const clAdrs& adrs, const unsigned char* byte)
{
    CheckConnection();
    MarkChanges(adrs, adrs, [byte](std::size_t) { return *byte; });
    clQKHugeBufIntr::SetByte(adrs, byte);
    WriteThrough(adrs, adrs);
}

void clQKHugeBuffer::CopyWithin(const clAdrs& start, const clAdrs& stop, const clAdrs& dest)
{
    CheckConnection();
    clQKHugeBufIntr::CopyWithin(start, stop, dest);
    const clAdrs destStop = dest + (stop - start);
    MarkUnsynced(dest, destStop);
    WriteThrough(dest, destStop);
}

void clQKHugeBuffer::Write(const clAdrs& start, const clAdrs& stop, const unsigned char* src)
{
    CheckConnection();
    MarkChanges(start, stop, [src](std::size_t i) { return src[i]; });
    clQKHugeBufIntr::Write(start, stop, src);
    WriteThrough(start, stop);
}

void clQKHugeBuffer::Fill(const clAdrs& start, const clAdrs& stop, const unsigned char* value)
{
    CheckConnection();
    MarkChanges(start, stop, [value](std::size_t) { return *value; });
    clQKHugeBufIntr::Fill(start, stop, value);
    WriteThrough(start, stop);
}

void clQKHugeBuffer::LoadFromStream(std::istream& in)
{
    clQKHugeBufIntr::LoadFromStream(in);
    CheckConnection();
    if (GetSize() != 0)
        MarkUnsynced(GetStartAdrs(), GetStopAdrs());
    WriteThrough(GetStartAdrs(), GetStopAdrs());
}

int clQKHugeBuffer::LoadFile(const char* path)
{
    const int loaded = clQKHugeBufIntr::LoadFile(path);
    if (loaded != 1)
        return loaded;
    CheckConnection();
    if (GetSize() != 0)
        MarkUnsynced(GetStartAdrs(), GetStopAdrs());
    if (m_iHolds == 0 && IsWriteThrough()) {
        m_pComm->SetGlobalText("Loading");
        try {
            SendUnsynced(GetStartAdrs(), GetStopAdrs());
        } catch (...) {
            m_pComm->ClearGlobalText();
            throw;
        }
        m_pComm->ClearGlobalText();
    }
    return loaded;
}

int clQKHugeBuffer::LoadBinRange(const char* path, const clAdrs& start, const clAdrs& stop)
{
    const int loaded = LoadRange(path, start, stop, false, kPlainLines);
    if (loaded == 1)
        WriteThrough(start, stop);
    return loaded;
}

int clQKHugeBuffer::LoadBinRangeReversed(const char* path, const clAdrs& start, const clAdrs& stop)
{
    const int loaded = LoadRange(path, start, stop, true, kReversedLines);
    if (loaded == 1)
        WriteThrough(start, stop);
    return loaded;
}

int clQKHugeBuffer::LoadRange(const char* path, const clAdrs& start, const clAdrs& stop, bool reversed,
                              const unsigned short lines[3])
{
    if (!QkFileExists(path)) {
        QkUi().MessageBox(path, "File not found!", erOptOk);
        return 0;
    }
    if (stop < start)
        QkRaise<clXRange>(this, kSrc, lines[0]);
    const std::uint64_t first = GetStartAdrs().GetLinear();
    if (start.GetLinear() < first || stop.GetLinear() >= first + GetSize())
        QkRaise<clXRange>(this, kSrc, lines[1]);
    if (!HasMemory())
        QkRaise<clXConstructor>(this, kSrc, lines[2]);

    std::ifstream in(QkPath(path), std::ios::binary);
    if (!in)
        return 0;
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    if (length < 0)
        return 0;
    const std::uint64_t skip = start.GetLinear() - first;
    if (static_cast<std::uint64_t>(length) < skip)
        return 1;
    std::uint64_t wanted =
        std::min<std::uint64_t>(static_cast<std::uint64_t>(length) - skip, stop.GetLinear() - start.GetLinear() + 1);
    in.seekg(static_cast<std::streamoff>(skip), std::ios::beg);
    // In steps, so a large file never needs a second copy of itself.
    constexpr std::size_t kStep = 1u << 20;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(std::min<std::uint64_t>(wanted, kStep)));
    clAdrs at = start;
    while (wanted > 0) {
        const auto step = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, kStep));
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(step));
        // A file that ends early stops the load where it ends.
        const auto got = static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0));
        if (got == 0)
            break;
        if (reversed)
            QkReverseBits(bytes.data(), got);
        // The caller writes the whole range through once it is loaded.
        const clAdrs chunkStop = at + static_cast<std::uint32_t>(got - 1);
        CheckConnection();
        MarkChanges(at, chunkStop, [&bytes](std::size_t i) { return bytes[i]; });
        clQKHugeBufIntr::Write(at, chunkStop, bytes.data());
        at = at + static_cast<std::uint32_t>(got);
        wanted -= got;
        if (got < step)
            break;
    }
    return 1;
}
