#include "source/settings/chpfilter.h"

#include <cctype>

namespace {
std::string Upper(const std::string& text)
{
    std::string result = text;
    for (char& c : result)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}
} // namespace

bool QkFilterMatches(const std::string& filter, const std::string& candidate)
{
    const std::string f = Upper(filter);
    const std::string c = Upper(candidate);
    std::size_t p = 0;
    for (char ch : f) {
        if (ch == '?') {
            if (p >= c.size())
                return false;
            ++p;
            continue;
        }
        const std::size_t found = c.find(ch, p);
        if (found == std::string::npos)
            return false;
        p = found + 1;
    }
    return true;
}

bool QkDeviceMatches(const std::string& filter, const std::string& vendor, const std::string& device)
{
    return QkFilterMatches(filter, vendor + " " + device) || QkFilterMatches(filter, device);
}
