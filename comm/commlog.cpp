#include "comm/commlog.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "cpplib/clexpt.h"
#include "cpplib/qkpath.h"
#include "err/qkassert.h"

namespace {
constexpr const char kSrc[] = "..\\comm\\commlog.cpp";
constexpr int kMaxPart = 32767;

std::string Hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}
} // namespace

bool clCommLog::Open(const char* path)
{
    Close();
    if (path != nullptr)
        m_Stream.open(QkPath(path), std::ios::out | std::ios::app | std::ios::binary);
    if (path == nullptr || !m_Stream.is_open()) {
        Close();
        return false;
    }
    m_iOpen = 1;
    return true;
}

void clCommLog::Close()
{
    if (m_Stream.is_open())
        m_Stream.close();
    m_Stream.clear();
    m_iOpen = 0;
}

void clCommLog::LogPort(int portNo)
{
    if (!IsOpen())
        return;
    m_Stream << "QKJTAG Communication Log File(T - transmit, R - receive, L - length)\r\n"
             << "COMMUNICATION PORT:" << Hex(static_cast<unsigned>(portNo)) << "\r\n";
    Finish();
}

// The parameter names are those the assertions report.
void clCommLog::Log(int log_type, int len, const unsigned char* packet_buf)
{
    QK_ASSERT(log_type >= logNone, kSrc, 120);
    if (log_type == logRawTx || log_type == logRawRx) {
        QK_ASSERT(len <= 16, kSrc, 131);
        QK_ASSERT(packet_buf != 0, kSrc, 132);
        return;
    }
    if (!IsOpen() || (log_type != logTx && log_type != logRx))
        return;
    m_Stream << (log_type == logTx ? "T: " : "R: ") << "L: " << Hex(static_cast<unsigned>(len));
    int done = 0;
    do {
        const int part = std::min(len - done, kMaxPart);
        std::string line = " DATA: ";
        for (int i = 0; i < part; ++i)
            line += Hex(packet_buf[done + i]) + ' ';
        m_Stream << line << "\r\n";
        done += part;
    } while (done < len);
    Finish();
}

void clCommLog::LogLine(const char* label, unsigned value)
{
    if (!IsOpen())
        return;
    m_Stream << label << Hex(value) << "\r\n";
    Finish();
}

void clCommLog::WriteText(const char* text)
{
    if (!IsOpen() || text == nullptr)
        return;
    m_Stream << text;
    Finish();
}

void clCommLog::Flush()
{
    if (IsOpen())
        Finish();
}

// The file is complete after every record; a record that did not reach it
// fails the operation in progress.
void clCommLog::Finish()
{
    m_Stream.flush();
    if (!m_Stream)
        QkRaise<clXIO>(this, kSrc, 187);
}
