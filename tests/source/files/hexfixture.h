// Loading and saving hex files in tests: a notifier that records every
// warning and answers as told, and helpers around the loader.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "cpplib/qk51buff.h"
#include "source/base/appmngr.h"
#include "source/files/hexio.h"
#include "tests/testutil.h"

struct clSeenWarning {
    int number;
    ERR_TYPE type;
    unsigned char option;
    std::string text;
};

class clRecordingNotifier : public clBasicErrNtfy {
public:
    clRecordingNotifier(std::vector<clSeenWarning>* seen, int answer) : m_pSeen(seen), m_iAnswer(answer) {}
    int Notify(const clBasicErr& err) override
    {
        char* text = err.GetErrStr();
        m_pSeen->push_back({err.GetErrNo(), err.GetErrType(), err.GetErrOpt(), text != nullptr ? text : ""});
        std::free(text);
        return m_iAnswer;
    }

private:
    std::vector<clSeenWarning>* m_pSeen;
    int m_iAnswer;
};

// Opens the program's error manager on a recording notifier for one test.
class clWarningsSeen {
public:
    explicit clWarningsSeen(int answer = erIdIgnore)
    {
        QkAppErrMngr().OpenErrMngr(new clRecordingNotifier(&seen, answer), nullptr);
    }
    ~clWarningsSeen() { QkAppErrMngr().CloseErrMngr(); }
    std::vector<int> Numbers() const
    {
        std::vector<int> numbers;
        for (const auto& w : seen)
            numbers.push_back(w.number);
        return numbers;
    }
    std::vector<clSeenWarning> seen;
};

// A fresh space buffer of size bytes at start, filled with 0xFF.
inline void MakeSpace(clQKHugeBuffer& buffer, std::uint32_t start, std::uint32_t size)
{
    buffer.SetParams(0, clAdrs(0u));
    buffer.SetFill(1, 0xFF);
    buffer.SetParams(size, clAdrs(start));
}

inline std::vector<unsigned char> BufferBytes(const clHugeBuffer<unsigned char>& buffer, std::uint32_t first,
                                              std::uint32_t last)
{
    std::vector<unsigned char> bytes(last - first + 1);
    buffer.Read(clAdrs(first), clAdrs(last), bytes.data());
    return bytes;
}

// Reads text (written to a file named name) into buffer over the buffer's
// range; returns what Load returned, or -1 when the file did not open.
inline int LoadText(const clTempDir& dir, const std::string& text, clQKHugeBuffer& buffer, int kind,
                    const std::string& name = "data.hex")
{
    const std::string path = dir.File(name);
    WriteText(path, text);
    clHexLoader loader(nullptr, 0);
    if (loader.OpenFile(path.c_str(), kind, HEX_READ) == 0)
        return -1;
    const int result = loader.Load(buffer, buffer.GetStartAdrs().GetLinear(), buffer.GetStopAdrs().GetLinear());
    loader.CloseFile();
    return result;
}

// Writes first..last of buffer in the given kind; returns the file's text
// ("" when the save failed).
inline std::string SaveText(const clTempDir& dir, const clHugeBuffer<unsigned char>& buffer, int kind,
                            std::uint32_t first, std::uint32_t last)
{
    const std::string path = dir.File("out.hex");
    std::remove(path.c_str());
    clHexLoader writer(nullptr, 0);
    if (writer.OpenFile(path.c_str(), kind, HEX_WRITE) == 0)
        return "";
    const int saved = writer.Save(buffer, first, last);
    if (writer.CloseFile() == 0 || saved == 0)
        return "";
    return ReadText(path);
}
