#include "qkdb/dbase32.h"

#include <algorithm>
#include <cstring>

#include "cpplib/clexpt.h"
#include "cpplib/qkbytes.h"

// The compiled-in resource table, generated from qkdb/data at build time.
extern const QK_RESOURCE g_qkdbResources[];
extern const std::size_t g_qkdbResourceCount;

namespace {
constexpr const char kSrc[] = "..\\qkdb\\dbase32.cpp";
}

HINSTANCE GetDLLDBaseInstance()
{
    static const HINSTANCE instance = QkModuleOf(reinterpret_cast<const void*>(&GetDLLDBaseInstance));
    return instance;
}

clDataBase::clDataBase(HINSTANCE module) : m_hModule(module) {}

unsigned long clDataBase::LoadData(HINSTANCE module, unsigned long id, char* dst, unsigned long len)
{
    if (dst == nullptr)
        return 0;
    std::memset(dst, 0, len);
    // Only this library's own module holds the database resources.
    if (module == nullptr || module != GetDLLDBaseInstance() || id > 0xFFFFFFFFul)
        return 0;
    const QK_RESOURCE* res = QkFindResource(g_qkdbResources, g_qkdbResourceCount, static_cast<std::uint32_t>(id));
    if (res == nullptr || res->size == 0)
        return 0;
    const unsigned long count = std::min<unsigned long>(res->size, len);
    std::memcpy(dst, res->data, count);
    return count;
}

bool clDataBase::Read(unsigned long id, clResBytes& out) const
{
    out.size = LoadData(m_hModule, id, reinterpret_cast<char*>(out.bytes), kReadSize);
    return out.size != 0;
}

bool clDataBase::ReadHeaderId(unsigned short chipId, unsigned short& headerId) const
{
    clResBytes index;
    if (!Read(kChipIndexBase + chipId, index))
        return false;
    headerId = QkLoadLE16(index.bytes);
    return true;
}

clDBVndr clDataBase::GetVndr(unsigned short id) const
{
    clResBytes res;
    if (!Read(id, res))
        QkRaise<clDbBadId>(this, kSrc, 535);
    return clDBVndr(id, res.bytes, res.size);
}

clDBAdptr clDataBase::GetAdptr(unsigned short id) const
{
    clResBytes res;
    if (!Read(id, res))
        QkRaise<clDbBadId>(this, kSrc, 550);
    return clDBAdptr(id, res.bytes, res.size);
}

clDBBuf clDataBase::GetBuf(unsigned short id) const
{
    clResBytes res;
    if (!Read(id, res))
        QkRaise<clDbBadId>(this, kSrc, 564);
    return clDBBuf(id, res.bytes, res.size);
}

clDBChipHdr clDataBase::GetChipHdr(unsigned short chipId) const
{
    unsigned short headerId = 0;
    clResBytes header;
    if (!ReadHeaderId(chipId, headerId) || !Read(headerId, header))
        QkRaise<clDbBadId>(this, kSrc, 587);
    return clDBChipHdr(headerId, header.bytes, header.size);
}

clDBChipInfo clDataBase::GetChipInfo(unsigned short chipId) const
{
    unsigned short headerId = 0;
    clResBytes info;
    if (!ReadHeaderId(chipId, headerId) || !Read(headerId + kInfoOffset, info))
        QkRaise<clDbBadId>(this, kSrc, 606);
    return clDBChipInfo(headerId, info.bytes, info.size);
}

clDBChip clDataBase::GetChip(unsigned short chipId) const
{
    unsigned short headerId = 0;
    clResBytes header;
    clResBytes info;
    if (!ReadHeaderId(chipId, headerId) || !Read(headerId, header) || !Read(headerId + kInfoOffset, info))
        QkRaise<clDbBadId>(this, kSrc, 629);
    return clDBChip(headerId, header.bytes, header.size, info.bytes, info.size);
}

namespace {
template <class Record>
void Iterate(const clDataBase& db, HINSTANCE module, unsigned long first, unsigned long last, int (*fn)(Record&, void*),
             void* user)
{
    unsigned char bytes[clDataBase::kReadSize];
    for (unsigned long id = first; id <= last; ++id) {
        const unsigned long size = db.LoadData(module, id, reinterpret_cast<char*>(bytes), sizeof bytes);
        if (size == 0)
            return;
        Record record(static_cast<unsigned short>(id), bytes, size);
        if (fn(record, user) == 0)
            return;
    }
}
} // namespace

void clDataBase::IterVndrs(int (*fn)(clDBVndr&, void*), void* user) const
{
    Iterate(*this, m_hModule, kFirstVndr, kLastVndr, fn, user);
}

void clDataBase::IterAdptrs(int (*fn)(clDBAdptr&, void*), void* user) const
{
    Iterate(*this, m_hModule, kFirstAdptr, kLastAdptr, fn, user);
}

void clDataBase::IterBufs(int (*fn)(clDBBuf&, void*), void* user) const
{
    Iterate(*this, m_hModule, kFirstBuf, kLastBuf, fn, user);
}

void clDataBase::IterChipsHdr(int (*fn)(clDBChipHdr&, void*), void* user) const
{
    for (unsigned long entry = kFirstOrder; entry <= kLastOrder; ++entry) {
        clResBytes index;
        if (!Read(entry, index))
            return;
        const auto headerId = QkLoadLE16(index.bytes);
        clResBytes header;
        if (!Read(headerId, header))
            return;
        clDBChipHdr record(headerId, header.bytes, header.size);
        if (fn(record, user) == 0)
            return;
    }
}

void clDataBase::GetVer(TArrayAsVector<clVerInfo>& list) const
{
    clResBytes res;
    if (!Read(kVersionId, res))
        return;
    const unsigned v = QkLoadLE16(res.bytes);
    list.emplace_back("QKDB", static_cast<unsigned short>(v / 100), static_cast<unsigned short>(v % 100), 0, 0);
}
