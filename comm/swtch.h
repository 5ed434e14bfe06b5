// Command-line switches: a set of keys, each with the forms a user may type
// after a prefix character ("/NOVFY", "-nv"), asked by key for a flag or for
// the value written directly after the form ("/COMMTO:3").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A switch key; its id is its position in the key list.
class clSwtchId {
public:
    explicit clSwtchId(const char* key) : m_sKey(key) {}
    const std::string& GetKey() const { return m_sKey; }

private:
    std::string m_sKey;
};

// One accepted form of a key.
class clSwtchStr {
public:
    static constexpr std::uint32_t kNoKey = 0x7FFFFFFF;

    clSwtchStr() = default;
    clSwtchStr(const char* form, std::uint32_t id, bool caseSensitive)
        : m_sForm(form), m_ulId(id), m_bCaseSensitive(caseSensitive)
    {}
    const std::string& GetForm() const { return m_sForm; }
    std::uint32_t GetId() const { return m_ulId; }
    bool IsCaseSensitive() const { return m_bCaseSensitive; }

private:
    std::string m_sForm;
    std::uint32_t m_ulId = kNoKey;
    bool m_bCaseSensitive = false;
};

// The state of one search through the arguments.
struct clSwtchIterInfo {
    int argc = 0;
    const char* const* argv = nullptr;
    std::uint32_t id = clSwtchStr::kNoKey;
    const char* prefixes = "";
    const char* match = nullptr; // the matching argument, once found
    const char* value = nullptr; // for value switches: where the value starts
};

class clSwtch {
public:
    // The argument vector is the caller's and must outlive the set.
    clSwtch(int argc, const char* const* argv);
    virtual ~clSwtch() = default;

    // Appends a key; returns its id.
    std::uint32_t RegisterKey(const char* key);
    void AddForm(const clSwtchStr& form);

    // 1 when an argument is exactly a prefix character and a form of key.
    int IsSet(const char* key) const;
    // 1 when an argument starts with a prefix character and a form of key;
    // value then points into that argument, just after the form.
    int GetText(const char* key, const char*& value) const;
    // As GetText, then the value converted in base 0 (decimal, 0x hex, 0
    // octal): 1 only if the whole value converted and fits in 32 bits.
    int GetInt(const char* key, std::int32_t& value) const;
    // 1 + the number of arguments after the program name that are not switches.
    int NonSwitchCount() const;

private:
    bool FindKey(const char* key, std::uint32_t& id) const;
    bool Search(clSwtchIterInfo& info, bool asValue) const;
    bool IsPrefix(char c) const;

    int m_iArgc;
    const char* const* m_pArgv;
    std::string m_sPrefixes = "/-";
    std::vector<clSwtchId> m_Keys;
    std::vector<clSwtchStr> m_Forms;
};
