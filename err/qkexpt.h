// The exception family. Every fault of the system is thrown as one of these,
// carrying the source file and line of the raising site as data.
//
// Those files and lines ("..\comm\qkcomm.cpp", 774; "..\CPPLIB\CLBUFFER.H",
// 374; ...) are the system's fixed source references, the ones its users and
// their logs know a fault by. They are not the lines of our files and never
// follow them: a raising site passes its reference as constants, and moving
// or editing code does not change them. Do not "fix" them. The same holds
// for the references given to assertions (QK_ASSERT).
#pragma once

#include <cstdint>
#include <string>

class clBscExpt {
public:
    clBscExpt() = default;
    // A copy carries the raising site but not the holder count: the count
    // belongs to the one object the holders share.
    clBscExpt(const clBscExpt& other);
    clBscExpt& operator=(const clBscExpt& other);
    virtual ~clBscExpt() = default;

    virtual std::string GetFile() const { return m_sFile; }
    virtual int GetLine() const { return m_usLine; }
    virtual const char* GetFunc() const { return m_pFunc; }

    // Used by the raising routine.
    void AppendFile(const char* file);
    void SetLine(unsigned short line) { m_usLine = line; }
    void SetFunc(const char* func) { m_pFunc = func; }

    // Reference count of the holders sharing this object.
    std::int32_t AddRef() { return ++m_lCounter; }
    std::int32_t Release() { return --m_lCounter; }
    std::int32_t GetCounter() const { return m_lCounter; }

private:
    std::string m_sFile;
    unsigned short m_usLine = 0;
    const char* m_pFunc = nullptr;
    std::int32_t m_lCounter = 0;
};

#define QK_PLAIN_EXCEPTION(name)            \
    class name : public virtual clBscExpt { \
    public:                                 \
        name() = default;                   \
        name(const name&) = default;        \
        ~name() override = default;         \
    }

// Index, address or value outside its allowed range.
QK_PLAIN_EXCEPTION(clXRange);
// A size that does not fit.
QK_PLAIN_EXCEPTION(clXSize);
// An object whose construction failed (or that holds nothing to work on).
QK_PLAIN_EXCEPTION(clXConstructor);
// A failed stream read or write.
QK_PLAIN_EXCEPTION(clXIO);
// End of stream before the data was complete.
QK_PLAIN_EXCEPTION(clXEOF);
// A value of the wrong kind.
QK_PLAIN_EXCEPTION(clXType);
// An operation cancelled.
QK_PLAIN_EXCEPTION(clXAbort);
// Memory exhausted.
QK_PLAIN_EXCEPTION(clXAlloc);
// Input in a format that is recognised but not supported.
QK_PLAIN_EXCEPTION(clXUnSuppFormat);

// Internal error with a message.
class clXIntrErr : public virtual clBscExpt {
public:
    explicit clXIntrErr(const char* message = nullptr) : m_sMsg(message != nullptr ? message : "") {}
    clXIntrErr(const clXIntrErr&) = default;
    ~clXIntrErr() override = default;
    const std::string& GetMsg() const { return m_sMsg; }

private:
    std::string m_sMsg;
};

// Malformed input data, with the stream position of the fault.
class clXDataFormat : public virtual clBscExpt {
public:
    explicit clXDataFormat(std::uint32_t seek = 0) : m_ulSeek(seek) {}
    clXDataFormat(const clXDataFormat&) = default;
    ~clXDataFormat() override = default;
    std::uint32_t GetSeek() const { return m_ulSeek; }

private:
    std::uint32_t m_ulSeek;
};

// The class name of an exception of the family, for messages and logs
// ("clXRange"); "clBscExpt" for one this library does not know.
const char* QkExptName(const clBscExpt& e);
