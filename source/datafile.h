// Telling data files apart by their contents, and loading one into a space
// buffer the way the space dialog's load command does.
#pragma once

#include <cstdint>
#include <string>

class clQKHugeBuffer;

// The file-type code a file's contents suggest: a project file (its
// signature), Intel Hex (the first non-blank character is ":"), S-records
// ("S"), otherwise a binary image. ftNone when the file cannot be read.
int QkDetectFileType(const std::string& path);

// Loads path into buffer between start and stop (inclusive): a binary image
// from start on, a hex file clipped to start..stop, with the warnings of the
// reader going to the program's error manager. 1 when the file was read
// (warnings answered "Ignore" included), 0 when it could not be read or a
// warning was answered "Abort".
int QkLoadDataFile(clQKHugeBuffer& buffer, const std::string& path, int fileType, std::uint32_t start,
                   std::uint32_t stop);
