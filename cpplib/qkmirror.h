// Which parts of a space buffer the programmer's memory is known to hold:
// the ranges still to be sent ("unsynced"), as disjoint address ranges. A
// change of the buffer makes its range unsynced; a transfer the programmer
// confirmed makes it synced again.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

struct clAdrsRange {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    bool operator==(const clAdrsRange&) const = default;
};

class clQkMirror {
public:
    void MarkUnsynced(std::uint32_t first, std::uint32_t last);
    void MarkSynced(std::uint32_t first, std::uint32_t last);
    // The unsynced parts of first..last, in address order.
    std::vector<clAdrsRange> Unsynced(std::uint32_t first, std::uint32_t last) const;
    bool IsSynced(std::uint32_t first, std::uint32_t last) const { return Unsynced(first, last).empty(); }
    // How many bytes of first..last are unsynced.
    std::uint64_t UnsyncedBytes(std::uint32_t first, std::uint32_t last) const;

private:
    // first -> last; never overlapping nor touching.
    std::map<std::uint32_t, std::uint32_t> m_Unsynced;
};
