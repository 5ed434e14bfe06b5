#include "source/dump/dumpclip.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string>

#include "source/dump/dumpfind.h"
#include "source/dump/dumptext.h"

namespace {
// Calls use(bytes, count, offset) for every window of first..last.
template <class Use>
void ForEachWindow(const clHugeBuffer<unsigned char>& buf, std::uint32_t first, std::uint32_t last, Use use)
{
    std::array<unsigned char, kDumpWindow> window;
    for (std::uint64_t at = first; at <= last; at += kDumpWindow) {
        const auto count =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(kDumpWindow, std::uint64_t{last} - at + 1));
        buf.Read(clAdrs(static_cast<std::uint32_t>(at)), clAdrs(static_cast<std::uint32_t>(at + count - 1)),
                 window.data());
        use(window.data(), count, at - first);
    }
}
} // namespace

std::string QkDumpCopyText(const clHugeBuffer<unsigned char>& buf, std::uint32_t first, std::uint32_t last,
                           bool hexPane)
{
    std::string text;
    const std::uint64_t count = std::uint64_t{last} - first + 1;
    text.reserve(static_cast<std::size_t>(hexPane ? count * 5 : count));
    ForEachWindow(buf, first, last, [&](const unsigned char* bytes, std::uint32_t n, std::uint64_t offset) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        for (std::uint32_t i = 0; i < n; ++i) {
            if (!hexPane) {
                text += QkDumpChar(bytes[i]);
                continue;
            }
            text += kDigits[bytes[i] >> 4];
            text += kDigits[bytes[i] & 0x0F];
            text += 'h';
            text += (offset + i + 1) % 16 == 0 ? "\r\n" : "  ";
        }
    });
    return text;
}

std::vector<unsigned char> QkDumpBinImage(const clHugeBuffer<unsigned char>& buf, std::uint32_t first,
                                          std::uint32_t last)
{
    const std::uint64_t count = std::uint64_t{last} - first + 1;
    std::vector<unsigned char> block;
    block.reserve(static_cast<std::size_t>(count + 4));
    for (int shift = 0; shift < 32; shift += 8)
        block.push_back(static_cast<unsigned char>(count >> shift));
    ForEachWindow(buf, first, last, [&](const unsigned char* bytes, std::uint32_t n, std::uint64_t) {
        block.insert(block.end(), bytes, bytes + n);
    });
    return block;
}

std::optional<std::span<const unsigned char>> QkDumpBinImageBytes(std::span<const unsigned char> block)
{
    if (block.size() < 4)
        return std::nullopt;
    std::uint64_t count = 0;
    for (int i = 3; i >= 0; --i)
        count = (count << 8) | block[static_cast<std::size_t>(i)];
    if (block.size() - 4 < count)
        return std::nullopt;
    return block.subspan(4, static_cast<std::size_t>(count));
}

namespace {
constexpr std::string_view kSeparators = " \t\r\n";

// A hex dump from elsewhere: every item one or two hex digits ("DE AD BE EF").
std::optional<std::vector<unsigned char>> PlainHexDump(std::string_view text)
{
    std::vector<unsigned char> bytes;
    for (std::size_t at = text.find_first_not_of(kSeparators); at != std::string_view::npos;) {
        const std::size_t end = std::min(text.find_first_of(kSeparators, at), text.size());
        const std::string_view item = text.substr(at, end - at);
        if (item.size() > 2 || item.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos)
            return std::nullopt;
        bytes.push_back(static_cast<unsigned char>(std::stoul(std::string(item), nullptr, 16)));
        at = text.find_first_not_of(kSeparators, end);
    }
    return bytes;
}
} // namespace

std::vector<unsigned char> QkDumpBytesOfHexText(std::string_view text)
{
    std::vector<unsigned char> bytes;
    std::size_t at = text.find_first_not_of(kSeparators);
    while (at != std::string_view::npos) {
        const std::size_t end = std::min(text.find_first_of(kSeparators, at), text.size());
        const auto value = QkParseDumpNumber(text.substr(at, end - at));
        if (!value) {
            // Numbers without a suffix are decimal; a text that only a plain
            // hex dump explains is read as one.
            if (auto dump = PlainHexDump(text))
                return std::move(*dump);
            break;
        }
        bytes.push_back(static_cast<unsigned char>(*value & 0xFF));
        at = text.find_first_not_of(kSeparators, end);
    }
    return bytes;
}

std::vector<unsigned char> QkDumpBytesOfCharText(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    return {text.begin(), text.end()};
}

std::uint32_t QkDumpWriteAt(clHugeBuffer<unsigned char>& buf, std::uint32_t adrs, std::span<const unsigned char> bytes)
{
    const std::uint64_t first = buf.GetStartAdrs().GetLinear();
    const std::uint64_t end = first + buf.GetSize();
    if (!buf.HasMemory() || adrs < first || adrs >= end)
        return 0;
    const auto total = static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes.size(), end - adrs));
    for (std::uint32_t done = 0; done < total; done += kDumpWindow) {
        const std::uint32_t n = std::min(kDumpWindow, total - done);
        buf.Write(clAdrs(adrs + done), clAdrs(adrs + done + n - 1), bytes.data() + done);
    }
    return total;
}
