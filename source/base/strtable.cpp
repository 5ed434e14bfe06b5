#include "source/base/strtable.h"

#include <algorithm>
#include <iterator>

namespace {
struct clStringEntry {
    unsigned id;
    const char* text;
};

// Sorted by id.
constexpr clStringEntry kStrings[] = {
    {101, "WARNING:  File %s is not in expected HEX format."},
    {102, "WARNING:  Unknown error type incountered in file %s"},
    {103, "WARNING:  Unexpected record type encountered in file %s"},
    {104, "WARNING:  Record with checksum error encountered in file %s"},
    {105, "WARNING:  Invalid record incountered in file %s"},
    {106, "WARNING:  EOF/Terminate record missing in file %s"},
    {107, "ERROR: Disk Input/Output error."},
    {371, "Start/Stop adresses are not at minimum/maximum values, thus cliping will be enabled and the file might "
          "not be loaded entirely!"},
    {1000, "Invalid start address.\nPlease re-type the desired address."},
    {1002, "Address underflow.\nSet address to default ?"},
    {1003, "Address overflow.\nSet address to default ?"},
    {1004, "Invalid stop address.\n.Please re-type the desired address."},
    {1005, "Do you wish to quit the QK-JTAG Halvane programmer ?"},
    {1006, "Project has been changed. Save before closing ?"},
    {1007, "Buffer initialization has failed."},
    {1008, "There is not enough memory for the selected device. "},
    {1009, "The check-sum value is %04Xh."},
    {1010, "Invalid file format, or file corrupted."},
    {1011, "This project file is incompatible with the QK-JTAG software version."},

    // Tips of the day: one consecutive run from 2101 (they are counted by probing).
    {2101, "\tIn order to select a new device, change the communication port or get information on software and "
           "hardware versions, click the \"Settings\" button."},
    {2102, "\tNew versions of this software and of the programmer's firmware are published on the HALVANE web "
           "site, so visit it from time to time to stay up to date."},
    {2103, "\tWhen selecting \"Scan\" as a communication port, the software will try to locate the programmer."},
    {2104, "\tThe list of supported devices keeps growing: check the HALVANE web site for new device databases "
           "and new devices."},
    {2105, "\tProgrammer version can be obtained by selecting \"About\" section in the Settings dialog"},
    {2106, "\tQK-JTAG Project File (QKP) allows you to save current setting with data contents to a single "
           "file.\nThen, with a single load, you are ready to program your devices."},
    {2107, "\tUsing the \"All\" space, you can program all of the device spaces at one click!!!"},
    {2108, "\tHALVANE offers programming adapters for devices in many packages, such as DIP, PLCC, QFP and "
           "SOIC, so ask for the one that fits your device."},
    {2109, "\tEEPROM/Flash devices can be erased using the QK-51 programmer."},
    {2110, "\tCommand-line switches let you force the communication port (/Com:2), load a project file at "
           "start (/P:MyProject.qkp) or choose special programming algorithms such as quick pulse (/QP)."},
    {2111, "\tSoftware and devices DBase versions can be obtained by selecting \"About\" section in the Settings "
           "dialog"},
    {2112, "\tBy typing part of the desired device, you can filter the device list in the device selection "
           "box.\nEx. typing 51F, will list all 8xx51Fx devices."},
    {2113, "\tAdding /DEMO switch to the software icon will allow you to work with the program in demonstration "
           "mode, with no need of a programmer."},
};
} // namespace

const char* QkLoadString(unsigned id)
{
    const auto* end = std::end(kStrings);
    const auto* found = std::lower_bound(std::begin(kStrings), end, id,
                                         [](const clStringEntry& e, unsigned key) { return e.id < key; });
    return found != end && found->id == id ? found->text : "";
}
