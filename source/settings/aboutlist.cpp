#include "source/settings/aboutlist.h"

#include <cstdio>

std::string QkVersionText(const std::string& prefix, const clVerInfo& version)
{
    char text[300];
    if (version.GetAlphaVer() != 0)
        std::snprintf(text, sizeof text, "%s%s %d.%02d.%c.%d", prefix.c_str(), version.GetName(), version.GetHiVer(),
                      version.GetLoVer(), static_cast<char>(version.GetAlphaVer()), version.GetRebuildVer());
    else if (version.GetHiVer() != 0 || version.GetLoVer() != 0)
        std::snprintf(text, sizeof text, "%s%s %d.%02d", prefix.c_str(), version.GetName(), version.GetHiVer(),
                      version.GetLoVer());
    else
        std::snprintf(text, sizeof text, "%s%s", prefix.c_str(), version.GetName());
    return text;
}

namespace {
// The first version follows the group's label, each further one "     -  ".
// A line equal to the one before it says nothing new: a programmer that
// answers no query (robot mode) gives one "Communication Error", not two.
void AddGroup(std::vector<std::string>& lines, const std::string& label, const TArrayAsVector<clVerInfo>& versions)
{
    for (std::size_t i = 0; i < versions.size(); ++i) {
        const std::string line = QkVersionText(i == 0 ? label : "     -  ", versions[i]);
        if (i == 0 || line != lines.back())
            lines.push_back(line);
    }
}
} // namespace

std::vector<std::string> QkAboutLines(const std::string& software, bool connected,
                                      const TArrayAsVector<clVerInfo>& protocol,
                                      const TArrayAsVector<clVerInfo>& programmer,
                                      const TArrayAsVector<clVerInfo>& database, const std::vector<std::string>& link)
{
    std::vector<std::string> lines{software};
    if (connected) {
        AddGroup(lines, "   Protocol: ", protocol);
        AddGroup(lines, "   Device:   ", programmer);
        lines.insert(lines.end(), link.begin(), link.end());
    } else {
        lines.push_back("   Protocol: Not Connected");
        lines.push_back("   Device:   Not Connected");
    }
    AddGroup(lines, "   DBase:    ", database);
    return lines;
}
