#include "source/qkservice.h"

#include "comm/qkcomml2.h"
#include "source/appmngr.h"

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
    if (m_Swtch.GetInt(qkpsw::kSize, kb) == 1 && kb > 0 && kb <= 0x100000) // at most 1 GB a space
        m_Spaces.SetLeastSize(static_cast<std::uint32_t>(kb) * 1024u);
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
