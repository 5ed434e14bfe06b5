#include "source/project/qkprj.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <utility>

#include "cpplib/qkfile.h"
#include "cpplib/qkpath.h"
#include "qkdb/dbase32.h"
#include "source/base/qk51err.h"
#include "source/files/hexdefs.h"
#include "source/project/qkopts.h"
#include "source/settings/qksettings.h"

namespace fs = std::filesystem;

namespace {
constexpr const char kSrc[] = "..\\source\\qkprj.cpp";

fs::path Absolute(const std::string& path)
{
    std::error_code ignored;
    fs::path absolute = fs::absolute(QkPath(path), ignored);
    return (absolute.empty() ? QkPath(path) : absolute).lexically_normal();
}

std::string FolderOf(const std::string& path)
{
    return QkPathText(Absolute(path).parent_path());
}

// name as it is stored: relative to the project's folder where it can be.
std::string RelativeTo(const std::string& folder, const std::string& name)
{
    const fs::path absolute = Absolute(name);
    const fs::path relative = absolute.lexically_relative(QkPath(folder));
    return QkPathText(relative.empty() ? absolute : relative);
}

std::string DescribeFault(const clBscExpt& e)
{
    return std::string(QkExptName(e)) + " in " + e.GetFile() + ", line " + std::to_string(e.GetLine());
}
} // namespace

clQkProject::clQkProject(TBscOptServer& options, clQkSettingsStore& settings, clErrMngr& errors)
    : m_Options(options), m_Settings(settings), m_Errors(errors)
{}

template <class Work>
bool clQkProject::Guarded(const char* what, Work work)
{
    const std::string failed = std::string("The project file could not be ") + what;
    try {
        work();
        return true;
    } catch (const clXDataFormat&) {
        m_Errors << clQk51Err(m_ulPrcssId, kMsgBadProject, erTypeError, erOptOk);
    } catch (const clXUnSuppFormat&) {
        m_Errors << clQk51Err(m_ulPrcssId, kMsgIncompatibleProject, erTypeError, erOptOk);
    } catch (const clXIO& e) {
        const std::string why = std::exchange(m_sWriteError, {});
        m_Errors << clQk51Err(m_ulPrcssId, failed + (why.empty() ? " (" + DescribeFault(e) + ")." : ": " + why + "."),
                              erTypeError, erOptOk);
    } catch (const clBscExpt& e) {
        m_Errors << clQk51Err(m_ulPrcssId, failed + " (" + DescribeFault(e) + ").", erTypeError, erOptOk);
    } catch (const std::bad_alloc&) {
        m_Errors << clQk51Err(m_ulPrcssId, failed + ": not enough memory.", erTypeError, erOptOk);
    }
    return false;
}

// Decides what is stored for a space: its file name, its buffer image, or
// neither; the file-type option tells which on loading.
void clQkProject::ApplySaveOption(int space, int saveOption)
{
    const clQKOptIDType imageId = QkSpaceOptId(space, spcBufImage);
    const clQKOptIDType nameId = QkSpaceOptId(space, spcFileName);
    const clQKOptIDType typeId = QkSpaceOptId(space, spcFileType);
    std::uint8_t type = ftNone;
    std::string name;
    if (!m_Options.Get(typeId, type))
        return;
    m_Options.Get(nameId, name);
    switch (saveOption) {
    case prjSaveOnly:
        m_Options.SwitchOffById(nameId);
        m_Options.SwitchOffById(imageId);
        if (type == ftImageKept)
            type = ftNone;
        break;
    case prjSaveImage:
        m_Options.SwitchOffById(nameId);
        type = ftImageKept;
        break;
    case prjSaveHexRef:
        if (name.empty() || type == ftNone || type == ftImageKept) {
            // Nothing to refer to: the data goes into the project instead.
            type = ftImageKept;
            m_Options.SwitchOffById(nameId);
            m_Options.SwitchOnById(imageId);
        } else {
            m_Options.SwitchOffById(imageId);
        }
        break;
    default: break;
    }
    m_Options.Set(typeId, type);
}

std::string clQkProject::OwnDataFile(const std::string& path)
{
    for (int space = 1; space <= kSpaceCount; ++space) {
        std::string name;
        if (m_Options.Get(QkSpaceOptId(space, spcFileName), name) && !name.empty() && QkSameFile(path, name))
            return name;
    }
    return {};
}

int clQkProject::Save(const std::string& path, int saveOption, const std::string& description)
{
    // Saving over the file a space was loaded from would destroy that file.
    if (const std::string own = OwnDataFile(path); !own.empty()) {
        m_Errors << clQk51Err(m_ulPrcssId,
                              "The project file could not be written: " + path + " is one of its own data files (" +
                                  own + ").",
                              erTypeError, erOptOk);
        return 0;
    }
    const std::string file = QkPathText(Absolute(path));
    const std::string folder = FolderOf(path);
    for (int space = 1; space <= kSpaceCount; ++space)
        ApplySaveOption(space, saveOption);
    m_Options.Set(kOptProjDesc, description);

    // The running program keeps absolute names; only the file holds relative ones.
    std::array<std::string, kSpaceCount + 1> names;
    for (int space = 1; space <= kSpaceCount; ++space) {
        const clQKOptIDType nameId = QkSpaceOptId(space, spcFileName);
        if (m_Options.Get(nameId, names[space]) && !names[space].empty())
            m_Options.Set(nameId, RelativeTo(folder, names[space]));
    }

    const bool saved = Guarded("written", [&] {
        clAtomicFile out(file);
        if (!out.IsOpen()) {
            m_sWriteError = out.GetError();
            QkRaise<clXIO>(this, kSrc, 121);
        }
        try {
            m_Options.Save(out.Stream(), kOptProjSeal);
        } catch (const clXIO&) {
            if (!out.Stream()) {
                out.Abandon(); // the file refused the bytes: say why
                m_sWriteError = out.GetError();
            }
            throw;
        }
        if (!out.Commit()) {
            m_sWriteError = out.GetError();
            QkRaise<clXIO>(this, kSrc, 124);
        }
    });

    for (int space = 1; space <= kSpaceCount; ++space) {
        m_Options.SwitchOnById(QkSpaceOptId(space, spcBufImage));
        m_Options.SwitchOnById(QkSpaceOptId(space, spcFileName));
        if (!names[space].empty())
            m_Options.Set(QkSpaceOptId(space, spcFileName), names[space]);
    }
    if (!saved)
        return 0;
    m_sPath = file;
    m_sDescription = description.substr(0, kProjDescMax);
    QkSetLastProject(m_Settings, file);
    return 1;
}

int clQkProject::Load(const std::string& path)
{
    m_Options.PrepareAll();
    std::error_code error;
    if (!fs::is_regular_file(QkPath(path), error))
        return 0;
    std::ifstream in(QkPath(path), std::ios::binary);
    if (!in)
        return 0;
    // Not even a signature: say so in words rather than as a read fault.
    if (fs::file_size(QkPath(path), error) == 0 && !error) {
        m_Errors << clQk51Err(m_ulPrcssId, "The project file could not be read: " + path + " is empty.", erTypeError,
                              erOptOk);
        return 0;
    }
    return Load(in, path);
}

namespace {
// Which spaces a device has (all of them for a device this database does not
// know: the check below then stays strict).
std::array<bool, kSpaceCount + 1> DeviceSpaces(std::uint16_t chipId)
{
    std::array<bool, kSpaceCount + 1> has{};
    try {
        const clDataBase db(GetDLLDBaseInstance());
        const clDBChip chip = db.GetChip(chipId);
        for (int i = 0; i < chip.GetBufCount(); ++i)
            if (const int space = db.GetBuf(chip.GetBufNo(i)).GetSpace(); space >= 1 && space <= kSpaceCount)
                has[static_cast<std::size_t>(space)] = true;
    } catch (const clBscExpt&) {
        has.fill(true);
    }
    return has;
}
} // namespace

// A project always names its device, and a space of that device whose file
// type says that its image is kept has that image: a file without them was
// cut short. (A saving program may mark every space "image kept" and store
// images only for the spaces its device has.)
void clQkProject::CheckLoaded(std::istream& in)
{
    if (!m_Options.WasLoaded(kOptChipId))
        QkRaiseDataFormat(in, kSrc, 190);
    std::uint16_t chipId = 0;
    m_Options.Get(kOptChipId, chipId);
    const auto deviceHas = DeviceSpaces(chipId);
    for (int space = 1; space <= kSpaceCount; ++space) {
        std::uint8_t type = ftNone;
        if (deviceHas[static_cast<std::size_t>(space)] && m_Options.WasLoaded(QkSpaceOptId(space, spcFileType)) &&
            m_Options.Get(QkSpaceOptId(space, spcFileType), type) && type == ftImageKept &&
            !m_Options.WasLoaded(QkSpaceOptId(space, spcBufImage)))
            QkRaiseDataFormat(in, kSrc, 196);
    }
}

int clQkProject::Load(std::istream& in, const std::string& path)
{
    // Names held so far are relative to the current folder; after the load,
    // any relative name came from the file.
    std::error_code ignored;
    ResolveFileNames(QkPathText(fs::current_path(ignored)));
    const bool loaded = Guarded("read", [&] {
        m_Options.Load(in, kOptProjSeal);
        CheckLoaded(in);
    });
    ResolveFileNames(FolderOf(path));
    if (!loaded)
        return 0;
    std::string description;
    m_Options.Get(kOptProjDesc, description);
    m_sPath = QkPathText(Absolute(path));
    m_sDescription = description.substr(0, kProjDescMax);
    return 1;
}

// Makes relative data-file names absolute against folder, so they keep
// naming the same files wherever the program runs from.
void clQkProject::ResolveFileNames(const std::string& folder)
{
    for (int space = 1; space <= kSpaceCount; ++space) {
        const clQKOptIDType nameId = QkSpaceOptId(space, spcFileName);
        std::string name;
        if (m_Options.Get(nameId, name) && !name.empty() && QkPath(name).is_relative())
            m_Options.Set(nameId, QkPathText((QkPath(folder) / QkPath(name)).lexically_normal()));
    }
}
