#include "options/optsrv.h"

namespace {
constexpr std::uint16_t kItemEnd = 0;

// The data length of an item, checked against what the stream still holds
// (the data and the 2 closing bytes).
std::uint32_t ReadItemLength(std::istream& in, std::uint64_t end)
{
    std::uint32_t length = 0;
    clBinaryIO::Read(in, length);
    const std::streamoff at = in.tellg();
    if (at < 0)
        QkRaise<clXIO>(&in, kSrvQk51Src, 22);
    const std::uint64_t left = end > static_cast<std::uint64_t>(at) ? end - static_cast<std::uint64_t>(at) : 0;
    if (std::uint64_t{length} + sizeof kItemEnd > left)
        QkRaiseDataFormat(in, kSrvQk51Src, 25);
    return length;
}
} // namespace

void QkWriteItem(std::ostream& out, clQKOptIDType id, const clDataInterface& data)
{
    clBinaryIO::Write(out, id);
    clBinaryIO::Write(out, data.Size());
    data.Write(out);
    clBinaryIO::Write(out, kItemEnd);
}

void QkReadItem(std::istream& in, std::uint64_t end, clDataInterface& data)
{
    const std::uint32_t length = ReadItemLength(in, end);
    const std::streamoff start = in.tellg();
    data.Read(in, length);
    // Every datum reads exactly its length; anything else would leave the
    // stream inside an item.
    if (in.tellg() != start + static_cast<std::streamoff>(length))
        QkRaiseDataFormat(in, kSrvQk51Src, 45);
    std::uint16_t ignored = 0;
    clBinaryIO::Read(in, ignored);
}

void QkSkipItem(std::istream& in, std::uint64_t end)
{
    const std::uint32_t length = ReadItemLength(in, end);
    in.seekg(static_cast<std::streamoff>(length) + static_cast<std::streamoff>(sizeof kItemEnd), std::ios::cur);
    if (!in)
        QkRaise<clXIO>(&in, kSrvQk51Src, 55);
}

// ---- by-id operations

bool clOptSrvInterface::SwitchOnById(clQKOptIDType id)
{
    clOptSrvInterface* owner = FindOwner(id);
    if (owner != nullptr)
        owner->SwitchOn();
    return owner != nullptr;
}

bool clOptSrvInterface::SwitchOffById(clQKOptIDType id)
{
    clOptSrvInterface* owner = FindOwner(id);
    if (owner != nullptr)
        owner->SwitchOff();
    return owner != nullptr;
}

int clOptSrvInterface::CheckById(clQKOptIDType id)
{
    clOptSrvInterface* owner = FindOwner(id);
    return owner != nullptr && owner->IsOn() ? owner->Check() : 1;
}

clDataInterface* clOptSrvInterface::ActiveData(clQKOptIDType id)
{
    clOptSrvInterface* owner = FindOwner(id);
    return owner != nullptr && owner->IsOn() ? owner->Data() : nullptr;
}

bool clOptSrvInterface::GetById(clQKOptIDType id, clDataInterface& destination)
{
    clDataInterface* data = ActiveData(id);
    if (data != nullptr)
        destination.CopyFrom(*data);
    return data != nullptr;
}

bool clOptSrvInterface::SetById(clQKOptIDType id, const clDataInterface& source)
{
    clDataInterface* data = ActiveData(id);
    if (data != nullptr)
        data->CopyFrom(source);
    return data != nullptr;
}

bool clOptSrvInterface::LoadById(std::istream& in, clQKOptIDType id, std::uint64_t end)
{
    clDataInterface* data = ActiveData(id);
    if (data != nullptr)
        QkReadItem(in, end, *data);
    return data != nullptr;
}

// ---- groups

TBscOptGrp::TBscOptGrp(clQKGrpIDType groupId, bool on) : clOptSrv(0, on), m_GroupId(groupId)
{
    m_Children.reserve(10);
}

int TBscOptGrp::CheckAll()
{
    for (const auto& child : m_Children)
        if (child->IsOn() && child->Check() == 0)
            return 0;
    return 1;
}

void TBscOptGrp::PrepareAll()
{
    for (const auto& child : m_Children)
        child->Prepare();
}

bool TBscOptGrp::HasId(clQKOptIDType id) const
{
    for (const auto& child : m_Children)
        if (child->HasId(id))
            return true;
    return false;
}

clOptSrvInterface* TBscOptGrp::FindOwner(clQKOptIDType id)
{
    if (IsOff())
        return nullptr;
    for (const auto& child : m_Children)
        if (clOptSrvInterface* owner = child->FindOwner(id))
            return owner;
    return nullptr;
}

void TBscOptGrp::SaveLevel(std::ostream& out, clQKPriorityType level, std::optional<clQKPriorityType>& next) const
{
    if (IsOff())
        return;
    for (const auto& child : m_Children)
        child->SaveLevel(out, level, next);
}
