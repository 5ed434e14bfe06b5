#include "tools/qkcli/clievents.h"

#include <cstdio>

#include "tools/qkcli/clijson.h"

namespace {
void Line(const clJsonObject& object)
{
    std::printf("%s\n", object.Text().c_str());
    std::fflush(stdout);
}
} // namespace

clCliEvents::clCliEvents(bool jsonEvents, bool quiet) : m_bJson(jsonEvents), m_Bar(!quiet && !jsonEvents) {}

void clCliEvents::Phase(const char* phase) const
{
    if (m_bJson)
        Line(clJsonObject().Add("event", "phase").Add("phase", phase));
}

void clCliEvents::Progress(int percent, std::uint32_t address, const char* text)
{
    if (!m_bJson) {
        m_Bar.SetProgress(percent, text);
        return;
    }
    // One line per percent step is plenty for a station controller.
    if (percent == m_iLastPercent && m_sLastText == text)
        return;
    m_iLastPercent = percent;
    m_sLastText = text;
    Line(clJsonObject()
             .Add("event", "progress")
             .Add("phase", text)
             .Add("percent", percent)
             .Add("address", static_cast<std::int64_t>(address)));
}

void clCliEvents::Message(const clCliMessage& message) const
{
    if (m_bJson)
        Line(clJsonObject().Add("event", "message").Add("number", message.number).Add("text", message.text));
}
