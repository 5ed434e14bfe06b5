// The space views of the main window without their widgets: one per memory
// space of the device (data, configuration, security, OSD) and the "All"
// view over several spaces. A view edits the command range of its buffer,
// says which operations its space allows, and runs the device operations for
// its buffer through the communication object, with the automatic steps the
// options ask for. Its widget implements clSpcWindow. This is their base.
#pragma once

#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cpplib/qk51buff.h"
#include "source/app/adrsfield.h"
#include "source/app/qkservice.h"
#include "source/run/oprunner.h"

class clProgressSink;
class clSpcBaseDlg;

// The main window's operation codes (one per button).
enum : int {
    cmdSettings = 0,
    cmdMemory = 1,
    cmdOpen = 2,
    cmdSave = 3,
    cmdProgram = 4,
    cmdFlash = 5,
    cmdRead = 6,
    cmdChkSum = 7, // also "&Robot"
    cmdVerify = 8,
    cmdBlnkChk = 9,
    cmdErase = 10,
};

// The views by their dialog resource.
enum : int {
    vwData = 509,
    vwCnfg = 510,
    vwScrty = 511,
    vwAll = 512,
    vwOsd = 513,
};

// Control ids inside the views.
enum : int {
    idDataStart = 2068,
    idDataStop = 2069,
    idLowest = 155,
    idHighest = 154,
    idStatCycles = 106,
    idStatSuccess = 107,
    idStatFailure = 108,
    idCnfgList = 4116,
    idLockBit1 = 6164,
    idLockBit2 = 6165,
    idLockBit3 = 6166,
    idEncryption = 3092,
    idSpaceList = 1025,
    idOsdStart = 5140,
    idOsdStop = 5141,
};

// "Initialize Buffer" of the load dialog.
enum : int {
    initUnchanged = 0,
    initFF = 1,
    init00 = 2,
};

struct clLoadRequest {
    std::string path;
    int fileType = 0; // file-type code
    int init = initUnchanged;
};

struct clSaveRequest {
    std::string path;
    int fileType = 0; // file-type code, 1 to 9
};

// What the views need of the main window.
class clSpcOwner {
public:
    virtual ~clSpcOwner() = default;
    virtual clService& Service() = 0;
    // Waits the program-wide delay while the window stays alive.
    virtual void WaitDelay() = 0;
    // User message 104: refresh the buttons and the info texts.
    virtual void InfoChanged() = 0;
    // User message 103: the current view's file name changed.
    virtual void FileChanged() = 0;
    // The line to the programmer failed outside an operation (an edit
    // written through): the user was told; the window shows the new state.
    virtual void LineFailed() = 0;
    // Opens the dump editor of a view.
    virtual void OpenDumpWindow(clSpcBaseDlg& view) = 0;
    // Where loading and saving files shows its progress.
    virtual clProgressSink* Gauge() = 0;
};

// The widget of a view.
class clSpcWindow {
public:
    virtual ~clSpcWindow() = default;
    // Shows the view's state again (fields, check boxes, lists, counts).
    virtual void Refresh() = 0;
    // Puts the focus back into a field the user must correct.
    virtual void FocusField(int id) = 0;
};

class clSpcBaseDlg {
public:
    // buffer may be null (the "All" view, a security view without its own space).
    clSpcBaseDlg(clSpcOwner& owner, int space, clQKHugeBuffer* buffer);
    clSpcBaseDlg(const clSpcBaseDlg&) = delete;
    clSpcBaseDlg& operator=(const clSpcBaseDlg&) = delete;
    virtual ~clSpcBaseDlg() = default;

    void SetWindow(clSpcWindow* window) { m_pWindow = window; }
    virtual int GetKind() const = 0;
    // The tab's title.
    virtual std::string GetTitle() const;

    virtual void Refresh();
    virtual void SetCmdAddresses(std::uint32_t start, std::uint32_t stop);
    virtual std::uint32_t GetCmdStart() const;
    virtual std::uint32_t GetCmdStop() const;
    unsigned short GetDeviceId();
    virtual std::string GetFileName() const;
    int GetSpaceIndex() const { return m_iSpace; }
    virtual std::string GetSizeLabel() const;
    virtual bool HasSizeField() const;
    virtual std::string GetSizeText() const;
    virtual unsigned short GetChkSum() const;
    virtual const char* GetHelpContext() const = 0;
    virtual bool IsOpAllowed(int cmd);

    // Applies what the user typed in the fields (asking where needed) and
    // puts the view's command range in the programmer; false when a field
    // keeps the focus and the operation must not start.
    virtual bool PrepareOperation();
    // The program cycle: the automatic steps the options ask for, then Program.
    virtual void ProgramAuto(clOpRunner& runner);
    virtual unsigned short Program();
    virtual void Read();
    virtual unsigned short ChkSum();
    virtual void Verify();
    virtual void BlnkChk();
    virtual void Erase();
    void OpenDump() { m_Owner.OpenDumpWindow(*this); }

    // A data file into the buffer, then what it changed to the programmer:
    // 1 loaded, 0 not (the user was told). A stop during the transfer
    // throws clXAbort with the file loaded and the rest unsynced.
    virtual int LoadData(const clLoadRequest& request);
    // The command range to a data file: 1 saved, 0 not (the user was told).
    virtual int SaveData(const clSaveRequest& request);

    clQKHugeBuffer* GetBuffer() const { return m_pBuf; }
    bool HasBufferBytes() const { return m_pBuf != nullptr && m_pBuf->HasMemory() && m_pBuf->GetSize() != 0; }
    bool IsDataChanged() const { return m_bDataChanged; }
    bool IsSettingsChanged() const { return m_bSettingsChanged; }
    void ClearModified() { m_bDataChanged = m_bSettingsChanged = false; }
    void MarkDataChanged() { m_bDataChanged = true; }
    void MarkSettingsChanged() { m_bSettingsChanged = true; }

    // Whether the programmer can work on this view's space: the programmer
    // holds the data space only; the demo protocol moves no data and takes
    // any space.
    bool ReachesProgrammer();
    // Connects when needed and puts the view's range in the programmer, with
    // the bytes of that range it lacks when withData is set.
    void SendRange(bool withData = true);

protected:
    clService& Service() { return m_Owner.Service(); }
    clQkSrvcComm& Comm() { return m_Owner.Service().Comm(); }
    TBscOptServer& Options() { return m_Owner.Service().Options(); }
    clQKHugeBuffer& Buf(int line) const;
    // Runs work that writes through to the programmer; a failed line was
    // already reported by the communication library.
    template <class Work>
    bool WriteThrough(Work work);
    void SetFileOption(const std::string& name, std::uint8_t type);
    bool IsDeviceErasable();
    bool IsDeviceSigChk();
    // The automatic steps and the program of a data or OSD space.
    void ProgramSteps(clOpRunner& runner, bool logCycle);

    clSpcOwner& m_Owner;
    clSpcWindow* m_pWindow = nullptr;
    int m_iSpace;
    clQKHugeBuffer* m_pBuf;
    bool m_bDataChanged = false;
    bool m_bSettingsChanged = false;
};

// What the programmer lacks of a space buffer, sent under the progress text
// what, with the wire's time when it is long.
void QkSendSpace(clQkSrvcComm& comm, clQKHugeBuffer& buf, const char* what);

template <class Work>
bool clSpcBaseDlg::WriteThrough(Work work)
{
    try {
        work();
        return true;
    } catch (const clBscExpt&) {
        m_Owner.LineFailed();
    }
    return false;
}

// "%lXh (%.0fK)" for a whole number of KB, else "%lXh (%.1fK)".
std::string QkSizeText(std::uint32_t size);
// The number of lock bits of a device (bits 0 to 2 of its security bits).
int QkLockBitCount(unsigned char securityBits);
