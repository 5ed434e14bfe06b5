// The communication log: a plain-text trace of every frame exchanged with
// the programmer, for diagnosis. Lines end in "\r\n"; the file is complete
// after every record.
#pragma once

#include <fstream>

// Record kinds.
enum : int {
    logNone = 0,
    logPort = 1,
    logRawTx = 2, // boot-monitor probe traffic: accepted, not written
    logTx = 3,
    logRawRx = 4,
    logRx = 5,
};

class clCommLog {
public:
    // Opens path for appending; false (and logging off) when it can't.
    bool Open(const char* path);
    void Close();
    bool IsOpen() const { return m_iOpen == 1; }

    // The header line and the port line; written at every connect.
    void LogPort(int portNo);
    // A transmit or receive record with its bytes.
    void Log(int log_type, int len, const unsigned char* packet_buf);
    // "label" + the value in two-digit hex + "\r\n".
    void LogLine(const char* label, unsigned value);
    // Text as it is, no line end added.
    void WriteText(const char* text);
    // Flushes the file when open; a failed stream throws clXIO.
    void Flush();

private:
    void Finish();

    std::ofstream m_Stream;
    int m_iOpen = 0;
};
