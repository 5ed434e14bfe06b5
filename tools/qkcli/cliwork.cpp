#include "tools/qkcli/cliwork.h"

#include <cstdio>
#include <strings.h>

#include "cpplib/qkfile.h"
#include "source/base/appmngr.h"
#include "tools/qkcli/cliargs.h"

clCliWork::clCliWork()
    : m_Db(GetDLLDBaseInstance()),
      m_Options(kQkOptArrayName),
      m_Catalogue(QkRegisterOptions(m_Options)),
      m_Spaces(m_Db, m_Options, m_Catalogue),
      m_Settings(""),
      m_Project(m_Options, m_Settings, QkAppErrMngr())
{}

std::optional<unsigned short> QkFindDevice(const clDataBase& db, const std::string& text)
{
    struct Search {
        const std::string* name;
        std::optional<unsigned short> found;
    } search{&text, std::nullopt};
    db.IterChipsHdr(
        [](clDBChipHdr& header, void* user) {
            auto* s = static_cast<Search*>(user);
            if (strcasecmp(header.GetName(), s->name->c_str()) != 0)
                return 1;
            s->found = header.GetChipId();
            return 0;
        },
        &search);
    if (search.found)
        return search.found;
    std::uint32_t number = 0;
    if (QkParseNumber(text, number) && number <= 0xFFFF) {
        try {
            db.GetChipHdr(static_cast<unsigned short>(number));
            return static_cast<unsigned short>(number);
        } catch (const clDbBadId&) {
        }
    }
    return std::nullopt;
}

std::string clCliWork::DeviceName(unsigned short chipId) const
{
    try {
        return m_Db.GetChipHdr(chipId).GetName();
    } catch (const clDbBadId&) {
        return "chip id " + std::to_string(chipId);
    }
}

std::string clCliWork::OpenProject(const std::string& path)
{
    if (const std::string problem = QkCheckInputFile(path); !problem.empty())
        return problem;
    if (m_Project.Load(path) == 0)
        return "cannot load the project " + path;
    std::uint16_t chipId = 0;
    m_Options.Get(kOptChipId, chipId);
    try {
        m_Spaces.SetupDevice(chipId);
    } catch (const clDbBadId&) {
        return "the project names a device that is not in the database (chip id " + std::to_string(chipId) + ")";
    }
    std::vector<std::string> problems;
    if (m_Spaces.ReloadReferencedFiles(&problems) > 0) {
        std::string text;
        for (const std::string& problem : problems)
            text += (text.empty() ? "" : "; ") + problem;
        return "the project's data: " + text;
    }
    return {};
}
