#include "source/gui/dump/dumpwin.h"

#include <algorithm>

#include <QActionGroup>
#include <QCloseEvent>
#include <QMenuBar>
#include <QScrollBar>
#include <QStyle>
#include <QToolBar>

#include "source/gui/dump/dumpclient.h"
#include "source/gui/dump/dumpdlgs.h"

clDumpWindow::clDumpWindow(clHugeBuffer<unsigned char>& buf, TBscOptGrp& dumpOptions, clErrMngr& errors,
                           QWidget* parent)
    : QMainWindow(parent), m_Options(dumpOptions)
{
    setObjectName("DumpWindow");
    setWindowTitle(QString("Dump - ") + QString::fromLatin1(buf.GetName()));
    m_pClient = new clDumpClient(buf, m_Options, errors, this);
    setCentralWidget(m_pClient);
    BuildMenus();
    m_pClient->SetOnRefresh([this] { Updated(); });
    Updated();
    PlaceWindow();
    m_pClient->setFocus();
}

clDumpWindow::~clDumpWindow() = default;

QAction* clDumpWindow::AddCommand(QMenu* menu, int id, const char* text, std::initializer_list<QKeySequence> keys)
{
    auto* action = menu->addAction(QString::fromLatin1(text));
    action->setData(id);
    action->setObjectName(QStringLiteral("cm%1").arg(id));
    action->setShortcuts(QList<QKeySequence>(keys));
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this, id] { Command(id); });
    m_Actions[id] = action;
    return action;
}

void clDumpWindow::BuildMenus()
{
    QMenu* edit = menuBar()->addMenu("&Edit");
    AddCommand(edit, cmCopy, "&Copy", {QKeySequence("Ctrl+Insert"), QKeySequence("Ctrl+C")});
    AddCommand(edit, cmPaste, "&Paste", {QKeySequence("Shift+Insert"), QKeySequence("Ctrl+V")});
    edit->addSeparator();
    AddCommand(edit, cmSearch, "&Search", {QKeySequence("Ctrl+S")});
    AddCommand(edit, cmSearchAgain, "Search &Again",
               {QKeySequence("F3"), QKeySequence("Ctrl+A"), QKeySequence("Ctrl+N")});
    AddCommand(edit, cmReplace, "&Replace", {QKeySequence("Ctrl+R")});
    edit->addSeparator();
    AddCommand(edit, cmDumpFill, "&Fill", {QKeySequence("Ctrl+F")});
    AddCommand(edit, cmGoto, "&Goto address", {QKeySequence("Ctrl+G")});

    QMenu* view = menuBar()->addMenu("&View");
    const auto group = [this](std::initializer_list<int> ids) {
        auto* actions = new QActionGroup(this);
        for (int id : ids) {
            m_Actions[id]->setCheckable(true);
            actions->addAction(m_Actions[id]);
        }
    };
    AddCommand(view, cmNarrow, "&Narrow display", {QKeySequence("Alt+N")});
    AddCommand(view, cmWide, "&Wide dislay", {QKeySequence("Alt+W")});
    view->addSeparator();
    AddCommand(view, cm8Bit, "&8 bit display", {QKeySequence("Alt+8")});
    AddCommand(view, cm16Bit, "&16 bit display", {QKeySequence("Alt+1")});
    AddCommand(view, cm32Bit, "&32 bit display", {QKeySequence("Alt+3")});
    AddCommand(view, cm128Bit, "&128 bit display", {});
    view->addSeparator();
    AddCommand(view, cmBigEndian, "&Big Endian display", {QKeySequence("Alt+B")});
    AddCommand(view, cmLittleEndian, "&Little Endian display", {QKeySequence("Alt+L")});
    group({cmNarrow, cmWide});
    group({cm8Bit, cm16Bit, cm32Bit, cm128Bit});
    group({cmBigEndian, cmLittleEndian});

    QToolBar* tools = addToolBar("Dump");
    tools->setObjectName("DumpTools");
    tools->setMovable(false);
    for (int id : {cmCopy, cmPaste, cmSearch, cmSearchAgain, cmReplace, cmDumpFill, cmGoto})
        tools->addAction(m_Actions[id]);
    // The view settings on a row of their own, in short.
    addToolBarBreak();
    QToolBar* viewTools = addToolBar("View");
    viewTools->setObjectName("ViewTools");
    viewTools->setMovable(false);
    const std::pair<int, const char*> shortTexts[] = {
        {cmNarrow, "Narrow"}, {cmWide, "Wide"},      {cm8Bit, "8 bit"},    {cm16Bit, "16 bit"},
        {cm32Bit, "32 bit"},  {cm128Bit, "128 bit"}, {cmBigEndian, "Big"}, {cmLittleEndian, "Little"}};
    for (const auto& [id, text] : shortTexts) {
        m_Actions[id]->setIconText(text);
        viewTools->addAction(m_Actions[id]);
        if (id == cmWide || id == cm128Bit)
            viewTools->addSeparator();
    }
}

void clDumpWindow::PlaceWindow()
{
    const int w = m_Options.GetW();
    const int h = m_Options.GetH();
    if (w != 0 && h != 0) {
        setGeometry(m_Options.GetX(), m_Options.GetY(), w, h);
        return;
    }
    // The columns, the scroll bar and the frame, 10 lines high.
    const QSize client = m_pClient->SizeFor(10);
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int frame = 2 * m_pClient->frameWidth();
    const int chrome = sizeHint().height() - m_pClient->sizeHint().height();
    resize(client.width() + bar + frame, client.height() + frame + std::max(0, chrome));
}

QAction* clDumpWindow::Action(int id) const
{
    const auto found = m_Actions.find(id);
    return found != m_Actions.end() ? found->second : nullptr;
}

void clDumpWindow::Updated()
{
    clDumpEditor& editor = m_pClient->Editor();
    const clDumpLayout& layout = editor.Layout();
    // A 128-bit unit does not fit a narrow line: the lines stay 16 bytes and
    // say so (the narrow choice is kept for the smaller units).
    m_Actions[layout.BytesPerLine() == 8 ? cmNarrow : cmWide]->setChecked(true);
    m_Actions[cmNarrow]->setEnabled(layout.UnitSize() <= 8);
    const int unitIds[] = {0, cm8Bit, cm16Bit, 0, cm32Bit};
    m_Actions[layout.UnitSize() == 16 ? cm128Bit : unitIds[layout.UnitSize()]]->setChecked(true);
    m_Actions[editor.IsLittleEndian() ? cmLittleEndian : cmBigEndian]->setChecked(true);
    m_Actions[cmCopy]->setEnabled(editor.Cursor().Selection().present);
    m_Actions[cmSearchAgain]->setEnabled(editor.Search().Mode() != dmpFindMode::none);
    // Each flag is announced once; the main window clears them when it takes note.
    if (m_Options.IsDataChanged() != m_bDataSignalled) {
        m_bDataSignalled = m_Options.IsDataChanged();
        if (m_bDataSignalled)
            emit dataChanged();
    }
    if (m_Options.IsDataChanged())
        emit bytesMayHaveChanged();
    if (m_Options.IsOptionsChanged() != m_bOptionsSignalled) {
        m_bOptionsSignalled = m_Options.IsOptionsChanged();
        if (m_bOptionsSignalled)
            emit optionsChanged();
    }
}

void clDumpWindow::Command(int id)
{
    clDumpEditor& editor = m_pClient->Editor();
    switch (id) {
    case cmCopy: editor.Copy(); break;
    case cmPaste: editor.Paste(); break;
    case cmSearch: Find(static_cast<int>(dmpFindMode::find)); break;
    case cmReplace: Find(static_cast<int>(dmpFindMode::replace)); break;
    case cmSearchAgain: editor.SearchAgain(); break;
    case cmDumpFill: FillRange(); break;
    case cmGoto: GotoAddress(); break;
    case cmNarrow:
    case cmWide: editor.SetLineWidth(id == cmNarrow ? 8 : 16); break;
    case cm8Bit:
    case cm16Bit:
    case cm32Bit:
    case cm128Bit: editor.SetUnitSize(id == cm8Bit ? 1 : id == cm16Bit ? 2 : id == cm32Bit ? 4 : 16); break;
    case cmBigEndian:
    case cmLittleEndian: editor.SetLittleEndian(id == cmLittleEndian); break;
    default: break;
    }
    Updated();
}

void clDumpWindow::Find(int mode)
{
    clSrchDlg dialog(m_pClient->Editor(), static_cast<dmpFindMode>(mode), this);
    if (dialog.exec() == QDialog::Accepted)
        m_pClient->Editor().RunSearch();
}

void clDumpWindow::FillRange()
{
    TFillDlg dialog(m_pClient->Editor(), this);
    dialog.exec();
}

void clDumpWindow::GotoAddress()
{
    TGoToDlg dialog(m_pClient->Editor(), this);
    dialog.exec();
}

void clDumpWindow::ClearChanged()
{
    m_Options.ClearFlags();
    m_bDataSignalled = m_bOptionsSignalled = false;
}

void clDumpWindow::closeEvent(QCloseEvent* event)
{
    m_pClient->Editor().Close();
    const QRect frame = geometry();
    const auto u16 = [](int v) { return static_cast<std::uint16_t>(std::clamp(v, 0, 0xFFFF)); };
    m_Options.SetGeometry(u16(frame.x()), u16(frame.y()), u16(frame.width()), u16(frame.height()));
    Updated();
    QMainWindow::closeEvent(event);
}

clDumpWindow* QkOpenDumpWindow(clQKHugeBuffer& buf, TBscOptGrp& dumpOptions, clErrMngr& errors, QWidget* parent,
                               std::function<void()> stop)
{
    auto* window = new clDumpWindow(buf, dumpOptions, errors, parent);
    window->Client().SetStopTransfer(std::move(stop));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}
