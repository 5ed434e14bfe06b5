#include "comm/swtch.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "cpplib/qktext.h"

clSwtch::clSwtch(int argc, const char* const* argv) : m_iArgc(argv != nullptr ? argc : 0), m_pArgv(argv) {}

std::uint32_t clSwtch::RegisterKey(const char* key)
{
    m_Keys.emplace_back(key);
    return static_cast<std::uint32_t>(m_Keys.size() - 1);
}

void clSwtch::AddForm(const clSwtchStr& form)
{
    m_Forms.push_back(form);
}

bool clSwtch::IsPrefix(char c) const
{
    return c != '\0' && m_sPrefixes.find(c) != std::string::npos;
}

bool clSwtch::FindKey(const char* key, std::uint32_t& id) const
{
    for (std::size_t i = 0; i < m_Keys.size(); ++i)
        if (m_Keys[i].GetKey() == key) {
            id = static_cast<std::uint32_t>(i);
            return true;
        }
    return false;
}

// Forms in registration order, and for each the arguments in order: the
// first matching argument ends the search.
bool clSwtch::Search(clSwtchIterInfo& info, bool asValue) const
{
    for (const clSwtchStr& form : m_Forms) {
        if (form.GetId() != info.id)
            continue;
        const std::string& text = form.GetForm();
        for (int i = 1; i < info.argc; ++i) {
            const char* arg = info.argv[i];
            if (arg == nullptr || !IsPrefix(arg[0]))
                continue;
            const char* rest = arg + 1;
            bool matches;
            const std::string_view given(rest);
            if (asValue)
                matches = form.IsCaseSensitive() ? given.substr(0, text.size()) == text : QkStartsNoCase(given, text);
            else
                matches = form.IsCaseSensitive() ? given == text : QkEqualNoCase(given, text);
            if (matches) {
                info.match = arg;
                info.value = rest + text.size();
                return true;
            }
        }
    }
    return false;
}

int clSwtch::IsSet(const char* key) const
{
    clSwtchIterInfo info{m_iArgc, m_pArgv, clSwtchStr::kNoKey, m_sPrefixes.c_str()};
    if (!FindKey(key, info.id))
        return 0;
    return Search(info, false) ? 1 : 0;
}

int clSwtch::GetText(const char* key, const char*& value) const
{
    clSwtchIterInfo info{m_iArgc, m_pArgv, clSwtchStr::kNoKey, m_sPrefixes.c_str()};
    if (!FindKey(key, info.id) || !Search(info, true))
        return 0;
    value = info.value;
    return 1;
}

int clSwtch::GetInt(const char* key, std::int32_t& value) const
{
    const char* text = nullptr;
    if (GetText(key, text) == 0)
        return 0;
    errno = 0;
    char* end = nullptr;
    const long long converted = std::strtoll(text, &end, 0);
    if (*end != '\0')
        return 0;
    // A value that does not fit in 32 bits is no value; the caller applies
    // its default instead of a silently truncated number.
    if (errno == ERANGE || converted < INT32_MIN || converted > static_cast<long long>(UINT32_MAX))
        return 0;
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(converted));
    return 1;
}

int clSwtch::NonSwitchCount() const
{
    int count = 1;
    for (int i = 1; i < m_iArgc; ++i)
        if (m_pArgv[i] != nullptr && !IsPrefix(m_pArgv[i][0]))
            ++count;
    return count;
}
