#include "err/errdlg.h"

#include <algorithm>

namespace {
const clErrButton kButtons[] = {
    {"&Ok", erOptOk, erIdOk, 21},          {"&Ignore", erOptIgnore, erIdIgnore, 25},
    {"&Retry", erOptRetry, erIdRetry, 24}, {"&Yes", erOptYes, erIdYes, 26},
    {"&No", erOptNo, erIdNo, 27},          {"&Cancel", erOptCancel, erIdCancel, 22},
    {"&Abort", erOptAbort, erIdAbort, 23},
};
} // namespace

std::vector<clErrButton> QkErrButtons(unsigned char option)
{
    std::vector<clErrButton> buttons;
    for (const clErrButton& button : kButtons)
        if (option & button.bit)
            buttons.push_back(button);
    return buttons;
}

bool QkErrCaption(ERR_TYPE type, std::string& caption)
{
    static const char* const kCaptions[] = {"Debug",          "Log",        "", "Note", "Warnning", "Error",
                                            "Internal Error", "Fatal Error"};
    if (type < erTypeDebug || type > erTypeFatal)
        return false;
    caption = kCaptions[type - erTypeDebug];
    return true;
}

int QkErrIcon(ERR_TYPE type)
{
    switch (type) {
    case erTypeNote:
    case erTypeWarning: return 904;
    case erTypeError: return 903;
    case erTypeInternal:
    case erTypeFatal: return 901;
    default: return 0;
    }
}

std::vector<std::string> clErrDlgLayout::Wrap(const std::string& text, int maxWidth,
                                              const std::function<int(const std::string&)>& textWidth)
{
    std::vector<std::string> lines;
    std::string line;
    std::size_t lastSpace = std::string::npos; // in line
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : '\0';
        if (c == '\0' || c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            lastSpace = std::string::npos;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i; // CR LF is one line end
            if (c == '\0')
                break;
            continue;
        }
        line += c;
        if (c == ' ')
            lastSpace = line.size() - 1;
        if (textWidth(line) >= maxWidth && line.size() > 1) {
            // Break after the last space, or before this character.
            const std::size_t cut = lastSpace != std::string::npos ? lastSpace + 1 : line.size() - 1;
            lines.push_back(line.substr(0, cut));
            line = line.substr(cut);
            lastSpace = line.rfind(' ');
        }
    }
    return lines;
}

clErrDlgLayout::clErrDlgLayout(ERR_TYPE type, unsigned char option, const std::string& text, const clErrDlgMetrics& m,
                               const clRect* parent)
    : m_bCaption(QkErrCaption(type, m_sCaption)), m_iIcon(QkErrIcon(type)), m_Buttons(QkErrButtons(option))
{
    const bool hasIcon = m_iIcon != 0;
    const int iconW = hasIcon ? m.iconW : 0;
    const int iconH = hasIcon ? m.iconH : 0;

    m_iRowW = kGap;
    for (std::size_t i = 0; i < m_Buttons.size(); ++i)
        m_iRowW += kButtonW + kGap;

    const int maxTextW = m.screenW * 60 / 100 - 2 * m.frameW - iconW - 49;
    const int maxTextH = m.screenH * 60 / 100 - 2 * m.frameH - m.captionH - kButtonH - 49;
    const auto width = m.textWidth ? m.textWidth : [](const std::string& s) { return static_cast<int>(s.size()); };
    m_Lines = Wrap(text, maxTextW, width);
    int widest = 0;
    for (const std::string& line : m_Lines)
        widest = std::max(widest, width(line));
    const int textW = std::min(widest + 2, maxTextW);
    const int textH = std::min(static_cast<int>(m_Lines.size()) * m.lineH + 2, maxTextH);

    if (hasIcon)
        m_IconRect = {kGap, kGap, iconW, iconH};
    m_TextRect = {hasIcon ? iconW + 30 : kGap, kGap, textW, textH};

    const int contentW = hasIcon ? iconW + textW + 45 : textW + 30;
    const int dialogW = 2 * m.frameW + 2 + std::max(m_iRowW, contentW);
    const int dialogH = 2 * m.frameH + m.captionH + std::max(textH, iconH) + kButtonH + 47;

    const int clientW = dialogW - 2 * m.frameW;
    int x = (clientW - m_iRowW) / 2 + kGap;
    const int y = std::max(textH, iconH) + 30;
    for (std::size_t i = 0; i < m_Buttons.size(); ++i, x += kButtonW + kGap)
        m_ButtonRects.push_back({x, y, kButtonW, kButtonH});

    const clRect over = parent != nullptr ? *parent : clRect{0, 0, m.screenW, m.screenH};
    m_DialogRect = {over.x + (over.w - dialogW) / 2, over.y + (over.h - dialogH) / 2, dialogW, dialogH};
}
