#include "tools/qkcli/clinotify.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

clCliUi::clCliUi(int answer) : m_iAnswer(answer)
{
    QkSetUi(this);
}

clCliUi::~clCliUi()
{
    QkSetUi(nullptr);
}

int clCliUi::ShowError(const clBasicErr& err)
{
    clCliMessage message;
    message.number = err.GetErrNo();
    message.type = err.GetErrType();
    char* text = err.GetErrStr();
    message.text = text != nullptr ? text : "";
    std::free(text);
    if (m_Detail)
        m_Detail(err, message);
    const bool followUp = message.number == m_iFollowUp && !m_Messages.empty();
    // A damaged file can raise a warning every few hundred characters: show
    // the first ones and count the rest.
    if (++m_iCount <= kShownAtMost) {
        m_Messages.push_back(message);
        if (!m_bQuiet && !followUp)
            std::fprintf(stderr, "%s\n", message.text.c_str());
    }
    if (m_Listener && !followUp)
        m_Listener(message);
    const auto special = m_Answers.find(message.number);
    return special != m_Answers.end() ? special->second : m_iAnswer;
}

void clCliUi::PrintSummary() const
{
    if (m_iCount > kShownAtMost && !m_bQuiet)
        std::fprintf(stderr, "(%d more messages not shown)\n", m_iCount - kShownAtMost);
}

clCliProgress::clCliProgress(bool wanted) : m_bActive(wanted && isatty(STDERR_FILENO) == 1) {}

clCliProgress::~clCliProgress()
{
    if (m_bDrawn)
        std::fprintf(stderr, "\r%60s\r", "");
}

void clCliProgress::SetProgress(int percent, const char* text)
{
    if (!m_bActive || text == nullptr || text[0] == '\0')
        return;
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    std::fprintf(stderr, "\r%-8s [%s%s] %3d%%", text, std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(kWidth - filled), ' ').c_str(), percent);
    std::fflush(stderr);
    m_bDrawn = true;
}
