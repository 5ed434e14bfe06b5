// The dump editor's window: "Dump - " and the buffer's name, the Edit and
// View menus with their accelerators, a tool bar, and the dump view.
#pragma once

#include <functional>
#include <map>
#include <memory>

#include <QMainWindow>

#include "cpplib/qk51buff.h"
#include "err/qkerr.h"
#include "source/dump/dumpopts.h"

class QAction;
class clDumpClient;

// Command ids of the menus.
enum : int {
    cmDumpFill = 103,
    cmNarrow = 104,
    cmWide = 105,
    cmGoto = 106,
    cm8Bit = 109,
    cm16Bit = 110,
    cm32Bit = 111,
    cmBigEndian = 112,
    cmLittleEndian = 113,
    cm128Bit = 128,
    cmSearch = 24326,
    cmReplace = 24327,
    cmSearchAgain = 24328,
    cmPaste = 24821,
    cmCopy = 24822,
};

class clDumpWindow : public QMainWindow {
    Q_OBJECT

public:
    // Shows buf with the dump options of its space (a group of the option
    // catalogue); messages go to errors.
    clDumpWindow(clHugeBuffer<unsigned char>& buf, TBscOptGrp& dumpOptions, clErrMngr& errors,
                 QWidget* parent = nullptr);
    ~clDumpWindow() override;

    clDumpClient& Client() { return *m_pClient; }
    clDumpOptions& Options() { return m_Options; }
    // The action of a command id (null for an unknown one).
    QAction* Action(int id) const;
    // Runs a command as its menu item does.
    void Command(int id);
    // The owner has taken note of the changes (the project was saved): the
    // next change is announced again.
    void ClearChanged();

signals:
    // The buffer was changed (the project is changed).
    void dataChanged();
    // The window was updated after the buffer had changed: its checksum may
    // have moved with the last edit.
    void bytesMayHaveChanged();
    // A view setting or the goto address changed.
    void optionsChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* AddCommand(QMenu* menu, int id, const char* text, std::initializer_list<QKeySequence> keys);
    void BuildMenus();
    void PlaceWindow();
    void Updated();
    void Find(int mode);
    void FillRange();
    void GotoAddress();

    clDumpOptions m_Options;
    clDumpClient* m_pClient;
    std::map<int, QAction*> m_Actions;
    bool m_bDataSignalled = false;
    bool m_bOptionsSignalled = false;
};

// Opens the dump editor of a space buffer in a window of its own (deleted
// when it closes) and shows it.
// stop, when given, is what "Cancel" of a long transfer of an edit calls.
clDumpWindow* QkOpenDumpWindow(clQKHugeBuffer& buf, TBscOptGrp& dumpOptions, clErrMngr& errors,
                               QWidget* parent = nullptr, std::function<void()> stop = {});
