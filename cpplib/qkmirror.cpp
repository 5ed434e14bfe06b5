#include "cpplib/qkmirror.h"

#include <algorithm>

void clQkMirror::MarkUnsynced(std::uint32_t first, std::uint32_t last)
{
    if (last < first)
        return;
    // Joined with every range it overlaps or touches.
    auto it = m_Unsynced.upper_bound(first);
    if (it != m_Unsynced.begin()) {
        auto before = std::prev(it);
        if (before->second >= first || before->second + 1 == first)
            it = before;
    }
    while (it != m_Unsynced.end() && (it->first <= last || it->first == last + 1)) {
        first = std::min(first, it->first);
        last = std::max(last, it->second);
        it = m_Unsynced.erase(it);
    }
    m_Unsynced[first] = last;
}

void clQkMirror::MarkSynced(std::uint32_t first, std::uint32_t last)
{
    if (last < first)
        return;
    auto it = m_Unsynced.upper_bound(first);
    if (it != m_Unsynced.begin() && std::prev(it)->second >= first)
        it = std::prev(it);
    while (it != m_Unsynced.end() && it->first <= last) {
        const std::uint32_t from = it->first, to = it->second;
        it = m_Unsynced.erase(it);
        // What lies outside first..last stays unsynced.
        if (from < first)
            m_Unsynced[from] = first - 1;
        if (to > last)
            it = m_Unsynced.emplace(last + 1, to).first;
    }
}

std::vector<clAdrsRange> clQkMirror::Unsynced(std::uint32_t first, std::uint32_t last) const
{
    std::vector<clAdrsRange> pieces;
    if (last < first)
        return pieces;
    auto it = m_Unsynced.upper_bound(first);
    if (it != m_Unsynced.begin() && std::prev(it)->second >= first)
        it = std::prev(it);
    for (; it != m_Unsynced.end() && it->first <= last; ++it)
        pieces.push_back({std::max(first, it->first), std::min(last, it->second)});
    return pieces;
}

std::uint64_t clQkMirror::UnsyncedBytes(std::uint32_t first, std::uint32_t last) const
{
    std::uint64_t bytes = 0;
    for (const clAdrsRange& piece : Unsynced(first, last))
        bytes += std::uint64_t{piece.last} - piece.first + 1;
    return bytes;
}
