#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "err/errdlg.h"
#include "err/errntfy.h"
#include "err/uisrv.h"

namespace {

// A font of 6 pixels a character, 13 a line, on a 1000 x 800 screen.
clErrDlgMetrics Metrics()
{
    clErrDlgMetrics m;
    m.screenW = 1000;
    m.screenH = 800;
    m.frameW = m.frameH = 3;
    m.captionH = 19;
    m.iconW = m.iconH = 32;
    m.lineH = 13;
    m.textWidth = [](const std::string& s) { return 6 * static_cast<int>(s.size()); };
    return m;
}

std::vector<int> Ids(const std::vector<clErrButton>& buttons)
{
    std::vector<int> ids;
    for (const auto& b : buttons)
        ids.push_back(b.id);
    return ids;
}

TEST(ErrDialog, TypeChoosesCaptionAndIconAndBitsChooseButtons)
{
    const clErrDlgLayout error(erTypeError, erOptOk, "x", Metrics());
    EXPECT_EQ(error.GetCaption(), "Error");
    EXPECT_EQ(error.GetIcon(), 903);
    ASSERT_EQ(error.GetButtons().size(), 1u);
    EXPECT_STREQ(error.GetButtons()[0].label, "&Ok");
    EXPECT_EQ(error.GetButtons()[0].id, erIdOk);
    EXPECT_EQ(error.GetButtons()[0].glyph, 21);

    EXPECT_EQ(Ids(QkErrButtons(erOptAbort)), std::vector<int>{erIdAbort});
    EXPECT_EQ(Ids(QkErrButtons(0x7F)), (std::vector<int>{1, 5, 4, 6, 7, 2, 3}));

    const clErrDlgLayout warning(erTypeWarning, erOptIgnore | erOptAbort, "x", Metrics());
    EXPECT_EQ(warning.GetCaption(), "Warnning");
    EXPECT_EQ(warning.GetIcon(), 904);
    EXPECT_EQ(clErrDlgLayout(erTypeFatal, 0, "x", Metrics()).GetIcon(), 901);

    const clErrDlgLayout plain(erTypeNone, erOptOk, "x", Metrics());
    EXPECT_TRUE(plain.HasCaption());
    EXPECT_EQ(plain.GetCaption(), "");
    EXPECT_EQ(plain.GetIcon(), 0);
    EXPECT_EQ(plain.GetTextRect().x, 15);
    EXPECT_FALSE(clErrDlgLayout(9, erOptOk, "x", Metrics()).HasCaption());
}

TEST(ErrDialog, AShortMessageGivesTheSmallestDialogCentredOnTheScreen)
{
    const clErrDlgLayout layout(erTypeError, erOptOk, "Hi", Metrics());
    EXPECT_EQ(layout.GetButtonRowWidth(), 15 + 77 + 15);
    const clRect& text = layout.GetTextRect();
    EXPECT_EQ(text.x, 32 + 30);
    EXPECT_EQ(text.y, 15);
    EXPECT_EQ(text.w, 12 + 2);
    EXPECT_EQ(text.h, 13 + 2);
    const clRect& dialog = layout.GetDialogRect();
    // Wider of the button row (107) and icon + text + 45 (91), plus frames and 2.
    EXPECT_EQ(dialog.w, 6 + 2 + 107);
    EXPECT_EQ(dialog.h, 6 + 19 + 32 + 26 + 47);
    EXPECT_EQ(dialog.x, (1000 - dialog.w) / 2);
    EXPECT_EQ(dialog.y, (800 - dialog.h) / 2);
    ASSERT_EQ(layout.GetButtonRects().size(), 1u);
    EXPECT_EQ(layout.GetButtonRects()[0].y, 32 + 30);
    EXPECT_EQ(layout.GetButtonRects()[0].x, (dialog.w - 6 - 107) / 2 + 15);
}

TEST(ErrDialog, ButtonsSitFifteenApartAndTheDialogCentresOverItsParent)
{
    const clRect parent{100, 50, 400, 300};
    const clErrDlgLayout layout(erTypeWarning, erOptYes | erOptNo | erOptCancel, "Save?", Metrics(), &parent);
    const auto& rects = layout.GetButtonRects();
    ASSERT_EQ(rects.size(), 3u);
    EXPECT_EQ(rects[1].x - rects[0].x, 77 + 15);
    EXPECT_EQ(rects[2].x - rects[1].x, 77 + 15);
    EXPECT_EQ(layout.GetDialogRect().w, 8 + 15 + 3 * 92);
    EXPECT_EQ(layout.GetDialogRect().x, 100 + (400 - layout.GetDialogRect().w) / 2);
}

TEST(ErrDialog, LongTextWrapsAtSpacesAndLineFeedsAlwaysBreak)
{
    // 60 % of 1000 minus frames, icon and 49: 513 pixels, 85 characters.
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "word" + std::to_string(i) + " ";
    text += "\nlast\r\nend";
    const clErrDlgLayout layout(erTypeError, erOptOk, text, Metrics());
    const auto& lines = layout.GetLines();
    ASSERT_GE(lines.size(), 4u);
    for (std::size_t i = 0; i + 2 < lines.size(); ++i) {
        EXPECT_LT(6 * static_cast<int>(lines[i].size()), 513 + 6) << lines[i];
        if (i + 3 < lines.size()) {
            EXPECT_EQ(lines[i].back(), ' ') << "broken after a space: " << lines[i];
        }
    }
    EXPECT_EQ(lines[lines.size() - 2], "last");
    EXPECT_EQ(lines.back(), "end");
    EXPECT_LE(layout.GetTextRect().w, 513);

    // A word longer than a line is cut where it reaches the width.
    const auto cut = clErrDlgLayout::Wrap(std::string(100, 'x'), 60,
                                          [](const std::string& s) { return 6 * static_cast<int>(s.size()); });
    ASSERT_EQ(cut.size(), 12u); // 11 lines of 9, then 1
    EXPECT_EQ(cut[0].size(), 9u);
}

// Answers as told and records what it was asked.
class clAnsweringUi : public clConsoleUi {
public:
    int ShowError(const clBasicErr& err) override
    {
        seen.push_back(err.GetErrNo());
        return erIdRetry;
    }
    std::vector<int> seen;
};

TEST(Notifier, ShowsThroughTheUserInterfaceInUse)
{
    clErrMngr manager;
    manager.OpenErrMngr(GetNotifier(), nullptr);
    clAnsweringUi ui;
    QkSetUi(&ui);
    EXPECT_EQ(manager << clBasicErr(0, 12, erTypeError, erOptRetry | erOptAbort), erIdRetry);
    EXPECT_EQ(ui.seen, std::vector<int>{12});
    QkSetUi(nullptr);

    // Without a GUI the console answers Abort, or what its owner set.
    testing::internal::CaptureStderr();
    EXPECT_EQ(manager << clBasicErr(0, 1, erTypeError, erOptOk), erIdAbort);
    static_cast<clConsoleUi&>(QkUi()).SetErrorAnswer(erIdIgnore);
    EXPECT_EQ(manager << clBasicErr(0, 1, erTypeError, erOptOk), erIdIgnore);
    static_cast<clConsoleUi&>(QkUi()).SetErrorAnswer(erIdAbort);
    testing::internal::GetCapturedStderr();
}

} // namespace
