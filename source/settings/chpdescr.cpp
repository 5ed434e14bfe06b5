#include "source/settings/chpdescr.h"

#include <cstdarg>
#include <cstdio>

#include "qkdb/dbase32.h"

namespace {
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

} // namespace

const char* QkDeviceTypeName(std::int32_t type)
{
    switch (type) {
    case 1:
    case 2: return "Eprom";
    case 3: return "uC";
    case 4: return "Pld";
    default: return "????";
    }
}

namespace {
std::string BufferSize(unsigned long size)
{
    if (size < 1024)
        return Format(" (%lub)", size);
    if (size % 1024 == 0)
        return Format(" (%luKB)", size / 1024);
    return Format(" (%.1fKB)", static_cast<double>(size) / 1024.0);
}
} // namespace

std::string QkDeviceDescription(const clDataBase& db, unsigned short chipId)
{
    const clDBChip chip = db.GetChip(chipId);
    const clDBVndr vendor = db.GetVndr(chip.GetVndrNo());
    std::string text = Format("Device: %s\nVendor: %s\nType: ", chip.clDBChipHdr::GetName(), vendor.GetName());
    text += QkDeviceTypeName(chip.GetType());
    if (chip.IsEraseAvail() != 0)
        text += " (E\xB2)";
    text += "\nAdapter: \"";
    text += db.GetAdptr(chip.GetAdptrNo()).GetName();
    text += "\"\n";
    if (chip.GetVppVal() != 0)
        text += Format("Vpp: %.2fV\n", chip.GetVppVal() * 0.01);
    if (const unsigned bits = chip.GetScrtyBits() & 0x07) {
        text += "Security Bits: Lock";
        const char* separator = "";
        for (unsigned bit = 0; bit < 3; ++bit)
            if (bits & (1u << bit)) {
                text += Format("%s%u", separator, bit + 1);
                separator = ",";
            }
        text += ".\n";
    }
    text += "Buffers:\n";
    if (chip.GetBufCount() == 0)
        text += "????";
    for (int i = 0; i < chip.GetBufCount(); ++i) {
        const clDBBuf buffer = db.GetBuf(chip.GetBufNo(i));
        const unsigned long size = static_cast<unsigned long>(buffer.GetStopAdrs()) - buffer.GetStartAdrs() + 1;
        text += buffer.GetName();
        text += "   " + BufferSize(size) + "\n";
    }
    return text;
}
