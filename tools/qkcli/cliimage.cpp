#include "tools/qkcli/cliimage.h"

#include <algorithm>
#include <cstring>

bool clPageImage::GetRange(std::uint32_t& first, std::uint32_t& last) const
{
    first = 0;
    last = 0xFFFFFFFFu;
    return true;
}

void clPageImage::Store(std::uint32_t first, std::uint32_t last, const unsigned char* bytes)
{
    m_ulLowest = m_bAny ? std::min(m_ulLowest, first) : first;
    m_ulHighest = m_bAny ? std::max(m_ulHighest, last) : last;
    m_bAny = true;
    std::uint64_t at = first;
    while (at <= last) {
        const auto page = static_cast<std::uint32_t>(at / kPageSize);
        const auto offset = static_cast<std::uint32_t>(at % kPageSize);
        const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(kPageSize - offset, last - at + 1));
        auto& bytesOfPage = m_Pages[page];
        if (!bytesOfPage) {
            bytesOfPage = std::make_unique<unsigned char[]>(kPageSize);
            std::memset(bytesOfPage.get(), m_ucFill, kPageSize);
        }
        std::memcpy(bytesOfPage.get() + offset, bytes, count);
        bytes += count;
        at += count;
    }
}

void clPageImage::MoveInto(clHugeBuffer<unsigned char>& buffer, std::uint32_t first, std::uint32_t last)
{
    std::uint64_t at = first;
    while (at <= last) {
        const auto page = static_cast<std::uint32_t>(at / kPageSize);
        const auto offset = static_cast<std::uint32_t>(at % kPageSize);
        const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(kPageSize - offset, last - at + 1));
        const clAdrs from(static_cast<std::uint32_t>(at));
        const clAdrs to(static_cast<std::uint32_t>(at + count - 1));
        const auto found = m_Pages.find(page);
        if (found != m_Pages.end()) {
            buffer.Write(from, to, found->second.get() + offset);
            m_Pages.erase(found);
        } else {
            buffer.Fill(from, to, &m_ucFill);
        }
        at += count;
    }
    m_Pages.clear();
}
