// The service part of the main window: what the program owns from start to
// exit, built in this order and destroyed in reverse: the switch table, the
// device database, the communication object, the port table and the
// program-wide delay; then the settings store, the option store with its
// space buffers, the project and the action sounds.
#pragma once

#include <cstdint>
#include <string>

#include "options/srvqk51.h"
#include "qkdb/dbase32.h"
#include "source/app/qkports.h"
#include "source/app/qkswtch.h"
#include "source/app/srvccomm.h"
#include "source/project/qkopts.h"
#include "source/project/qkprj.h"
#include "source/project/qkspaces.h"
#include "source/settings/qkreg.h"
#include "source/settings/qksnd.h"

inline constexpr const char kServiceName[] = "QK-JTAG.W32";
inline constexpr std::int32_t kDefaultDelay = 1000; // ms
inline constexpr std::int32_t kMaxDelay = 600000;   // ms; "TDELAY:" beyond this is taken as a typing slip

class clService {
public:
    // The argument vector must outlive the service (both switch tables keep it).
    clService(int argc, const char* const* argv, const std::string& settingsPath = QkSettingsPath());
    clService(const clService&) = delete;
    clService& operator=(const clService&) = delete;
    virtual ~clService() = default;

    const clQkSwtch& Switches() const { return m_Swtch; }
    clDataBase& Db() { return m_Db; }
    clQkSrvcComm& Comm() { return m_Comm; }
    const clQkPortTable& Ports() const { return m_Ports; }
    std::int32_t GetDelay() const { return m_lDelay; }
    clQkSettingsStore& Settings() { return m_Settings; }
    TBscOptServer& Options() { return m_Options; }
    const clQkOptCatalogue& Catalogue() const { return m_Catalogue; }
    clQkSpaces& Spaces() { return m_Spaces; }
    clQkProject& Project() { return m_Project; }
    clQkActList& Sounds() { return m_Sounds; }

    // Sizes the space buffers for a device ("Size:" makes each at least that
    // many KB) and binds the data space to the communication object: the
    // programmer's memory holds the data space only. Raises clDbBadId for an
    // unknown device and clXAlloc when memory runs out.
    void SetupSpaces(unsigned short chipId);
    // Why the "Size:" switch was not taken ("" when it was, or not given):
    // said once the error manager is open.
    const std::string& GetSizeProblem() const { return m_sSizeProblem; }

private:
    clQkSwtch m_Swtch;
    clDataBase m_Db;
    clQkSrvcComm m_Comm;
    clQkPortTable m_Ports;
    std::int32_t m_lDelay = kDefaultDelay;
    clQkSettingsStore m_Settings;
    TBscOptServer m_Options;
    clQkOptCatalogue m_Catalogue;
    clQkSpaces m_Spaces;
    clQkProject m_Project;
    clQkActList m_Sounds;
    std::string m_sSizeProblem;
};

// The largest "Size:" value in KB that this computer takes for the Data space.
std::int64_t QkMostDataSpaceKb();

// The option store's value of an unsigned 16-bit option (0 when absent).
std::uint16_t QkGetOpt16(TBscOptServer& options, clQKOptIDType id);
