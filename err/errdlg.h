// The error dialog without the window: what it shows for a record (caption,
// icon, buttons) and where everything goes. A GUI renders it; the numbers are
// the dialog's own rules, so they are the same whatever draws them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "err/qkerr.h"

struct clErrButton {
    const char* label;
    unsigned char bit; // option bit
    int id;            // the button id it returns
    int glyph;         // glyph bitmap id
};

// The buttons offered by option, in layout order: Ok, Ignore, Retry, Yes, No,
// Cancel, Abort.
std::vector<clErrButton> QkErrButtons(unsigned char option);
// The caption for a type; false for a type that leaves the caption unchanged.
bool QkErrCaption(ERR_TYPE type, std::string& caption);
// The icon id for a type, 0 for none.
int QkErrIcon(ERR_TYPE type);

struct clRect {
    int x = 0, y = 0, w = 0, h = 0;
};

// What the layout needs to know about the screen, the window frame and the
// dialog's font.
struct clErrDlgMetrics {
    int screenW = 1024, screenH = 768;
    int frameW = 3, frameH = 3; // dialog frame, each side
    int captionH = 19;
    int iconW = 32, iconH = 32;
    int lineH = 13;                                   // height of one text line
    std::function<int(const std::string&)> textWidth; // width of a piece of text
};

class clErrDlgLayout {
public:
    static constexpr int kButtonW = 77;
    static constexpr int kButtonH = 26;
    static constexpr int kGap = 15;

    // parent: the owner window's rectangle, or null to centre on the screen.
    clErrDlgLayout(ERR_TYPE type, unsigned char option, const std::string& text, const clErrDlgMetrics& metrics,
                   const clRect* parent = nullptr);

    bool HasCaption() const { return m_bCaption; }
    const std::string& GetCaption() const { return m_sCaption; }
    int GetIcon() const { return m_iIcon; }
    const std::vector<clErrButton>& GetButtons() const { return m_Buttons; }
    const std::vector<std::string>& GetLines() const { return m_Lines; }

    const clRect& GetIconRect() const { return m_IconRect; } // empty without an icon
    const clRect& GetTextRect() const { return m_TextRect; }
    const std::vector<clRect>& GetButtonRects() const { return m_ButtonRects; }
    // The whole dialog, frame and caption included, in screen coordinates.
    const clRect& GetDialogRect() const { return m_DialogRect; }
    int GetButtonRowWidth() const { return m_iRowW; }

    // Breaks text into lines no wider than maxWidth: at CR or LF, and where
    // a line reaches maxWidth, after its last space (or at that character).
    static std::vector<std::string> Wrap(const std::string& text, int maxWidth,
                                         const std::function<int(const std::string&)>& textWidth);

private:
    std::string m_sCaption; // before m_bCaption: filled while that is set
    bool m_bCaption;
    int m_iIcon;
    std::vector<clErrButton> m_Buttons;
    std::vector<std::string> m_Lines;
    clRect m_IconRect, m_TextRect, m_DialogRect;
    std::vector<clRect> m_ButtonRects;
    int m_iRowW = 0;
};
