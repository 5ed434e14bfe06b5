// The caret, the selection and the top line of a dump view: address
// arithmetic only, clamped to the buffer.
//
// The caret stands on a byte of the buffer; in the hex column on the first
// byte of a unit. Keys move it and, with Shift, select from where the
// selection began (the anchor) up to the caret, the caret's own byte not
// included. A mouse drag selects both ends' units.
#pragma once

#include <cstdint>

#include "source/dump/dumplayout.h"

struct clDumpSelection {
    std::uint32_t start = 0; // first byte
    std::uint32_t end = 0;   // last byte, inclusive
    bool present = false;
    std::uint64_t Length() const { return present ? std::uint64_t{end} - start + 1 : 0; }
};

class clDumpCursor {
public:
    std::uint32_t Caret() const { return m_ulCaret; }
    bool IsHexPane() const { return m_bHexPane; }
    std::uint32_t Top() const { return m_ulTop; }
    const clDumpSelection& Selection() const { return m_Sel; }

    // The caret at adrs (clamped into the buffer, on its unit in the hex
    // column); the selection goes.
    void Place(std::uint64_t adrs, const clDumpLayout& layout);
    // The caret at target, clamped; extend selects from the anchor up to it,
    // otherwise the selection goes.
    void MoveTo(std::int64_t target, bool extend, const clDumpLayout& layout);
    // A mouse drag from the anchor to the unit at adrs, both included.
    void DragTo(std::uint64_t adrs, const clDumpLayout& layout);
    void SetPane(bool hexPane, const clDumpLayout& layout);
    // Selects first..last (clamped) and leaves the caret where it is.
    void Select(std::uint32_t first, std::uint32_t last, const clDumpLayout& layout);
    void ClearSelection();
    // After a layout change: the caret back on a unit, the selection kept.
    void Realign(const clDumpLayout& layout);

    // The top line's first address; lines past the end are not scrolled to.
    void SetTop(std::uint64_t adrs, int visibleLines, const clDumpLayout& layout);
    void ScrollToLine(std::int64_t line, int visibleLines, const clDumpLayout& layout);
    // Scrolls as little as needed to show adrs's line; with centre, a line
    // out of view comes to the middle.
    void ShowAddress(std::uint32_t adrs, int visibleLines, const clDumpLayout& layout, bool centre = false);

private:
    std::uint32_t Clamp(std::int64_t adrs, const clDumpLayout& layout) const;

    std::uint32_t m_ulCaret = 0;
    std::uint32_t m_ulAnchor = 0;
    bool m_bHexPane = false;
    std::uint32_t m_ulTop = 0;
    clDumpSelection m_Sel;
};
