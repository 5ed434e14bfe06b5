#include "comm/qkcommer.h"

#include <cstdio>
#include <iterator>
#include <string>

namespace {

const char* const kMessages[] = {
    "No error happened",
    "Cannot connect with QK-JTAG programmer.\nEntering off line mode.",
    "General communication error with the programmer.",
    "Device is not blank.\nDevice value %02X at address %04lXh",
    "Device is not blank.",
    "Device signature mismatch.",
    "Erase operation has failed.",
    "Check sum operation has failed.",
    "Communication has failed.",
    "Programming data error at %04lXh.",
    "Data verify has failed at address %04lXh\nDevice value: %02Xh\nBuffer value: %02Xh\nContinue ?",
    "Data verify has failed at address %04lXh\nDevice value: %02Xh\nBuffer value: %02Xh",
    "Security operation has failed.",
    "Error on log stream.",
    "Internal error.",
    "Cannot connect to Demo protocol.",
    "A wrong adapter is conected to the QK-51 programmer.",
    "QK-51 programmer firmware version does not support this device.",
    "QK-51 programmer firmware version is not supported by QK-51 for Windows software.\nPlease contact Halvane for a "
    "firmware update.",
    "Final verify operation has failed.",
    "Invalid order.",
    "Programming Vpp has drop below permited voltage.",
    "The device is in stand-alone mode (Power-Up)\nReconnect to the device.",
    "Out of space error.",
    "Hardware read error.",
    "Hardware write error.",
    "Hardware fill error.",
};
static_assert(std::size(kMessages) == 27);

// The last number whose text a clQKCommEr takes.
constexpr unsigned short kLastWithText = 20;

template <class... A>
std::string Format(unsigned short no, A... args)
{
    char text[256];
    std::snprintf(text, sizeof text, QkCommMessage(no), args...);
    return text;
}

} // namespace

const char* QkCommMessage(unsigned short no)
{
    return no < std::size(kMessages) ? kMessages[no] : nullptr;
}

clQKCommEr::clQKCommEr(unsigned long processId, unsigned short errNo, ERR_TYPE type, unsigned char option)
    : clBasicErr(processId, errNo, type, option)
{
    if (errNo <= kLastWithText)
        SetErrStr(QkCommMessage(errNo));
}

clQKCommBlnkErr::clQKCommBlnkErr(unsigned long processId, const clAdrs& address, unsigned char value)
    : clBasicErr(processId, 3, erTypeNote, erOptOk), m_Adrs(address), m_ucValue(value)
{
    SetErrStr(Format(3, static_cast<unsigned>(value), static_cast<unsigned long>(address.GetLinear())).c_str());
}

clQKCommVrfErr::clQKCommVrfErr(unsigned long processId, const clAdrs& address, unsigned char deviceValue,
                               unsigned char bufferValue)
    : clBasicErr(processId, 9, erTypeNote, erOptOk), m_Adrs(address), m_ucDevice(deviceValue), m_ucBuffer(bufferValue)
{
    SetErrStr(Format(11, static_cast<unsigned long>(address.GetLinear()), static_cast<unsigned>(deviceValue),
                     static_cast<unsigned>(bufferValue))
                  .c_str());
}

clQKCommPgmErr::clQKCommPgmErr(unsigned long processId, unsigned short low, unsigned short high)
    : clBasicErr(processId, 8, erTypeError, erOptAbort), m_ulAdrs(static_cast<std::uint32_t>(high) * 65536 + low)
{
    SetErrStr(Format(9, static_cast<unsigned long>(m_ulAdrs)).c_str());
}

clQKBootErr::clQKBootErr(unsigned long processId, unsigned short errNo, const char* detail, int bootLibErr)
    : clBasicErr(processId, errNo, erTypeError, erOptAbort)
{
    const std::string what = detail != nullptr ? detail : "";
    std::string text;
    switch (errNo) {
    case bootNoEntry:
        text = "The boot library " + what + " has no entry point com_init.\nThe firmware update was not done.";
        break;
    case bootFailed:
        text = "The firmware update has failed: " + what + " (boot library error " + std::to_string(bootLibErr) + ").";
        break;
    case bootStillThere: text = "The programmer still answers with its boot monitor after a firmware update."; break;
    default: break;
    }
    SetErrStr(text.c_str());
}

clErrMngr& GetCommErrMngr()
{
    static clErrMngr manager;
    return manager;
}
