// Error records, the error manager and the notifier interface.
#pragma once

#include <cstdint>

#include "err/qkwin.h"

// Severity of an error record; selects the caption and icon of the dialog.
using ERR_TYPE = std::int32_t;
enum : ERR_TYPE {
    erTypeDebug = -2,
    erTypeLog = -1,
    erTypeNone = 0,
    erTypeNote = 1,
    erTypeWarning = 2,
    erTypeError = 3,
    erTypeInternal = 4,
    erTypeFatal = 5,
};

// Option bits: the buttons a report offers.
enum : unsigned char {
    erOptIgnore = 0x01,
    erOptRetry = 0x02,
    erOptAbort = 0x04,
    erOptOk = 0x08,
    erOptCancel = 0x10,
    erOptYes = 0x20,
    erOptNo = 0x40,
};

// The button ids a report returns (the platform's dialog result codes).
enum : int {
    erIdOk = 1,
    erIdCancel = 2,
    erIdAbort = 3,
    erIdRetry = 4,
    erIdIgnore = 5,
    erIdYes = 6,
    erIdNo = 7,
};

// A user-visible problem. Reporting modules derive their own records and set
// the text in their constructors.
class clBasicErr {
public:
    clBasicErr();
    clBasicErr(unsigned long processId, unsigned short errNo, ERR_TYPE type, unsigned char option);
    clBasicErr(const clBasicErr& other);
    clBasicErr& operator=(const clBasicErr& other);
    virtual ~clBasicErr();

    // Frees the text and leaves it null.
    virtual void FreeData();

    unsigned short GetErrNo() const { return m_usErrNo; }
    ERR_TYPE GetErrType() const { return m_iErrType; }
    unsigned char GetErrOpt() const { return m_ucOpt; }
    unsigned long GetPrcssId() const { return m_ulPrcssId; }
    // A fresh heap copy of the text (null when there is none); the caller
    // releases it with free().
    char* GetErrStr() const;

protected:
    // Replaces the text with a copy of text (null clears it).
    void SetErrStr(const char* text);

private:
    unsigned short m_usErrNo;
    ERR_TYPE m_iErrType;
    char* m_pErrStr;
    unsigned char m_ucOpt;
    unsigned long m_ulPrcssId;
};

// What an error manager calls to show a record; returns the button id.
class clBasicErrNtfy {
public:
    virtual ~clBasicErrNtfy() = default;
    virtual int Notify(const clBasicErr& err) = 0;
};

// Hands error records to its notifier. Each reporting module holds one.
class clErrMngr {
public:
    clErrMngr() = default;
    clErrMngr(const clErrMngr&) = delete;
    clErrMngr& operator=(const clErrMngr&) = delete;
    virtual ~clErrMngr();

    // Takes ownership of notifier.
    void OpenErrMngr(clBasicErrNtfy* notifier, HINSTANCE instance);
    void CloseErrMngr();
    // Shows the record and returns the button pressed; 3 (Abort) when closed.
    int operator<<(const clBasicErr& err);
    // Reports are delivered at once, so there is nothing to flush.
    void FlushErr() {}
    HINSTANCE GetInstance() const { return m_hInstance; }
    bool IsOpen() const { return m_pNotifier != nullptr; }

private:
    clBasicErrNtfy* m_pNotifier = nullptr;
    HINSTANCE m_hInstance = nullptr;
};

// The instance handle of the error-handler library.
HINSTANCE GetDLLQkerrInstance();
