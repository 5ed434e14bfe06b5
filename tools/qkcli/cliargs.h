// The command line of one qkcli command: positional words, options with a
// value ("--start 0x100" or "--start=0x100"), repeatable options and flags.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

class clCliArgs {
public:
    // Parses argv[first..argc); options not named in valueOptions or flags
    // are errors, and so is an option given twice unless it is named in
    // repeatable (a second --start would silently win over the first).
    clCliArgs(int argc, char** argv, int first, const std::set<std::string>& valueOptions,
              const std::set<std::string>& flags, const std::set<std::string>& repeatable);
    // The same with --switch as the only repeatable option: switches add up.
    clCliArgs(int argc, char** argv, int first, const std::set<std::string>& valueOptions,
              const std::set<std::string>& flags);

    bool IsValid() const { return m_sError.empty(); }
    const std::string& GetError() const { return m_sError; }

    const std::vector<std::string>& Positional() const { return m_Positional; }
    bool Has(const std::string& option) const;
    // The last value given for option, or fallback.
    std::string Value(const std::string& option, const std::string& fallback = "") const;
    // Every value given for a repeatable option, in order.
    std::vector<std::string> Values(const std::string& option) const;

private:
    std::vector<std::string> m_Positional;
    std::map<std::string, std::vector<std::string>> m_Options;
    std::string m_sError;
};

// Parses 0x-hexadecimal or decimal text that fits in 32 bits.
bool QkParseNumber(const std::string& text, std::uint32_t& value);
