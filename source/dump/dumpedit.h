// The dump editor without its window: one space buffer shown as address,
// hex and character columns, with the caret, the selection, typing, find,
// replace, fill, goto and the clipboard. Every change of the bytes goes
// through the buffer's own operations, so a buffer bound to the programmer
// writes it through. Messages go to the error manager it is given.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "cpplib/clbuffer.h"
#include "err/qkerr.h"
#include "source/dump/dumpclip.h"
#include "source/dump/dumpcursor.h"
#include "source/dump/dumpfill.h"
#include "source/dump/dumpfind.h"
#include "source/dump/dumplayout.h"
#include "source/dump/dumpopts.h"
#include "source/dump/dumptype.h"

// What the editor needs of its window.
class clDumpView {
public:
    virtual ~clDumpView() = default;
    // Whole text lines the window shows.
    virtual int VisibleLines() const = 0;
    // Paint again; the scroll position or range may have changed.
    virtual void Refresh() = 0;
    // The window that owns the editor's messages.
    virtual unsigned long GetPrcssId() const { return 0; }
    // Runs send, a transfer of an edit to the programmer that keeps the line
    // busy about wireMs; a window shows it and lets the user stop it.
    virtual void RunTransfer(double /*wireMs*/, const std::function<void()>& send) { send(); }
};

enum class dmpKey { left, right, up, down, pageUp, pageDown, home, end, first, last, tab };

class clDumpEditor {
public:
    // Opens on buf with its dump options: view settings, top and caret come
    // from the options (top and caret reset to the first address when they
    // lie outside the buffer), so do the last find and replace texts.
    clDumpEditor(clHugeBuffer<unsigned char>& buf, clDumpOptions& options, clErrMngr& errors, clDumpView& view,
                 clDumpClipboard& clipboard);
    clDumpEditor(const clDumpEditor&) = delete;
    clDumpEditor& operator=(const clDumpEditor&) = delete;

    // Stores the find and replace texts, caret, top and caret pane (and the
    // view settings) in the options.
    void Close();

    const clHugeBuffer<unsigned char>& Buffer() const { return m_Buf; }
    bool HasData() const { return m_Buf.HasMemory() && m_Buf.GetSize() != 0; }
    const clDumpLayout& Layout() const { return m_Layout; }
    bool IsLittleEndian() const { return m_bLittleEndian; }
    const clDumpCursor& Cursor() const { return m_Cursor; }
    const clDumpSearch& Search() const { return m_Search; }
    clDumpOptions& Options() { return m_Options; }
    unsigned PendingDigits() const { return m_Typing.PendingDigits(); }

    // View settings: 8 or 16 bytes a line, units of 1, 2, 4 or 16 bytes, byte
    // order. The caret keeps its address and stays in view.
    void SetLineWidth(unsigned width);
    void SetUnitSize(unsigned size);
    void SetLittleEndian(bool little);

    // Scrolling by the scroll bar and the wheel, and after a resize.
    void ScrollToLine(std::int64_t line);
    void ScrollLines(std::int64_t delta);
    void Resized();

    // The caret: keys (shift selects), mouse press and drag.
    void Key(dmpKey key, bool shift);
    void Click(std::uint32_t adrs, bool hexPane, bool shift);
    void DragTo(std::uint32_t adrs);
    // A character typed over the bytes.
    void Type(char ch);

    // Find and replace. The dialog proposes ProposedFindText (the selection's
    // bytes, or the last text); AcceptSearch takes its fields on OK and
    // answers 0, or the id of the field that does not parse after showing
    // message 123. RunSearch then finds (or replaces) from the caret or the
    // start; SearchAgain repeats from the caret.
    std::string ProposedFindText() const;
    int AcceptSearch(dmpFindMode mode, const std::string& findText, const std::string& replaceText, bool fromStart,
                     bool changeAll, bool prompt);
    void RunSearch();
    void SearchAgain();

    // Fill: the form proposes and checks the fields (CheckFillField shows
    // the message of a bad field and answers false); Fill checks them all
    // and fills, or answers the failing field (0 start, 1 count, 2 value).
    clDumpFillForm FillForm() const { return clDumpFillForm(m_Layout); }
    bool CheckFillField(int field, clDumpFillForm::clFields& fields);
    int Fill(clDumpFillForm::clFields& fields);

    // Goto: the last address as "%lXh"; false (after the message) for a text
    // that is not an address of the buffer.
    std::string ProposedGoto() const;
    bool Goto(const std::string& text);

    void Copy();
    void Paste();

private:
    void NewLayout(unsigned unitSize, unsigned lineWidth);
    // After the caret moved: pending digits and a search's position go, the
    // caret's line is shown.
    void CaretMoved();
    // One search step from where the last one ended (or the caret); false at
    // the end (message 124 unless the user stopped, or the count of
    // replacements when replacedCount counted any).
    bool SearchStep(bool& stopped, std::uint64_t* replacedCount = nullptr);
    void ShowFound(std::uint32_t first, std::uint64_t length, std::uint64_t next);
    int Report(unsigned short no, ERR_TYPE type, unsigned char option, const std::string& arg = {});
    // Runs an edit; a programmer that fails to take it has reported that
    // itself, so the edit just ends.
    template <class Work>
    bool Guarded(Work work);
    // Runs an edit of many bytes: a buffer mirrored in the programmer only
    // marks them, and what changed is sent once, at the end, through the
    // window's transfer (which may be stopped: the rest goes before the next
    // operation that uses the programmer's memory).
    template <class Work>
    void EditMany(Work work);

    clHugeBuffer<unsigned char>& m_Buf;
    clDumpOptions& m_Options;
    clErrMngr& m_Errors;
    clDumpView& m_View;
    clDumpClipboard& m_Clipboard;

    clDumpLayout m_Layout;
    bool m_bLittleEndian = false;
    clDumpCursor m_Cursor;
    clDumpTyping m_Typing;
    clDumpSearch m_Search;
    // Where the next search step starts: just after the last match (it may
    // lie past the buffer's end); unset once the caret moves.
    std::optional<std::uint64_t> m_SearchFrom;
    std::uint32_t m_ulGoto = 0;
};
