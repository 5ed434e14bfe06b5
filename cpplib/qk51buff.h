// The program's space buffer: adds binary file loads of an address range.
#pragma once

#include "cpplib/qkbufint.h"

class clQKHugeBuffer : public clQKHugeBufIntr {
public:
    explicit clQKHugeBuffer(const char* name = "");
    ~clQKHugeBuffer() override = default;

    // File byte k goes to buffer start address + k; only the part of the file
    // that falls in start..stop is loaded. A missing file shows "File not
    // found!" and answers 0.
    int LoadBinRange(const char* path, const clAdrs& start, const clAdrs& stop) override;
    // The same, every byte stored with its bit order reversed.
    int LoadBinRangeReversed(const char* path, const clAdrs& start, const clAdrs& stop) override;

private:
    int LoadRange(const char* path, const clAdrs& start, const clAdrs& stop, bool reversed,
                  const unsigned short lines[3]);
};
