#include "source/dump/dumperr.h"

const char* QkDumpMessage(unsigned short no)
{
    switch (no) {
    case dmpInvalidAddress: return "Invalid Address.";
    case dmpInvalidCount: return "Invalid Count";
    case dmpInvalidValue: return "Invalid Value";
    case dmpNotFound: return "Search string '%s' not found";
    case dmpNoBinImage: return "Can not copy bin image";
    case dmpReplaceAsk: return "Replace this occurence ?";
    case dmpNothingPasted: return "Nothing pasted: the clipboard holds no bytes for this column.";
    case dmpReplacedAll: return "Replaced %s.";
    case dmpSendStopped:
        return "Stopped: the buffer holds the edit, but the programmer did not receive all of it; the rest is sent "
               "before the next operation uses the programmer's memory.";
    default: return "";
    }
}

clDumpErr::clDumpErr(unsigned long processId, unsigned short no, ERR_TYPE type, unsigned char option,
                     const std::string& arg)
    : clBasicErr(processId, no, type, option)
{
    // The argument is the user's own text: it is pasted in, never used as a format.
    std::string text = QkDumpMessage(no);
    if (const auto at = text.find("%s"); at != std::string::npos)
        text.replace(at, 2, arg);
    SetErrStr(text.c_str());
}
