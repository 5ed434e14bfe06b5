// The dump editor's messages and the record they are shown with.
#pragma once

#include <string>

#include "err/qkerr.h"

enum : unsigned short {
    dmpInvalidAddress = 121, // "Invalid Address."
    dmpInvalidCount = 122,   // "Invalid Count"
    dmpInvalidValue = 123,   // "Invalid Value"
    dmpNotFound = 124,       // "Search string '%s' not found"
    dmpNoBinImage = 125,     // "Can not copy bin image"
    dmpReplaceAsk = 126,     // "Replace this occurence ?"
    dmpNothingPasted = 127,  // the clipboard held no bytes for the caret's column
    dmpReplacedAll = 128,    // how many "Change All" replaced
    dmpSendStopped = 129,    // an edit's transfer to the programmer was stopped
};

// The text of message no ("" for an id that is not the editor's).
const char* QkDumpMessage(unsigned short no);

class clDumpErr : public clBasicErr {
public:
    // Message no; a "%s" in it is replaced by arg.
    clDumpErr(unsigned long processId, unsigned short no, ERR_TYPE type, unsigned char option,
              const std::string& arg = {});
};
