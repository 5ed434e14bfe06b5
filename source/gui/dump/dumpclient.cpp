#include "source/gui/dump/dumpclient.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {
// Draws text one character a cell from x.
void DrawCells(QPainter& painter, int x, int baseline, int charWidth, const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] != ' ')
            painter.drawText(x + static_cast<int>(i) * charWidth, baseline, QString(QLatin1Char(text[i])));
}

const QColor kAddressColour(0x60, 0x60, 0x60);
const QColor kSelectionColour(0xB8, 0xD4, 0xF4);
const QColor kCaretColour(0x20, 0x50, 0xA0);
} // namespace

clDumpClient::clDumpClient(clHugeBuffer<unsigned char>& buf, clDumpOptions& options, clErrMngr& errors, QWidget* parent)
    : QAbstractScrollArea(parent)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    setFont(font);
    // Every character gets a whole-pixel cell, so columns never drift.
    const QFontMetricsF metrics(viewport()->font(), viewport());
    m_iCharWidth = std::max(1, static_cast<int>(std::ceil(metrics.horizontalAdvance(QLatin1Char('0')))));
    m_iLineHeight = std::max(1, static_cast<int>(std::ceil(metrics.height())));
    m_iAscent = static_cast<int>(std::ceil(metrics.ascent()));
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setCursor(Qt::IBeamCursor);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pEditor = std::make_unique<clDumpEditor>(buf, options, errors, *this, m_Clipboard);
    UpdateScrollBars();
}

clDumpClient::~clDumpClient() = default;

int clDumpClient::VisibleLines() const
{
    return std::max(1, viewport()->height() / m_iLineHeight);
}

unsigned long clDumpClient::GetPrcssId() const
{
    return static_cast<unsigned long>(window()->winId());
}

void clDumpClient::RunTransfer(double wireMs, const std::function<void()>& send)
{
    // A short transfer just runs; a long one shows a box that blocks the
    // other windows meanwhile and offers to stop it. The transfer's progress
    // keeps the events flowing, so "Cancel" is heard.
    constexpr double kBoxFromMs = 500;
    if (wireMs < kBoxFromMs || !m_StopTransfer) {
        send();
        return;
    }
    QDialog box(window());
    box.setObjectName("transferBox");
    box.setWindowTitle("Dump");
    box.setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(&box);
    layout->addWidget(new QLabel(QString("Sending the changes to the programmer (about %1 s)...")
                                     .arg(static_cast<int>(std::ceil(wireMs / 1000))),
                                 &box));
    auto* busy = new QProgressBar(&box);
    busy->setRange(0, 0);
    layout->addWidget(busy);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &box);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, &box, [this, buttons] {
        buttons->setEnabled(false);
        m_StopTransfer();
    });
    // Closing the box is a Cancel too; it closes itself when the send ends.
    connect(&box, &QDialog::rejected, &box, [this] { m_StopTransfer(); });
    box.show();
    send();
    box.hide();
}

QSize clDumpClient::SizeFor(int lines) const
{
    return {m_pEditor->Layout().ContentWidth(m_iCharWidth), lines * m_iLineHeight};
}

void clDumpClient::Refresh()
{
    UpdateScrollBars();
    viewport()->update();
    if (m_OnRefresh)
        m_OnRefresh();
}

void clDumpClient::UpdateScrollBars()
{
    // The bars move the view only when the user moves them.
    m_bSyncing = true;
    const clDumpLayout& layout = m_pEditor->Layout();
    const int lines = VisibleLines();
    const auto lineCount = static_cast<std::int64_t>(layout.LineCount());
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, static_cast<int>(std::max<std::int64_t>(0, lineCount - lines)));
    bar->setPageStep(lines);
    bar->setValue(m_pEditor->HasData() ? static_cast<int>(layout.LineOf(m_pEditor->Cursor().Top())) : 0);
    QScrollBar* across = horizontalScrollBar();
    across->setRange(0, std::max(0, layout.ContentWidth(m_iCharWidth) - viewport()->width()));
    across->setPageStep(viewport()->width());
    across->setSingleStep(m_iCharWidth);
    m_bSyncing = false;
}

void clDumpClient::scrollContentsBy(int, int)
{
    if (m_bSyncing)
        return;
    if (m_pEditor->HasData() &&
        verticalScrollBar()->value() != static_cast<int>(m_pEditor->Layout().LineOf(m_pEditor->Cursor().Top())))
        m_pEditor->ScrollToLine(verticalScrollBar()->value());
    viewport()->update();
}

void clDumpClient::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    m_pEditor->Resized();
}

void clDumpClient::paintEvent(QPaintEvent*)
{
    ++m_ulPaints;
    QPainter painter(viewport());
    painter.translate(-horizontalScrollBar()->value(), 0);
    const clDumpEditor& editor = *m_pEditor;
    if (!editor.HasData())
        return;
    const clDumpLayout& layout = editor.Layout();
    // Only the lines in view are read and drawn.
    const std::uint32_t top = editor.Cursor().Top();
    const std::uint32_t firstLine = layout.LineOf(top);
    const std::uint32_t lines =
        std::min<std::uint32_t>(static_cast<std::uint32_t>(VisibleLines() + 1), layout.LineCount() - firstLine);
    const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{top} + std::uint64_t{lines} * layout.BytesPerLine(),
                                                      std::uint64_t{layout.Last()} + 1);
    if (lines == 0 || end <= top)
        return;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(end - top));
    editor.Buffer().Read(clAdrs(top), clAdrs(static_cast<std::uint32_t>(end - 1)), bytes.data());
    for (std::uint32_t i = 0; i < lines; ++i) {
        const std::size_t offset = std::size_t{i} * layout.BytesPerLine();
        if (offset >= bytes.size())
            break;
        const auto count = static_cast<unsigned>(std::min<std::size_t>(layout.BytesPerLine(), bytes.size() - offset));
        PaintLine(painter, static_cast<int>(i) * m_iLineHeight, layout.LineStart(firstLine + i), bytes.data() + offset,
                  count);
    }
}

void clDumpClient::PaintLine(QPainter& painter, int y, std::uint32_t lineStart, const unsigned char* bytes,
                             unsigned count)
{
    const clDumpEditor& editor = *m_pEditor;
    const clDumpLayout& layout = editor.Layout();
    const clDumpSelection& sel = editor.Cursor().Selection();
    const unsigned unit = layout.UnitSize();
    const int cw = m_iCharWidth;
    const int unitWidth = static_cast<int>(2 * unit) * cw;
    const int charX = layout.CharX(cw);

    // Selection and caret behind the text.
    for (unsigned k = 0; k < count; ++k) {
        const std::uint32_t adrs = lineStart + k;
        const QRect hexCell(layout.UnitX(cw, k / unit) + static_cast<int>(2 * (k % unit)) * cw, y, 2 * cw,
                            m_iLineHeight);
        const QRect charCell(charX + static_cast<int>(k) * cw, y, cw, m_iLineHeight);
        if (sel.present && adrs >= sel.start && adrs <= sel.end) {
            painter.fillRect(hexCell, kSelectionColour);
            painter.fillRect(charCell, kSelectionColour);
        }
    }
    const std::uint32_t caret = editor.Cursor().Caret();
    if (caret >= lineStart && caret < lineStart + count) {
        const unsigned k = caret - lineStart;
        const QRect hexCaret(layout.UnitX(cw, k / unit), y, unitWidth, m_iLineHeight);
        const QRect charCaret(charX + static_cast<int>(k) * cw, y,
                              static_cast<int>(editor.Cursor().IsHexPane() ? unit : 1) * cw, m_iLineHeight);
        const QRect& active = editor.Cursor().IsHexPane() ? hexCaret : charCaret;
        const QRect& other = editor.Cursor().IsHexPane() ? charCaret : hexCaret;
        painter.fillRect(active, kCaretColour);
        painter.setPen(kCaretColour);
        painter.drawRect(other.adjusted(0, 0, -1, -1));
    }

    const int baseline = y + m_iAscent;
    painter.setPen(kAddressColour);
    DrawCells(painter, dmpMarginX, baseline, cw, layout.AddressText(lineStart));
    painter.setPen(palette().color(QPalette::Text));
    const std::string hex = layout.HexText(bytes, count, editor.IsLittleEndian());
    const std::string chars = clDumpLayout::CharText(bytes, count);
    DrawCells(painter, layout.HexX(cw), baseline, cw, hex);
    DrawCells(painter, charX, baseline, cw, chars);

    // The caret's own characters in the caret's colours.
    if (caret >= lineStart && caret < lineStart + count) {
        const unsigned k = caret - lineStart;
        painter.setPen(palette().color(QPalette::HighlightedText));
        if (editor.Cursor().IsHexPane()) {
            const unsigned unitIndex = k / unit;
            DrawCells(painter, layout.UnitX(cw, unitIndex), baseline, cw,
                      hex.substr(unitIndex * (2 * unit + 1), 2 * unit));
        } else {
            DrawCells(painter, charX + static_cast<int>(k) * cw, baseline, cw, chars.substr(k, 1));
        }
    }
}

std::uint32_t clDumpClient::AddressAt(const QPoint& point, bool& hexPane) const
{
    const clDumpLayout& layout = m_pEditor->Layout();
    const std::int64_t line =
        static_cast<std::int64_t>(layout.LineOf(m_pEditor->Cursor().Top())) + std::max(0, point.y()) / m_iLineHeight;
    const unsigned offset = layout.OffsetAt(point.x() + horizontalScrollBar()->value(), m_iCharWidth, hexPane);
    const std::int64_t lastLine = std::max<std::int64_t>(0, static_cast<std::int64_t>(layout.LineCount()) - 1);
    const std::uint64_t adrs =
        std::uint64_t{layout.LineStart(static_cast<std::uint32_t>(std::min(line, lastLine)))} + offset;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(adrs, layout.Last()));
}

void clDumpClient::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    bool hexPane = false;
    const std::uint32_t adrs = AddressAt(event->position().toPoint(), hexPane);
    m_pEditor->Click(adrs, hexPane, (event->modifiers() & Qt::ShiftModifier) != 0);
}

void clDumpClient::mouseMoveEvent(QMouseEvent* event)
{
    if ((event->buttons() & Qt::LeftButton) == 0)
        return;
    bool hexPane = false;
    QPoint point = event->position().toPoint();
    // Dragging past the top or bottom scrolls the view.
    if (point.y() < 0)
        m_pEditor->ScrollLines(-1);
    else if (point.y() >= viewport()->height())
        m_pEditor->ScrollLines(1);
    point.setY(std::clamp(point.y(), 0, std::max(0, viewport()->height() - 1)));
    m_pEditor->DragTo(AddressAt(point, hexPane));
}

void clDumpClient::wheelEvent(QWheelEvent* event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0)
        m_pEditor->ScrollLines(-3 * steps);
    event->accept();
}

bool clDumpClient::focusNextPrevChild(bool)
{
    return false;
}

void clDumpClient::keyPressEvent(QKeyEvent* event)
{
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
    clDumpEditor& editor = *m_pEditor;
    switch (event->key()) {
    case Qt::Key_Left: editor.Key(dmpKey::left, shift); return;
    case Qt::Key_Right: editor.Key(dmpKey::right, shift); return;
    case Qt::Key_Up: editor.Key(dmpKey::up, shift); return;
    case Qt::Key_Down: editor.Key(dmpKey::down, shift); return;
    case Qt::Key_PageUp: editor.Key(dmpKey::pageUp, shift); return;
    case Qt::Key_PageDown: editor.Key(dmpKey::pageDown, shift); return;
    case Qt::Key_Home: editor.Key(control ? dmpKey::first : dmpKey::home, shift); return;
    case Qt::Key_End: editor.Key(control ? dmpKey::last : dmpKey::end, shift); return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: editor.Key(dmpKey::tab, false); return;
    default: break;
    }
    const QString text = event->text();
    if (text.size() == 1 && !control && (event->modifiers() & Qt::AltModifier) == 0) {
        // Characters beyond Latin-1 are no byte; they are ignored as typed.
        const QChar ch = text.front();
        editor.Type(ch.unicode() <= 0xFF ? static_cast<char>(ch.unicode()) : '\0');
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}
