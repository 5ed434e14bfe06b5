#include "source/project/qkspaces.h"

#include <cstdio>

#include <algorithm>
#include <filesystem>

#include "cladrs/cladrs.h"
#include "cpplib/qktext.h"
#include "source/files/datafile.h"

clQkSpaces::clQkSpaces(const clDataBase& db, TBscOptServer& options, const clQkOptCatalogue& catalogue)
    : m_Db(db), m_Options(options), m_Catalogue(catalogue)
{}

namespace {
constexpr int kDataSpaceIndex = 1; // the Data space's number, the one "Size:" enlarges
} // namespace

void clQkSpaces::SetupDevice(unsigned short chipId)
{
    const clDBChip chip = m_Db.GetChip(chipId);
    for (int space = 1; space <= kSpaceCount; ++space) {
        m_usSpaceNumber[space] = 0;
        m_iOrder[space] = 0;
    }
    // The spaces by their database space number, first description wins.
    for (int i = 0, order = 1; i < chip.GetBufCount(); ++i) {
        const clDBBuf desc = m_Db.GetBuf(chip.GetBufNo(i));
        const int space = desc.GetSpace();
        if (space < 1 || space > kSpaceCount || m_usSpaceNumber[space] != 0)
            continue;
        m_usSpaceNumber[space] = desc.GetSpace();
        m_iOrder[space] = order++;
        clQKHugeBuffer& buffer = Buffer(space);
        const std::uint32_t described = desc.GetStopAdrs() - desc.GetStartAdrs() + 1;
        // Never past the end of the address space.
        const auto least =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(m_ulLeastSize, 0x100000000ull - desc.GetStartAdrs()));
        const std::uint32_t size = space == kDataSpaceIndex ? std::max(described, least) : described;
        const bool imageFits =
            buffer.HasMemory() && buffer.GetSize() == size && buffer.GetStartAdrs().GetLinear() == desc.GetStartAdrs();
        buffer.SetName(desc.GetName());
        buffer.SetSpaceId(desc.GetSpace());
        buffer.SetBlkAlignment(static_cast<unsigned short>(desc.GetBlkAlignment()));
        if (!imageFits) {
            buffer.SetParams(0, clAdrs(0u));
            buffer.SetFill(1, desc.GetEraseVal());
            buffer.SetParams(size, clAdrs(desc.GetStartAdrs()));
        }
    }
    for (int space = 1; space <= kSpaceCount; ++space)
        if (m_usSpaceNumber[space] == 0)
            Buffer(space).SetParams(0, clAdrs(0u));
    m_usChipId = chipId;
    m_Options.Set(kOptChipId, chipId);
}

bool clQkSpaces::HasSpace(int space) const
{
    return space >= 1 && space <= kSpaceCount && m_usSpaceNumber[space] != 0;
}

int clQkSpaces::FirstSpace() const
{
    for (int space = 1; space <= kSpaceCount; ++space)
        if (m_iOrder[space] == 1)
            return space;
    return 0;
}

int clQkSpaces::FindSpace(const std::string& text) const
{
    for (int space = 1; space <= kSpaceCount; ++space)
        if (HasSpace(space) && QkEqualNoCase(Buffer(space).GetName(), text))
            return space;
    if (text.size() == 1 && text[0] >= '1' && text[0] <= '0' + kSpaceCount && HasSpace(text[0] - '0'))
        return text[0] - '0';
    return 0;
}

int clQkSpaces::LoadFile(int space, const std::string& path, int fileType, std::uint32_t start, std::uint32_t stop,
                         clOutsideData* outside)
{
    if (!HasSpace(space) || QkLoadDataFile(Buffer(space), path, fileType, start, stop, outside) == 0)
        return 0;
    std::error_code ignored;
    const std::string absolute = std::filesystem::absolute(path, ignored).lexically_normal().string();
    m_Options.Set(QkSpaceOptId(space, spcFileName), absolute.empty() ? path : absolute);
    m_Options.Set(QkSpaceOptId(space, spcFileType), static_cast<std::uint8_t>(fileType));
    return 1;
}

int clQkSpaces::ReloadReferencedFiles(std::vector<std::string>* problems)
{
    int failed = 0;
    for (int space = 1; space <= kSpaceCount; ++space) {
        const int type = FileType(space);
        const std::string name = FileName(space);
        if (!HasSpace(space) || name.empty() || type < ftBinary || type > ftS3)
            continue;
        const clQKHugeBuffer& buffer = Buffer(space);
        clOutsideData outside;
        std::string problem;
        if (LoadFile(space, name, type, buffer.GetStartAdrs().GetLinear(), buffer.GetStopAdrs().GetLinear(),
                     &outside) == 0)
            problem = name + " could not be loaded";
        else if (outside.any)
            problem = QkOutsideText(name, buffer, outside);
        if (problem.empty())
            continue;
        ++failed;
        if (problems != nullptr)
            problems->push_back(problem);
    }
    return failed;
}

std::string QkOutsideText(const std::string& file, const clQKHugeBuffer& buffer, const clOutsideData& outside)
{
    char text[120];
    std::snprintf(text, sizeof text, " space (0x%X..0x%X): 0x%X..0x%X", buffer.GetStartAdrs().GetLinear(),
                  buffer.GetStopAdrs().GetLinear(), outside.first, outside.last);
    return file + " holds data outside the " + buffer.GetName() + text;
}

std::string clQkSpaces::FileName(int space) const
{
    std::string name;
    m_Options.Get(QkSpaceOptId(space, spcFileName), name);
    return name;
}

int clQkSpaces::FileType(int space) const
{
    std::uint8_t type = ftNone;
    m_Options.Get(QkSpaceOptId(space, spcFileType), type);
    return type;
}
