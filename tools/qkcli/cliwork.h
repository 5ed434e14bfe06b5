// What a qkcli command works on: the device database, the option catalogue
// with its space buffers, and the project file, as the program holds them.
#pragma once

#include <optional>
#include <string>

#include "options/srvqk51.h"
#include "qkdb/dbase32.h"
#include "source/project/qkopts.h"
#include "source/project/qkprj.h"
#include "source/project/qkspaces.h"
#include "source/settings/qkreg.h"

// The chip id of DEVICE (a device name in any case, or a chip id).
std::optional<unsigned short> QkFindDevice(const clDataBase& db, const std::string& text);

class clCliWork {
public:
    clCliWork();

    const clDataBase& Db() const { return m_Db; }
    TBscOptServer& Options() { return m_Options; }
    clQkSpaces& Spaces() { return m_Spaces; }
    clQkProject& Project() { return m_Project; }

    std::optional<unsigned short> FindDevice(const std::string& text) const { return QkFindDevice(m_Db, text); }
    // "PCD80710" for a chip id.
    std::string DeviceName(unsigned short chipId) const;

    // Loads a project: its options, its device (keeping the buffer images it
    // holds) and the data files it refers to. An empty string on success,
    // else what went wrong.
    std::string OpenProject(const std::string& path);

private:
    clDataBase m_Db;
    TBscOptServer m_Options;
    clQkOptCatalogue m_Catalogue;
    clQkSpaces m_Spaces;
    clQkSettingsStore m_Settings; // detached: a command line leaves the program's settings alone
    clQkProject m_Project;
};
