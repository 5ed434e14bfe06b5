// Texts and small helpers of the main window: its messages, the titles the
// progress makes, shortened paths, the load dialog's file types and the
// description a project file holds.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "err/qkerr.h"
#include "source/files/fileformats.h"

// Messages of the main window.
enum : unsigned short {
    kMsgQuit = 1005,
    kMsgSaveChanged = 1006,
    kMsgBufferInit = 1007,
    kMsgNoMemory = 1008,
    kMsgChecksum = 1009,
};

inline constexpr const char kFrameTitle[] = "QK-JTAG - Halvane Windows Programmer";
inline constexpr const char kTitlePrefix[] = "QK-JTAG - ";
inline constexpr const char kProjectFilter[] = "QK-JTAG Project (*.qkp)|*.qkp|";

// The checksum result: message 1009 with the value in it.
class clQkChkSumVal : public clBasicErr {
public:
    clQkChkSumVal(unsigned long processId, unsigned short checksum);
};

// The file types of the load dialog: the project, then the data formats.
std::vector<clSaveEntry> QkLoadList();
// The progress title: "QK-JTAG - " and the text, with " N%" from 1 percent on.
std::string QkProgressTitle(int percent, const std::string& text);
// The progress text of a transfer to the programmer: what it is, and how long
// the wire takes when that is long enough to be worth saying
// ("Synchronizing (about 45 s)").
std::string QkTransferText(const std::string& what, double wireMs);
// The warning for a data file that was read to its end but gave the space
// no byte (not hex at all, or data only outside the space's range).
std::string QkNothingLoadedText(const std::string& path);
// The frame's title: the status line while minimised (at most 255 characters).
std::string QkFrameTitle(bool minimized, const std::string& status);
// A path cut to fit: leading folders become "/..." until fits answers true.
std::string QkShortenPath(const std::string& path, const std::function<bool(const std::string&)>& fits);
// The description stored in a project file ("" when it cannot be read).
std::string QkReadProjectDescription(const std::string& path);
