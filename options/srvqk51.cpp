#include "options/srvqk51.h"

#include <array>
#include <cstring>
#include <sstream>

namespace {
constexpr const char kPrefix[] = "RIR-";
constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;
constexpr clQKPriorityType kTopLevel = 65535;

constexpr std::uint32_t kSealLength = 8; // total length and CRC-32
constexpr std::size_t kSealItemSize = 2 + 4 + kSealLength + 2;

// CRC-32 as in zip and PNG (reflected polynomial 0xEDB88320), continued
// from crc over count bytes.
std::uint32_t Crc32(std::uint32_t crc, const unsigned char* bytes, std::size_t count)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < count; ++i)
        crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::uint32_t Crc32OfRest(std::istream& in)
{
    std::uint32_t crc = 0;
    std::array<char, 1 << 16> chunk{};
    while (in.read(chunk.data(), chunk.size()) || in.gcount() > 0)
        crc = Crc32(crc, reinterpret_cast<const unsigned char*>(chunk.data()), static_cast<std::size_t>(in.gcount()));
    in.clear();
    return crc;
}

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

void TBscOptServer::Save(std::ostream& out, std::optional<clQKOptIDType> sealId) const
{
    clBinaryIO::Write(out, static_cast<std::uint8_t>(m_sSignature.size()));
    clBinaryIO::WriteBytes(out, m_sSignature.data(), m_sSignature.size());
    std::ostringstream items;
    std::ostream& to = sealId ? items : out;
    std::optional<clQKPriorityType> level = kTopLevel;
    while (level) {
        std::optional<clQKPriorityType> next;
        SaveLevel(to, *level, next);
        level = next;
    }
    if (!sealId)
        return;
    const std::string rest = std::move(items).str();
    const std::uint64_t total = 1 + m_sSignature.size() + kSealItemSize + rest.size();
    clBinaryIO::Write(out, *sealId);
    clBinaryIO::Write(out, kSealLength);
    clBinaryIO::Write(out, static_cast<std::uint32_t>(total));
    clBinaryIO::Write(out, Crc32(0, reinterpret_cast<const unsigned char*>(rest.data()), rest.size()));
    clBinaryIO::Write(out, std::uint16_t{0});
    clBinaryIO::WriteBytes(out, rest.data(), rest.size());
}

void TBscOptServer::CheckSeal(std::istream& in, std::uint64_t length, clQKOptIDType sealId)
{
    const std::streamoff at = in.tellg();
    if (at < 0)
        QkRaise<clXIO>(&in, kSrvQk51Src, 118);
    if (length - static_cast<std::uint64_t>(at) < kSealItemSize)
        return;
    clID<clQKOptIDType> id;
    id.Read(in);
    if (!id.Is(sealId)) {
        in.seekg(at);
        return;
    }
    std::uint32_t itemLength = 0, total = 0, crc = 0;
    std::uint16_t end = 0;
    clBinaryIO::Read(in, itemLength);
    clBinaryIO::Read(in, total);
    clBinaryIO::Read(in, crc);
    clBinaryIO::Read(in, end);
    const std::streamoff rest = in.tellg();
    // A cut or a changed byte anywhere after the seal shows here.
    if (itemLength != kSealLength || end != 0 || total != length || Crc32OfRest(in) != crc)
        QkRaiseDataFormat(in, kSrvQk51Src, 136);
    in.seekg(rest);
    m_bSealed = true;
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

void TBscOptServer::Load(std::istream& in, std::optional<clQKOptIDType> sealId)
{
    m_bSealed = false;
    m_LoadedIds.clear();
    const std::uint64_t length = StreamLength(in);
    ReadSignature(in);
    if (sealId)
        CheckSeal(in, length, *sealId);
    for (;;) {
        const std::streamoff at = in.tellg();
        if (at < 0)
            QkRaise<clXIO>(&in, kSrvQk51Src, 80);
        if (static_cast<std::uint64_t>(at) >= length)
            break;
        // An item's id and length must be there: a file cut inside them is
        // damaged, not short of an input/output fault.
        if (length - static_cast<std::uint64_t>(at) < sizeof(clQKOptIDType) + sizeof(std::uint32_t))
            QkRaiseDataFormat(in, kSrvQk51Src, 84);
        Progress(static_cast<std::uint64_t>(at), length);
        clID<clQKOptIDType> id;
        id.Read(in);
        if (LoadById(in, id.Get(), length))
            m_LoadedIds.insert(id.Get());
        else
            QkSkipItem(in, length);
    }
}
