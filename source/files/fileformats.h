// The data-file formats, once for every front end: qkcli's name, the save
// dialog's entry, the extensions a file name chooses them by, the file-type
// code, the highest address a file can carry, and how each is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cpplib/clbuffer.h"

class clProgressSink;

struct clQkFileFormat {
    int fileType;            // file-type code
    const char* name;        // as qkcli's --to takes it ("" for the project)
    const char* filter;      // the save dialog's entry: "Name (*.ext)|*.ext|"
    const char* byExtension; // "s19;s1": a file name ending so is written in it
    // The highest address the format carries. A reader puts data above it at
    // another address, so a range that goes higher is not offered.
    std::uint32_t highest;
};

// Every format, in the save dialog's order (the project first).
const std::vector<clQkFileFormat>& QkFileFormats();
// By qkcli's name, by file-type code, or by a file name's extension (.bin,
// .hex, .s19/.s1, .s28/.s2, .s37/.s3, any case); null when none.
const clQkFileFormat* QkFormatByName(const std::string& name);
const clQkFileFormat* QkFormatByType(int fileType);
const clQkFileFormat* QkFormatByExtension(const std::string& path);

struct clSaveEntry {
    const char* filter;
    int fileType;
};
// The save dialog's entries for a range ending at stop, in list order: the
// formats that bring every byte of the range back to its address.
std::vector<clSaveEntry> QkSaveList(std::uint32_t stop);
// The entries joined into one filter string.
std::string QkSaveFilter(const std::vector<clSaveEntry>& entries);

// Writes first..last of buffer to path as a file of fileType (binary or
// hex), replacing path only when the whole file is written; false when it
// could not be (errno tells why where the system said). The hex writer
// reports its faults through the error manager under prcssId.
bool QkSaveRange(const clHugeBuffer<unsigned char>& buffer, std::uint32_t first, std::uint32_t last,
                 const std::string& path, int fileType, clProgressSink* progress, unsigned long prcssId);
