// Where the progress and messages of a device command go: a progress bar on
// a terminal, or one JSON line per event for a station controller.
#pragma once

#include <cstdint>
#include <string>

#include "tools/qkcli/clinotify.h"

class clCliEvents {
public:
    // jsonEvents: JSON lines on stdout; quiet: no progress bar.
    clCliEvents(bool jsonEvents, bool quiet);

    void Phase(const char* phase) const;
    void Progress(int percent, std::uint32_t address, const char* text);
    void Message(const clCliMessage& message) const;

private:
    bool m_bJson;
    clCliProgress m_Bar;
    int m_iLastPercent = -1;
    std::string m_sLastText;
};
