// The dump editor on a real space buffer and the real option catalogue, with
// a stand-in window, clipboard and error dialog.
#include "tests/source/dump/dumpfixture.h"

#include "source/dump/dumpclip.h"
#include "source/dump/dumperr.h"
#include "source/dump/dumpfind.h"
#include "tests/fakebufcomm.h"

namespace {

using Bytes = std::vector<unsigned char>;

TEST_F(DumpTest, APatternAcrossA2048ByteWindowIsFound)
{
    clQKHugeBuffer& buf = Buffer(0x3000, 0x1000);
    buf.Fill(buf.GetStartAdrs(), buf.GetStopAdrs(), reinterpret_cast<const unsigned char*>("\0"));
    // 2 bytes before the boundary of the window that starts at the first byte.
    Put(0x1000 + 2046, {0xFF, 0x12, 0x42, 0x41});
    EXPECT_EQ(QkDumpFind(buf, 0x1000, Bytes{0xFF, 0x12, 0x42, 0x41}), 0x1000u + 2046);
    // And one that starts in the last possible place.
    Put(0x3FFE, {0xAA, 0xBB});
    EXPECT_EQ(QkDumpFind(buf, 0x1000, Bytes{0xAA, 0xBB}), 0x3FFEu);
    EXPECT_EQ(QkDumpFind(buf, 0x3FFF, Bytes{0xBB}), 0x3FFFu);
    EXPECT_FALSE(QkDumpFind(buf, 0x3FFF, Bytes{0xBB, 0x00}).has_value());
    // A start below the buffer starts at its first byte.
    EXPECT_EQ(QkDumpFind(buf, 0, Bytes{0xFF, 0x12}), 0x1000u + 2046);
}

TEST_F(DumpTest, FindSelectsTheMatchAndNeverWrapsAround)
{
    Buffer(0x1000);
    Put(0x800, {'Q', 'K'});
    clDumpEditor& editor = Open();
    ASSERT_EQ(editor.AcceptSearch(dmpFindMode::find, "\"QK\"", "", false, false, false), 0);
    editor.RunSearch();
    EXPECT_TRUE(editor.Cursor().Selection().present);
    EXPECT_EQ(editor.Cursor().Selection().start, 0x800u);
    EXPECT_EQ(editor.Cursor().Selection().end, 0x801u);
    EXPECT_EQ(editor.Cursor().Caret(), 0x802u);
    // The view turned to show it.
    EXPECT_LE(editor.Cursor().Top(), 0x802u);
    EXPECT_GT(editor.Cursor().Top() + 10 * 16, 0x802u);
    // From after the only match: not found, nothing wraps to the start.
    editor.SearchAgain();
    ASSERT_EQ(m_Seen.size(), 1u);
    EXPECT_EQ(m_Seen[0].no, dmpNotFound);
    EXPECT_EQ(m_Seen[0].text, "Search string '\"QK\"' not found");
    EXPECT_EQ(editor.Cursor().Caret(), 0x802u);
    // From the start it is found again.
    ASSERT_EQ(editor.AcceptSearch(dmpFindMode::find, "51h,4Bh", "", true, false, false), 0);
    editor.RunSearch();
    EXPECT_EQ(editor.Cursor().Selection().start, 0x800u);
}

TEST_F(DumpTest, AMatchAtTheVeryEndEndsAChangeAll)
{
    Buffer(0x100);
    Put(0xFF, {0xEE});
    clDumpEditor& editor = Open();
    // Replacing a byte by itself could go round forever if a search after a
    // match at the end began again at the start.
    ASSERT_EQ(editor.AcceptSearch(dmpFindMode::replace, "0EEh", "0EEh", true, true, false), 0);
    editor.RunSearch();
    EXPECT_EQ(Messages(), std::vector<unsigned short>{dmpReplacedAll});
    EXPECT_EQ(editor.Cursor().Caret(), 0xFFu);
}

TEST_F(DumpTest, AChangeAllGoesToTheProgrammerOnceWhenItIsComplete)
{
    clQKHugeBuffer& buf = Buffer(0x1000);
    const unsigned char zero = 0;
    buf.Fill(buf.GetStartAdrs(), buf.GetStopAdrs(), &zero);
    Put(0x100, {0xAA, 0xBB});
    Put(0x800, {0xAA, 0xBB});
    clFakeBufComm comm;
    buf.BindComm(&comm);
    buf.SendUnsynced(buf.GetStartAdrs(), buf.GetStopAdrs());
    comm.calls.clear();
    clDumpEditor& editor = Open();
    // A longer replacement moves the rest of the buffer up at each match.
    ASSERT_EQ(editor.AcceptSearch(dmpFindMode::replace, "0AAh,0BBh", "1,2,3", true, true, false), 0);
    editor.RunSearch();
    EXPECT_EQ(buf.GetByte(clAdrs(0x803u)), 3); // the second match moved up by one
    EXPECT_EQ(comm.calls, std::vector<std::string>{"write 100-FFF"});
    EXPECT_EQ(m_View.transfers.size(), 1u);

    // A paste stopped while it is sent: kept in the buffer, said, and still
    // owed to the programmer.
    comm.calls.clear();
    comm.stopWrites = true;
    m_Clipboard.text = "1 2 3 4";
    editor.Goto("10h");
    editor.Key(dmpKey::tab, false);
    editor.Paste();
    EXPECT_EQ(At(0x10, 4), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(comm.calls, std::vector<std::string>{"write 10-13"});
    EXPECT_EQ(Messages().back(), dmpSendStopped);
    EXPECT_EQ(buf.UnsyncedBytes(buf.GetStartAdrs(), buf.GetStopAdrs()), 4u);
}

TEST_F(DumpTest, InvalidSearchTextsAreRefusedWithMessage123)
{
    Buffer(0x100);
    clDumpEditor& editor = Open();
    EXPECT_EQ(editor.AcceptSearch(dmpFindMode::find, " ,", "", false, false, false), 115);
    EXPECT_EQ(editor.AcceptSearch(dmpFindMode::replace, "12h", "12x", false, false, false), 114);
    EXPECT_EQ(Messages(), (std::vector<unsigned short>{dmpInvalidValue, dmpInvalidValue}));
    // Nothing was taken: the mode is still none and Search Again does nothing.
    EXPECT_EQ(editor.Search().Mode(), dmpFindMode::none);
    editor.SearchAgain();
    EXPECT_EQ(m_Seen.size(), 2u);
}

TEST_F(DumpTest, ALongerReplacementShiftsTheRestUpAndLosesTheLastByte)
{
    Buffer(0x40);
    clDumpEditor& editor = Open();
    ASSERT_EQ(editor.AcceptSearch(dmpFindMode::replace, "10h,11h", "0AAh,0BBh,0CCh", true, false, false), 0);
    editor.RunSearch();
    Bytes expected(0x40);
    for (int i = 0; i < 0x40; ++i)
        expected[i] = static_cast<unsigned char>(i);
    expected.insert(expected.begin() + 0x10, {0xAA, 0xBB, 0xCC});
    expected.erase(expected.begin() + 0x13, expected.begin() + 0x15);
    expected.resize(0x40);
    EXPECT_EQ(At(0, 0x40), expected);
    EXPECT_EQ(At(0x3F, 1), Bytes{0x3E}); // 0x3F went past the end
    // The replacement is selected, the caret after it.
    EXPECT_EQ(editor.Cursor().Selection().start, 0x10u);
    EXPECT_EQ(editor.Cursor().Selection().end, 0x12u);
    EXPECT_EQ(editor.Cursor().Caret(), 0x13u);
    EXPECT_TRUE(m_Options->IsDataChanged());
}

TEST_F(DumpTest, AShorterReplacementLeavesTheLastBytesAndOneThatDoesNotFitIsSkipped)
{
    clQKHugeBuffer& buf = Buffer(0x20);
    EXPECT_TRUE(QkDumpReplace(buf, 0x04, 3, Bytes{0x99}));
    EXPECT_EQ(At(0x00, 8), (Bytes{0, 1, 2, 3, 0x99, 7, 8, 9}));
    EXPECT_EQ(At(0x1C, 4), (Bytes{0x1E, 0x1F, 0x1E, 0x1F}));
    // p + r - 1 past the last address: nothing is done.
    EXPECT_FALSE(QkDumpReplace(buf, 0x1F, 1, Bytes{1, 2}));
    EXPECT_EQ(At(0x1F, 1), Bytes{0x1F});
}

TEST_F(DumpTest, ChangeAllWithPromptsReplacesWhereTheAnswerIsYes)
{
    Buffer(0x200);
    for (std::uint32_t a : {0x10u, 0x90u, 0x110u})
        Put(a, {0x5A, 0x5A});
    clDumpEditor& editor = Open();
    m_Answers = {erIdYes, erIdNo, erIdYes};
    ASSERT_EQ(editor.AcceptSearch(dmpFindMode::replace, "5Ah,5Ah", "'x','y'", false, true, true), 0);
    editor.RunSearch();
    EXPECT_EQ(Messages(), (std::vector<unsigned short>{dmpReplaceAsk, dmpReplaceAsk, dmpReplaceAsk, dmpReplacedAll}));
    EXPECT_EQ(m_Seen.back().text, "Replaced 2 occurrences."); // the one answered "No" is not counted
    EXPECT_EQ(At(0x10, 2), (Bytes{'x', 'y'}));
    EXPECT_EQ(At(0x90, 2), (Bytes{0x5A, 0x5A}));
    EXPECT_EQ(At(0x110, 2), (Bytes{'x', 'y'}));
    // Cancel stops a change-all without a message.
    m_Seen.clear();
    m_Answers = {erIdCancel};
    ASSERT_EQ(editor.AcceptSearch(dmpFindMode::replace, "5Ah,5Ah", "'x','y'", true, true, true), 0);
    editor.RunSearch();
    EXPECT_EQ(Messages(), std::vector<unsigned short>{dmpReplaceAsk});
    EXPECT_EQ(At(0x90, 2), (Bytes{0x5A, 0x5A}));
}

TEST_F(DumpTest, FillChecksItsFieldsAndFillsTheRange)
{
    Buffer(0x100, 0x400);
    clDumpEditor& editor = Open();
    clDumpFillForm::clFields fields{"410h", "0", "0AAh"};
    EXPECT_EQ(editor.Fill(fields), 1);
    fields = {"3FFh", "1", "0"};
    EXPECT_EQ(editor.Fill(fields), 0);
    fields = {"4F0h", "17", "0"}; // one past the end
    EXPECT_EQ(editor.Fill(fields), 1);
    fields = {"410h", "16", "zz"};
    EXPECT_EQ(editor.Fill(fields), 2);
    EXPECT_EQ(Messages(),
              (std::vector<unsigned short>{dmpInvalidCount, dmpInvalidAddress, dmpInvalidCount, dmpInvalidValue}));
    EXPECT_FALSE(m_Options->IsDataChanged());

    fields = {"0x410", "16", "1AAh"};
    EXPECT_EQ(editor.Fill(fields), -1);
    EXPECT_EQ(fields.start, "410h");
    EXPECT_EQ(fields.count, "10h");
    EXPECT_EQ(At(0x40F, 18), (Bytes{0x0F, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA,
                                    0xAA, 0xAA, 0xAA, 0x20}));
    EXPECT_TRUE(m_Options->IsDataChanged());
}

TEST_F(DumpTest, FillProposesTheSelectionUpToItsLastUnit)
{
    Buffer(0x100, 0x400);
    SetOption<std::uint8_t>(spcViewMode, 4);
    clDumpEditor& editor = Open();
    editor.Click(0x404, false, false);
    editor.Key(dmpKey::right, true);
    editor.Key(dmpKey::right, true); // 404..405 selected in the character column
    EXPECT_EQ(editor.FillForm().Propose(editor.Cursor().Selection(), editor.Cursor().Caret()).count, "4h");
    editor.Key(dmpKey::last, false);
    const auto proposed = editor.FillForm().Propose(editor.Cursor().Selection(), editor.Cursor().Caret());
    EXPECT_EQ(proposed.start, "4FFh");
    EXPECT_EQ(proposed.count, "1h"); // a unit, cut at the end: a count the form accepts
    EXPECT_EQ(proposed.value, "0h");
}

TEST_F(DumpTest, CopyOf17BytesFromTheHexColumn)
{
    Buffer(0x100);
    SetOption<std::uint8_t>(spcBinMode, 1);
    clDumpEditor& editor = Open();
    editor.Click(0x20, true, false);
    editor.DragTo(0x30);
    editor.Copy();
    ASSERT_TRUE(m_Clipboard.text.has_value());
    std::string expected;
    for (int i = 0x20; i < 0x30; ++i)
        expected +=
            std::string(1, "0123456789ABCDEF"[i >> 4]) + "0123456789ABCDEF"[i & 15] + "h" + (i == 0x2F ? "\r\n" : "  ");
    expected += "30h  ";
    EXPECT_EQ(*m_Clipboard.text, expected);
    ASSERT_TRUE(m_Clipboard.image.has_value());
    ASSERT_EQ(m_Clipboard.image->size(), 4u + 17u);
    EXPECT_EQ(Bytes(m_Clipboard.image->begin(), m_Clipboard.image->begin() + 5), (Bytes{17, 0, 0, 0, 0x20}));

    // Without the registered format only the text goes, with message 125.
    m_Clipboard.registered = false;
    editor.Copy();
    EXPECT_FALSE(m_Clipboard.image.has_value());
    EXPECT_EQ(Messages(), std::vector<unsigned short>{dmpNoBinImage});
    // From the character column: the characters.
    editor.Key(dmpKey::tab, false);
    editor.Click(0x41, false, false);
    editor.DragTo(0x43);
    editor.Copy();
    EXPECT_EQ(*m_Clipboard.text, "ABC");
}

TEST_F(DumpTest, PastingABinaryImageNearTheEndStopsAtTheLastAddress)
{
    Buffer(0x100, 0x1000);
    clDumpEditor& editor = Open();
    editor.Goto("10FEh");
    m_Clipboard.image = Bytes{4, 0, 0, 0, 0xA1, 0xA2, 0xA3, 0xA4};
    editor.Paste();
    EXPECT_EQ(At(0x10FC, 4), (Bytes{0xFC, 0xFD, 0xA1, 0xA2}));
    // A block shorter than its count pastes nothing (and no text instead).
    m_Clipboard.text = "1 2 3";
    m_Clipboard.image = Bytes{9, 0, 0, 0, 0xB1};
    editor.Paste();
    EXPECT_EQ(At(0x10FE, 2), (Bytes{0xA1, 0xA2}));
    EXPECT_TRUE(m_Options->IsDataChanged());
}

TEST_F(DumpTest, PastingTextInEitherColumn)
{
    Buffer(0x100);
    clDumpEditor& editor = Open();
    editor.Goto("10h");
    m_Clipboard.text = std::string("Hi\0there", 8);
    editor.Paste();
    EXPECT_EQ(At(0x10, 3), (Bytes{'H', 'i', 0x12}));
    editor.Key(dmpKey::tab, false);
    m_Clipboard.text = "0Ah  0Bh\r\n0x10\t255 zz 7";
    editor.Paste();
    EXPECT_EQ(At(0x10, 5), (Bytes{0x0A, 0x0B, 0x10, 0xFF, 0x14}));
    // A plain hex dump from elsewhere is hex; a number alone stays decimal.
    m_Clipboard.text = "DE AD\nbe ef";
    editor.Paste();
    EXPECT_EQ(At(0x10, 5), (Bytes{0xDE, 0xAD, 0xBE, 0xEF, 0x14}));
    m_Clipboard.text = "10 20";
    editor.Paste();
    EXPECT_EQ(At(0x10, 2), (Bytes{10, 20}));
    // Nothing to paste is said, and nothing changes.
    m_Clipboard.text = "zz";
    editor.Paste();
    EXPECT_EQ(At(0x10, 2), (Bytes{10, 20}));
    EXPECT_EQ(Messages(), std::vector<unsigned short>{dmpNothingPasted});
}

TEST_F(DumpTest, TypingA16BitLittleEndianUnitWritesEveryDigit)
{
    Buffer(0x100);
    SetOption<std::uint8_t>(spcViewMode, 2);
    SetOption<std::uint8_t>(spcEndian, 1);
    SetOption<std::uint8_t>(spcBinMode, 1);
    SetOption<std::uint32_t>(spcCurAdrs, 0x21); // on a unit's second byte
    clDumpEditor& editor = Open();
    EXPECT_EQ(editor.Cursor().Caret(), 0x20u);
    editor.Type('1');
    EXPECT_EQ(At(0x20, 2), (Bytes{0x01, 0x00}));
    editor.Type('x'); // ignored, the unit goes on
    editor.Type('2');
    editor.Type('3');
    EXPECT_EQ(At(0x20, 2), (Bytes{0x23, 0x01}));
    EXPECT_EQ(editor.Cursor().Caret(), 0x20u);
    editor.Type('4');
    EXPECT_EQ(At(0x20, 4), (Bytes{0x34, 0x12, 0x22, 0x23}));
    EXPECT_EQ(editor.Cursor().Caret(), 0x22u);
    EXPECT_TRUE(m_Options->IsDataChanged());

    // A caret moved mid-unit starts the next unit from 0.
    editor.Type('F');
    editor.Key(dmpKey::right, false);
    editor.Type('7');
    EXPECT_EQ(At(0x24, 2), (Bytes{0x07, 0x00}));
    // The character column writes one byte and goes on.
    editor.Key(dmpKey::tab, false);
    editor.Type('Z');
    EXPECT_EQ(At(0x24, 2), (Bytes{'Z', 0x00}));
    EXPECT_EQ(editor.Cursor().Caret(), 0x25u);
}

TEST_F(DumpTest, TypingAtTheLastByteOfAShortUnitStaysInside)
{
    Buffer(0x11);
    SetOption<std::uint8_t>(spcViewMode, 4);
    SetOption<std::uint8_t>(spcBinMode, 1);
    clDumpEditor& editor = Open();
    editor.Key(dmpKey::last, false);
    EXPECT_EQ(editor.Cursor().Caret(), 0x10u);
    for (char c : std::string("ABCDEF01"))
        editor.Type(c);
    EXPECT_EQ(At(0x10, 1), Bytes{0xAB});
    EXPECT_EQ(editor.Cursor().Caret(), 0x10u);
}

TEST_F(DumpTest, OpeningRestoresTheOptionsAndClosingStoresThem)
{
    Buffer(0x20000, 0x10000);
    SetOption<std::uint32_t>(spcDumpStart, 0x12345);
    SetOption<std::uint32_t>(spcCurAdrs, 0x40000); // outside: the first address
    SetOption<std::uint8_t>(spcLineWidth, 8);
    SetOption<std::string>(spcFind, "'A'");
    clDumpEditor& editor = Open();
    EXPECT_EQ(editor.Cursor().Top(), 0x12340u);
    EXPECT_EQ(editor.Cursor().Caret(), 0x10000u);
    EXPECT_EQ(editor.Layout().BytesPerLine(), 8u);
    EXPECT_EQ(editor.ProposedFindText(), "'A'");

    EXPECT_TRUE(editor.Goto("0x20000"));
    EXPECT_TRUE(m_Options->IsOptionsChanged());
    editor.SetUnitSize(16);
    editor.SetLittleEndian(true);
    editor.Key(dmpKey::tab, false);
    EXPECT_FALSE(editor.Goto("0x30000"));
    EXPECT_FALSE(editor.Goto("nowhere"));
    EXPECT_EQ(Messages(), (std::vector<unsigned short>{dmpInvalidAddress, dmpInvalidValue}));
    editor.Close();
    EXPECT_EQ(Option<std::uint32_t>(spcCurAdrs), 0x20000u);
    EXPECT_EQ(Option<std::uint32_t>(spcGoto), 0x20000u);
    EXPECT_EQ(Option<std::uint8_t>(spcViewMode), 16u);
    EXPECT_EQ(Option<std::uint8_t>(spcEndian), 1u);
    EXPECT_EQ(Option<std::uint8_t>(spcBinMode), 1u);
    // The caret's line is in view, on a line start of the 16-byte lines.
    const std::uint32_t top = Option<std::uint32_t>(spcDumpStart);
    EXPECT_EQ(top % 16, 0u);
    EXPECT_LE(top, 0x20000u);
    EXPECT_GT(top + 10 * 16, 0x20000u);
}

TEST_F(DumpTest, KeysMoveAndSelectInsideTheBuffer)
{
    Buffer(0x105, 0x100);
    m_View.lines = 4;
    clDumpEditor& editor = Open();
    editor.Key(dmpKey::up, false);
    EXPECT_EQ(editor.Cursor().Caret(), 0x100u);
    editor.Key(dmpKey::end, false);
    EXPECT_EQ(editor.Cursor().Caret(), 0x10Fu);
    editor.Key(dmpKey::pageDown, true);
    EXPECT_EQ(editor.Cursor().Caret(), 0x14Fu);
    EXPECT_EQ(editor.Cursor().Selection().start, 0x10Fu);
    EXPECT_EQ(editor.Cursor().Selection().end, 0x14Eu);
    EXPECT_EQ(editor.Cursor().Top(), 0x140u);
    editor.Key(dmpKey::last, false);
    EXPECT_FALSE(editor.Cursor().Selection().present);
    EXPECT_EQ(editor.Cursor().Caret(), 0x204u);
    // The last line at the bottom, never further.
    EXPECT_EQ(editor.Cursor().Top(), 0x1D0u);
    editor.ScrollLines(100);
    EXPECT_EQ(editor.Cursor().Top(), 0x1D0u);
    editor.Key(dmpKey::down, false);
    EXPECT_EQ(editor.Cursor().Caret(), 0x204u);
    editor.Key(dmpKey::first, false);
    EXPECT_EQ(editor.Cursor().Top(), 0x100u);
}

TEST_F(DumpTest, AnEmptyBufferShowsNothingAndTakesNothing)
{
    m_Catalogue.buffers[1]->Value().SetParams(0, clAdrs(0));
    clDumpEditor& editor = Open();
    EXPECT_EQ(editor.Layout().LineCount(), 0u);
    editor.Type('1');
    editor.Key(dmpKey::last, false);
    editor.Paste();
    ASSERT_EQ(editor.AcceptSearch(dmpFindMode::find, "1", "", false, false, false), 0);
    editor.RunSearch();
    clDumpFillForm::clFields fields{"0", "1", "0"};
    EXPECT_EQ(editor.Fill(fields), 0);
    EXPECT_EQ(Messages(), std::vector<unsigned short>{dmpInvalidAddress});
}

} // namespace
