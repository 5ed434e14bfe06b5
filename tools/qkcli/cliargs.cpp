#include "tools/qkcli/cliargs.h"

#include <cerrno>
#include <cstdlib>

clCliArgs::clCliArgs(int argc, char** argv, int first, const std::set<std::string>& valueOptions,
                     const std::set<std::string>& flags)
    : clCliArgs(argc, argv, first, valueOptions, flags, {"switch"})
{}

clCliArgs::clCliArgs(int argc, char** argv, int first, const std::set<std::string>& valueOptions,
                     const std::set<std::string>& flags, const std::set<std::string>& repeatable)
{
    bool optionsEnded = false;
    for (int i = first; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
            if (arg == "--")
                optionsEnded = true;
            else
                m_Positional.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        std::string value;
        const auto eq = name.find('=');
        const bool inlineValue = eq != std::string::npos;
        if (inlineValue) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if ((flags.count(name) || valueOptions.count(name)) && m_Options.count(name) && !repeatable.count(name)) {
            m_sError = "option --" + name + " is given more than once";
            return;
        }
        if (flags.count(name)) {
            if (inlineValue) {
                m_sError = "option --" + name + " takes no value";
                return;
            }
            m_Options[name].push_back("");
        } else if (valueOptions.count(name)) {
            if (!inlineValue) {
                if (i + 1 >= argc) {
                    m_sError = "option --" + name + " needs a value";
                    return;
                }
                value = argv[++i];
            }
            m_Options[name].push_back(value);
        } else {
            m_sError = "unknown option --" + name;
            return;
        }
    }
}

bool clCliArgs::Has(const std::string& option) const
{
    return m_Options.count(option) != 0;
}

std::string clCliArgs::Value(const std::string& option, const std::string& fallback) const
{
    const auto it = m_Options.find(option);
    return it == m_Options.end() ? fallback : it->second.back();
}

std::vector<std::string> clCliArgs::Values(const std::string& option) const
{
    const auto it = m_Options.find(option);
    return it == m_Options.end() ? std::vector<std::string>{} : it->second;
}

bool QkParseNumber(const std::string& text, std::uint32_t& value)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ')
        return false;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
    if (*end != '\0' || errno == ERANGE || parsed > 0xFFFFFFFFull)
        return false;
    value = static_cast<std::uint32_t>(parsed);
    return true;
}
