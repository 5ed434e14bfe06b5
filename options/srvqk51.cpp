#include "options/srvqk51.h"

#include <cstring>

namespace {
constexpr const char kPrefix[] = "RIR-";
constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;
constexpr clQKPriorityType kTopLevel = 65535;

std::uint64_t StreamLength(std::istream& in)
{
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    in.seekg(0, std::ios::beg);
    if (length < 0 || !in)
        QkRaise<clXIO>(&in, kSrvQk51Src, 18);
    return static_cast<std::uint64_t>(length);
}
} // namespace

TBscOptServer::TBscOptServer(const char* name) : m_sSignature(kPrefix)
{
    if (name != nullptr)
        m_sSignature += name;
    if (m_sSignature.size() > 255)
        m_sSignature.resize(255);
}

void TBscOptServer::PrepareAll()
{
    if (IsOn())
        TBscOptGrp::PrepareAll();
}

void TBscOptServer::Save(std::ostream& out) const
{
    clBinaryIO::Write(out, static_cast<std::uint8_t>(m_sSignature.size()));
    clBinaryIO::WriteBytes(out, m_sSignature.data(), m_sSignature.size());
    std::optional<clQKPriorityType> level = kTopLevel;
    while (level) {
        std::optional<clQKPriorityType> next;
        SaveLevel(out, *level, next);
        level = next;
    }
}

void TBscOptServer::ReadSignature(std::istream& in) const
{
    std::uint8_t length = 0;
    clBinaryIO::Read(in, length);
    // Up to length characters; a short file just gives a shorter text.
    char text[255];
    in.read(text, length);
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got < length)
        in.clear(); // at the end of the file: the item loop finds nothing more
    if (got < kPrefixLength || std::memcmp(text, kPrefix, kPrefixLength) != 0)
        QkRaiseDataFormat(in, kSrvQk51Src, 62);
    if (m_sSignature.compare(0, std::string::npos, text, got) != 0)
        QkRaise<clXUnSuppFormat>(this, kSrvQk51Src, 64);
}

void TBscOptServer::Progress(std::uint64_t position, std::uint64_t length) const
{
    if (m_Progress && length != 0)
        m_Progress(static_cast<int>(position * 100 / length));
}

void TBscOptServer::Load(std::istream& in)
{
    const std::uint64_t length = StreamLength(in);
    ReadSignature(in);
    for (;;) {
        const std::streamoff at = in.tellg();
        if (at < 0)
            QkRaise<clXIO>(&in, kSrvQk51Src, 80);
        if (static_cast<std::uint64_t>(at) >= length)
            break;
        Progress(static_cast<std::uint64_t>(at), length);
        clID<clQKOptIDType> id;
        id.Read(in);
        if (!LoadById(in, id.Get(), length))
            QkSkipItem(in, length);
    }
}
