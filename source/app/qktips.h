// Tips of the day: string ids 2101 and up, counted by probing the string table.
#pragma once

#include <functional>

inline constexpr unsigned kFirstTipId = 2101;
inline constexpr const char kNoTipsText[] = "No tips available!";

// The number of consecutive strings from kFirstTipId for which exists holds,
// found by probing with halving steps (100, 50, 25, 12, 6, 3, 1).
int QkCountTips(const std::function<bool(unsigned id)>& exists);
// The same over the program's string table.
int QkCountTips();
