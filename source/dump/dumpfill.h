// The fields of the fill dialog: what it proposes and how each field is
// checked. Each check answers the message that refuses the field (121
// start, 122 count, 123 value) or 0 and the field rewritten as "%lXh".
#pragma once

#include <cstdint>
#include <string>

#include "source/dump/dumpcursor.h"
#include "source/dump/dumplayout.h"

class clDumpFillForm {
public:
    struct clFields {
        std::string start;
        std::string count;
        std::string value;
    };

    explicit clDumpFillForm(const clDumpLayout& layout) : m_Layout(layout) {}

    // Start at the selection (up to the end of its last unit) or the caret
    // with count 0; value 0. A start outside the buffer becomes its first
    // address, a count that does not fit 0.
    clFields Propose(const clDumpSelection& sel, std::uint32_t caret) const;

    // The checks a field gets when it loses the focus; text is rewritten
    // when it is valid.
    unsigned short CheckStart(std::string& text) const;
    // Needs a valid start: the count must fit between it and the buffer's end.
    unsigned short CheckCount(std::string& text, const std::string& startText) const;
    unsigned short CheckValue(std::string& text) const;

    // OK: the three checks in order (the failing field's message and which
    // field: 0 start, 1 count, 2 value), then the whole range.
    struct clResult {
        unsigned short message = 0;
        int field = -1;
        std::uint32_t start = 0;
        std::uint32_t count = 0;
        unsigned char value = 0;
    };
    clResult Check(clFields& fields) const;

private:
    const clDumpLayout& m_Layout;
};
