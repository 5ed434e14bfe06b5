// The output formats of qkcli (convert, read): names, file extensions, the
// addresses each can carry, and writing a buffer range in one of them.
#pragma once

#include <cstdint>
#include <string>

#include "cpplib/clbuffer.h"

struct clCliFormat {
    const char* name;    // as --to takes it
    int fileType;        // file-type code
    std::uint32_t reach; // highest address the format can carry
};

// By --to name, or null.
const clCliFormat* QkFormatByName(const std::string& name);
// By a file name's extension (.bin, .hex, .s19/.s1, .s28/.s2, .s37/.s3), or null.
const clCliFormat* QkFormatByExtension(const std::string& path);

// Writes first..last of buffer to path in format (atomically); "" on
// success, else why not. progress: draw a progress bar on stderr.
std::string QkWriteRange(const clHugeBuffer<unsigned char>& buffer, std::uint32_t first, std::uint32_t last,
                         const std::string& path, const clCliFormat& format, bool progress);
