// Test stand-ins for the user interface and the program's facade subclass:
// every message box and error record that reaches the user is recorded with
// its number and text, and answered as the test chooses; progress is
// recorded and can stop the operation.
#pragma once

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "comm/qkcomm.h"
#include "comm/qkcommer.h"
#include "err/uisrv.h"

struct clShown {
    unsigned short no = 0; // 0 for a plain message box
    std::string text;
    std::string caption;
    bool hasAddress = false;
    std::uint32_t address = 0;
    unsigned char device = 0;
    unsigned char buffer = 0;
};

class clUiRecorder : public clUiServices {
public:
    clUiRecorder() { QkSetUi(this); }
    ~clUiRecorder() override { QkSetUi(nullptr); }
    clUiRecorder(const clUiRecorder&) = delete;
    clUiRecorder& operator=(const clUiRecorder&) = delete;

    int MessageBox(const char* text, const char* caption, unsigned char) override
    {
        shown.push_back({0, text != nullptr ? text : "", caption != nullptr ? caption : ""});
        return erIdOk;
    }
    int ShowError(const clBasicErr& err) override
    {
        clShown s;
        s.no = err.GetErrNo();
        char* text = err.GetErrStr();
        s.text = text != nullptr ? text : "";
        std::free(text);
        if (const auto* blank = dynamic_cast<const clQKCommBlnkErr*>(&err)) {
            s.hasAddress = true;
            s.address = blank->GetAddress().GetLinear();
            s.device = blank->GetDeviceValue();
        } else if (const auto* verify = dynamic_cast<const clQKCommVrfErr*>(&err)) {
            s.hasAddress = true;
            s.address = verify->GetAddress().GetLinear();
            s.device = verify->GetDeviceValue();
            s.buffer = verify->GetBufferValue();
        }
        shown.push_back(s);
        return answer;
    }

    std::vector<unsigned short> Numbers() const
    {
        std::vector<unsigned short> numbers;
        for (const auto& s : shown)
            numbers.push_back(s.no);
        return numbers;
    }

    // The button every error record is answered with (Abort, as a console).
    int answer = erIdAbort;
    std::vector<clShown> shown;
};

struct clProgressStep {
    unsigned percent;
    std::uint32_t address;
    std::string text;
};

// The program's side of the facade.
class clTestComm : public clQKComm {
public:
    using clQKComm::clQKComm;

    int CommProgress(unsigned char percent, const clAdrs& address, const char* text) const override
    {
        steps.push_back({percent, address.GetLinear(), text != nullptr ? text : "(null)"});
        return stopAt && stopAt(steps.back()) ? 0 : 1;
    }
    unsigned long GetPrcssId() override { return 77; }

    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const auto& s : steps)
            if (texts.empty() || texts.back() != s.text)
                texts.push_back(s.text);
        return texts;
    }

    mutable std::vector<clProgressStep> steps;
    // Returns true to stop at that step.
    std::function<bool(const clProgressStep&)> stopAt;
};

// Makes the facade from a command line and keeps the arguments alive as
// long as it lives.
class clTestCommMaker {
public:
    clTestComm& Make(clDataBase& db, const std::vector<std::string>& switches = {})
    {
        m_pComm.reset();
        m_Args = {"qkprog"};
        m_Args.insert(m_Args.end(), switches.begin(), switches.end());
        m_Argv.clear();
        for (const auto& a : m_Args)
            m_Argv.push_back(a.c_str());
        m_pComm = std::make_unique<clTestComm>(static_cast<int>(m_Argv.size()), m_Argv.data(), db);
        return *m_pComm;
    }
    clTestComm* Get() const { return m_pComm.get(); }
    void Reset() { m_pComm.reset(); }

private:
    std::vector<std::string> m_Args;
    std::vector<const char*> m_Argv;
    std::unique_ptr<clTestComm> m_pComm;
};
