#include <algorithm>
#include <filesystem>
#include <set>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

#include <gtest/gtest.h>

#include "source/project/qkopts.h"
#include "source/project/qkprj.h"
#include "source/settings/qksettings.h"
#include "tests/options/itembytes.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;

namespace {

const std::string kBadFile = "Invalid file format, or file corrupted.";
const std::string kOtherVersion = "This project file is incompatible with the QK-JTAG software version.";

struct clReport {
    unsigned short number;
    std::string text;
};

class clCaptureNtfy : public clBasicErrNtfy {
public:
    explicit clCaptureNtfy(std::vector<clReport>& reports) : m_Reports(reports) {}
    int Notify(const clBasicErr& err) override
    {
        char* text = err.GetErrStr();
        m_Reports.push_back({err.GetErrNo(), text != nullptr ? text : ""});
        std::free(text);
        return erIdOk;
    }

private:
    std::vector<clReport>& m_Reports;
};

// The program's side of a project: the option array with the catalogue.
struct clApp {
    clApp(clQkSettingsStore& settings, clErrMngr& errors)
        : catalogue(QkRegisterOptions(server)), project(server, settings, errors)
    {}
    clQKHugeBuffer& Buffer(int space) { return catalogue.buffers[space]->Value(); }

    TBscOptServer server{kQkOptArrayName};
    clQkOptCatalogue catalogue;
    clQkProject project;
};

void Fill(clQKHugeBuffer& buffer, const char* name, const clAdrs& start, const std::string& bytes)
{
    buffer.SetName(name);
    ASSERT_EQ(buffer.SetParams(static_cast<std::uint32_t>(bytes.size()), start), 1);
    buffer.Write(start, buffer.GetStopAdrs(), reinterpret_cast<const unsigned char*>(bytes.data()));
}

std::string BytesOf(const clQKHugeBuffer& buffer)
{
    std::string bytes(buffer.GetSize(), '\0');
    if (buffer.HasMemory())
        buffer.Read(buffer.GetStartAdrs(), buffer.GetStopAdrs(), reinterpret_cast<unsigned char*>(bytes.data()));
    return bytes;
}

// The ids of the items of a project file, in file order.
std::vector<unsigned> ItemIds(const std::string& file)
{
    std::vector<unsigned> ids;
    std::size_t at = 1 + static_cast<unsigned char>(file.at(0));
    const auto number = [&](std::size_t offset, int count) {
        std::uint32_t value = 0;
        for (int i = count; i-- > 0;)
            value = (value << 8) | static_cast<unsigned char>(file.at(offset + static_cast<std::size_t>(i)));
        return value;
    };
    while (at < file.size()) {
        ids.push_back(number(at, 2));
        at += 2 + 4 + number(at + 2, 4) + 2;
    }
    return ids;
}

// A saved project without its seal: the form older files have.
std::string Unsealed(const std::string& file)
{
    const std::size_t itemsAt = 1 + static_cast<unsigned char>(file.at(0));
    return file.substr(0, itemsAt) + file.substr(itemsAt + 16);
}

// file without its item of id.
std::string WithoutItem(const std::string& file, unsigned id)
{
    std::size_t at = 1 + static_cast<unsigned char>(file.at(0));
    const auto number = [&](std::size_t offset, int count) {
        std::uint32_t value = 0;
        for (int i = count; i-- > 0;)
            value = (value << 8) | static_cast<unsigned char>(file.at(offset + static_cast<std::size_t>(i)));
        return value;
    };
    while (at < file.size()) {
        const std::size_t size = 2 + 4 + number(at + 2, 4) + 2;
        if (number(at, 2) == id)
            return file.substr(0, at) + file.substr(at + size);
        at += size;
    }
    return file;
}

std::set<unsigned> SpaceIds(const std::vector<unsigned>& ids, clQKOptIDType offset)
{
    std::set<unsigned> spaces;
    for (int space = 1; space <= kSpaceCount; ++space)
        if (std::count(ids.begin(), ids.end(), QkSpaceOptId(space, offset)) != 0)
            spaces.insert(static_cast<unsigned>(space));
    return spaces;
}

// Every option but the buffer images, as the array would store them.
std::string OptionsWithoutImages(clApp& app)
{
    for (int space = 1; space <= kSpaceCount; ++space)
        app.server.SwitchOffById(QkSpaceOptId(space, spcBufImage));
    std::string bytes = SavedBytes(app.server);
    for (int space = 1; space <= kSpaceCount; ++space)
        app.server.SwitchOnById(QkSpaceOptId(space, spcBufImage));
    return bytes;
}

class Project : public ::testing::Test {
protected:
    void SetUp() override
    {
        errors.OpenErrMngr(new clCaptureNtfy(reports), nullptr);
        fs::create_directories(folder / "data");
        fs::create_directories(dir.Path() / "other");
        fs::create_directories(dir.Path() / "elsewhere");
    }
    void TearDown() override { fs::current_path(startFolder); }

    // Sets up a project worth saving: a device, five spaces of every kind,
    // dump options, statistics.
    void MakeRichProject(clApp& app)
    {
        app.catalogue.chipId->Value() = 12;
        // Space 1: loaded from a Motorola file inside the project's folder.
        WriteText(hexFile, "S00600004844521B\n");
        Fill(app.Buffer(1), "Code", clAdrs(0u), std::string("\x02\x00\x10\xFF", 4));
        app.server.Set<std::string>(QkSpaceOptId(1, spcFileName), hexFile);
        app.server.Set<std::uint8_t>(QkSpaceOptId(1, spcFileType), 6);
        // Space 2: data with no file behind it.
        Fill(app.Buffer(2), "Data", clAdrs(0x8000u), "0123456789abcdef");
        app.server.Set<std::uint8_t>(QkSpaceOptId(2, spcFileType), 2);
        // Space 3: stays empty. Space 4: segmented start address, read from a device.
        Fill(app.Buffer(4), "OSD", clAdrs(adrsSegment, 0x1000, 0x10), std::string(300, '\x5A'));
        app.server.Set<std::uint8_t>(QkSpaceOptId(4, spcFileType), ftImageKept);
        // Space 5: a binary file outside the project's folder.
        WriteText(binFile, "bin");
        Fill(app.Buffer(5), "Boot", clAdrs(0x10u), "bin");
        app.server.Set<std::string>(QkSpaceOptId(5, spcFileName), binFile);
        app.server.Set<std::uint8_t>(QkSpaceOptId(5, spcFileType), 1);

        app.server.Set<std::uint16_t>(QkSpaceOptId(2, spcDumpW), 640);
        app.server.Set<std::uint32_t>(QkSpaceOptId(2, spcCurAdrs), 0x8004);
        app.server.Set<std::uint8_t>(QkSpaceOptId(2, spcViewMode), 4);
        app.server.Set<std::string>(QkSpaceOptId(3, spcFind), "AA 55");
        app.server.Set<bool>(QkSpaceOptId(4, spcCLThree), true);
        app.server.Set<std::uint16_t>(kOptPgmCycle, 10);
        app.server.Set<std::uint16_t>(kOptSuccess, 9);
        app.server.Set<std::uint16_t>(kOptFailure, 1);
        app.server.Set<std::string>(kOptDataStart, "0100h");
        app.server.Set<std::uint16_t>(kOptLockBit2, 1);
        app.server.Set<std::uint16_t>(kOptAutoRobot, 3);
    }

    std::vector<clReport> TakeReports() { return std::exchange(reports, {}); }

    const fs::path startFolder = fs::current_path();
    clTempDir dir;
    const fs::path folder = dir.Path() / "proj";
    const std::string file = (folder / "p.qkp").string();
    const std::string hexFile = (folder / "data" / "app.s19").string();
    const std::string binFile = (dir.Path() / "other" / "boot.bin").string();
    clQkSettingsStore settings{dir.File("settings.ini")};
    std::vector<clReport> reports;
    clErrMngr errors;
    clApp saver{settings, errors};
};

TEST_F(Project, ASmallProjectIsWrittenByteForByte)
{
    saver.catalogue.chipId->Value() = 0x0102;
    saver.server.Set<std::uint8_t>(QkSpaceOptId(1, spcFileType), ftImageKept); // becomes "neither"
    saver.server.Set<std::uint8_t>(QkSpaceOptId(3, spcFileType), 6);
    saver.server.Set<std::uint16_t>(QkSpaceOptId(2, spcDumpW), 0x1234);
    saver.server.Set<std::string>(QkSpaceOptId(5, spcReplace), "r");
    saver.server.Set<std::uint16_t>(kOptAutoErase, 1);
    ASSERT_EQ(saver.project.Save(file, prjSaveOnly, "Demo"), 1);

    clBytes expected;
    expected.Signature("RIR-QK-JTAG.W32").Item(129, clBytes().Text("Demo"));
    for (int space = 1; space <= kSpaceCount; ++space)
        expected.Item(QkSpaceOptId(space, spcFileType), clBytes().U8(space == 3 ? 6 : 0xFF));
    expected.Item(130, clBytes().U16(0x0102));
    for (int space = 1; space <= kSpaceCount; ++space) {
        const auto id = [space](clQKOptIDType offset) { return QkSpaceOptId(space, offset); };
        // "&only": no buffer image (1025) and no file name (1026).
        expected.Item(id(spcCLThree), clBytes().U8(0))
            .Item(id(spcCLState), clBytes().U32(0))
            .Item(id(spcLastFill), clBytes().U8(0))
            .Item(id(spcDumpH), clBytes().U16(0))
            .Item(id(spcDumpW), clBytes().U16(space == 2 ? 0x1234 : 0))
            .Item(id(spcDumpY), clBytes().U16(0))
            .Item(id(spcDumpX), clBytes().U16(0))
            .Item(id(spcGoto), clBytes().U32(0))
            .Item(id(spcCurAdrs), clBytes().U32(0))
            .Item(id(spcDumpStart), clBytes().U32(0))
            .Item(id(spcBinMode), clBytes().U8(0))
            .Item(id(spcEndian), clBytes().U8(0))
            .Item(id(spcLineWidth), clBytes().U8(0))
            .Item(id(spcViewMode), clBytes().U8(0))
            .Item(id(spcReplace), clBytes().Text(space == 5 ? "r" : ""))
            .Item(id(spcFind), clBytes().Text(""));
    }
    expected.Item(1026, clBytes().Text("")).Item(2068, clBytes().Text("")).Item(2069, clBytes().Text(""));
    for (unsigned id : {106, 107, 108, 3092, 6164, 6165, 6166})
        expected.Item(id, clBytes().U16(0));
    expected.Item(5140, clBytes().Text("")).Item(5141, clBytes().Text(""));
    for (unsigned id : {158, 256, 159, 259})
        expected.Item(id, clBytes().U16(id == 256 ? 1 : 0));
    // The seal comes first: the file's length and the CRC-32 of the items.
    const std::string items = expected.Str().substr(16);
    const clBytes sealed =
        clBytes()
            .Signature("RIR-QK-JTAG.W32")
            .Item(kOptProjSeal,
                  clBytes().U32(static_cast<std::uint32_t>(16 + 16 + items.size())).U32(BitwiseCrc32(items)))
            .Chars(items);
    EXPECT_EQ(ReadText(file), sealed.Str());
    EXPECT_TRUE(reports.empty());

    // The same project as files were written before the seal: it still loads.
    const std::string oldFile = dir.File("old.qkp");
    WriteText(oldFile, expected.Str());
    clApp loader(settings, errors);
    ASSERT_EQ(loader.project.Load(oldFile), 1);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(loader.catalogue.chipId->Value(), 0x0102);
    EXPECT_EQ(loader.project.GetDescription(), "Demo");
    EXPECT_FALSE(loader.server.WasSealed());
    ASSERT_EQ(loader.project.Load(file), 1);
    EXPECT_TRUE(loader.server.WasSealed());
}

TEST_F(Project, ARichProjectLoadsBackFromAnotherFolder)
{
    MakeRichProject(saver);
    // Serial-value settings travel with the project (a project without them
    // holds no such item: see the byte-for-byte test).
    const std::string serial = "source=list:keys.txt\nat=0x40\nwidth=16\n";
    saver.server.Set(kOptSerial, serial);
    ASSERT_EQ(saver.project.Save(file, prjSaveHexRef, "Board rev. B"), 1);
    // The file refers to the data files relative to its own folder.
    const std::string stored = ReadText(file);
    // (In the system's own form of a path: backslashes on Windows.)
    EXPECT_NE(stored.find((fs::path("data") / "app.s19").string() + '\0'), std::string::npos);
    EXPECT_NE(stored.find((fs::path("..") / "other" / "boot.bin").string() + '\0'), std::string::npos);
    EXPECT_EQ(stored.find(dir.Path().string()), std::string::npos);
    // The running program keeps its absolute names and every option.
    std::string name;
    EXPECT_TRUE(saver.server.Get(QkSpaceOptId(1, spcFileName), name));
    EXPECT_EQ(name, hexFile);
    EXPECT_TRUE(saver.catalogue.buffers[1]->IsOn());

    fs::current_path(dir.Path() / "elsewhere");
    clApp loader(settings, errors);
    ASSERT_EQ(loader.project.Load(file), 1);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(OptionsWithoutImages(loader), OptionsWithoutImages(saver));
    EXPECT_EQ(loader.project.GetPath(), file);
    EXPECT_EQ(loader.project.GetDescription(), "Board rev. B");
    std::string loadedSerial;
    EXPECT_TRUE(loader.server.Get(kOptSerial, loadedSerial));
    EXPECT_EQ(loadedSerial, serial);

    std::string loadedName;
    std::uint8_t type = 0;
    loader.server.Get(QkSpaceOptId(1, spcFileName), loadedName);
    loader.server.Get(QkSpaceOptId(1, spcFileType), type);
    EXPECT_EQ(loadedName, hexFile);
    EXPECT_TRUE(fs::exists(loadedName));
    EXPECT_EQ(type, 6); // still Motorola
    // The images: spaces 2 to 4; spaces 1 and 5 come from their files.
    for (int space : {2, 3, 4}) {
        EXPECT_EQ(BytesOf(loader.Buffer(space)), BytesOf(saver.Buffer(space))) << space;
        EXPECT_STREQ(loader.Buffer(space).GetName(), saver.Buffer(space).GetName());
        EXPECT_TRUE(loader.Buffer(space).GetStartAdrs().SameFields(saver.Buffer(space).GetStartAdrs()));
    }
    EXPECT_FALSE(loader.Buffer(3).HasMemory());
    EXPECT_FALSE(loader.Buffer(1).HasMemory());
    EXPECT_FALSE(loader.Buffer(5).HasMemory());
}

TEST_F(Project, TheSaveOptionDecidesWhatEachSpaceKeeps)
{
    MakeRichProject(saver);
    const std::set<unsigned> all{1, 2, 3, 4, 5};

    ASSERT_EQ(saver.project.Save(file, prjSaveOnly, ""), 1);
    auto ids = ItemIds(ReadText(file));
    EXPECT_TRUE(SpaceIds(ids, spcBufImage).empty());
    EXPECT_TRUE(SpaceIds(ids, spcFileName).empty());
    EXPECT_EQ(SpaceIds(ids, spcFileType), all);

    ASSERT_EQ(saver.project.Save(file, prjSaveHexRef, ""), 1);
    ids = ItemIds(ReadText(file));
    EXPECT_EQ(SpaceIds(ids, spcBufImage), (std::set<unsigned>{2, 3, 4}));
    EXPECT_EQ(SpaceIds(ids, spcFileName), (std::set<unsigned>{1, 5}));

    ASSERT_EQ(saver.project.Save(file, prjSaveImage, ""), 1);
    ids = ItemIds(ReadText(file));
    EXPECT_EQ(SpaceIds(ids, spcBufImage), all);
    EXPECT_TRUE(SpaceIds(ids, spcFileName).empty());
    std::uint8_t type = 0;
    saver.server.Get(QkSpaceOptId(1, spcFileType), type);
    EXPECT_EQ(type, ftImageKept);

    // Settings only: the buffers keep what they held before the load.
    ASSERT_EQ(saver.project.Save(file, prjSaveOnly, ""), 1);
    clApp loader(settings, errors);
    Fill(loader.Buffer(2), "Mine", clAdrs(0u), "keep");
    loader.server.Set<std::string>(QkSpaceOptId(3, spcFileName), "local.hex");
    ASSERT_EQ(loader.project.Load(file), 1);
    EXPECT_EQ(BytesOf(loader.Buffer(2)), "keep");
    // A name the project did not bring stays relative to where it was given.
    std::string name;
    loader.server.Get(QkSpaceOptId(3, spcFileName), name);
    EXPECT_EQ(name, (fs::current_path() / "local.hex").string());
    EXPECT_EQ(QkGetLastProject(settings), file);
}

TEST_F(Project, AFailedSaveLeavesTheOldFileAndTheOptionsAsTheyWere)
{
    // An option whose data cannot be written, after the others have been.
    class TBrokenOpt : public TBscOpt<std::uint8_t> {
    public:
        using TBscOpt::TBscOpt;
        void SaveLevel(std::ostream& out, clQKPriorityType level, std::optional<clQKPriorityType>& next) const override
        {
            TBscOpt::SaveLevel(out, level, next);
            if (level == 0)
                QkRaise<clXIO>(this, "..\\test\\broken.cpp", 7);
        }
    };
    MakeRichProject(saver);
    ASSERT_EQ(saver.project.Save(file, prjSaveHexRef, "old"), 1);
    const std::string old = ReadText(file);
    saver.server.Add(std::make_unique<TBrokenOpt>(9999));

    EXPECT_EQ(saver.project.Save(file, prjSaveOnly, "new"), 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text, "The project file could not be written (clXIO in ..\\test\\broken.cpp, line 7).");
    EXPECT_EQ(ReadText(file), old);
    EXPECT_EQ(CountFiles(folder), 2u); // the project and data/, no temporary file
    EXPECT_EQ(saver.project.GetDescription(), "old");
    std::string name;
    EXPECT_TRUE(saver.server.Get(QkSpaceOptId(1, spcFileName), name));
    EXPECT_EQ(name, hexFile);
    EXPECT_TRUE(saver.catalogue.buffers[1]->IsOn());

    // A folder that does not exist: nothing written, the last project kept.
    EXPECT_EQ(saver.project.Save((dir.Path() / "missing" / "p.qkp").string(), prjSaveOnly, ""), 0);
    EXPECT_EQ(reports.size(), 2u);
    EXPECT_EQ(QkGetLastProject(settings), file);
}

#ifndef _WIN32 // symbolic links need a privilege on Windows
TEST_F(Project, ASaveNeverReplacesItsOwnDataFilesNorWhatIsNotAFile)
{
    MakeRichProject(saver);
    ASSERT_EQ(saver.project.Save(file, prjSaveHexRef, "old"), 1);
    const std::string hexBefore = ReadText(hexFile);

    // Its own data file, named directly or through a link.
    EXPECT_EQ(saver.project.Save(hexFile, prjSaveImage, ""), 0);
    const std::string link = dir.File("link.qkp");
    fs::create_symlink(binFile, link);
    EXPECT_EQ(saver.project.Save(link, prjSaveImage, ""), 0);
    auto got = TakeReports();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].text,
              "The project file could not be written: " + hexFile + " is one of its own data files (" + hexFile + ").");
    EXPECT_NE(got[1].text.find("is one of its own data files (" + binFile + ")"), std::string::npos);
    EXPECT_EQ(ReadText(hexFile), hexBefore);
    EXPECT_EQ(ReadText(binFile), "bin");
    EXPECT_TRUE(fs::is_symlink(link));

    // A directory is named as such.
    EXPECT_EQ(saver.project.Save(folder.string(), prjSaveOnly, ""), 0);
    got = TakeReports();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].text, "The project file could not be written: " + folder.string() + " is a directory.");
    EXPECT_TRUE(fs::is_directory(folder));

    // A link to a project: the link stays and its target gets the project.
    const std::string other = dir.File("other.qkp");
    WriteText(other, "stale");
    const std::string otherLink = (folder / "current.qkp").string();
    fs::create_symlink(other, otherLink);
    ASSERT_EQ(saver.project.Save(otherLink, prjSaveOnly, "fresh"), 1);
    EXPECT_TRUE(fs::is_symlink(otherLink));
    EXPECT_EQ(ReadText(other).substr(1, 15), "RIR-QK-JTAG.W32");
    EXPECT_TRUE(reports.empty());
}
#endif

#ifndef _WIN32 // device nodes are a POSIX matter
TEST_F(Project, ASaveOntoACharacterDeviceWritesItAndReportsItsFailure)
{
    // A device of our own: a mistake could never replace the system's.
    const std::string null = dir.File("null");
    if (::mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "creating device nodes is not permitted here";
    const std::string full = dir.File("full");
    ASSERT_EQ(::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
    MakeRichProject(saver);
    EXPECT_EQ(saver.project.Save(null, prjSaveImage, ""), 1);
    EXPECT_TRUE(fs::is_character_file(null));
    EXPECT_EQ(saver.project.Save(full, prjSaveImage, ""), 0);
    EXPECT_TRUE(fs::is_character_file(full));
    const auto got = TakeReports();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].text.rfind("The project file could not be written: cannot write " + full, 0), 0u) << got[0].text;
    for (const auto& entry : fs::directory_iterator(dir.Path())) // no temporary file left beside them
        EXPECT_NE(entry.path().filename().string().rfind(".qk-", 0), 0u) << entry.path();
}

#endif

// A saved project to break in the bad-file tests: description, five
// file types, then everything else (the OSD space's buffer image among them).
class BadProject : public Project {
protected:
    void SetUp() override
    {
        Project::SetUp();
        Fill(saver.Buffer(4), "OSD", clAdrs(0xC000u), std::string(64, '\x11'));
        saver.catalogue.chipId->Value() = 5;
        ASSERT_EQ(saver.project.Save(file, prjSaveHexRef, "described"), 1);
        sealed = ReadText(file);
        // The item-by-item checks are those of files without a seal.
        good = Unsealed(sealed);
        loader.catalogue.chipId->Value() = 77;
    }
    // Loads bytes as a project; returns the load's result.
    int LoadAs(const std::string& bytes)
    {
        WriteText(file, bytes);
        return loader.project.Load(file);
    }
    std::string ChipAndDescription()
    {
        return std::to_string(loader.catalogue.chipId->Value()) + "/" + loader.catalogue.description->Value();
    }

    std::string sealed;
    std::string good;
    clApp loader{settings, errors};
};

// A file of an older saving program: every space marked "image kept", an
// image only for the one space its device (PCD80710) has. It is valid.
TEST_F(Project, AnOlderFileThatMarksEverySpaceKeptLoads)
{
    const std::string golden = QK_TEST_DATA "/older-every-space-kept.qkp";
    clApp loader{settings, errors};
    ASSERT_EQ(loader.project.Load(golden), 1);
    EXPECT_TRUE(TakeReports().empty());
    EXPECT_EQ(loader.catalogue.chipId->Value(), 1);
    EXPECT_EQ(loader.project.GetDescription(), "older, every space kept");
    std::string image;
    for (int i = 0; i < 32; ++i)
        image += static_cast<char>(i * 7);
    EXPECT_EQ(BytesOf(loader.Buffer(1)), image);
    EXPECT_EQ(loader.Buffer(1).GetStartAdrs().GetLinear(), 0x100u);
}

TEST_F(BadProject, MissingOrUnreadableFilesLoadNothingAndSayNothing)
{
    EXPECT_EQ(loader.project.Load(dir.File("none.qkp")), 0);
    EXPECT_EQ(loader.project.Load(dir.Path().string()), 0);
    EXPECT_TRUE(reports.empty());
}

TEST_F(BadProject, EachBrokenFileGivesItsMessage)
{
    const std::size_t firstItemEnd = 16 + 2 + 4 + std::string("described").size() + 1 + 2;
    const std::size_t imageAt = good.find(std::string(64, '\x11'));
    ASSERT_NE(imageAt, std::string::npos);
    std::string lying = good;
    lying[firstItemEnd + 5] = '\x7F'; // the second item's length, high byte
    std::string lyingImage = good;
    lyingImage[imageAt - 14 + 3] = '\x7F'; // the buffer image's size, high byte

    const struct {
        const char* name;
        std::string bytes;
        std::string message;
    } cases[] = {
        {"zero length", "", "The project file could not be read: " + file + " is empty."},
        {"cut in an item id", good.substr(0, firstItemEnd + 1), kBadFile},
        {"cut in an item length", good.substr(0, firstItemEnd + 4), kBadFile},
        {"no device", WithoutItem(good, kOptChipId), kBadFile},
        {"an image announced but missing", WithoutItem(good, QkSpaceOptId(4, spcBufImage)), kBadFile},
        {"cut in the buffer image", good.substr(0, imageAt + 10), kBadFile},
        {"lying item length", lying, kBadFile},
        {"lying image size", lyingImage, kBadFile},
        {"foreign signature", "\x04PK\x03\x04" + good.substr(5), kBadFile},
        {"another version", clBytes().Signature("RIR-QK-JTAG.W64").Str() + good.substr(16), kOtherVersion},
    };
    for (const auto& c : cases) {
        loader.catalogue.description->Value().clear();
        EXPECT_EQ(LoadAs(c.bytes), 0) << c.name;
        const auto got = TakeReports();
        ASSERT_EQ(got.size(), 1u) << c.name;
        EXPECT_EQ(got[0].text, c.message) << c.name;
        EXPECT_EQ(got[0].number, c.message == kBadFile ? 1010 : c.message == kOtherVersion ? 1011 : 0) << c.name;
    }
}

TEST_F(BadProject, OptionsReadBeforeAFaultKeepTheirValues)
{
    // The description comes first and survives; the chip id lies beyond the cut.
    const std::size_t chipAt = good.find(clBytes().Item(130, clBytes().U16(5)).Str());
    ASSERT_NE(chipAt, std::string::npos);
    EXPECT_EQ(LoadAs(good.substr(0, chipAt + 7)), 0);
    EXPECT_EQ(ChipAndDescription(), "77/described");
    EXPECT_EQ(loader.project.GetPath(), "");
}

TEST_F(BadProject, EveryCutAndEveryChangedByteOfASavedProjectIsReported)
{
    ASSERT_EQ(LoadAs(sealed), 1);
    // Cut anywhere after the signature: 1010, and nothing of it is taken.
    for (std::size_t length = 17; length < sealed.size(); ++length) {
        loader.catalogue.description->Value() = "kept";
        ASSERT_EQ(LoadAs(sealed.substr(0, length)), 0) << length;
        const auto got = TakeReports();
        ASSERT_EQ(got.size(), 1u) << length;
        EXPECT_EQ(got[0].number, 1010) << length;
        EXPECT_EQ(loader.catalogue.description->Value(), "kept") << length;
    }
    // A changed byte past the seal's id.
    for (std::size_t at = 18; at < sealed.size(); at += 7) {
        std::string changed = sealed;
        changed[at] = static_cast<char>(changed[at] ^ 0x40);
        EXPECT_EQ(LoadAs(changed), 0) << at;
        const auto got = TakeReports();
        ASSERT_EQ(got.size(), 1u) << at;
        EXPECT_EQ(got[0].number, 1010) << at;
    }
}

TEST_F(BadProject, AnUnknownItemIsPassedOverByItsLength)
{
    const std::size_t chipAt = good.find(clBytes().Item(130, clBytes().U16(5)).Str());
    const std::string unknown = clBytes().Item(60000, clBytes().Chars(std::string(40, 'u'))).Str();
    EXPECT_EQ(LoadAs(good.substr(0, chipAt) + unknown + good.substr(chipAt)), 1);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(ChipAndDescription(), "5/described");
    EXPECT_EQ(BytesOf(loader.Buffer(4)), std::string(64, '\x11'));
}

} // namespace
