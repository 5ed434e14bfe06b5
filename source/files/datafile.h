// Telling data files apart by their contents, and loading one into a space
// buffer the way the space dialog's load command does.
#pragma once

#include <cstdint>
#include <string>

#include "source/files/hexio.h"

class clQKHugeBuffer;

// The file-type code a file's contents suggest: a project file (its
// signature), Intel Hex (the first non-blank character is ":"), S-records
// ("S"), otherwise a binary image. ftNone when the file cannot be read or is
// not a regular file (it is then never opened, so a FIFO cannot block).
// A UTF-8 byte-order mark before the first record is skipped.
int QkDetectFileType(const std::string& path);

// Whether the type that QkDetectFileType found for path agrees with its name:
// "" when it does; else why not, saying what the file looks like ("fw.hex is
// not Intel Hex: it looks like UTF-16 text ..."). A name that says Intel Hex
// or S-records needs that content, and content of neither kind is taken as a
// binary image only from a binary's name (.bin, .img, .raw, .rom).
std::string QkCheckDetectedType(const std::string& path, int fileType);

// Loads path into buffer between start and stop (inclusive): a binary image
// from start on, a hex file clipped to start..stop, with the warnings of the
// reader going to the program's error manager. 1 when the file was read
// (warnings answered "Ignore" included), 0 when it could not be read or a
// warning was answered "Abort". A path that is no usable file (empty, a
// directory, a device; see QkCheckInputFile) is reported through the error
// manager and gives 0. outside, when given, learns the addresses of the
// file's data that fell outside start..stop and were left out (a binary
// image's byte k belongs at the buffer's start address + k).
int QkLoadDataFile(clQKHugeBuffer& buffer, const std::string& path, int fileType, std::uint32_t start,
                   std::uint32_t stop, clOutsideData* outside = nullptr);
