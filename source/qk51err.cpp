#include "source/qk51err.h"

#include "source/qkstr.h"

clQk51Err::clQk51Err(unsigned long processId, unsigned short msgNo, ERR_TYPE type, unsigned char option)
    : clBasicErr(processId, msgNo, type, option)
{
    const char* text = QkLoadString(msgNo);
    SetErrStr(text != nullptr ? text : "");
}

clQk51Err::clQk51Err(unsigned long processId, const std::string& text, ERR_TYPE type, unsigned char option)
    : clBasicErr(processId, 0, type, option)
{
    SetErrStr(text.c_str());
}
