// Preparing a device command: its arguments, device, space, command range,
// data and outputs, all checked before anything reaches the programmer.
#include "tools/qkcli/clidevice.h"

#include <cstdio>
#include <string>
#include <vector>

#include "cpplib/qkfile.h"
#include "source/files/datafile.h"
#include "source/files/hexdefs.h"
#include "source/project/addrrange.h"

namespace {
constexpr int kDataSpace = 1;

std::string Hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}
} // namespace

int clDeviceRun::DataError(const std::string& message) const
{
    std::fprintf(stderr, "qkcli %s: %s\n", m_Info.name, message.c_str());
    return exitUsage;
}

const clQkFileFormat* clDeviceRun::OutputFormat() const
{
    return m_Args.Has("to") ? QkFormatByName(m_Args.Value("to")) : QkFormatByExtension(m_Args.Value("file"));
}

std::string clDeviceRun::CheckUsage() const
{
    if (m_Args.Has("port") + m_Args.Has("scan") + m_Args.Has("demo") != 1)
        return "give one of --port PATH|COMn, --scan, --demo";
    if (const std::string problem = QkCheckConnArgs(m_Args); !problem.empty())
        return problem;
    if (m_Info.op == clOp::read) {
        if (!m_Args.Has("file"))
            return "name the output with --file";
        if (OutputFormat() == nullptr)
            return "give --to bin, intel, intel-seg, intel386, s1, s2 or s3 (or a known extension)";
    }
    if (ReadsFile() && !m_Args.Has("file"))
        return "name the data with --file";
    std::uint32_t number = 0;
    if (m_Args.Has("delay") && (!QkParseNumber(m_Args.Value("delay"), number) || number > 600000))
        return "--delay takes milliseconds (0 to 600000)";
    if (m_Args.Has("fill") && (!QkParseNumber(m_Args.Value("fill"), number) || number > 0xFF))
        return "--fill takes a byte value (0 to 0xFF)";
    for (const char* address : {"start", "stop"})
        if (m_Args.Has(address) && !QkParseNumber(m_Args.Value(address), number))
            return std::string("--") + address + " takes an address (0x-hex or decimal)";
    const std::string from = m_Args.Value("from", "auto");
    if (from != "auto" && from != "bin" && from != "intel" && from != "srec")
        return "--from is auto, bin, intel or srec";
    return m_Info.op == clOp::program ? clCliSerial::CheckUsage(m_Args) : std::string();
}

std::string clDeviceRun::LoadInput(int space)
{
    const std::string file = m_Args.Value("file");
    const std::string from = m_Args.Value("from", "auto");
    int type = ftNone;
    if (from == "auto") {
        type = QkDetectFileType(file);
        if (const std::string problem = type == ftNone ? std::string() : QkCheckDetectedType(file, type);
            !problem.empty())
            return problem + "; nothing was done (--from tells how to read it)";
    } else if (from == "bin")
        type = ftBinary;
    else if (from == "intel")
        type = ftIntelAny;
    else
        type = ftMotorolaAny;
    if (type == ftNone)
        return "cannot read " + file;
    clQKHugeBuffer& buffer = m_Work.Spaces().Buffer(space);
    if (m_Args.Has("fill")) {
        std::uint32_t fill = 0;
        QkParseNumber(m_Args.Value("fill"), fill); // checked with the command line
        const auto value = static_cast<unsigned char>(fill);
        buffer.Fill(buffer.GetStartAdrs(), buffer.GetStopAdrs(), &value);
        m_Run.fill = value;
    }
    // The whole space is loaded, so that data the space cannot hold is found
    // wherever it lies; the command range picks what goes to the programmer.
    clOutsideData outside;
    if (m_Work.Spaces().LoadFile(space, file, type, buffer.GetStartAdrs().GetLinear(), buffer.GetStopAdrs().GetLinear(),
                                 &outside) == 0)
        return m_Ui.GetCount() > 0 ? file + " raised warnings; nothing was done" : "cannot read " + file;
    if (outside.any)
        return QkOutsideText(file, buffer, outside) + "; nothing was done";
    return {};
}

// The command range: the whole space, or --start..--stop widened to whole
// blocks of the space as the start and stop fields make it. A range that is
// reversed or leaves the space is the user's mistake, never moved silently.
std::string clDeviceRun::ChooseRange(clQKHugeBuffer& buffer)
{
    const std::uint32_t lowest = buffer.GetStartAdrs().GetLinear();
    const std::uint32_t highest = buffer.GetStopAdrs().GetLinear();
    std::uint32_t start = lowest, stop = highest;
    QkParseNumber(m_Args.Value("start", "0"), start); // checked with the command line
    QkParseNumber(m_Args.Value("stop", "0"), stop);
    if (!m_Args.Has("start"))
        start = lowest;
    if (!m_Args.Has("stop"))
        stop = highest;
    const std::string space = m_Run.space + " space " + Hex(lowest) + ".." + Hex(highest);
    if (start > stop)
        return "the range " + Hex(start) + ".." + Hex(stop) + " ends before it starts";
    if (start < lowest || stop > highest)
        return "the range " + Hex(start) + ".." + Hex(stop) + " leaves the " + space;
    const clAlignedRange range = QkAlignRange(lowest, highest, buffer.GetBlkAlignment(), start, stop);
    if (range.start != start || range.stop != stop)
        std::fprintf(stderr, "qkcli %s: range 0x%X..0x%X (whole blocks of %u bytes)\n", m_Info.name, range.start,
                     range.stop, buffer.GetBlkAlignment());
    buffer.SetCmdAddresses(clAdrs(range.start), clAdrs(range.stop));
    m_Run.start = range.start;
    m_Run.stop = range.stop;
    return {};
}

std::string clDeviceRun::Prepare()
{
    clQkSpaces& spaces = m_Work.Spaces();
    const std::string file = m_Args.Value("file");
    if (ReadsFile())
        if (const std::string problem = QkCheckInputFile(file); !problem.empty())
            return problem;
    const bool project = ReadsFile() && QkDetectFileType(file) == ftProject;

    if (project) {
        if (const std::string problem = m_Work.OpenProject(file); !problem.empty())
            return problem;
        m_usChip = spaces.GetChipId();
        m_sDescription = m_Work.Project().GetDescription();
        if (m_Args.Has("device")) {
            const auto chip = m_Work.FindDevice(m_Args.Value("device"));
            if (!chip || *chip != m_usChip)
                return "the project is for the " + m_Work.DeviceName(m_usChip) + ", not \"" + m_Args.Value("device") +
                       "\"";
        }
    } else {
        if (!m_Args.Has("device"))
            return "name the device with --device";
        const auto chip = m_Work.FindDevice(m_Args.Value("device"));
        if (!chip)
            return "no device \"" + m_Args.Value("device") + "\" in the database (see \"qkcli devices\")";
        m_usChip = *chip;
        spaces.SetupDevice(m_usChip);
    }
    m_Run.device = m_Work.DeviceName(m_usChip);

    m_iSpace = m_Args.Has("space") ? spaces.FindSpace(m_Args.Value("space")) : spaces.FirstSpace();
    if (m_iSpace == 0)
        return "the " + m_Run.device + " has no space \"" + m_Args.Value("space") + "\"";
    clQKHugeBuffer& buffer = spaces.Buffer(m_iSpace);
    m_Run.space = buffer.GetName();
    // The programmer's operations work on the data space; the others are
    // only carried in projects.
    if (spaces.SpaceNumber(m_iSpace) != kDataSpace)
        return "the programmer's operations work on the Data space; " + m_Run.space + " is space " +
               std::to_string(spaces.SpaceNumber(m_iSpace));
    if (const std::string problem = ChooseRange(buffer); !problem.empty())
        return problem;
    if (m_Info.op == clOp::read)
        if (const std::string problem = QkCheckReach(*OutputFormat(), *m_Run.stop); !problem.empty())
            return problem + "; nothing was read";
    if (ReadsFile() && !project)
        if (const std::string problem = LoadInput(m_iSpace); !problem.empty())
            return problem;
    if (ReadsFile())
        m_Run.imageChecksum = buffer.Sum(buffer.GetCmdStartAdrs(), buffer.GetCmdStopAdrs());
    // A project's data file is named with the result: a changed build shows.
    if (project)
        m_Run.dataFile = spaces.FileName(m_iSpace);
    if (clCliSerial::Asked(m_Args)) {
        m_pSerial = std::make_unique<clCliSerial>(m_Args);
        return m_pSerial->Prepare(*m_Run.start, *m_Run.stop, m_Args.Value("port"), m_Args.Value("file"),
                                  m_Args.Has("json") || m_Args.Has("json-events") || m_Args.Has("quiet"));
    }
    return {};
}

std::string clDeviceRun::CheckOutputs()
{
    struct clFileRole {
        std::string role, path;
    };
    std::vector<clFileRole> outputs, inputs;
    for (const auto& [option, role] : {std::pair{"trace", "the trace"}, std::pair{"log", "the communication log"},
                                       std::pair{"report", "the report"}})
        if (m_Args.Has(option))
            outputs.push_back({role, m_Args.Value(option)});
    if (m_Info.op == clOp::read)
        outputs.push_back({"the output", m_Args.Value("file")});
    if (ReadsFile())
        inputs.push_back({"the data file", m_Args.Value("file")});
    // The data files a project refers to are inputs too.
    for (int space = 1; space <= kSpaceCount; ++space)
        if (m_Work.Spaces().HasSpace(space) && !m_Work.Spaces().FileName(space).empty())
            inputs.push_back({"the data file", m_Work.Spaces().FileName(space)});
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const clFileRole& out = outputs[i];
        for (const clFileRole& in : inputs)
            if (QkSameTarget(out.path, in.path))
                return out.role + " " + out.path + " is " + in.role + " " + in.path +
                       ": it would be overwritten; nothing was done";
        for (std::size_t j = 0; j < i; ++j)
            if (QkSameTarget(out.path, outputs[j].path))
                return out.role + " " + out.path + " and " + outputs[j].role + " " + outputs[j].path +
                       " are the same file; nothing was done";
    }
    // What is replaced at the end is tried now: no work for a file that
    // cannot be written.
    for (const clFileRole& out : outputs)
        if (out.role == "the report" || out.role == "the output")
            if (const std::string problem = QkProbeOutputFile(out.path); !problem.empty())
                return out.role + " cannot be written: " + problem;
    return {};
}
