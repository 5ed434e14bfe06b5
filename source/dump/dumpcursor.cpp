#include "source/dump/dumpcursor.h"

#include <algorithm>

std::uint32_t clDumpCursor::Clamp(std::int64_t adrs, const clDumpLayout& layout) const
{
    const std::int64_t clamped =
        std::clamp<std::int64_t>(adrs, layout.First(), static_cast<std::int64_t>(layout.Last()));
    const auto at = static_cast<std::uint32_t>(clamped);
    return m_bHexPane ? layout.UnitStart(at) : at;
}

void clDumpCursor::Place(std::uint64_t adrs, const clDumpLayout& layout)
{
    m_ulCaret = m_ulAnchor = Clamp(static_cast<std::int64_t>(adrs), layout);
    m_Sel.present = false;
}

void clDumpCursor::MoveTo(std::int64_t target, bool extend, const clDumpLayout& layout)
{
    if (!extend) {
        Place(static_cast<std::uint64_t>(std::max<std::int64_t>(target, 0)), layout);
        return;
    }
    if (!m_Sel.present)
        m_ulAnchor = m_ulCaret;
    m_ulCaret = Clamp(target, layout);
    m_Sel.present = m_ulCaret != m_ulAnchor;
    m_Sel.start = std::min(m_ulAnchor, m_ulCaret);
    m_Sel.end = std::max(m_ulAnchor, m_ulCaret) - 1;
}

void clDumpCursor::DragTo(std::uint64_t adrs, const clDumpLayout& layout)
{
    m_ulCaret = Clamp(static_cast<std::int64_t>(adrs), layout);
    const std::uint32_t first = layout.UnitStart(std::min(m_ulAnchor, m_ulCaret));
    const std::uint32_t lastUnit = layout.UnitStart(std::max(m_ulAnchor, m_ulCaret));
    m_Sel = {first, std::min<std::uint32_t>(lastUnit + (layout.UnitSize() - 1), layout.Last()), true};
}

void clDumpCursor::SetPane(bool hexPane, const clDumpLayout& layout)
{
    m_bHexPane = hexPane;
    m_ulCaret = Clamp(m_ulCaret, layout);
}

void clDumpCursor::Select(std::uint32_t first, std::uint32_t last, const clDumpLayout& layout)
{
    m_Sel = {std::max(first, layout.First()), std::min(last, layout.Last()), first <= last};
    // Shift and a key go on from the selection's start.
    m_ulAnchor = m_Sel.start;
}

void clDumpCursor::ClearSelection()
{
    m_Sel.present = false;
}

void clDumpCursor::Realign(const clDumpLayout& layout)
{
    m_ulCaret = Clamp(m_ulCaret, layout);
    m_ulAnchor = Clamp(m_ulAnchor, layout);
    if (m_Sel.present)
        Select(m_Sel.start, m_Sel.end, layout);
}

void clDumpCursor::SetTop(std::uint64_t adrs, int visibleLines, const clDumpLayout& layout)
{
    const std::uint64_t clamped = layout.Contains(adrs) ? adrs : layout.First();
    ScrollToLine(layout.LineOf(static_cast<std::uint32_t>(clamped)), visibleLines, layout);
}

void clDumpCursor::ScrollToLine(std::int64_t line, int visibleLines, const clDumpLayout& layout)
{
    const std::int64_t lastTop =
        std::max<std::int64_t>(0, static_cast<std::int64_t>(layout.LineCount()) - std::max(visibleLines, 1));
    m_ulTop = layout.LineStart(static_cast<std::uint32_t>(std::clamp<std::int64_t>(line, 0, lastTop)));
}

void clDumpCursor::ShowAddress(std::uint32_t adrs, int visibleLines, const clDumpLayout& layout, bool centre)
{
    const std::int64_t line = layout.LineOf(adrs);
    const std::int64_t top = layout.LineOf(m_ulTop);
    const int lines = std::max(visibleLines, 1);
    if (centre && (line < top || line >= top + lines))
        ScrollToLine(line - lines / 2, lines, layout);
    else if (line < top)
        ScrollToLine(line, lines, layout);
    else if (line >= top + lines)
        ScrollToLine(line - lines + 1, lines, layout);
}
