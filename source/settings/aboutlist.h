// The version lines of the About page: the software, the protocol, the
// programmer and the device database.
#pragma once

#include <string>
#include <vector>

#include "cpplib/tarray.h"
#include "qkdb/verinfo.h"

// "name h.ll.a.r" with an alpha letter, "name h.ll" when high or low is set,
// else the name alone; prefix goes first.
std::string QkVersionText(const std::string& prefix, const clVerInfo& version);

// The About list. Without a connection the protocol and programmer groups
// say "Not Connected". link: what the line to the programmer does (see
// QkLinkAboutLines), after the programmer's group.
std::vector<std::string> QkAboutLines(const std::string& software, bool connected,
                                      const TArrayAsVector<clVerInfo>& protocol,
                                      const TArrayAsVector<clVerInfo>& programmer,
                                      const TArrayAsVector<clVerInfo>& database,
                                      const std::vector<std::string>& link = {});
