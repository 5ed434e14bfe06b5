#include "options/srvutil.h"

#include <cstring>

#include "cpplib/clutil.h"
#include "cpplib/qkbytes.h"

namespace {
// The fixed part of a buffer's stream form: name length, size, start address.
constexpr std::uint64_t kBufferHeader = 1 + 4 + 10;
constexpr std::uint32_t kItemInfoSize = 10;

void ReadRaw(std::istream& in, void* dst, std::size_t count, unsigned short line)
{
    clBinaryIO::ReadBytes(in, dst, count, kSrvUtilSrc, line);
}

void WriteRaw(std::ostream& out, const void* src, std::size_t count, unsigned short line)
{
    clBinaryIO::WriteBytes(out, src, count, kSrvUtilSrc, line);
}

// Stored text: exactly one zero byte, at the end.
bool IsStoredText(const std::string& bytes)
{
    return !bytes.empty() && bytes.find('\0') == bytes.size() - 1;
}

std::string NameOf(const clQKHugeBuffer& buffer)
{
    std::string name = buffer.GetName();
    if (name.size() > 255)
        name.resize(255);
    return name;
}
} // namespace

void QkRaiseDataFormat(std::istream& in, const char* file, unsigned short line)
{
    const std::streamoff at = in.tellg();
    clXRegistrator<std::istream, clXDataFormat>::Raise(clXDataFormat(at < 0 ? 0 : static_cast<std::uint32_t>(at)), &in,
                                                       file, line);
}

// ---- text

std::uint32_t clData<std::string>::Size() const
{
    if (m_Value.size() >= 0xFFFFFFFFu)
        QkRaise<clXSize>(this, kSrvUtilSrc, 120);
    return static_cast<std::uint32_t>(m_Value.size() + 1);
}

void clData<std::string>::Write(std::ostream& out) const
{
    WriteRaw(out, m_Value.c_str(), Size(), 127);
}

void clData<std::string>::Read(std::istream& in, std::uint32_t length)
{
    std::string bytes(length, '\0');
    ReadRaw(in, bytes.data(), length, 134);
    if (!IsStoredText(bytes))
        QkRaiseDataFormat(in, kSrvUtilSrc, 136);
    bytes.pop_back();
    m_Value = std::move(bytes);
}

// ---- buffer

std::uint32_t clData<clQKHugeBuffer>::Size() const
{
    const std::uint64_t size = kBufferHeader + NameOf(m_Value).size() + m_Value.GetSize();
    if (size > 0xFFFFFFFFu)
        QkRaise<clXSize>(this, kSrvUtilSrc, 147);
    return static_cast<std::uint32_t>(size);
}

void clData<clQKHugeBuffer>::Write(std::ostream& out) const
{
    if (m_Value.HasMemory()) {
        m_Value.SaveToStream(out);
        return;
    }
    // The buffer's own stream form needs memory; an empty space is stored as
    // the same header with size 0.
    const std::string name = NameOf(m_Value);
    clBinaryIO::Write(out, static_cast<std::uint8_t>(name.size()));
    clBinaryIO::WriteBytes(out, name.data(), name.size());
    clBinaryIO::Write(out, std::uint32_t{0});
    m_Value.GetStartAdrs().Save(out);
}

void clData<clQKHugeBuffer>::Read(std::istream& in, std::uint32_t length)
{
    // Check the stored header against the item before the buffer allocates
    // anything.
    const std::streampos itemStart = in.tellg();
    if (length < kBufferHeader)
        QkRaiseDataFormat(in, kSrvUtilSrc, 170);
    std::uint8_t nameLength = 0;
    clBinaryIO::Read(in, nameLength);
    if (length < kBufferHeader + nameLength)
        QkRaiseDataFormat(in, kSrvUtilSrc, 174);
    // The name is a text: a zero byte inside it would shorten it after loading.
    std::string name(nameLength, '\0');
    clBinaryIO::ReadBytes(in, name.data(), nameLength);
    if (name.find('\0') != std::string::npos)
        QkRaiseDataFormat(in, kSrvUtilSrc, 178);
    std::uint32_t size = 0;
    clBinaryIO::Read(in, size);
    clAdrs start;
    start.Load(in);
    const bool fits = kBufferHeader + nameLength + size == length;
    const bool addressable = size == 0 || std::uint64_t{start.GetLinear()} + size - 1 <= 0xFFFFFFFFu;
    if (!fits || !addressable)
        QkRaiseDataFormat(in, kSrvUtilSrc, 183);
    in.seekg(itemStart);
    m_Value.LoadFromStream(in);
}

void clData<clQKHugeBuffer>::CopyFrom(const clDataInterface& other)
{
    const clQKHugeBuffer& source = SameType<clData>(other).m_Value;
    if (&source == &m_Value)
        return;
    if (m_Value.SetParams(source.GetSize(), source.GetStartAdrs()) == 0)
        QkRaise<clXSize>(this, kSrvUtilSrc, 194);
    m_Value.SetName(source.GetName());
    if (source.HasMemory()) {
        std::vector<unsigned char> bytes(source.GetSize());
        source.Read(source.GetStartAdrs(), source.GetStopAdrs(), bytes.data());
        m_Value.Write(m_Value.GetStartAdrs(), m_Value.GetStopAdrs(), bytes.data());
        m_Value.SetCmdAddresses(source.GetCmdStartAdrs(), source.GetCmdStopAdrs());
    }
    m_Value.SetSpaceId(source.GetSpaceId());
    m_Value.SetBlkAlignment(source.GetBlkAlignment());
}

// ---- lists

void TListBoxData::Add(const std::string& text, std::uint32_t itemData, bool selected)
{
    m_Entries.push_back({text, itemData, false});
    if (selected)
        Select(m_Entries.size() - 1);
}

void TListBoxData::Merge(const Entry& stored)
{
    for (std::size_t i = 0; i < m_Entries.size(); ++i) {
        if (m_Entries[i].text == stored.text) {
            if (stored.selected)
                Select(i);
            return;
        }
    }
    Add(stored.text, stored.itemData, stored.selected);
}

void TListBoxData::Select(std::size_t index)
{
    m_Entries.at(index).selected = true;
}

void TComboBoxData::Select(std::size_t index)
{
    for (auto& entry : m_Entries)
        entry.selected = false;
    m_Entries.at(index).selected = true;
}

template <class L>
std::uint32_t clListData<L>::Size() const
{
    std::uint64_t size = 2;
    for (const auto& entry : m_Value.Entries())
        size += kItemInfoSize + entry.text.size() + 1;
    if (m_Value.Entries().size() > 0xFFFF || size > 0xFFFFFFFFu)
        QkRaise<clXSize>(this, kSrvUtilSrc, 246);
    return static_cast<std::uint32_t>(size);
}

template <class L>
void clListData<L>::Write(std::ostream& out) const
{
    const auto& entries = m_Value.Entries();
    if (entries.size() > 0xFFFF)
        QkRaise<clXSize>(this, kSrvUtilSrc, 254);
    unsigned char count[2];
    QkStoreLE(count, static_cast<std::uint32_t>(entries.size()), 2);
    WriteRaw(out, count, 2, 257);
    for (const auto& entry : entries) {
        if (entry.text.size() >= 0xFFFF)
            QkRaise<clXSize>(this, kSrvUtilSrc, 260);
        unsigned char info[kItemInfoSize] = {};
        QkStoreLE(info, static_cast<std::uint32_t>(entry.text.size() + 1), 2);
        QkStoreLE(info + 2, entry.itemData, 4);
        QkStoreLE(info + 6, entry.selected ? 1 : 0, 2);
        WriteRaw(out, info, kItemInfoSize, 265);
        WriteRaw(out, entry.text.c_str(), entry.text.size() + 1, 266);
    }
}

template <class L>
void clListData<L>::Read(std::istream& in, std::uint32_t length)
{
    // Every count and text length is checked against the item first, so a
    // lying count cannot read into the next item.
    std::uint64_t left = length;
    auto take = [&](std::uint64_t count) {
        if (count > left)
            QkRaiseDataFormat(in, kSrvUtilSrc, 277);
        left -= count;
    };
    unsigned char countBytes[2];
    take(2);
    ReadRaw(in, countBytes, 2, 281);
    const std::uint32_t count = static_cast<std::uint32_t>(QkLoadLE(countBytes, 2));

    std::vector<TListBoxData::Entry> stored;
    for (std::uint32_t i = 0; i < count; ++i) {
        unsigned char bytes[kItemInfoSize];
        take(kItemInfoSize);
        ReadRaw(in, bytes, kItemInfoSize, 288);
        OPTITEMINFO info;
        info.textLength = QkLoadLE16(bytes);
        info.itemData = QkLoadLE32(bytes + 2);
        info.selected = QkLoadLE16(bytes + 6);
        take(info.textLength);
        std::string text(info.textLength, '\0');
        ReadRaw(in, text.data(), info.textLength, 295);
        if (!IsStoredText(text))
            QkRaiseDataFormat(in, kSrvUtilSrc, 297);
        text.pop_back();
        stored.push_back({std::move(text), info.itemData, info.selected != 0});
    }
    if (left != 0)
        QkRaiseDataFormat(in, kSrvUtilSrc, 302);
    for (const auto& entry : stored)
        m_Value.Merge(entry);
}

template class clListData<TListBoxData>;
template class clListData<TComboBoxData>;
