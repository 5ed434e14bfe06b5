// The program's own error record: a message of its string table, or a text
// made on the spot.
#pragma once

#include <string>

#include "err/qkerr.h"

enum : unsigned short {
    kMsgBadProject = 1010,          // "Invalid file format, or file corrupted."
    kMsgIncompatibleProject = 1011, // "This project file is incompatible with ..."
};

class clQk51Err : public clBasicErr {
public:
    // Message msgNo of the string table (an empty text when there is none).
    clQk51Err(unsigned long processId, unsigned short msgNo, ERR_TYPE type, unsigned char option);
    clQk51Err(unsigned long processId, const std::string& text, ERR_TYPE type, unsigned char option);
};
