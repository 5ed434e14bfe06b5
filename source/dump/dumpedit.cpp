#include "source/dump/dumpedit.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "cpplib/qk51buff.h"
#include "err/qkexpt.h"
#include "source/dump/dumperr.h"
#include "source/dump/dumptext.h"

namespace {
std::uint32_t BufferFirst(const clHugeBuffer<unsigned char>& buf)
{
    return buf.GetStartAdrs().GetLinear();
}
} // namespace

clDumpEditor::clDumpEditor(clHugeBuffer<unsigned char>& buf, clDumpOptions& options, clErrMngr& errors,
                           clDumpView& view, clDumpClipboard& clipboard)
    : m_Buf(buf),
      m_Options(options),
      m_Errors(errors),
      m_View(view),
      m_Clipboard(clipboard),
      m_Layout(BufferFirst(buf), buf.HasMemory() ? buf.GetSize() : 0, options.GetViewMode(), options.GetLineWidth()),
      m_bLittleEndian(options.GetEndian() != 0),
      m_ulGoto(options.GetGoto())
{
    m_Cursor.SetPane(options.GetBinMode() != 0, m_Layout);
    m_Cursor.Place(m_Layout.Contains(options.GetCurAdrs()) ? options.GetCurAdrs() : m_Layout.First(), m_Layout);
    m_Cursor.SetTop(options.GetDumpStart(), m_View.VisibleLines(), m_Layout);
    m_Search.RestoreTexts(options.GetFind(), options.GetReplace());
}

void clDumpEditor::Close()
{
    m_Options.SetFind(m_Search.FindText());
    m_Options.SetReplace(m_Search.ReplaceText());
    m_Options.SetCurAdrs(m_Cursor.Caret());
    m_Options.SetDumpStart(m_Cursor.Top());
    m_Options.SetBinMode(m_Cursor.IsHexPane() ? 1 : 0);
    m_Options.SetViewMode(static_cast<std::uint8_t>(m_Layout.UnitSize()));
    m_Options.SetLineWidth(static_cast<std::uint8_t>(m_Layout.LineWidth()));
    m_Options.SetEndian(m_bLittleEndian ? 1 : 0);
}

template <class Work>
bool clDumpEditor::Guarded(Work work)
{
    try {
        work();
        return true;
    } catch (const clBscExpt&) {
        return false;
    }
}

template <class Work>
void clDumpEditor::EditMany(Work work)
{
    auto* mirrored = dynamic_cast<clQKHugeBuffer*>(&m_Buf);
    {
        std::optional<clQKHugeBuffer::clHold> hold;
        if (mirrored != nullptr)
            hold.emplace(*mirrored);
        work();
    }
    if (mirrored == nullptr || !mirrored->IsWriteThrough())
        return;
    const clAdrs first = mirrored->GetStartAdrs(), last = mirrored->GetStopAdrs();
    if (mirrored->UnsyncedBytes(first, last) == 0)
        return;
    bool stopped = false;
    m_View.RunTransfer(mirrored->UnsyncedWireMs(first, last), [&] {
        try {
            mirrored->SendUnsynced(first, last);
        } catch (const clXAbort&) {
            stopped = true;
        } catch (const clBscExpt&) {
            // Reported by the communication library; the rest stays unsent.
        }
    });
    if (stopped)
        Report(dmpSendStopped, erTypeNote, erOptOk);
}

int clDumpEditor::Report(unsigned short no, ERR_TYPE type, unsigned char option, const std::string& arg)
{
    return m_Errors << clDumpErr(m_View.GetPrcssId(), no, type, option, arg);
}

// View settings.

void clDumpEditor::NewLayout(unsigned unitSize, unsigned lineWidth)
{
    const std::uint32_t top = m_Cursor.Top();
    m_Layout = clDumpLayout(m_Layout.First(), m_Layout.Size(), unitSize, lineWidth);
    m_Typing.Clear();
    m_Cursor.Realign(m_Layout);
    m_Cursor.SetTop(top, m_View.VisibleLines(), m_Layout);
    m_Cursor.ShowAddress(m_Cursor.Caret(), m_View.VisibleLines(), m_Layout);
    m_Options.SetViewMode(static_cast<std::uint8_t>(m_Layout.UnitSize()));
    m_Options.SetLineWidth(static_cast<std::uint8_t>(m_Layout.LineWidth()));
    m_Options.MarkOptionsChanged();
    m_View.Refresh();
}

void clDumpEditor::SetLineWidth(unsigned width)
{
    if (clDumpLayout::IsLineWidth(width))
        NewLayout(m_Layout.UnitSize(), width);
}

void clDumpEditor::SetUnitSize(unsigned size)
{
    if (clDumpLayout::IsUnitSize(size))
        NewLayout(size, m_Layout.LineWidth());
}

void clDumpEditor::SetLittleEndian(bool little)
{
    m_bLittleEndian = little;
    // Digits typed so far were laid out in the other order.
    m_Typing.Clear();
    m_Options.SetEndian(little ? 1 : 0);
    m_Options.MarkOptionsChanged();
    m_View.Refresh();
}

// Scrolling and the caret.

void clDumpEditor::ScrollToLine(std::int64_t line)
{
    m_Cursor.ScrollToLine(line, m_View.VisibleLines(), m_Layout);
    m_View.Refresh();
}

void clDumpEditor::ScrollLines(std::int64_t delta)
{
    ScrollToLine(static_cast<std::int64_t>(m_Layout.LineOf(m_Cursor.Top())) + delta);
}

void clDumpEditor::Resized()
{
    m_Cursor.SetTop(m_Cursor.Top(), m_View.VisibleLines(), m_Layout);
    m_View.Refresh();
}

void clDumpEditor::CaretMoved()
{
    m_Typing.Clear();
    m_SearchFrom.reset();
    m_Cursor.ShowAddress(m_Cursor.Caret(), m_View.VisibleLines(), m_Layout);
    m_View.Refresh();
}

void clDumpEditor::Key(dmpKey key, bool shift)
{
    if (!HasData())
        return;
    const std::int64_t caret = m_Cursor.Caret();
    const std::int64_t step = m_Cursor.IsHexPane() ? m_Layout.UnitSize() : 1;
    const std::int64_t line = m_Layout.BytesPerLine();
    const std::int64_t lineStart = m_Layout.LineStart(m_Layout.LineOf(m_Cursor.Caret()));
    const int lines = std::max(m_View.VisibleLines(), 1);
    std::int64_t target = caret;
    switch (key) {
    case dmpKey::left: target = caret - step; break;
    case dmpKey::right: target = caret + step; break;
    case dmpKey::up: target = caret - line; break;
    case dmpKey::down: target = caret + line; break;
    case dmpKey::pageUp:
    case dmpKey::pageDown: {
        // The page turns with the caret.
        const std::int64_t delta = key == dmpKey::pageUp ? -lines : lines;
        target = caret + delta * line;
        m_Cursor.ScrollToLine(static_cast<std::int64_t>(m_Layout.LineOf(m_Cursor.Top())) + delta, lines, m_Layout);
        break;
    }
    case dmpKey::home: target = lineStart; break;
    case dmpKey::end: target = lineStart + line - step; break;
    case dmpKey::first: target = m_Layout.First(); break;
    case dmpKey::last: target = m_Layout.Last(); break;
    case dmpKey::tab:
        m_Cursor.SetPane(!m_Cursor.IsHexPane(), m_Layout);
        m_Options.SetBinMode(m_Cursor.IsHexPane() ? 1 : 0);
        CaretMoved();
        return;
    }
    // Up and down stop at the first and last lines instead of jumping sideways.
    if ((key == dmpKey::up || key == dmpKey::pageUp) && target < m_Layout.First())
        target = caret - (caret - m_Layout.First()) / line * line;
    if ((key == dmpKey::down || key == dmpKey::pageDown) && target > m_Layout.Last())
        target = caret + (static_cast<std::int64_t>(m_Layout.Last()) - caret) / line * line;
    m_Cursor.MoveTo(target, shift, m_Layout);
    CaretMoved();
}

void clDumpEditor::Click(std::uint32_t adrs, bool hexPane, bool shift)
{
    if (!HasData())
        return;
    if (hexPane != m_Cursor.IsHexPane()) {
        m_Cursor.SetPane(hexPane, m_Layout);
        m_Options.SetBinMode(hexPane ? 1 : 0);
    }
    m_Cursor.MoveTo(adrs, shift, m_Layout);
    CaretMoved();
}

void clDumpEditor::DragTo(std::uint32_t adrs)
{
    if (!HasData())
        return;
    m_Cursor.DragTo(adrs, m_Layout);
    CaretMoved();
}

void clDumpEditor::Type(char ch)
{
    if (!HasData())
        return;
    m_Options.MarkDataChanged();
    const auto stroke = m_Typing.Type(ch, m_Cursor.IsHexPane(), m_Layout.UnitSize(), m_bLittleEndian);
    if (!stroke.accepted)
        return;
    const std::uint32_t caret = m_Cursor.Caret();
    // A unit cut short by the buffer's end keeps only its bytes inside.
    const auto count =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(stroke.count, std::uint64_t{m_Layout.Last()} - caret + 1));
    // The buffer takes the bytes first; a programmer that then fails to take
    // them has said so itself, and the unit starts again.
    if (!Guarded([&] { m_Buf.Write(clAdrs(caret), clAdrs(caret + count - 1), stroke.bytes.data()); }))
        m_Typing.Clear();
    if (stroke.unitDone) {
        m_Cursor.MoveTo(std::int64_t{caret} + stroke.count, false, m_Layout);
        CaretMoved();
        return;
    }
    m_Cursor.ShowAddress(caret, m_View.VisibleLines(), m_Layout);
    m_View.Refresh();
}

// Find and replace.

std::string clDumpEditor::ProposedFindText() const
{
    const clDumpSelection& sel = m_Cursor.Selection();
    if (!sel.present || !HasData())
        return m_Search.FindText();
    const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(sel.Length(), kDumpPatternMax));
    std::vector<unsigned char> bytes(count);
    m_Buf.Read(clAdrs(sel.start), clAdrs(sel.start + count - 1), bytes.data());
    return QkSearchTextOf(bytes, m_Cursor.IsHexPane());
}

int clDumpEditor::AcceptSearch(dmpFindMode mode, const std::string& findText, const std::string& replaceText,
                               bool fromStart, bool changeAll, bool prompt)
{
    const int field = m_Search.Accept(mode, findText, replaceText, fromStart, changeAll, prompt);
    if (field != 0)
        Report(dmpInvalidValue, erTypeError, erOptOk);
    return field;
}

void clDumpEditor::RunSearch()
{
    if (m_Search.Mode() == dmpFindMode::none || !HasData())
        return;
    m_SearchFrom = m_Search.FromStart() ? m_Layout.First() : m_Cursor.Caret();
    if (m_Search.Mode() == dmpFindMode::replace && m_Search.ChangeAll()) {
        EditMany([&] {
            bool stopped = false;
            std::uint64_t replaced = 0;
            while (SearchStep(stopped, &replaced) && !stopped) {
            }
        });
    } else {
        bool stopped = false;
        SearchStep(stopped);
    }
    m_View.Refresh();
}

void clDumpEditor::SearchAgain()
{
    if (m_Search.Mode() == dmpFindMode::none || !HasData())
        return;
    bool stopped = false;
    SearchStep(stopped);
    m_View.Refresh();
}

void clDumpEditor::ShowFound(std::uint32_t first, std::uint64_t length, std::uint64_t next)
{
    m_Typing.Clear();
    m_Cursor.Place(std::min<std::uint64_t>(next, m_Layout.Last()), m_Layout);
    m_Cursor.Select(first, static_cast<std::uint32_t>(first + length - 1), m_Layout);
    m_Cursor.ShowAddress(first, m_View.VisibleLines(), m_Layout, true);
    m_Cursor.ShowAddress(m_Cursor.Caret(), m_View.VisibleLines(), m_Layout);
    m_SearchFrom = next;
}

bool clDumpEditor::SearchStep(bool& stopped, std::uint64_t* replacedCount)
{
    const auto& find = m_Search.FindPattern();
    const std::uint64_t from = m_SearchFrom ? *m_SearchFrom : m_Cursor.Caret();
    std::optional<std::uint32_t> found;
    if (from < std::uint64_t{m_Layout.First()} + m_Layout.Size())
        found = QkDumpFind(m_Buf, from, find);
    if (!found) {
        // "Change All" that replaced something says how often, not "not found".
        if (replacedCount != nullptr && *replacedCount > 0)
            Report(dmpReplacedAll, erTypeNote, erOptOk,
                   *replacedCount == 1 ? std::string("1 occurrence") : std::to_string(*replacedCount) + " occurrences");
        else
            Report(dmpNotFound, erTypeNote, erOptOk, m_Search.FindText());
        return false;
    }
    const std::uint32_t at = *found;
    ShowFound(at, find.size(), std::uint64_t{at} + find.size());
    if (m_Search.Mode() != dmpFindMode::replace)
        return true;

    if (m_Search.Prompt()) {
        m_View.Refresh();
        const int answer = Report(dmpReplaceAsk, erTypeNote, erOptYes | erOptNo | erOptCancel);
        if (answer == erIdNo)
            return true;
        if (answer != erIdYes) {
            stopped = true;
            return false;
        }
    }
    const auto& replace = m_Search.ReplacePattern();
    bool replaced = false;
    if (!Guarded([&] { replaced = QkDumpReplace(m_Buf, at, find.size(), replace); })) {
        m_Options.MarkDataChanged();
        stopped = true;
        return false;
    }
    if (replaced) {
        if (replacedCount != nullptr)
            ++*replacedCount;
        m_Options.MarkDataChanged();
        ShowFound(at, replace.size(), std::uint64_t{at} + replace.size());
    }
    return true;
}

// Fill and goto.

bool clDumpEditor::CheckFillField(int field, clDumpFillForm::clFields& fields)
{
    const clDumpFillForm form(m_Layout);
    unsigned short no = 0;
    if (field == 0)
        no = form.CheckStart(fields.start);
    else if (field == 1)
        no = form.CheckCount(fields.count, fields.start);
    else
        no = form.CheckValue(fields.value);
    if (no != 0)
        Report(no, erTypeError, erOptOk);
    return no == 0;
}

int clDumpEditor::Fill(clDumpFillForm::clFields& fields)
{
    const auto result = clDumpFillForm(m_Layout).Check(fields);
    if (result.message != 0) {
        Report(result.message, erTypeError, erOptOk);
        return result.field;
    }
    if (HasData()) {
        EditMany([&] {
            Guarded(
                [&] { m_Buf.Fill(clAdrs(result.start), clAdrs(result.start + (result.count - 1)), &result.value); });
        });
        m_Options.MarkDataChanged();
        m_View.Refresh();
    }
    return -1;
}

std::string clDumpEditor::ProposedGoto() const
{
    return QkDumpHexText(m_ulGoto);
}

bool clDumpEditor::Goto(const std::string& text)
{
    const auto adrs = QkParseDumpNumber(text);
    if (!adrs) {
        Report(dmpInvalidValue, erTypeError, erOptOk);
        return false;
    }
    // The caret never leaves the buffer.
    if (!m_Layout.Contains(*adrs)) {
        Report(dmpInvalidAddress, erTypeError, erOptOk);
        return false;
    }
    m_ulGoto = static_cast<std::uint32_t>(*adrs);
    m_Options.SetGoto(m_ulGoto);
    m_Options.MarkOptionsChanged();
    m_Cursor.Place(m_ulGoto, m_Layout);
    m_Cursor.ShowAddress(m_ulGoto, m_View.VisibleLines(), m_Layout, true);
    CaretMoved();
    return true;
}

// The clipboard.

void clDumpEditor::Copy()
{
    const clDumpSelection& sel = m_Cursor.Selection();
    if (!sel.present || !HasData())
        return;
    const std::uint32_t first = std::min(sel.start, sel.end);
    const std::uint32_t last = std::max(sel.start, sel.end);
    if (!m_Cursor.IsHexPane()) {
        m_Clipboard.Put(QkDumpCopyText(m_Buf, first, last, false), nullptr);
        return;
    }
    const std::string text = QkDumpCopyText(m_Buf, first, last, true);
    if (!m_Clipboard.HasBinFormat()) {
        m_Clipboard.Put(text, nullptr);
        Report(dmpNoBinImage, erTypeError, erOptOk);
        return;
    }
    const auto image = QkDumpBinImage(m_Buf, first, last);
    m_Clipboard.Put(text, &image);
}

void clDumpEditor::Paste()
{
    if (!HasData())
        return;
    std::vector<unsigned char> bytes;
    if (const auto block = m_Clipboard.GetBinImage()) {
        const auto image = QkDumpBinImageBytes(*block);
        if (!image)
            return;
        bytes.assign(image->begin(), image->end());
    } else if (const auto text = m_Clipboard.GetText()) {
        bytes = m_Cursor.IsHexPane() ? QkDumpBytesOfHexText(*text) : QkDumpBytesOfCharText(*text);
    } else {
        return;
    }
    if (bytes.empty()) {
        Report(dmpNothingPasted, erTypeNote, erOptOk);
        return;
    }
    m_Typing.Clear();
    EditMany([&] { Guarded([&] { QkDumpWriteAt(m_Buf, m_Cursor.Caret(), bytes); }); });
    m_Options.MarkDataChanged();
    m_View.Refresh();
}
