#include "source/app/adrsfield.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

bool QkParseHexAddress(const std::string& text, std::uint32_t& value)
{
    std::string s = text.substr(0, kAdrsFieldMax);
    const auto notBlank = [](unsigned char c) { return !std::isspace(c); };
    s.erase(s.begin(), std::find_if(s.begin(), s.end(), notBlank));
    s.erase(std::find_if(s.rbegin(), s.rend(), notBlank).base(), s.end());
    if (!s.empty() && (s.back() == 'h' || s.back() == 'H'))
        s.pop_back();
    else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        s.erase(0, 2);
    if (s.empty() || s.size() > 8)
        return false;
    std::uint32_t v = 0;
    for (const char c : s) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
        const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::toupper(c) - 'A' + 10;
        v = v * 16 + static_cast<std::uint32_t>(digit);
    }
    value = v;
    return true;
}

std::string QkFieldText(std::uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04lXh", static_cast<unsigned long>(address));
    return text;
}

clAdrsFieldRules::clAdrsFieldRules(std::uint32_t lowest, std::uint32_t highest, std::uint32_t alignment)
    : m_Low(lowest), m_High(std::max(lowest, highest)), m_Align(std::max<std::uint32_t>(alignment, 1))
{
    // A space smaller than one block is one block.
    m_Align = std::min(m_Align, m_High - m_Low + 1);
}

clAdrsFieldResult clAdrsFieldRules::Start(const std::string& text, std::uint32_t start, std::uint32_t stop,
                                          bool interactive, const Ask& ask) const
{
    clAdrsFieldResult kept{true, start, stop};
    std::uint32_t typed = 0;
    std::uint64_t s;
    if (QkParseHexAddress(text, typed)) {
        s = typed;
    } else {
        if (interactive) {
            ask(kMsgBadStart);
            return kept;
        }
        s = m_Low;
    }
    s -= s % m_Align;
    if (s < m_Low) {
        if (interactive && !ask(kMsgUnderflow))
            return kept;
        s = m_Low;
    } else if (s + m_Align - 1 > m_High) {
        if (interactive && !ask(kMsgOverflow))
            return kept;
        const std::uint64_t last = m_High - m_Align + 1;
        s = std::max(m_Low, last - last % m_Align);
    }
    std::uint64_t e = stop;
    if (e < s + m_Align - 1)
        e = std::min(s + m_Align - 1, m_High);
    return {false, static_cast<std::uint32_t>(s), static_cast<std::uint32_t>(e)};
}

clAdrsFieldResult clAdrsFieldRules::Stop(const std::string& text, std::uint32_t start, std::uint32_t stop,
                                         bool interactive, const Ask& ask) const
{
    clAdrsFieldResult kept{true, start, stop};
    std::uint32_t typed = 0;
    std::uint64_t e;
    if (QkParseHexAddress(text, typed)) {
        e = typed;
        e = e - e % m_Align + m_Align - 1;
    } else {
        if (interactive) {
            ask(kMsgBadStop);
            return kept;
        }
        e = m_High;
    }
    if (e > m_High) {
        if (interactive && !ask(kMsgOverflow))
            return kept;
        e = m_High;
    } else if (e < m_Low + m_Align - 1) {
        if (interactive && !ask(kMsgUnderflow))
            return kept;
        e = m_Low + m_Align - 1;
    }
    std::uint64_t s = start;
    if (e < s + m_Align - 1)
        s = e + 1 >= m_Low + m_Align ? e - m_Align + 1 : m_Low;
    return {false, static_cast<std::uint32_t>(s), static_cast<std::uint32_t>(e)};
}
