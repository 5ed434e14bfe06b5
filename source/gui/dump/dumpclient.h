// The dump view: paints the visible lines of the editor's buffer and turns
// keys, mouse and wheel into the editor's caret moves and typing.
#pragma once

#include <functional>
#include <memory>

#include <QAbstractScrollArea>

#include "source/dump/dumpedit.h"
#include "source/gui/dump/dumpmime.h"

class clDumpClient : public QAbstractScrollArea, public clDumpView {
    Q_OBJECT

public:
    clDumpClient(clHugeBuffer<unsigned char>& buf, clDumpOptions& options, clErrMngr& errors,
                 QWidget* parent = nullptr);
    ~clDumpClient() override;

    clDumpEditor& Editor() { return *m_pEditor; }

    int VisibleLines() const override;
    void Refresh() override;
    unsigned long GetPrcssId() const override;
    void RunTransfer(double wireMs, const std::function<void()>& send) override;
    // What "Cancel" of a running transfer calls: it asks the programmer's
    // link to stop at its next step.
    void SetStopTransfer(std::function<void()> stop) { m_StopTransfer = std::move(stop); }

    int CharWidth() const { return m_iCharWidth; }
    int LineHeight() const { return m_iLineHeight; }
    // The client size that shows whole lines of the dump and lines of them.
    QSize SizeFor(int lines) const;
    // Paints so far; a test or a benchmark waits for the next one.
    unsigned long PaintCount() const { return m_ulPaints; }
    // Called after every refresh (the window updates its menus and flags).
    void SetOnRefresh(std::function<void()> onRefresh) { m_OnRefresh = std::move(onRefresh); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    // Tab moves the caret between the columns, not the focus.
    bool focusNextPrevChild(bool next) override;

private:
    void UpdateScrollBars();
    // The address under a point of the viewport, and its column.
    std::uint32_t AddressAt(const QPoint& point, bool& hexPane) const;
    void PaintLine(QPainter& painter, int y, std::uint32_t lineStart, const unsigned char* bytes, unsigned count);

    clQtDumpClipboard m_Clipboard;
    std::unique_ptr<clDumpEditor> m_pEditor;
    std::function<void()> m_OnRefresh;
    std::function<void()> m_StopTransfer;
    int m_iCharWidth = 8;
    int m_iLineHeight = 16;
    int m_iAscent = 12;
    bool m_bSyncing = false;
    unsigned long m_ulPaints = 0;
};
