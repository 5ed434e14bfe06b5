// qkcli convert: data files between binary, Intel Hex and Motorola S-records,
// through a space buffer, with the same reader and writer as the program.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "cpplib/qk51buff.h"
#include "cpplib/qkfile.h"
#include "cpplib/qkpath.h"
#include "err/errntfy.h"
#include "source/base/appmngr.h"
#include "source/files/datafile.h"
#include "source/files/hexdefs.h"
#include "source/files/hexio.h"
#include "tools/qkcli/cliargs.h"
#include "tools/qkcli/cliformat.h"
#include "tools/qkcli/cliimage.h"
#include "tools/qkcli/clinotify.h"
#include "tools/qkcli/clisignals.h"
#include "tools/qkcli/commands.h"

namespace {

constexpr std::uint64_t kLargestRange = 512ull << 20;
constexpr std::uint64_t kProgressFromSize = 1u << 20;

enum class InputKind { binary, intel, srec };

class clConverter {
public:
    // Warnings print their text and the load goes on, or --strict stops at
    // the first one.
    explicit clConverter(const clCliArgs& args) : m_Args(args), m_Ui(args.Has("strict") ? erIdAbort : erIdIgnore) {}
    int Run();

private:
    int Fail(const std::string& message) const;
    bool ParseOptions(std::string& error);
    bool LoadBinary(std::string& error);
    bool LoadHex(std::string& error);
    bool CheckRange(std::string& error) const;
    bool WriteOutput(std::string& error);

    const clCliArgs& m_Args;
    std::string m_sInput, m_sOutput;
    InputKind m_eInput = InputKind::binary;
    const clQkFileFormat* m_pOutput = nullptr;
    std::optional<std::uint32_t> m_Start, m_Stop;
    std::uint32_t m_ulFirst = 0, m_ulLast = 0; // the range converted
    unsigned char m_ucFill = 0xFF;
    std::uint64_t m_ulInputSize = 0;
    clQKHugeBuffer m_Buffer{"convert"};
    clCliUi m_Ui;
};

int clConverter::Fail(const std::string& message) const
{
    std::fprintf(stderr, "qkcli convert: %s\n", message.c_str());
    m_Ui.PrintSummary();
    return exitUsage;
}

bool clConverter::ParseOptions(std::string& error)
{
    if (m_Args.Positional().size() != 2) {
        error = "give INPUT and OUTPUT";
        return false;
    }
    m_sInput = m_Args.Positional()[0];
    m_sOutput = m_Args.Positional()[1];
    // A directory or a FIFO as OUTPUT is named as such, whatever its extension.
    if (const std::string problem = QkCheckOutputFile(m_sOutput); !problem.empty()) {
        error = problem;
        return false;
    }
    if (QkSameTarget(m_sInput, m_sOutput)) {
        error = "OUTPUT " + m_sOutput + " is INPUT " + m_sInput + ": write the conversion to another file";
        return false;
    }
    for (const char* name : {"start", "stop"}) {
        if (!m_Args.Has(name))
            continue;
        std::uint32_t value = 0;
        if (!QkParseNumber(m_Args.Value(name), value)) {
            error =
                std::string("--") + name + " takes an address (0x-hex or decimal), not \"" + m_Args.Value(name) + "\"";
            return false;
        }
        (std::strcmp(name, "start") == 0 ? m_Start : m_Stop) = value;
    }
    if (m_Start && m_Stop && *m_Stop < *m_Start) {
        error = "--stop lies below --start";
        return false;
    }
    if (m_Args.Has("fill")) {
        std::uint32_t fill = 0;
        if (!QkParseNumber(m_Args.Value("fill"), fill) || fill > 0xFF) {
            error = "--fill takes a byte value (0 to 0xFF), not \"" + m_Args.Value("fill") + "\"";
            return false;
        }
        m_ucFill = static_cast<unsigned char>(fill);
    }
    const std::string from = m_Args.Value("from", "auto");
    if (from == "auto") {
        // The first character that is not white space decides: ":" Intel
        // Hex, "S" S-records, anything else a binary image.
        const int type = QkDetectFileType(m_sInput);
        if (const std::string problem = type == ftNone ? std::string() : QkCheckDetectedType(m_sInput, type);
            !problem.empty()) {
            error = problem + " (--from tells how to read it)";
            return false;
        }
        m_eInput = type == ftIntelAny ? InputKind::intel : type == ftMotorolaAny ? InputKind::srec : InputKind::binary;
    } else if (from == "bin")
        m_eInput = InputKind::binary;
    else if (from == "intel")
        m_eInput = InputKind::intel;
    else if (from == "srec")
        m_eInput = InputKind::srec;
    else {
        error = "--from is auto, bin, intel or srec, not \"" + from + "\"";
        return false;
    }
    if (m_Args.Has("to")) {
        m_pOutput = QkFormatByName(m_Args.Value("to"));
        if (m_pOutput == nullptr) {
            error = "--to is bin, intel, intel-seg, intel386, s1, s2 or s3, not \"" + m_Args.Value("to") + "\"";
            return false;
        }
    } else if ((m_pOutput = QkFormatByExtension(m_sOutput)) == nullptr) {
        error = "cannot tell the output format from \"" + m_sOutput + "\": give --to";
        return false;
    }
    return true;
}

// A binary input's first byte sits at --start; the range is the file, or
// --start..--stop.
bool clConverter::LoadBinary(std::string& error)
{
    m_ulFirst = m_Start.value_or(0);
    if (m_ulInputSize == 0 && !m_Stop) {
        error = m_sInput + " is empty: nothing to convert (give --stop to write a filled range)";
        return false;
    }
    const std::uint64_t last = static_cast<std::uint64_t>(m_ulFirst) + std::max<std::uint64_t>(m_ulInputSize, 1) - 1;
    if (!m_Stop && last > 0xFFFFFFFFu) {
        error = m_sInput + " does not fit below address 0xFFFFFFFF from --start";
        return false;
    }
    m_ulLast = m_Stop.value_or(static_cast<std::uint32_t>(last));
    if (!CheckRange(error))
        return false;
    m_Buffer.SetFill(1, m_ucFill);
    if (m_Buffer.SetParams(m_ulLast - m_ulFirst + 1, clAdrs(m_ulFirst)) == 0) {
        error = "the range is too large";
        return false;
    }
    if (m_ulInputSize > 0 && m_Buffer.LoadBinRange(m_sInput.c_str(), clAdrs(m_ulFirst), clAdrs(m_ulLast)) == 0) {
        error = "cannot read " + m_sInput;
        return false;
    }
    return true;
}

// A hex input is read once, into pages; the range is --start..--stop, or the
// lowest to the highest address the file holds.
bool clConverter::LoadHex(std::string& error)
{
    const std::uint32_t from = m_Start.value_or(0);
    const std::uint32_t to = m_Stop.value_or(0xFFFFFFFFu);
    const int kind = QkReadFormatKind(m_eInput == InputKind::intel ? ftIntelAny : ftMotorolaAny, from);
    clPageImage image(m_ucFill);
    {
        clCliProgress progress(m_ulInputSize >= kProgressFromSize);
        clHexLoader loader(&progress, 0);
        if (loader.OpenFile(m_sInput.c_str(), kind, HEX_READ) == 0) {
            error = m_Args.Has("strict") && m_Ui.GetCount() > 0 ? "stopped at the first warning (--strict)"
                                                                : "cannot read " + m_sInput;
            return false;
        }
        const int loaded = loader.Load(image, from, to);
        loader.CloseFile();
        if (loaded == 0) {
            error =
                m_Args.Has("strict") ? "stopped at the first warning (--strict)" : "reading " + m_sInput + " failed";
            return false;
        }
    }
    if (image.IsEmpty() && !(m_Start && m_Stop)) {
        error = m_sInput + " holds no data (give --start and --stop to write a filled range)";
        return false;
    }
    m_ulFirst = m_Start.value_or(image.GetLowest());
    m_ulLast = m_Stop.value_or(image.GetHighest());
    if (m_ulLast < m_ulFirst) {
        error = "the data of " + m_sInput + " lies outside --start/--stop";
        return false;
    }
    if (!CheckRange(error))
        return false;
    // Without fill-on-resize the buffer's memory is taken as the pages move in.
    m_Buffer.SetFill(0, m_ucFill);
    if (m_Buffer.SetParams(m_ulLast - m_ulFirst + 1, clAdrs(m_ulFirst)) == 0) {
        error = "the range is too large";
        return false;
    }
    image.MoveInto(m_Buffer, m_ulFirst, m_ulLast);
    return true;
}

bool clConverter::CheckRange(std::string& error) const
{
    const std::uint64_t size = static_cast<std::uint64_t>(m_ulLast) - m_ulFirst + 1;
    if (size > kLargestRange) {
        char text[160];
        std::snprintf(text, sizeof text, "the range 0x%08X..0x%08X spans %llu MiB; pick a part with --start/--stop",
                      m_ulFirst, m_ulLast, static_cast<unsigned long long>(size >> 20));
        error = text;
        return false;
    }
    error = QkCheckReach(*m_pOutput, m_ulLast);
    return error.empty();
}

bool clConverter::WriteOutput(std::string& error)
{
    error = QkWriteRange(m_Buffer, m_ulFirst, m_ulLast, m_sOutput, *m_pOutput, m_Buffer.GetSize() >= kProgressFromSize);
    return error.empty();
}

int clConverter::Run()
{
    std::string error;
    if (!ParseOptions(error))
        return QkUsageError("convert", error);

    // Only a regular file is read: a device or a FIFO would never end.
    if (const std::string problem = QkCheckInputFile(m_sInput, true); !problem.empty())
        return Fail(problem);
    std::ifstream probe(QkPath(m_sInput), std::ios::binary | std::ios::ate);
    if (!probe)
        return Fail("cannot read " + m_sInput + ": " + std::strerror(errno));
    m_ulInputSize = static_cast<std::uint64_t>(std::max<std::streamoff>(probe.tellg(), 0));
    probe.close();

    QkAppErrMngr().OpenErrMngr(GetNotifier(), nullptr);

    const bool loaded = m_eInput == InputKind::binary ? LoadBinary(error) : LoadHex(error);
    if (!loaded || !WriteOutput(error))
        return Fail(error);
    m_Ui.PrintSummary();
    return m_Ui.GetCount() > 0 ? exitWarnings : exitOk;
}

} // namespace

int QkCmdConvert(int argc, char** argv, int first)
{
    const clCliArgs args(argc, argv, first, {"from", "to", "start", "stop", "fill"}, {"strict"});
    if (!args.IsValid())
        return QkUsageError("convert", args.GetError());
    clConverter converter(args);
    // What a killed conversion left beside its output long ago goes now.
    if (args.Positional().size() == 2)
        QkSweepStaleTempFiles(QkPathText(QkPath(args.Positional()[1]).parent_path()));
    QkRemovePendingFileOnStop();
    const int status = converter.Run();
    QkReleaseStopSignals();
    QkAppErrMngr().CloseErrMngr();
    return status;
}
