#include <gtest/gtest.h>

#include "options/srvqk51.h"
#include "tests/cpplib/bufcheck.h"
#include "tests/options/itembytes.h"

namespace {

template <class T>
std::string ItemOf(unsigned id, const T& value)
{
    clData<T> data(value);
    std::ostringstream out;
    QkWriteItem(out, static_cast<clQKOptIDType>(id), data);
    return out.str();
}

// Reads an item (its id already consumed) into data.
void ReadItemInto(const std::string& item, clDataInterface& data)
{
    std::istringstream in(item);
    in.seekg(2);
    QkReadItem(in, item.size(), data);
}

std::string RaisedName(const std::function<void()>& fn)
{
    return Raised(fn).name;
}

// An option whose hooks can be watched and steered.
class TTestOpt : public TBscOpt<std::uint16_t> {
public:
    using TBscOpt::TBscOpt;
    int Check() override
    {
        ++checks;
        return checkResult;
    }
    void Prepare() override { ++prepares; }
    int checkResult = 1;
    int checks = 0;
    int prepares = 0;
};

TEST(OptionData, NumbersFlagsAndTextsAreStoredAsTheirRawBytes)
{
    EXPECT_EQ(ItemOf<std::uint8_t>(0x0102, 0xAB), clBytes().Item(0x0102, clBytes().U8(0xAB)).Str());
    EXPECT_EQ(ItemOf<std::uint16_t>(7, 0x1234), clBytes().Item(7, clBytes().U16(0x1234)).Str());
    EXPECT_EQ(ItemOf<std::uint32_t>(7, 0xDEADBEEF), clBytes().Item(7, clBytes().U32(0xDEADBEEF)).Str());
    EXPECT_EQ(ItemOf<bool>(7, true), clBytes().Item(7, clBytes().U8(1)).Str());
    EXPECT_EQ(ItemOf<std::string>(7, "abc"), clBytes().Item(7, clBytes().Text("abc")).Str());
    // An empty text is the zero byte alone.
    EXPECT_EQ(ItemOf<std::string>(7, ""), clBytes().Item(7, clBytes().U8(0)).Str());
}

TEST(OptionData, ALengthThatDoesNotFitTheTypeIsRefusedAndTheValueKept)
{
    clData<std::uint16_t> number(5);
    EXPECT_EQ(RaisedName([&] { ReadItemInto(clBytes().Item(1, clBytes().U32(9)).Str(), number); }), "clXDataFormat");
    EXPECT_EQ(number.Value(), 5);

    clData<std::string> text("kept");
    for (const auto& bad : {clBytes().Chars("abc"), clBytes().Chars("ab").U8(0).Chars("c"), clBytes()}) {
        EXPECT_EQ(RaisedName([&] { ReadItemInto(clBytes().Item(1, bad).Str(), text); }), "clXDataFormat");
        EXPECT_EQ(text.Value(), "kept");
    }
}

TEST(OptionData, ABufferIsItsStreamFormAndAnEmptyOneHasSizeZero)
{
    clData<clQKHugeBuffer> data;
    data.Value().SetName("Code");
    ASSERT_EQ(data.Value().SetParams(3, clAdrs(0x100u)), 1);
    const unsigned char bytes[3] = {1, 2, 3};
    data.Value().Write(clAdrs(0x100u), clAdrs(0x102u), bytes);
    std::ostringstream out;
    data.Write(out);
    EXPECT_EQ(out.str(), clBytes().Buffer("Code", 0x100, "\x01\x02\x03").Str());
    EXPECT_EQ(data.Size(), out.str().size());

    clData<clQKHugeBuffer> empty;
    empty.Value().SetName("Data");
    std::ostringstream emptyOut;
    empty.Write(emptyOut);
    EXPECT_EQ(emptyOut.str(), clBytes().Buffer("Data", 0, "").Str());
    EXPECT_EQ(empty.Size(), emptyOut.str().size());

    // An empty image empties a buffer that had contents.
    ReadItemInto(clBytes().Item(1, clBytes().Chars(emptyOut.str())).Str(), data);
    EXPECT_FALSE(data.Value().HasMemory());
}

TEST(OptionData, ABufferWhoseSizeLiesIsRefusedBeforeAllocating)
{
    clData<clQKHugeBuffer> data;
    ASSERT_EQ(data.Value().SetParams(2, clAdrs(0u)), 1);
    // Stored size 0xFFFFFFF0, 3 bytes present; and a buffer past the 32-bit end.
    const std::string lying = clBytes().U8(0).U32(0xFFFFFFF0).U16(0).U16(0).U16(0).U32(0).Chars("abc").Str();
    const std::string pastEnd = clBytes().Buffer("", 0xFFFFFFFF, "ab").Str();
    const std::string zeroInName = clBytes().Buffer(std::string("a\0b", 3), 0, "x").Str();
    for (const auto& bad : {lying, pastEnd, zeroInName, clBytes().U8(9).Chars("short").Str()}) {
        EXPECT_EQ(RaisedName([&] { ReadItemInto(clBytes().Item(1, clBytes().Chars(bad)).Str(), data); }),
                  "clXDataFormat");
        EXPECT_EQ(data.Value().GetSize(), 2u);
    }
}

TEST(OptionData, ListEntriesAreStoredWithTheirHeaders)
{
    clData<TListBoxData> list;
    list.Value().Add("one", 11, true);
    list.Value().Add("", 22);
    std::ostringstream out;
    list.Write(out);
    const clBytes expected =
        clBytes().U16(2).U16(4).U32(11).U16(1).U16(0).Text("one").U16(1).U32(22).U16(0).U16(0).Text("");
    EXPECT_EQ(out.str(), expected.Str());
    EXPECT_EQ(list.Size(), expected.Str().size());
}

TEST(OptionData, StoredListEntriesMergeIntoTheList)
{
    const clBytes stored = clBytes()
                               .U16(3)
                               .U16(2)
                               .U32(1)
                               .U16(1)
                               .U16(0xBEEF)
                               .Text("a") // known: becomes selected
                               .U16(2)
                               .U32(2)
                               .U16(0)
                               .U16(0)
                               .Text("b") // known, not selected: unchanged
                               .U16(2)
                               .U32(3)
                               .U16(1)
                               .U16(0)
                               .Text("c"); // new: appended, selected
    clData<TListBoxData> list;
    list.Value().Add("a", 100);
    list.Value().Add("b", 200, true);
    ReadItemInto(clBytes().Item(1, stored).Str(), list);
    using E = TListBoxData::Entry;
    EXPECT_EQ(list.Value().Entries(), (std::vector<E>{{"a", 100, true}, {"b", 200, true}, {"c", 3, true}}));

    // A combo box keeps one selection: the last one stored.
    clData<TComboBoxData> combo;
    combo.Value().Add("b", 200, true);
    ReadItemInto(clBytes().Item(1, stored).Str(), combo);
    EXPECT_EQ(combo.Value().Entries(), (std::vector<E>{{"b", 200, false}, {"a", 1, false}, {"c", 3, true}}));
}

TEST(OptionData, AListWhoseCountOrTextLengthLiesChangesNothing)
{
    clData<TListBoxData> list;
    list.Value().Add("keep", 1);
    const auto before = list.Value().Entries();
    const clBytes entry = clBytes().U16(2).U32(1).U16(0).U16(0).Text("x");
    const clBytes badLists[] = {
        clBytes().U16(2).Add(entry),                              // count says 2, one stored
        clBytes().U16(1).U16(200).U32(1).U16(0).U16(0).Text("x"), // text length past the item
        clBytes().U16(1).Add(entry).U8(0),                        // a byte left over
        clBytes().U16(1).U16(2).U32(1).U16(0).U16(0).Chars("xy"), // no zero byte
    };
    for (const auto& bad : badLists) {
        const clRaised raised = Raised([&] { ReadItemInto(clBytes().Item(1, bad).Str(), list); });
        EXPECT_EQ(raised.name, "clXDataFormat");
        EXPECT_EQ(raised.file, "..\\options\\srvutil.cpp");
        EXPECT_EQ(list.Value().Entries(), before);
    }
}

TEST(OptionData, ValuesCopyOnlyBetweenTheSameType)
{
    clData<std::uint16_t> a(3);
    clData<std::uint16_t> b(4);
    a.CopyFrom(b);
    EXPECT_EQ(a.Value(), 4);
    clData<std::uint8_t> other(1);
    EXPECT_EQ(RaisedName([&] { a.CopyFrom(other); }), "clXType");
}

// ---- servers

class OptionServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        desc = server.Add(std::make_unique<TBscOpt<std::string>>(129, 65535));
        chip = server.Add(std::make_unique<TBscOpt<std::uint16_t>>(130));
        group = server.Add(std::make_unique<TBscOptGrp>(1));
        grouped = group->Add(std::make_unique<TBscOpt<std::uint32_t>>(2000, 30));
        hooked = group->Add(std::make_unique<TTestOpt>(2001, 10));
        last = server.Add(std::make_unique<TBscOpt<std::uint8_t>>(106));
        desc->Value() = "D";
        chip->Value() = 0x0102;
        grouped->Value() = 0x0A0B0C0D;
        hooked->Value() = 0x0E0F;
        last->Value() = 0x11;
    }

    TBscOptServer server{"TEST"};
    TBscOpt<std::string>* desc = nullptr;
    TBscOpt<std::uint16_t>* chip = nullptr;
    TBscOptGrp* group = nullptr;
    TBscOpt<std::uint32_t>* grouped = nullptr;
    TTestOpt* hooked = nullptr;
    TBscOpt<std::uint8_t>* last = nullptr;
};

TEST_F(OptionServer, SavingWalksThePriorityLevelsFromTheTopDown)
{
    const clBytes expected = clBytes()
                                 .Signature("RIR-TEST")
                                 .Item(129, clBytes().Text("D"))
                                 .Item(2000, clBytes().U32(0x0A0B0C0D))
                                 .Item(2001, clBytes().U16(0x0E0F))
                                 .Item(130, clBytes().U16(0x0102))
                                 .Item(106, clBytes().U8(0x11));
    EXPECT_EQ(SavedBytes(server), expected.Str());
}

TEST_F(OptionServer, SwitchedOffServersAndGroupsWriteAndReportNothing)
{
    // With the group off, the levels 30 and 10 vanish from the walk.
    group->SwitchOff();
    chip->SwitchOff();
    const clBytes expected =
        clBytes().Signature("RIR-TEST").Item(129, clBytes().Text("D")).Item(106, clBytes().U8(0x11));
    EXPECT_EQ(SavedBytes(server), expected.Str());
    server.SwitchOff();
    EXPECT_EQ(SavedBytes(server), clBytes().Signature("RIR-TEST").Str());
}

TEST_F(OptionServer, ByIdCallsReachOnlySwitchedOnOwners)
{
    std::uint32_t value = 0;
    EXPECT_TRUE(server.Get(2000, value));
    EXPECT_EQ(value, 0x0A0B0C0Du);
    EXPECT_TRUE(server.Set<std::uint32_t>(2000, 7));
    EXPECT_EQ(grouped->Value(), 7u);

    // A switched-off option neither gives nor takes a value, but can be
    // switched on again by id.
    EXPECT_TRUE(server.SwitchOffById(2000));
    EXPECT_TRUE(grouped->IsOff());
    EXPECT_FALSE(server.Set<std::uint32_t>(2000, 8));
    EXPECT_FALSE(server.Get(2000, value));
    EXPECT_EQ(grouped->Value(), 7u);
    EXPECT_TRUE(server.SwitchOnById(2000));
    EXPECT_TRUE(server.Set<std::uint32_t>(2000, 8));

    // A switched-off group hides its children, even from switching.
    group->SwitchOff();
    EXPECT_FALSE(server.Get(2000, value));
    EXPECT_FALSE(server.SwitchOffById(2000));
    EXPECT_TRUE(grouped->IsOn());
    EXPECT_TRUE(server.HasId(2000));

    // An id nobody owns changes nothing.
    EXPECT_FALSE(server.Set<std::uint16_t>(999, 1));
    EXPECT_FALSE(server.HasId(999));
    EXPECT_EQ(server.Find<TTestOpt>(999), nullptr);
    EXPECT_EQ(server.Find<TBscOpt<std::uint16_t>>(130), chip);
}

TEST_F(OptionServer, ChecksAskOnlySwitchedOnOptions)
{
    hooked->checkResult = 0;
    EXPECT_EQ(server.CheckById(2001), 0);
    EXPECT_EQ(server.CheckAll(), 0);
    hooked->SwitchOff();
    EXPECT_EQ(server.CheckById(2001), 1);
    EXPECT_EQ(server.CheckAll(), 1);
    EXPECT_EQ(hooked->checks, 2);
    EXPECT_EQ(server.CheckById(999), 1);
}

TEST_F(OptionServer, PreparationReachesEveryOptionUnlessTheArrayIsOff)
{
    group->SwitchOff();
    server.PrepareAll();
    EXPECT_EQ(hooked->prepares, 1);
    server.SwitchOff();
    server.PrepareAll();
    EXPECT_EQ(hooked->prepares, 1);
}

TEST_F(OptionServer, LoadingHandsEachItemToItsOwnerAndPassesOverTheRest)
{
    hooked->SwitchOff();
    const clBytes file = clBytes()
                             .Signature("RIR-TEST")
                             .Item(106, clBytes().U8(0x22))
                             .Item(4242, clBytes().Chars("unknown, any length"))
                             .Item(2001, clBytes().U16(0x3333)) // owner off: passed over
                             .Item(2000, clBytes().U32(0x44))
                             .Item(129, clBytes().Text("loaded"));
    std::vector<int> progress;
    server.SetProgress([&](int percent) { progress.push_back(percent); });
    LoadBytes(server, file.Str());
    EXPECT_EQ(last->Value(), 0x22);
    EXPECT_EQ(hooked->Value(), 0x0E0F);
    EXPECT_EQ(grouped->Value(), 0x44u);
    EXPECT_EQ(desc->Value(), "loaded");
    // One report per item, from the signature's end onwards.
    ASSERT_EQ(progress.size(), 5u);
    EXPECT_EQ(progress.front(), static_cast<int>(9 * 100 / file.Str().size()));
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_LT(progress.back(), 100);
}

TEST_F(OptionServer, SignaturesTellForeignFilesFromOtherVersions)
{
    const auto load = [&](const std::string& bytes) {
        const clRaised raised = Raised([&] { LoadBytes(server, bytes); });
        return raised.name.empty() ? "" : raised.name + "@" + raised.file;
    };
    EXPECT_EQ(load(clBytes().Signature("XIR-TEST").Str()), "clXDataFormat@..\\options\\srvqk51.cpp");
    EXPECT_EQ(load(clBytes().Signature("RIR").Str()), "clXDataFormat@..\\options\\srvqk51.cpp");
    EXPECT_EQ(load(clBytes().Signature("RIR-TESTX").Str()), "clXUnSuppFormat@..\\options\\srvqk51.cpp");
    EXPECT_EQ(load(clBytes().Signature("RIR-OTHER").Str()), "clXUnSuppFormat@..\\options\\srvqk51.cpp");
    EXPECT_EQ(load(""), "clXIO@..\\CPPLIB\\CLUTIL.H");
    EXPECT_EQ(load(clBytes().Signature("RIR-TEST").Str()), "");
    EXPECT_EQ(TBscOptServer(nullptr).GetSignature(), "RIR-");
}

constexpr clQKOptIDType kSeal = 0xFFFE;

std::string SealedBytes(const TBscOptServer& server)
{
    std::ostringstream out;
    server.Save(out, kSeal);
    return out.str();
}

// The load's outcome: "" or the exception's name.
std::string LoadSealed(TBscOptServer& server, const std::string& bytes)
{
    return RaisedName([&] {
        std::istringstream in(bytes);
        server.Load(in, kSeal);
    });
}

TEST_F(OptionServer, ASealedArrayStartsWithItsLengthAndTheCrcOfTheRest)
{
    ASSERT_EQ(BitwiseCrc32("123456789"), 0xCBF43926u); // the standard check value
    const std::string items = SavedBytes(server).substr(9);
    const std::string sealed = SealedBytes(server);
    const clBytes expected =
        clBytes()
            .Signature("RIR-TEST")
            .Item(kSeal, clBytes().U32(9 + 16 + static_cast<std::uint32_t>(items.size())).U32(BitwiseCrc32(items)))
            .Chars(items);
    EXPECT_EQ(sealed, expected.Str());

    desc->Value() = "x";
    chip->Value() = 0;
    EXPECT_EQ(LoadSealed(server, sealed), "");
    EXPECT_TRUE(server.WasSealed());
    EXPECT_EQ(desc->Value(), "D");
    EXPECT_EQ(chip->Value(), 0x0102);
    EXPECT_TRUE(server.WasLoaded(130));
    EXPECT_FALSE(server.WasLoaded(kSeal));
    // Without a seal the same items load as they always did.
    EXPECT_EQ(LoadSealed(server, SavedBytes(server)), "");
    EXPECT_FALSE(server.WasSealed());
}

TEST_F(OptionServer, EveryCutAndEveryChangedByteOfASealedArrayIsCaughtBeforeAnythingLoads)
{
    const std::string sealed = SealedBytes(server);
    desc->Value() = "before";
    for (std::size_t length = 10; length < sealed.size(); ++length)
        EXPECT_EQ(LoadSealed(server, sealed.substr(0, length)), "clXDataFormat") << length;
    for (std::size_t at = 9; at < sealed.size(); ++at) {
        std::string changed = sealed;
        changed[at] = static_cast<char>(changed[at] ^ 0x01);
        // A changed seal id turns the seal into an unknown item: the CRC of
        // what follows no longer guards, but every other byte is caught.
        if (at == 9 || at == 10)
            continue;
        EXPECT_EQ(LoadSealed(server, changed), "clXDataFormat") << at;
    }
    EXPECT_EQ(desc->Value(), "before");
    // Data appended after a sealed file breaks its length.
    EXPECT_EQ(LoadSealed(server, sealed + clBytes().Item(106, clBytes().U8(1)).Str()), "clXDataFormat");
}

TEST_F(OptionServer, AnArrayCutInsideAnItemHeaderIsDamagedNotAReadFault)
{
    const std::string saved = SavedBytes(server);
    const std::size_t secondItem = 9 + 2 + 4 + 2 + 2;
    for (std::size_t cut = secondItem + 1; cut < secondItem + 6; ++cut)
        EXPECT_EQ(RaisedName([&] { LoadBytes(server, saved.substr(0, cut)); }), "clXDataFormat") << cut;
}

} // namespace
