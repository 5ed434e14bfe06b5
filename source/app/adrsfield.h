// The start and stop address fields of a space view: typed text becomes a
// command range on whole blocks of the space, asking the user where the text
// leaves the space.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

enum : unsigned short {
    kMsgBadStart = 1000,  // "Invalid start address.\nPlease re-type the desired address."
    kMsgUnderflow = 1002, // "Address underflow.\nSet address to default ?"
    kMsgOverflow = 1003,  // "Address overflow.\nSet address to default ?"
    kMsgBadStop = 1004,   // "Invalid stop address.\n.Please re-type the desired address."
};

inline constexpr std::size_t kAdrsFieldMax = 20; // characters read from a field

// A hexadecimal address as the fields show it ("7F00h", "0x7F00", "7f00");
// false for anything else or a value beyond 32 bits.
bool QkParseHexAddress(const std::string& text, std::uint32_t& value);
// "%04lXh", as a field shows an address.
std::string QkFieldText(std::uint32_t address);

struct clAdrsFieldResult {
    bool keepFocus = false; // the text stays for the user to correct
    std::uint32_t start = 0;
    std::uint32_t stop = 0;
};

class clAdrsFieldRules {
public:
    // ask shows a message of the string table and answers whether the user
    // agreed (Ok); messages 1000 and 1004 only inform.
    using Ask = std::function<bool(unsigned short message)>;

    clAdrsFieldRules(std::uint32_t lowest, std::uint32_t highest, std::uint32_t alignment);

    // The start field left with text while the range is start..stop. Not
    // interactive (set-up): nothing is asked and a bad text means lowest.
    clAdrsFieldResult Start(const std::string& text, std::uint32_t start, std::uint32_t stop, bool interactive,
                            const Ask& ask) const;
    clAdrsFieldResult Stop(const std::string& text, std::uint32_t start, std::uint32_t stop, bool interactive,
                           const Ask& ask) const;

    std::uint32_t Lowest() const { return static_cast<std::uint32_t>(m_Low); }
    std::uint32_t Highest() const { return static_cast<std::uint32_t>(m_High); }

private:
    // In 64 bits: a block end past 0xFFFFFFFF must not wrap.
    std::uint64_t m_Low, m_High, m_Align;
};
