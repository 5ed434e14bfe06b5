// The system clipboard for the dump editor: text, plus the binary image
// "CF_BINIMAGE" under a private MIME type of ours.
#pragma once

#include "source/dump/dumpclip.h"

inline constexpr const char kBinImageMime[] = "application/x-qkjtag-cf-binimage";

class clQtDumpClipboard : public clDumpClipboard {
public:
    // A MIME type needs no registration, so the format is always there.
    bool HasBinFormat() const override { return true; }
    void Put(const std::string& text, const std::vector<unsigned char>* image) override;
    std::optional<std::vector<unsigned char>> GetBinImage() const override;
    // Text as Latin-1 (the character column's bytes); "?" for what it cannot hold.
    std::optional<std::string> GetText() const override;
};
