// The project file: the application's option array in one file, with the
// space buffers either kept as images or referred to by their data files.
#pragma once

#include <istream>
#include <string>

#include "err/qkerr.h"
#include "options/srvqk51.h"
#include "source/settings/qkreg.h"

// What the save dialog's "Save Options" ask for each space (the radio buttons'
// ids): settings only, with the buffer images, or with the data-file names
// (an image where a space has no file).
enum : int {
    prjSaveOnly = 1042,
    prjSaveImage = 1043,
    prjSaveHexRef = 1044,
};

inline constexpr const char kProjectExt[] = ".qkp";

// The id of a saved project's seal (its length and CRC-32, see
// TBscOptServer::Save): an id no option owns, so readers that do not know
// it pass over it.
inline constexpr clQKOptIDType kOptProjSeal = 0xFFFE;

class clQkProject {
public:
    // options holds the catalogue (QkRegisterOptions); problems are shown
    // through errors.
    clQkProject(TBscOptServer& options, clQkSettingsStore& settings, clErrMngr& errors);

    // The window that owns the error reports.
    void SetPrcssId(unsigned long processId) { m_ulPrcssId = processId; }
    // The current project's absolute path and description (at most 250
    // characters), set by a successful save or load.
    const std::string& GetPath() const { return m_sPath; }
    const std::string& GetDescription() const { return m_sDescription; }

    // Saves the options with saveOption and description, sealed. The file is
    // replaced only once it is complete; data-file names are stored relative
    // to its folder. A path that leads to one of the spaces' own data files
    // is refused. 1 on success; 0 after reporting the problem.
    int Save(const std::string& path, int saveOption, const std::string& description);
    // Loads a project file: 0 without a message when it cannot be opened, 0
    // after reporting a bad file (options read before the fault keep their
    // values), 1 on success. Data-file names are resolved against the
    // project's folder. A sealed file must match its seal; any project must
    // name a device and hold the images its file-type options announce.
    int Load(const std::string& path);
    // The same from an open stream holding the file named path.
    int Load(std::istream& in, const std::string& path);

private:
    void ApplySaveOption(int space, int saveOption);
    // The data file of a space that path leads to; empty when none.
    std::string OwnDataFile(const std::string& path);
    // Raises clXDataFormat when the loaded items lack what every project has.
    void CheckLoaded(std::istream& in);
    void ResolveFileNames(const std::string& folder);
    // Runs work; a fault is reported (what: "read" or "written") and gives false.
    template <class Work>
    bool Guarded(const char* what, Work work);

    TBscOptServer& m_Options;
    clQkSettingsStore& m_Settings;
    clErrMngr& m_Errors;
    unsigned long m_ulPrcssId = 0;
    std::string m_sPath;
    std::string m_sDescription;
    std::string m_sWriteError; // why the file could not be written, in words
};
