// Finding and replacing byte patterns in a buffer.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cpplib/clbuffer.h"

inline constexpr std::uint32_t kDumpWindow = 2048; // bytes read at a time

// The first match of pattern at or after from, read in windows of 2048
// bytes; a match that runs past a window's end is looked at again from the
// next window. A from below the buffer starts at its first byte. There is no
// wrap-around: nothing when the rest of the buffer is shorter than the pattern.
std::optional<std::uint32_t> QkDumpFind(const clHugeBuffer<unsigned char>& buf, std::uint64_t from,
                                        std::span<const unsigned char> pattern);

// Replaces the found bytes at adrs (foundLength of them) by replacement.
// Nothing is done (false) when the replacement would run past the buffer's
// end. A longer or shorter replacement moves the rest of the buffer up or
// down: bytes moved past the end are lost, and after a shorter one the last
// bytes stay as they were. Every change goes through the buffer's own
// operations.
bool QkDumpReplace(clHugeBuffer<unsigned char>& buf, std::uint32_t adrs, std::size_t foundLength,
                   std::span<const unsigned char> replacement);

enum class dmpFindMode { none, find, replace };

// What the find dialog set last: texts, their patterns and the choices.
class clDumpSearch {
public:
    dmpFindMode Mode() const { return m_Mode; }
    const std::string& FindText() const { return m_sFind; }
    const std::string& ReplaceText() const { return m_sReplace; }
    const std::vector<unsigned char>& FindPattern() const { return m_Find; }
    const std::vector<unsigned char>& ReplacePattern() const { return m_Replace; }
    bool FromStart() const { return m_bFromStart; }
    bool ChangeAll() const { return m_bChangeAll; }
    bool Prompt() const { return m_bPrompt; }

    // The texts as the options restore them (not yet parsed).
    void RestoreTexts(std::string find, std::string replace);

    // The dialog's fields, on OK. The find text is parsed, in replace mode
    // the replace text too. Answers the id of the field that does not parse
    // (115 find, 114 replace; nothing is changed then), else 0.
    int Accept(dmpFindMode mode, const std::string& findText, const std::string& replaceText, bool fromStart,
               bool changeAll, bool prompt);

private:
    dmpFindMode m_Mode = dmpFindMode::none;
    std::string m_sFind;
    std::string m_sReplace;
    std::vector<unsigned char> m_Find;
    std::vector<unsigned char> m_Replace;
    bool m_bFromStart = false;
    bool m_bChangeAll = false;
    bool m_bPrompt = false;
};
