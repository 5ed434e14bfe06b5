// A communication object for a space buffer that writes down what the buffer
// asks of it, and can fail its writes or connect again meanwhile.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cpplib/qkbufcomm.h"
#include "cpplib/qkbufint.h"
#include "err/qkexpt.h"

// A communication object that writes down what a buffer asks of it.
class clFakeBufComm : public clQKBufComm {
public:
    int IsCommExist() const override { return exists; }
    clQkProtocol GetProtocol() const override { return protocol; }
    int IsForceDemo() const override { return forceDemo; }
    void SetAddressesSeq(const clQKHugeBufIntr& buf) override
    {
        Note("range", buf.GetCmdStartAdrs().GetLinear(), buf.GetCmdStopAdrs().GetLinear());
    }
    void WriteRangeSeq(const clQKHugeBufIntr&, const clAdrs& first, const clAdrs& last) override
    {
        if (reconnectOnWrite) {
            reconnectOnWrite = false;
            ++connections;
        }
        Note("write", first.GetLinear(), last.GetLinear());
        if (failWrites)
            throw clXIO();
        if (stopWrites)
            throw clXAbort();
    }
    double WriteRangeMs(const clQKHugeBufIntr&, const clAdrs& first, const clAdrs& last) const override
    {
        return (last.GetLinear() - first.GetLinear() + 1) * 0.1;
    }
    unsigned GetConnectionCount() const override { return connections; }
    void SetProgressPart(double from, double to) override
    {
        if (from != 0 || to != 100)
            parts.push_back(std::to_string(int(from)) + "-" + std::to_string(int(to)));
    }
    void SetGlobalText(const char* text) override { globalText = text; }
    void ClearGlobalText() override { globalText = nullptr; }

    int exists = 1;
    clQkProtocol protocol = clQkProtocol::real;
    int forceDemo = 0;
    unsigned connections = 1;
    bool failWrites = false;
    bool stopWrites = false; // as if the user pressed Cancel
    bool reconnectOnWrite = false;
    const char* globalText = nullptr;
    std::vector<std::string> calls;
    std::vector<std::string> parts;

private:
    void Note(const char* what, std::uint32_t first, std::uint32_t last)
    {
        char text[96];
        std::snprintf(text, sizeof text, "%s %X-%X%s", what, first, last, globalText != nullptr ? " (text)" : "");
        calls.push_back(text);
    }
};
