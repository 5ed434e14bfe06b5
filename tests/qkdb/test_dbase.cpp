#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "err/qkerr.h"
#include "qkdb/dbase32.h"

namespace {

const clDataBase& Db()
{
    static const clDataBase db(GetDLLDBaseInstance());
    return db;
}

template <class Record>
std::vector<Record> Collect(void (clDataBase::*iterate)(int (*)(Record&, void*), void*) const)
{
    std::vector<Record> out;
    (Db().*iterate)(
        [](Record& r, void* user) {
            static_cast<std::vector<Record>*>(user)->push_back(r);
            return 1;
        },
        &out);
    return out;
}

int BadIdLine(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const clDbBadId& e) {
        EXPECT_EQ(e.GetFile(), "..\\qkdb\\dbase32.cpp");
        return e.GetLine();
    }
    return -1;
}

TEST(LoadData, ClearsCopiesAtMostLenAndCountsWhatItCopied)
{
    char dst[8];
    std::memset(dst, 'x', sizeof dst);
    // Vendor 2 is "PHILIPS\0": 8 bytes.
    EXPECT_EQ(clDataBase::LoadData(GetDLLDBaseInstance(), 2, dst, sizeof dst), 8u);
    EXPECT_STREQ(dst, "PHILIPS");
    char shortDst[4];
    EXPECT_EQ(clDataBase::LoadData(GetDLLDBaseInstance(), 2, shortDst, sizeof shortDst), 4u);
    EXPECT_EQ(std::string(shortDst, 4), "PHIL");

    std::memset(dst, 'x', sizeof dst);
    EXPECT_EQ(clDataBase::LoadData(GetDLLDBaseInstance(), 3, dst, sizeof dst), 0u);
    EXPECT_EQ(std::string(dst, sizeof dst), std::string(sizeof dst, '\0'));
    // Another module holds no database.
    EXPECT_EQ(clDataBase::LoadData(GetDLLQkerrInstance(), 2, dst, sizeof dst), 0u);
}

TEST(Iteration, VendorsAdaptersAndBuffersRunInIdOrder)
{
    const auto vendors = Collect(&clDataBase::IterVndrs);
    ASSERT_EQ(vendors.size(), 2u);
    EXPECT_STREQ(vendors[0].GetName(), "ALL");
    EXPECT_STREQ(vendors[1].GetName(), "PHILIPS");
    EXPECT_EQ(vendors[1].GetDBId(), 2);

    const auto adapters = Collect(&clDataBase::IterAdptrs);
    ASSERT_EQ(adapters.size(), 5u);
    EXPECT_EQ(adapters[0].GetDBId(), 1001);
    EXPECT_EQ(adapters[0].GetID(), 1);
    EXPECT_STREQ(adapters[0].GetName(), "PCD80710 Adapter");

    const auto buffers = Collect(&clDataBase::IterBufs);
    ASSERT_EQ(buffers.size(), 39u);
    EXPECT_EQ(buffers.front().GetDBId(), 2001);
    EXPECT_EQ(buffers.back().GetDBId(), 2039);
}

TEST(Iteration, StopsWhenTheCallbackAnswersZero)
{
    int calls = 0;
    Db().IterBufs(
        [](clDBBuf&, void* user) {
            ++*static_cast<int*>(user);
            return *static_cast<int*>(user) < 3 ? 1 : 0;
        },
        &calls);
    EXPECT_EQ(calls, 3);
}

TEST(Iteration, DevicesComeInDisplayOrder)
{
    const auto headers = Collect(&clDataBase::IterChipsHdr);
    std::vector<std::string> names;
    for (const auto& h : headers)
        names.push_back(h.GetName());
    EXPECT_EQ(names, (std::vector<std::string>{"PCD80703", "PCD80705", "PCD80708", "PCD80710", "PCD80712", "PCD80716",
                                               "PCD80718", "PCD80724"}));
    EXPECT_EQ(headers[3].GetDBId(), 5001);
}

TEST(Records, TheDocumentedExamplesHold)
{
    const clDBBuf b2001 = Db().GetBuf(2001);
    EXPECT_EQ(b2001.GetSpace(), 1);
    EXPECT_STREQ(b2001.GetName(), "Data");
    EXPECT_EQ(b2001.GetStartAdrs(), 0u);
    EXPECT_EQ(b2001.GetStopAdrs(), 0x1FFu);
    EXPECT_EQ(b2001.GetBlkAlignment(), 1u);
    EXPECT_EQ(b2001.GetEraseVal(), 0xFF);

    const clDBBuf b2020 = Db().GetBuf(2020);
    EXPECT_EQ(b2020.GetStopAdrs(), 0x5FFFFu);
    EXPECT_EQ(b2020.GetBlkAlignment(), 2048u);

    const clDBBuf b2037 = Db().GetBuf(2037);
    EXPECT_EQ(b2037.GetSpace(), 4);
    EXPECT_STREQ(b2037.GetName(), "OSD");
    EXPECT_EQ(b2037.GetStartAdrs(), 0xC000u);
    EXPECT_EQ(b2037.GetStopAdrs(), 0xCFFFu);

    const clDBChip chip = Db().GetChip(1);
    EXPECT_EQ(chip.GetDBId(), 5001);
    EXPECT_EQ(chip.GetType(), 3);
    EXPECT_EQ(chip.GetVndrNo(), 2);
    EXPECT_EQ(chip.GetAdptrNo(), 1001);
    EXPECT_EQ(chip.GetChipId(), 1);
    EXPECT_STREQ(chip.clDBChipHdr::GetName(), "PCD80710");
    EXPECT_EQ(chip.GetAlgID(), 2);
    EXPECT_EQ(chip.GetDeviceID(), 1);
    EXPECT_EQ(chip.GetVppVal(), 266);
    EXPECT_EQ(chip.IsEraseAvail(), 1);
    EXPECT_EQ(chip.GetEraseTime(), 10000u);
    EXPECT_EQ(chip.GetPgmTime(), 100u);
    EXPECT_EQ(chip.GetVerSupp(), 110);
    EXPECT_EQ(chip.GetBufCount(), 1);
    EXPECT_EQ(chip.GetBufNo(0), 2020);
    EXPECT_EQ(chip.GetBufNo(1), 0);
    EXPECT_EQ(chip.GetBufNo(-1), 0);

    EXPECT_EQ(Db().GetChipInfo(1).GetDBId(), 5001);
    EXPECT_EQ(Db().GetChipHdr(4).GetDBId(), 5004);
}

TEST(Records, EmptyRecordsHaveTheirDefaults)
{
    const clDBBuf buf;
    EXPECT_EQ(buf.GetBlkAlignment(), 1u);
    EXPECT_EQ(buf.GetEraseVal(), 0xFF);
    const clDBChipInfo info;
    EXPECT_EQ(info.GetVerSupp(), 0xFFFF);
    EXPECT_EQ(info.GetBufCount(), 0);
    // A stored count beyond the 15 slots never reads past them.
    unsigned char raw[55] = {};
    raw[51] = 40;
    const clDBChipInfo overCounted(1, raw, sizeof raw);
    EXPECT_EQ(overCounted.GetBufCount(), 15);
    EXPECT_EQ(overCounted.GetBufNo(20), 0);
}

TEST(Records, NamesAreCutAt255Characters)
{
    std::vector<unsigned char> raw(300, 'A');
    const clDBVndr vendor(1, raw.data(), raw.size());
    EXPECT_EQ(std::string(vendor.GetName()).size(), 255u);
}

TEST(BadIds, EachLookUpRaisesWithItsLine)
{
    EXPECT_EQ(BadIdLine([] { Db().GetVndr(3); }), 535);
    EXPECT_EQ(BadIdLine([] { Db().GetAdptr(1006); }), 550);
    EXPECT_EQ(BadIdLine([] { Db().GetBuf(2040); }), 564);
    EXPECT_EQ(BadIdLine([] { Db().GetChipHdr(9); }), 587);
    EXPECT_EQ(BadIdLine([] { Db().GetChipInfo(0); }), 606);
    EXPECT_EQ(BadIdLine([] { Db().GetChip(9); }), 629);
}

TEST(Version, DatabaseVersionIsAppended)
{
    TArrayAsVector<clVerInfo> list;
    list.emplace_back("QKComm-2", 3, 1);
    Db().GetVer(list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1], clVerInfo("QKDB", 3, 32, 0, 0));
}

// The shipped table itself: counts, ids, references and geometry.
TEST(SelfCheck, TheShippedDataIsConsistent)
{
    char raw[2];
    const unsigned expectedCounts[] = {8, 39, 5, 2};
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(clDataBase::LoadData(GetDLLDBaseInstance(), 510 + i, raw, 2), 2u);
        EXPECT_EQ(static_cast<unsigned char>(raw[0]) | (static_cast<unsigned char>(raw[1]) << 8), expectedCounts[i]);
    }

    std::set<unsigned short> chipIds;
    std::set<std::string> names;
    const auto headers = Collect(&clDataBase::IterChipsHdr);
    for (const auto& header : headers) {
        EXPECT_TRUE(chipIds.insert(header.GetChipId()).second) << "chip id twice: " << header.GetChipId();
        EXPECT_TRUE(names.insert(header.GetName()).second) << "name twice: " << header.GetName();
        const clDBChip chip = Db().GetChip(header.GetChipId());
        EXPECT_EQ(chip.GetDBId(), header.GetDBId());
        EXPECT_NO_THROW(Db().GetVndr(chip.GetVndrNo()));
        EXPECT_NO_THROW(Db().GetAdptr(chip.GetAdptrNo()));
        EXPECT_GE(chip.GetBufCount(), 1);
        std::set<unsigned short> spaces;
        for (int i = 0; i < chip.GetBufCount(); ++i) {
            const clDBBuf buf = Db().GetBuf(chip.GetBufNo(i));
            EXPECT_TRUE(spaces.insert(buf.GetSpace()).second) << header.GetName() << ": one buffer per space";
            EXPECT_GE(buf.GetSpace(), 1);
            EXPECT_LE(buf.GetSpace(), 4);
        }
    }
    EXPECT_EQ(chipIds, (std::set<unsigned short>{1, 2, 3, 4, 5, 6, 7, 8}));

    const std::map<unsigned short, std::string> spaceNames = {
        {1, "Data"}, {2, "Encryption"}, {3, "Config"}, {4, "OSD"}};
    for (const auto& buf : Collect(&clDataBase::IterBufs)) {
        EXPECT_LE(buf.GetStartAdrs(), buf.GetStopAdrs()) << buf.GetDBId();
        const unsigned long size = static_cast<unsigned long>(buf.GetStopAdrs()) - buf.GetStartAdrs() + 1;
        EXPECT_EQ(size % buf.GetBlkAlignment(), 0u) << buf.GetDBId();
        EXPECT_EQ(buf.GetName(), spaceNames.at(buf.GetSpace())) << buf.GetDBId();
    }

    // The bit-reversed families are present.
    std::set<unsigned short> deviceIds;
    for (const auto& header : headers)
        deviceIds.insert(Db().GetChipInfo(header.GetChipId()).GetDeviceID());
    for (unsigned short id : {6, 7, 8})
        EXPECT_TRUE(deviceIds.count(id)) << "device id " << id;
}

} // namespace
