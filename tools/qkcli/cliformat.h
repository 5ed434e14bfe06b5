// Writing a buffer range in one of the data-file formats for qkcli (convert,
// read), with the reason when it cannot be written.
#pragma once

#include <cstdint>
#include <string>

#include "cpplib/clbuffer.h"
#include "source/files/fileformats.h"

// Writes first..last of buffer to path in format (atomically); "" on
// success, else why not. progress: draw a progress bar on stderr.
std::string QkWriteRange(const clHugeBuffer<unsigned char>& buffer, std::uint32_t first, std::uint32_t last,
                         const std::string& path, const clQkFileFormat& format, bool progress);

// "" when format carries addresses up to last, else what to do instead.
std::string QkCheckReach(const clQkFileFormat& format, std::uint32_t last);
