// The file kinds the save dialog offers for an address range.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct clSaveEntry {
    const char* filter; // "Name (*.ext)|*.ext|"
    int fileType;       // file-type code
};

// The entries offered for start..stop, in list order. A kind is offered only
// when a file of that kind brings every byte of the range back to its address.
std::vector<clSaveEntry> QkSaveList(std::uint32_t start, std::uint32_t stop);

// The offered entries joined into one filter string.
std::string QkSaveFilter(const std::vector<clSaveEntry>& entries);
