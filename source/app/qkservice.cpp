#include "source/app/qkservice.h"

#include <algorithm>

#include "comm/qkcomml2.h"
#include "cpplib/qksystem.h"
#include "source/base/appmngr.h"

clService::clService(int argc, const char* const* argv, const std::string& settingsPath)
    : m_Swtch(argc, argv),
      m_Db(GetDLLDBaseInstance()),
      m_Comm(argc, argv, m_Db),
      m_Ports(QkBuildPortTable(m_Swtch)),
      m_Settings(settingsPath),
      m_Options(kServiceName),
      m_Catalogue(QkRegisterOptions(m_Options)),
      m_Spaces(m_Db, m_Options, m_Catalogue),
      m_Project(m_Options, m_Settings, QkAppErrMngr())
{
    std::int32_t delay = kDefaultDelay;
    if (m_Swtch.GetInt(qkpsw::kTDelay, delay) == 1 && delay >= 0 && delay <= kMaxDelay)
        m_lDelay = delay;
    std::int32_t kb = 0;
    if (m_Swtch.GetInt(qkpsw::kSize, kb) == 1) {
        const std::int64_t most = QkMostDataSpaceKb();
        if (kb > 0 && kb <= most)
            m_Spaces.SetLeastSize(static_cast<std::uint32_t>(kb) * 1024u);
        else
            m_sSizeProblem = "The /Size: value " + std::to_string(kb) +
                             " KB is not taken: the Data space buffer may be " + "made 1 to " + std::to_string(most) +
                             " KB large on this computer.";
    }
}

std::int64_t QkMostDataSpaceKb()
{
    // 64 MB takes hours on the line already; and a sixteenth of the memory,
    // since the buffer has company (its mirror marks, the dump, a file's load).
    constexpr std::int64_t kMostKb = 64 * 1024;
    const std::int64_t machineKb = static_cast<std::int64_t>(QkPhysicalMemoryBytes() / 16 / 1024);
    return machineKb > 0 ? std::min(kMostKb, machineKb) : kMostKb;
}

void clService::SetupSpaces(unsigned short chipId)
{
    m_Spaces.SetupDevice(chipId);
    for (int space = 1; space <= kSpaceCount; ++space) {
        clQKHugeBuffer& buffer = m_Spaces.Buffer(space);
        const bool data = m_Spaces.HasSpace(space) && buffer.GetSpaceId() == clQKCommLL2::spData;
        buffer.BindComm(data ? &m_Comm : nullptr);
    }
}

std::uint16_t QkGetOpt16(TBscOptServer& options, clQKOptIDType id)
{
    std::uint16_t value = 0;
    options.Get(id, value);
    return value;
}
