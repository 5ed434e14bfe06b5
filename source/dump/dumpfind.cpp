#include "source/dump/dumpfind.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "source/dump/dumptext.h"

std::optional<std::uint32_t> QkDumpFind(const clHugeBuffer<unsigned char>& buf, std::uint64_t from,
                                        std::span<const unsigned char> pattern)
{
    const std::uint64_t first = buf.GetStartAdrs().GetLinear();
    const std::uint64_t end = first + buf.GetSize();
    const std::size_t length = pattern.size();
    if (length == 0 || length > kDumpWindow || !buf.HasMemory())
        return std::nullopt;
    std::array<unsigned char, kDumpWindow> window;
    std::uint64_t at = std::max(from, first);
    while (at < end && end - at >= length) {
        const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(kDumpWindow, end - at));
        buf.Read(clAdrs(static_cast<std::uint32_t>(at)), clAdrs(static_cast<std::uint32_t>(at + size - 1)),
                 window.data());
        std::size_t next = size; // where the next window starts, from at
        for (std::size_t i = 0; i < size;) {
            const void* hit = std::memchr(window.data() + i, pattern[0], size - i);
            if (hit == nullptr)
                break;
            i = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - window.data());
            if (i + length > size) {
                // Runs past the window: the next window starts here.
                next = i;
                break;
            }
            if (std::memcmp(window.data() + i, pattern.data(), length) == 0)
                return static_cast<std::uint32_t>(at + i);
            ++i;
        }
        // A candidate at a window's start that does not fit means the buffer
        // ends before the pattern would.
        if (next == 0)
            break;
        at += next;
    }
    return std::nullopt;
}

bool QkDumpReplace(clHugeBuffer<unsigned char>& buf, std::uint32_t adrs, std::size_t foundLength,
                   std::span<const unsigned char> replacement)
{
    const std::uint64_t first = buf.GetStartAdrs().GetLinear();
    const std::uint64_t end = first + buf.GetSize();
    const std::size_t r = replacement.size();
    if (r == 0 || adrs < first || adrs + std::uint64_t{r} > end || adrs + std::uint64_t{foundLength} > end)
        return false;
    const std::uint64_t after = adrs + std::uint64_t{foundLength}; // first byte after the match
    const std::uint64_t dest = adrs + std::uint64_t{r};
    if (r != foundLength && after < end && dest < end) {
        // Moving up loses what would pass the end; moving down leaves the tail.
        const std::uint64_t count = std::min(end - after, end - dest);
        buf.CopyWithin(clAdrs(static_cast<std::uint32_t>(after)), clAdrs(static_cast<std::uint32_t>(after + count - 1)),
                       clAdrs(static_cast<std::uint32_t>(dest)));
    }
    buf.Write(clAdrs(adrs), clAdrs(static_cast<std::uint32_t>(adrs + r - 1)), replacement.data());
    return true;
}

void clDumpSearch::RestoreTexts(std::string find, std::string replace)
{
    m_sFind = std::move(find);
    m_sReplace = std::move(replace);
}

int clDumpSearch::Accept(dmpFindMode mode, const std::string& findText, const std::string& replaceText, bool fromStart,
                         bool changeAll, bool prompt)
{
    const auto find = QkParseSearchText(findText);
    if (!find)
        return 115;
    std::optional<std::vector<unsigned char>> replace;
    if (mode == dmpFindMode::replace) {
        replace = QkParseSearchText(replaceText);
        if (!replace)
            return 114;
    }
    m_Mode = mode;
    m_sFind = findText;
    m_Find = *find;
    m_bFromStart = fromStart;
    if (replace) {
        m_sReplace = replaceText;
        m_Replace = *replace;
        m_bChangeAll = changeAll;
        m_bPrompt = prompt;
    }
    return 0;
}
