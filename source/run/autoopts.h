// The automatic options: the steps a program cycle takes before programming
// (signature check, erase, blank check) and robot mode, as the option store
// keeps them.
#pragma once

#include <cstdint>

#include "options/optsrv.h"

// The automatic options of the option store (0 when an option is missing).
struct clAutoOptions {
    std::uint16_t sigChk = 0;
    std::uint16_t blnkChk = 0;
    std::uint16_t erase = 0;
    std::uint16_t robot = 0;
    bool operator==(const clAutoOptions&) const = default;
};
clAutoOptions QkReadAutoOptions(clOptSrvInterface& options);
void QkWriteAutoOptions(clOptSrvInterface& options, const clAutoOptions& values);
