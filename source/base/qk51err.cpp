#include "source/base/qk51err.h"

#include "source/base/strtable.h"

clQk51Err::clQk51Err(unsigned long processId, unsigned short msgNo, ERR_TYPE type, unsigned char option)
    : clBasicErr(processId, msgNo, type, option)
{
    SetErrStr(QkLoadString(msgNo));
}

clQk51Err::clQk51Err(unsigned long processId, const std::string& text, ERR_TYPE type, unsigned char option)
    : clBasicErr(processId, 0, type, option)
{
    SetErrStr(text.c_str());
}
