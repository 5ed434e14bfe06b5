#include "source/app/tipday.h"

#include "source/app/qktips.h"
#include "source/base/strtable.h"

clQkTipOfDay::clQkTipOfDay(int mode, unsigned long seed, std::function<const char*(unsigned)> text)
    : m_Text(std::move(text)), m_iMode(mode)
{
    m_iCount = QkCountTips([this](unsigned id) { return m_Text(id)[0] != '\0'; });
    if (m_iMode == 2) {
        m_iIndex = 0;
        m_iMode = 1;
    } else if (m_iCount > 0) {
        m_iIndex = static_cast<int>(seed % static_cast<unsigned long>(m_iCount));
    }
}

clQkTipOfDay::clQkTipOfDay(int mode, unsigned long seed) : clQkTipOfDay(mode, seed, QkLoadString) {}

std::string clQkTipOfDay::GetText() const
{
    if (m_iCount == 0)
        return kNoTipsText;
    return m_Text(kFirstTipId + static_cast<unsigned>(m_iIndex));
}

void clQkTipOfDay::Next()
{
    if (m_iCount > 0)
        m_iIndex = (m_iIndex + 1) % m_iCount;
}
