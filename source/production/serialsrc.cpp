#include "source/production/serialsrc.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>

#include "cpplib/qkpath.h"
#include "cpplib/qktext.h"

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#endif

namespace {

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool ParseUnsigned(const std::string& text, std::uint64_t& value)
{
    if (text.empty() || text.size() > 20)
        return false;
    char* end = nullptr;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (text[0] == '-' || text[0] == '+')
        return false;
    value = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
    return *end == '\0';
}

// Checks that a list or command value has the width the layout asks for.
bool CheckWidth(const clSerialBytes& bytes, const clSerialLayout& layout, std::string& error)
{
    if (static_cast<int>(bytes.size()) == layout.width)
        return true;
    error = "it has " + std::to_string(bytes.size()) + " bytes, --serial-width is " + std::to_string(layout.width);
    return false;
}

constexpr const char* kFormatNames[] = {"bin", "bcd", "text", "hex"};

std::string LayoutName(const clSerialLayout& layout)
{
    return std::string(QkSerialFormatName(layout.format)) + "/" + std::to_string(layout.width) +
           (layout.bigEndian ? "/big" : "/little");
}

class clCounterSource : public clSerialSource {
public:
    clCounterSource(std::uint64_t start, std::uint64_t step, const clSerialLayout& layout)
        : m_Start(start), m_Step(step), m_Layout(layout)
    {}
    std::string Pool() const override
    {
        return "counter:" + std::to_string(m_Start) + ":" + std::to_string(m_Step) + ":" + LayoutName(m_Layout);
    }
    bool ValueAt(std::int64_t seq, clSerialValue& value, std::string& error) override
    {
        const auto n = static_cast<std::uint64_t>(seq);
        if (seq < 0 || (m_Step != 0 && n > (std::numeric_limits<std::uint64_t>::max() - m_Start) / m_Step)) {
            error = "the counter has run past 64 bits";
            return false;
        }
        const std::uint64_t number = m_Start + n * m_Step;
        value.shown = std::to_string(number);
        return QkEncodeSerial(number, m_Layout, value.bytes, error);
    }

private:
    std::uint64_t m_Start, m_Step;
    clSerialLayout m_Layout;
};

class clListSource : public clSerialSource {
public:
    clListSource(std::string name, std::vector<clSerialValue> values)
        : m_sName(std::move(name)), m_Values(std::move(values))
    {}
    std::string Pool() const override { return "list:" + m_sName; }
    bool ValueAt(std::int64_t seq, clSerialValue& value, std::string& error) override
    {
        if (seq < 0 || static_cast<std::size_t>(seq) >= m_Values.size()) {
            error = "the list " + m_sName + " is used up (" + std::to_string(m_Values.size()) + " values)";
            return false;
        }
        value = m_Values[static_cast<std::size_t>(seq)];
        return true;
    }

private:
    std::string m_sName;
    std::vector<clSerialValue> m_Values;
};

// Each value is what the command prints on its first line; the command
// learns the value's place from QKJTAG_SERIAL_SEQ.
class clExecSource : public clSerialSource {
public:
    clExecSource(std::string command, const clSerialLayout& layout) : m_sCommand(std::move(command)), m_Layout(layout)
    {}
    std::string Pool() const override { return "exec:" + m_sCommand; }
    bool Previewable() const override { return false; }
    bool ValueAt(std::int64_t seq, clSerialValue& value, std::string& error) override
    {
        const std::string place = std::to_string(seq);
#ifdef _WIN32
        _putenv_s("QKJTAG_SERIAL_SEQ", place.c_str());
#else
        setenv("QKJTAG_SERIAL_SEQ", place.c_str(), 1);
#endif
        std::fflush(nullptr);
        FILE* pipe = popen(m_sCommand.c_str(), "r");
        if (pipe == nullptr) {
            error = "cannot run \"" + m_sCommand + "\"";
            return false;
        }
        std::string output;
        char chunk[256];
        while (output.size() < 4096 && std::fgets(chunk, sizeof chunk, pipe) != nullptr)
            output += chunk;
        const int status = pclose(pipe);
        if (status != 0) {
            error = "\"" + m_sCommand + "\" failed (status " + std::to_string(status) + ")";
            return false;
        }
        value.shown = Trim(output.substr(0, output.find('\n')));
        std::string why;
        if (!QkParseSerialValue(value.shown, value.bytes, why) || !CheckWidth(value.bytes, m_Layout, why)) {
            error = "\"" + m_sCommand + "\" printed \"" + value.shown + "\": " + why;
            return false;
        }
        return true;
    }

private:
    std::string m_sCommand;
    clSerialLayout m_Layout;
};

std::unique_ptr<clSerialSource> ReadList(const std::string& path, const clSerialLayout& layout, std::string& error)
{
    std::ifstream in(QkPath(path));
    if (!in) {
        error = "cannot read the list " + path;
        return nullptr;
    }
    std::vector<clSerialValue> values;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string text = Trim(line);
        if (text.empty() || text[0] == '#')
            continue;
        clSerialValue value;
        value.shown = text;
        std::string why;
        if (!QkParseSerialValue(text, value.bytes, why) || !CheckWidth(value.bytes, layout, why)) {
            error = path + " line " + std::to_string(number) + ": " + why;
            return nullptr;
        }
        values.push_back(std::move(value));
    }
    if (values.empty()) {
        error = "the list " + path + " holds no value";
        return nullptr;
    }
    return std::make_unique<clListSource>(QkPathText(QkPath(path).filename()), std::move(values));
}

} // namespace

const char* QkSerialFormatName(clSerialFormat format)
{
    return kFormatNames[static_cast<int>(format)];
}

bool QkSerialFormatByName(const std::string& name, clSerialFormat& format)
{
    for (int f = 0; f < 4; ++f)
        if (name == kFormatNames[f]) {
            format = static_cast<clSerialFormat>(f);
            return true;
        }
    return false;
}

bool QkEncodeSerial(std::uint64_t number, const clSerialLayout& layout, clSerialBytes& bytes, std::string& error)
{
    const auto width = static_cast<std::size_t>(layout.width);
    bytes.assign(width, 0);
    std::uint64_t left = number;
    if (layout.format == clSerialFormat::text || layout.format == clSerialFormat::hex) {
        // Digits, most significant first, zero-padded: text reads left to right.
        const unsigned base = layout.format == clSerialFormat::text ? 10 : 16;
        for (std::size_t i = width; i-- > 0; left /= base)
            bytes[i] = static_cast<unsigned char>("0123456789ABCDEF"[left % base]);
    } else {
        // Least significant byte first, turned round for big endian.
        const unsigned base = layout.format == clSerialFormat::bcd ? 100 : 256;
        for (std::size_t i = 0; i < width; ++i, left /= base) {
            const unsigned part = static_cast<unsigned>(left % base);
            bytes[i] = static_cast<unsigned char>(base == 100 ? (part / 10) << 4 | part % 10 : part);
        }
        if (layout.bigEndian)
            std::reverse(bytes.begin(), bytes.end());
    }
    if (left != 0) {
        error = std::to_string(number) + " does not fit " + std::to_string(width) + " bytes of " + LayoutName(layout);
        return false;
    }
    return true;
}

bool QkParseSerialValue(const std::string& text, clSerialBytes& bytes, std::string& error)
{
    bytes.clear();
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        bytes.assign(text.begin() + 1, text.end() - 1);
        if (bytes.empty())
            error = "the text is empty";
        return !bytes.empty();
    }
    int high = -1;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == ':' || c == '-') {
            if (high >= 0)
                break; // a lone digit before a separator
            continue;
        }
        const int digit = QkHexDigitValue(c);
        if (digit < 0) {
            error = "\"" + text + "\" is neither hex bytes nor quoted text";
            return false;
        }
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<unsigned char>(high << 4 | digit));
            high = -1;
        }
    }
    if (high >= 0 || bytes.empty()) {
        error = "\"" + text + "\" is not whole hex bytes";
        return false;
    }
    return true;
}

std::string QkSerialHex(const clSerialBytes& bytes)
{
    std::string hex;
    for (const unsigned char b : bytes) {
        hex += "0123456789ABCDEF"[b >> 4];
        hex += "0123456789ABCDEF"[b & 15];
    }
    return hex;
}

std::unique_ptr<clSerialSource> QkMakeSerialSource(const std::string& text, const clSerialLayout& layout,
                                                   std::string& error)
{
    if (layout.width < 1 || layout.width > 8) {
        error = "--serial-width is 1 to 8 bytes";
        return nullptr;
    }
    const auto colon = text.find(':');
    const std::string kind = text.substr(0, colon);
    const std::string rest = colon == std::string::npos ? std::string() : text.substr(colon + 1);
    if (kind == "counter") {
        const auto second = rest.find(':');
        std::uint64_t start = 0, step = 1;
        if (!ParseUnsigned(rest.substr(0, second), start) ||
            (second != std::string::npos && (!ParseUnsigned(rest.substr(second + 1), step) || step == 0))) {
            error = "--serial counter:START[:STEP] takes whole numbers (STEP at least 1)";
            return nullptr;
        }
        clSerialBytes first;
        if (!QkEncodeSerial(start, layout, first, error))
            return nullptr;
        return std::make_unique<clCounterSource>(start, step, layout);
    }
    if (kind == "list" && !rest.empty())
        return ReadList(rest, layout, error);
    if (kind == "exec" && !rest.empty())
        return std::make_unique<clExecSource>(rest, layout);
    error = "--serial is counter:START[:STEP], list:FILE or exec:COMMAND";
    return nullptr;
}
