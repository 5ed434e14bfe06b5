// The memory spaces of the selected device: one buffer per space index (1 to
// 5), each the datum of its buffer option, sized and filled from the device
// database when a device is set up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cpplib/qk51buff.h"
#include "qkdb/dbase32.h"
#include "source/files/hexio.h"
#include "source/project/qkopts.h"

class clQkSpaces {
public:
    clQkSpaces(const clDataBase& db, TBscOptServer& options, const clQkOptCatalogue& catalogue);

    // Sizes every space buffer from the device's buffer descriptions: a space
    // the device has is filled with its erase value, unless the buffer already
    // holds an image of exactly that space (a project's image stays); a space
    // it lacks is emptied. Stores the chip id option. Raises clDbBadId for an
    // unknown device and clXAlloc when memory runs out.
    void SetupDevice(unsigned short chipId);
    unsigned short GetChipId() const { return m_usChipId; }
    // The Data space buffer is made at least this many bytes (the program's
    // "Size:" switch; the small spaces keep their sizes); 0 sizes each space
    // as the database describes it.
    void SetLeastSize(std::uint32_t bytes) { m_ulLeastSize = bytes; }

    // The space index named by text: a space name in any case ("Data", "OSD")
    // or a space index; 0 when the device has no such space.
    int FindSpace(const std::string& text) const;
    // The device's first space in database order; 0 when it has none.
    int FirstSpace() const;
    bool HasSpace(int space) const;
    clQKHugeBuffer& Buffer(int space) { return m_Catalogue.buffers[space]->Value(); }
    const clQKHugeBuffer& Buffer(int space) const { return m_Catalogue.buffers[space]->Value(); }
    // The space number of the database (1 Data, 2 Encryption, 3 Config, 4 OSD).
    unsigned short SpaceNumber(int space) const { return m_usSpaceNumber[space]; }

    // Loads a data file into a space between start and stop and remembers it
    // in the space's options (absolute file name and file-type code). The
    // file's data outside start..stop is left out, as the program does;
    // outside, when given, learns its first and last address.
    int LoadFile(int space, const std::string& path, int fileType, std::uint32_t start, std::uint32_t stop,
                 clOutsideData* outside = nullptr);
    // Loads the data files a project refers to again (spaces whose file-type
    // option holds a data-file code and whose file-name option a name), with
    // the checks a file given alone gets. Returns the number of files that
    // could not be loaded or held data outside their space; problems, when
    // given, receives a sentence on each.
    int ReloadReferencedFiles(std::vector<std::string>* problems = nullptr);

    std::string FileName(int space) const;
    int FileType(int space) const;

private:
    const clDataBase& m_Db;
    TBscOptServer& m_Options;
    clQkOptCatalogue m_Catalogue;
    unsigned short m_usChipId = 0;
    std::uint32_t m_ulLeastSize = 0;
    unsigned short m_usSpaceNumber[kSpaceCount + 1] = {};
    int m_iOrder[kSpaceCount + 1] = {}; // database order of the device's spaces
};

// "fw.bin holds data outside the Data space (0x0..0x5FFFF): 0x60000..0xFFFFF",
// for a file whose load into buffer left outside out.
std::string QkOutsideText(const std::string& file, const clQKHugeBuffer& buffer, const clOutsideData& outside);
