// The far end of a pseudo-terminal for serial-link tests: the test plays the
// programmer on the master side while the link opens the slave by path.
#pragma once

#include <chrono>
#include <fcntl.h>
#include <stdlib.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

class clPtyEnd {
public:
    clPtyEnd()
    {
        m_iMaster = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_iMaster >= 0 && grantpt(m_iMaster) == 0 && unlockpt(m_iMaster) == 0)
            m_sPath = ptsname(m_iMaster);
    }
    ~clPtyEnd() { HangUp(); }
    clPtyEnd(const clPtyEnd&) = delete;
    clPtyEnd& operator=(const clPtyEnd&) = delete;

    const std::string& Path() const { return m_sPath; }
    void Write(const std::vector<unsigned char>& bytes) const
    {
        if (!bytes.empty() && write(m_iMaster, bytes.data(), bytes.size()) < 0)
            return;
    }
    // Writes bytes a few at a time with a pause between, as a slow line would.
    void Dribble(const std::vector<unsigned char>& bytes, std::size_t step, std::chrono::milliseconds pause) const
    {
        for (std::size_t at = 0; at < bytes.size(); at += step) {
            std::this_thread::sleep_for(pause);
            Write({bytes.begin() + static_cast<long>(at),
                   bytes.begin() + static_cast<long>(std::min(bytes.size(), at + step))});
        }
    }
    // Whatever the link wrote, waiting up to ms for the first byte.
    std::vector<unsigned char> Read(int ms) const
    {
        std::vector<unsigned char> bytes(4096);
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            const int flags = fcntl(m_iMaster, F_GETFL);
            fcntl(m_iMaster, F_SETFL, flags | O_NONBLOCK);
            const ssize_t n = read(m_iMaster, bytes.data(), bytes.size());
            fcntl(m_iMaster, F_SETFL, flags);
            if (n > 0) {
                bytes.resize(static_cast<std::size_t>(n));
                return bytes;
            }
            if (std::chrono::steady_clock::now() >= until)
                return {};
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    void HangUp()
    {
        if (m_iMaster >= 0)
            close(m_iMaster);
        m_iMaster = -1;
    }

private:
    int m_iMaster = -1;
    std::string m_sPath;
};
