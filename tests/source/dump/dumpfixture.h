// Stand-ins for the dump editor's window, clipboard and error dialog, and a
// space buffer with its dump options from the real option catalogue.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "source/dump/dumpedit.h"
#include "source/project/qkopts.h"

struct clSeenMsg {
    unsigned short no;
    std::string text;
};

// Records every message and answers with the next of answers (then Ok).
class clMsgRecorder : public clBasicErrNtfy {
public:
    clMsgRecorder(std::vector<clSeenMsg>& seen, std::vector<int>& answers) : m_Seen(seen), m_Answers(answers) {}
    int Notify(const clBasicErr& err) override
    {
        char* text = err.GetErrStr();
        m_Seen.push_back({err.GetErrNo(), text != nullptr ? text : ""});
        std::free(text);
        if (m_Answers.empty())
            return erIdOk;
        const int answer = m_Answers.front();
        m_Answers.erase(m_Answers.begin());
        return answer;
    }

private:
    std::vector<clSeenMsg>& m_Seen;
    std::vector<int>& m_Answers;
};

class clFakeView : public clDumpView {
public:
    int VisibleLines() const override { return lines; }
    void Refresh() override { ++refreshes; }
    void RunTransfer(double wireMs, const std::function<void()>& send) override
    {
        transfers.push_back(wireMs);
        send();
    }
    int lines = 10;
    int refreshes = 0;
    std::vector<double> transfers;
};

class clFakeClipboard : public clDumpClipboard {
public:
    bool HasBinFormat() const override { return registered; }
    void Put(const std::string& t, const std::vector<unsigned char>* i) override
    {
        text = t;
        image.reset();
        if (i != nullptr)
            image = *i;
    }
    std::optional<std::vector<unsigned char>> GetBinImage() const override { return image; }
    std::optional<std::string> GetText() const override { return text; }

    bool registered = true;
    std::optional<std::string> text;
    std::optional<std::vector<unsigned char>> image;
};

class DumpTest : public ::testing::Test {
protected:
    DumpTest() : m_Catalogue(QkRegisterOptions(m_Server))
    {
        m_Errors.OpenErrMngr(new clMsgRecorder(m_Seen, m_Answers), nullptr);
    }

    // Space 1's buffer: size bytes from first, holding 0, 1, 2, ... (mod 256).
    clQKHugeBuffer& Buffer(std::uint32_t size, std::uint32_t first = 0)
    {
        clQKHugeBuffer& buf = m_Catalogue.buffers[1]->Value();
        buf.SetParams(size, clAdrs(first));
        std::vector<unsigned char> bytes(size);
        for (std::uint32_t i = 0; i < size; ++i)
            bytes[i] = static_cast<unsigned char>(i);
        buf.Write(buf.GetStartAdrs(), buf.GetStopAdrs(), bytes.data());
        return buf;
    }
    void Put(std::uint32_t adrs, const std::vector<unsigned char>& bytes)
    {
        m_Catalogue.buffers[1]->Value().Write(clAdrs(adrs), clAdrs(adrs + static_cast<std::uint32_t>(bytes.size()) - 1),
                                              bytes.data());
    }
    std::vector<unsigned char> At(std::uint32_t adrs, std::uint32_t count) const
    {
        std::vector<unsigned char> bytes(count);
        m_Catalogue.buffers[1]->Value().Read(clAdrs(adrs), clAdrs(adrs + count - 1), bytes.data());
        return bytes;
    }

    clDumpEditor& Open()
    {
        m_Editor.reset();
        m_Options = std::make_unique<clDumpOptions>(*m_Catalogue.dumpOptions[1]);
        m_Editor =
            std::make_unique<clDumpEditor>(m_Catalogue.buffers[1]->Value(), *m_Options, m_Errors, m_View, m_Clipboard);
        return *m_Editor;
    }
    template <class T>
    void SetOption(clQKOptIDType offset, const T& value)
    {
        m_Server.Set(QkSpaceOptId(1, offset), value);
    }
    template <class T>
    T Option(clQKOptIDType offset)
    {
        T value{};
        m_Server.Get(QkSpaceOptId(1, offset), value);
        return value;
    }
    std::vector<unsigned short> Messages() const
    {
        std::vector<unsigned short> numbers;
        for (const auto& m : m_Seen)
            numbers.push_back(m.no);
        return numbers;
    }

    TBscOptServer m_Server{kQkOptArrayName};
    clQkOptCatalogue m_Catalogue;
    std::vector<clSeenMsg> m_Seen;
    std::vector<int> m_Answers;
    clErrMngr m_Errors;
    clFakeView m_View;
    clFakeClipboard m_Clipboard;
    std::unique_ptr<clDumpOptions> m_Options;
    std::unique_ptr<clDumpEditor> m_Editor;
};
