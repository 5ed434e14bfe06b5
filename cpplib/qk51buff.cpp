#include "cpplib/qk51buff.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "cpplib/bitrev.h"
#include "cpplib/clexpt.h"
#include "cpplib/qkfile.h"
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
           (m_pComm->GetProtocol() != -1 || m_pComm->IsForceDemo());
}

void clQKHugeBuffer::WriteThrough(const clAdrs& start, const clAdrs& stop, const unsigned char* fill)
{
    if (!IsWriteThrough())
        return;
    const clAdrs cmdStart = GetCmdStartAdrs();
    const clAdrs cmdStop = GetCmdStopAdrs();
    SetCmdAddresses(start, stop);
    try {
        if (fill != nullptr)
            m_pComm->FillSeq(*this, *fill);
        else
            m_pComm->WriteSeq(*this, 1);
    } catch (...) {
        // The buffer's own range comes back even when the programmer is gone.
        clQKHugeBufIntr::SetCmdAddresses(cmdStart, cmdStop);
        throw;
    }
    SetCmdAddresses(cmdStart, cmdStop);
}

void clQKHugeBuffer::SetCmdAddresses(const clAdrs& start, const clAdrs& stop)
{
    clQKHugeBufIntr::SetCmdAddresses(start, stop);
    if (IsWriteThrough())
        m_pComm->SetAddressesSeq(*this);
}

void clQKHugeBuffer::SetByte(const clAdrs& adrs, const unsigned char* byte)
{
    clQKHugeBufIntr::SetByte(adrs, byte);
    WriteThrough(adrs, adrs);
}

void clQKHugeBuffer::CopyWithin(const clAdrs& start, const clAdrs& stop, const clAdrs& dest)
{
    clQKHugeBufIntr::CopyWithin(start, stop, dest);
    WriteThrough(dest, dest + (stop - start));
}

void clQKHugeBuffer::Write(const clAdrs& start, const clAdrs& stop, const unsigned char* src)
{
    clQKHugeBufIntr::Write(start, stop, src);
    WriteThrough(start, stop);
}

void clQKHugeBuffer::Fill(const clAdrs& start, const clAdrs& stop, const unsigned char* value)
{
    clQKHugeBufIntr::Fill(start, stop, value);
    WriteThrough(start, stop, value);
}

void clQKHugeBuffer::LoadFromStream(std::istream& in)
{
    clQKHugeBufIntr::LoadFromStream(in);
    WriteThrough(GetStartAdrs(), GetStopAdrs());
}

int clQKHugeBuffer::LoadFile(const char* path)
{
    const int loaded = clQKHugeBufIntr::LoadFile(path);
    if (loaded == 1 && IsWriteThrough()) {
        m_pComm->SetGlobalText("Loading");
        try {
            WriteThrough(GetStartAdrs(), GetStopAdrs());
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

    std::ifstream in(path, std::ios::binary);
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
        clQKHugeBufIntr::Write(at, at + static_cast<std::uint32_t>(got - 1), bytes.data());
        at = at + static_cast<std::uint32_t>(got);
        wanted -= got;
        if (got < step)
            break;
    }
    return 1;
}
