// qkcli program, verify, read, blank-check, erase, checksum: device
// operations through the communication facade, in the program's order:
// connect, synchronise the space buffers, then the operation with its
// automatic steps.
#include <atomic>
#include <optional>
#include <set>
#include <stdexcept>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "comm/comports.h"
#include "comm/qkcomm.h"
#include "comm/qkcommer.h"
#include "comm/qkcommexpt.h"
#include "cpplib/qkfile.h"
#include "err/errntfy.h"
#include "qkversion.h"
#include "source/aboutlist.h"
#include "source/addrrange.h"
#include "source/appmngr.h"
#include "source/datafile.h"
#include "source/hexdefs.h"
#include "source/vfyreport.h"
#include "tools/qkcli/cliargs.h"
#include "tools/qkcli/cliformat.h"
#include "tools/qkcli/clijson.h"
#include "tools/qkcli/clinotify.h"
#include "tools/qkcli/clirun.h"
#include "tools/qkcli/cliwork.h"
#include "tools/qkcli/commands.h"

namespace {

// The COM number a named path is mapped to for the length of a command.
constexpr int kNamedPortNumber = 100;
constexpr int kDataSpace = 1;

std::atomic<bool> g_AbortAsked{false};

void OnInterrupt(int)
{
    g_AbortAsked = true;
    // A second Ctrl-C ends the program at once.
    std::signal(SIGINT, SIG_DFL);
}

enum class clOp { program, verify, read, blankCheck, erase, checksum };

// Where progress and messages go: a bar on a terminal, or JSON event lines.
class clCliEvents {
public:
    clCliEvents(bool jsonEvents, bool quiet) : m_bJson(jsonEvents), m_Bar(!quiet && !jsonEvents) {}

    void Phase(const char* phase) const
    {
        if (m_bJson)
            Line(clJsonObject().Add("event", "phase").Add("phase", phase));
    }
    void Progress(int percent, std::uint32_t address, const char* text)
    {
        if (m_bJson) {
            // One line per percent step is plenty for a station controller.
            if (percent == m_iLastPercent && std::string(text) == m_sLastText)
                return;
            m_iLastPercent = percent;
            m_sLastText = text;
            Line(clJsonObject()
                     .Add("event", "progress")
                     .Add("phase", text)
                     .Add("percent", percent)
                     .Add("address", static_cast<std::int64_t>(address)));
        } else {
            m_Bar.SetProgress(percent, text);
        }
    }
    void Message(const clCliMessage& message) const
    {
        if (m_bJson)
            Line(clJsonObject().Add("event", "message").Add("number", message.number).Add("text", message.text));
    }

private:
    static void Line(const clJsonObject& object)
    {
        std::printf("%s\n", object.Text().c_str());
        std::fflush(stdout);
    }

    bool m_bJson;
    clCliProgress m_Bar;
    int m_iLastPercent = -1;
    std::string m_sLastText;
};

// The argument vector the facade reads its switches from; it must outlive
// the facade.
struct clSwitchArgs {
    std::vector<std::string> strings{"qkcli"};
    std::vector<const char*> pointers;

    const char* const* Build()
    {
        pointers.clear();
        for (const std::string& s : strings)
            pointers.push_back(s.c_str());
        pointers.push_back(nullptr);
        return pointers.data();
    }
};

class clCliComm : public clQKComm {
public:
    clCliComm(clSwitchArgs& args, clDataBase& db, clCliEvents& events)
        : clQKComm(static_cast<int>(args.strings.size()), args.Build(), db), m_Events(events)
    {
    }
    // A stop asked with Ctrl-C answers 0: the operation ends with an abort
    // (and a programming run sends the programmer its abort byte).
    int CommProgress(unsigned char percent, const clAdrs& address, const char* text) const override
    {
        m_Events.Progress(percent, address.GetLinear(), text != nullptr ? text : "");
        return g_AbortAsked ? 0 : 1;
    }

private:
    clCliEvents& m_Events;
};

// Address and values of the records that carry them.
void CommDetail(const clBasicErr& err, clCliMessage& message)
{
    if (const auto* verify = dynamic_cast<const clQKCommVrfErr*>(&err)) {
        message.address = verify->GetAddress().GetLinear();
        message.deviceValue = verify->GetDeviceValue();
        message.bufferValue = verify->GetBufferValue();
    } else if (const auto* blank = dynamic_cast<const clQKCommBlnkErr*>(&err)) {
        message.address = blank->GetAddress().GetLinear();
        message.deviceValue = blank->GetDeviceValue();
    } else if (const auto* pgm = dynamic_cast<const clQKCommPgmErr*>(&err)) {
        message.address = pgm->GetAddress();
    }
}

// The record that says most: the first one that is not the general
// "communication error" that follows every failure.
std::optional<clCliMessage> MainMessage(const std::vector<clCliMessage>& messages)
{
    for (const clCliMessage& m : messages)
        if (m.number != 2)
            return m;
    if (!messages.empty())
        return messages.front();
    return std::nullopt;
}

struct clDeviceCommand {
    clOp op;
    const char* name;
    const clCliArgs& args;
};

class clDeviceRun {
public:
    clDeviceRun(const clDeviceCommand& command, clCliUi& ui, clCliEvents& events)
        : m_Cmd(command), m_Args(command.args), m_Ui(ui), m_Events(events)
    {
        m_Run.operation = command.name;
    }
    int Execute();

private:
    int Usage(const std::string& message) const { return QkUsageError(m_Cmd.name, message); }
    int DataError(const std::string& message) const;
    // Device, space, data and command range; "" when ready.
    std::string Prepare();
    std::string LoadInput(int space);
    void Connect(clCliComm& comm);
    void Synchronize(clCliComm& comm);
    void Operate(clCliComm& comm);
    void ProgramWithSteps(clCliComm& comm);
    void WriteVerifyReport(clCliComm& comm);
    void Finish();

    const clDeviceCommand& m_Cmd;
    const clCliArgs& m_Args;
    clCliUi& m_Ui;
    clCliEvents& m_Events;
    clCliWork m_Work;
    clCliRun m_Run;
    unsigned short m_usChip = 0;
    int m_iSpace = 0;
    std::string m_sDescription;
};

int clDeviceRun::DataError(const std::string& message) const
{
    std::fprintf(stderr, "qkcli %s: %s\n", m_Cmd.name, message.c_str());
    return exitUsage;
}

std::string clDeviceRun::LoadInput(int space)
{
    const std::string file = m_Args.Value("file");
    const std::string from = m_Args.Value("from", "auto");
    int type = ftNone;
    if (from == "auto")
        type = QkDetectFileType(file);
    else if (from == "bin")
        type = ftBinary;
    else if (from == "intel")
        type = ftIntelAny;
    else if (from == "srec")
        type = ftMotorolaAny;
    else
        return "--from is auto, bin, intel or srec";
    if (type == ftNone)
        return "cannot read " + file;
    clQKHugeBuffer& buffer = m_Work.Spaces().Buffer(space);
    if (m_Args.Has("fill")) {
        std::uint32_t fill = 0;
        if (!QkParseNumber(m_Args.Value("fill"), fill) || fill > 0xFF)
            return "--fill takes a byte value (0 to 0xFF)";
        const auto value = static_cast<unsigned char>(fill);
        buffer.Fill(buffer.GetStartAdrs(), buffer.GetStopAdrs(), &value);
        m_Run.fill = value;
    }
    const std::uint32_t start = buffer.GetCmdStartAdrs().GetLinear();
    const std::uint32_t stop = buffer.GetCmdStopAdrs().GetLinear();
    if (m_Work.Spaces().LoadFile(space, file, type, start, stop) == 0)
        return m_Ui.GetCount() > 0 ? file + " raised warnings; nothing was done" : "cannot read " + file;
    return {};
}

std::string clDeviceRun::Prepare()
{
    clQkSpaces& spaces = m_Work.Spaces();
    const bool readsFile = m_Cmd.op == clOp::program || m_Cmd.op == clOp::verify;
    const std::string file = m_Args.Value("file");
    const bool project = readsFile && QkDetectFileType(file) == ftProject;

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

    // The command range, on whole blocks of the space as the start and stop
    // fields make it.
    const std::uint32_t lowest = buffer.GetStartAdrs().GetLinear();
    const std::uint32_t highest = buffer.GetStopAdrs().GetLinear();
    std::uint32_t start = lowest, stop = highest;
    if ((m_Args.Has("start") && !QkParseNumber(m_Args.Value("start"), start)) ||
        (m_Args.Has("stop") && !QkParseNumber(m_Args.Value("stop"), stop)))
        return "--start and --stop take addresses (0x-hex or decimal)";
    const clAlignedRange range = QkAlignRange(lowest, highest, buffer.GetBlkAlignment(), start, stop);
    if ((m_Args.Has("start") && range.start != start) || (m_Args.Has("stop") && range.stop != stop))
        std::fprintf(stderr, "qkcli %s: range 0x%X..0x%X (whole blocks of %u bytes inside the space)\n", m_Cmd.name,
                     range.start, range.stop, buffer.GetBlkAlignment());
    buffer.SetCmdAddresses(clAdrs(range.start), clAdrs(range.stop));
    m_Run.start = range.start;
    m_Run.stop = range.stop;

    if (readsFile && !project)
        if (const std::string problem = LoadInput(m_iSpace); !problem.empty())
            return problem;
    if (readsFile)
        m_Run.imageChecksum = buffer.Sum(buffer.GetCmdStartAdrs(), buffer.GetCmdStopAdrs());
    return {};
}

// Connects as --port, --scan or --demo ask; returns the port it used and
// sets protocol to "real" or "demo".
std::string ConnectAsAsked(clCliComm& comm, const clCliArgs& args, std::string& protocol)
{
    std::string port;
    if (args.Has("demo")) {
        port = "demo";
        comm.Connect(QK_PORT_CFG{-1, 0, -1}, 0);
    } else if (args.Has("scan")) {
        std::vector<QK_PORT_CFG> list;
        for (int n = 1; n < kNamedPortNumber; ++n)
            if (!ComPortPath(n).empty())
                list.push_back(QK_PORT_CFG{n, 1, 1});
        const QK_PORT_CFG found = comm.SearchConnect(static_cast<int>(list.size()), list.data(), 0);
        port = found.m_lPortNo > 0 ? "COM" + std::to_string(found.m_lPortNo) + " " + ComPortPath(found.m_lPortNo) : "";
    } else {
        port = args.Value("port");
        int number = kNamedPortNumber;
        std::uint32_t parsed = 0;
        if (port.size() > 3 && port.compare(0, 3, "COM") == 0 && QkParseNumber(port.substr(3), parsed) &&
            parsed >= 1 && parsed < kNamedPortNumber)
            number = static_cast<int>(parsed);
        else
            ComMapPort(kNamedPortNumber, port);
        comm.Connect(QK_PORT_CFG{number, 1, 1}, 0);
    }
    protocol = comm.GetProtocol() == -1 ? "demo" : "real";
    return port;
}

void clDeviceRun::Connect(clCliComm& comm)
{
    m_Events.Phase("connect");
    comm.SetupDevice(m_usChip);
    m_Run.port = ConnectAsAsked(comm, m_Args, m_Run.protocol);
}

// What the program does after every connection: the device, then every
// space buffer written whole to the programmer, then the project's
// description.
void clDeviceRun::Synchronize(clCliComm& comm)
{
    m_Events.Phase("synchronize");
    clQkSpaces& spaces = m_Work.Spaces();
    for (int space = 1; space <= kSpaceCount; ++space) {
        if (!spaces.HasSpace(space) || spaces.SpaceNumber(space) != kDataSpace)
            continue;
        clQKHugeBuffer& buffer = spaces.Buffer(space);
        const clAdrs start = buffer.GetCmdStartAdrs(), stop = buffer.GetCmdStopAdrs();
        buffer.SetCmdAddresses(buffer.GetStartAdrs(), buffer.GetStopAdrs());
        comm.WriteSeq(buffer, 0);
        buffer.SetCmdAddresses(start, stop);
    }
    comm.WrPrjDescrSeq(m_sDescription.c_str());
}

// The automatic steps around programming, in the program's order.
void clDeviceRun::ProgramWithSteps(clCliComm& comm)
{
    const clDBChip chip = m_Work.Db().GetChip(m_usChip);
    clQKHugeBuffer& buffer = m_Work.Spaces().Buffer(m_iSpace);
    std::uint16_t cycle = 0;
    m_Work.Options().Get(kOptPgmCycle, cycle);
    ++cycle;
    m_Work.Options().Set(kOptPgmCycle, cycle);
    comm.WriteToLog(("PGM CYCLE N%" + std::to_string(cycle) + " BEGIN\r\n").c_str());
    if (m_Args.Has("sig-check")) {
        if (chip.IsSigChkAvail() != 0)
            comm.SigChkSeq();
        else
            std::fprintf(stderr, "qkcli program: the %s has no signature check; skipped\n", m_Run.device.c_str());
    }
    if (m_Args.Has("erase")) {
        if (chip.IsEraseAvail() != 0)
            comm.EraseSeq(buffer);
        else
            std::fprintf(stderr, "qkcli program: the %s cannot be erased; skipped\n", m_Run.device.c_str());
    }
    if (m_Args.Has("blank-check"))
        comm.BlnkChkSeq(buffer);
    std::uint32_t delay = 1000; // checked when the command was read
    QkParseNumber(m_Args.Value("delay", "1000"), delay);
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    m_Run.checksum = comm.ProgramSeq(buffer);
    comm.WriteToLog("PGM CYCLE END\r\n");
}

// After a verify failure: the range read back and compared, every run of
// differing bytes written to the report.
void clDeviceRun::WriteVerifyReport(clCliComm& comm)
{
    const clQKHugeBuffer& expected = m_Work.Spaces().Buffer(m_iSpace);
    clQKHugeBufIntr actual(expected.GetName());
    actual.SetParams(expected.GetSize(), expected.GetStartAdrs());
    actual.SetSpaceId(expected.GetSpaceId());
    actual.SetCmdAddresses(expected.GetCmdStartAdrs(), expected.GetCmdStopAdrs());
    m_Events.Phase("read back");
    comm.ReadSeq(actual);
    const std::uint32_t first = expected.GetCmdStartAdrs().GetLinear();
    const std::uint32_t last = expected.GetCmdStopAdrs().GetLinear();
    std::vector<unsigned char> want(last - first + 1), got(last - first + 1);
    expected.Read(clAdrs(first), clAdrs(last), want.data());
    actual.Read(clAdrs(first), clAdrs(last), got.data());
    clJsonArray list;
    for (const clMismatch& m : QkFindMismatches(want.data(), got.data(), want.size(), first)) {
        clJsonObject item;
        item.Add("start", static_cast<std::int64_t>(m.first)).Add("end", static_cast<std::int64_t>(m.last));
        item.Add("count", static_cast<std::int64_t>(m.bytes));
        item.Add("bits_0_to_1", static_cast<std::int64_t>(m.bits0to1));
        item.Add("bits_1_to_0", static_cast<std::int64_t>(m.bits1to0));
        list.Add(item);
    }
    clJsonObject report;
    report.Add("device", m_Run.device).Add("space", m_Run.space);
    report.AddRaw("range", "[" + std::to_string(first) + "," + std::to_string(last) + "]");
    report.AddRaw("mismatches", list.Text());
    const std::string text = report.Text() + "\n";
    if (!QkWriteFileAtomically(m_Args.Value("report"), text.data(), text.size()))
        std::fprintf(stderr, "qkcli verify: cannot write the report %s\n", m_Args.Value("report").c_str());
}

void clDeviceRun::Operate(clCliComm& comm)
{
    clQKHugeBuffer& buffer = m_Work.Spaces().Buffer(m_iSpace);
    m_Events.Phase(m_Cmd.name);
    switch (m_Cmd.op) {
    case clOp::program:
        ProgramWithSteps(comm);
        break;
    case clOp::verify:
        comm.VerifySeq(buffer);
        break;
    case clOp::read: {
        comm.ReadSeq(buffer);
        comm.Ready();
        const std::string out = m_Args.Value("file");
        const clCliFormat* format =
            m_Args.Has("to") ? QkFormatByName(m_Args.Value("to")) : QkFormatByExtension(out);
        const std::string problem = QkWriteRange(buffer, *m_Run.start, *m_Run.stop, out, *format, false);
        if (!problem.empty())
            throw std::runtime_error(problem);
        m_Run.imageChecksum = buffer.Sum(buffer.GetCmdStartAdrs(), buffer.GetCmdStopAdrs());
        break;
    }
    case clOp::blankCheck:
        comm.BlnkChkSeq(buffer);
        break;
    case clOp::erase:
        comm.EraseSeq(buffer);
        break;
    case clOp::checksum:
        m_Run.checksum = comm.ChkSumSeq(buffer);
        break;
    }
}

int clDeviceRun::Execute()
{
    const int connections = m_Args.Has("port") + m_Args.Has("scan") + m_Args.Has("demo");
    if (connections != 1)
        return Usage("give one of --port PATH|COMn, --scan, --demo");
    if (m_Cmd.op == clOp::read) {
        if (!m_Args.Has("file"))
            return Usage("name the output with --file");
        const clCliFormat* format = m_Args.Has("to") ? QkFormatByName(m_Args.Value("to"))
                                                     : QkFormatByExtension(m_Args.Value("file"));
        if (format == nullptr)
            return Usage("give --to bin, intel, intel-seg, intel386, s1, s2 or s3 (or a known extension)");
    }
    if ((m_Cmd.op == clOp::program || m_Cmd.op == clOp::verify) && !m_Args.Has("file"))
        return Usage("name the data with --file");
    std::uint32_t delay = 0;
    if (m_Args.Has("delay") && (!QkParseNumber(m_Args.Value("delay"), delay) || delay > 600000))
        return Usage("--delay takes milliseconds (0 to 600000)");

    const auto began = std::chrono::steady_clock::now();
    bool fileFailed = false;
    try {
        if (const std::string problem = Prepare(); !problem.empty())
            return DataError(problem);
    } catch (const clBscExpt& e) {
        return DataError(std::string("the data does not fit the device (") + QkExptName(e) + ")");
    } catch (const std::bad_alloc&) {
        return DataError("there is not enough memory for the selected device");
    }

    clSwitchArgs switches;
    for (const std::string& s : m_Args.Values("switch"))
        switches.strings.push_back(s);
    if (m_Args.Has("log"))
        switches.strings.push_back("/COMMLOG:" + m_Args.Value("log"));

    std::signal(SIGINT, OnInterrupt);
    clDataBase db(GetDLLDBaseInstance());
    clCliComm comm(switches, db, m_Events);
    try {
        Connect(comm);
        if (m_Run.protocol == "demo" && !m_Args.Has("demo"))
            throw clQKCommExpt();
        Synchronize(comm);
        Operate(comm);
        // A connection lost and made again inside the operation must not
        // have ended on the demo protocol.
        if (comm.GetProtocol() == -1 && !m_Args.Has("demo"))
            throw clQKCommExpt();
        m_Run.outcome = clCliOutcome::ok;
    } catch (const clXAbort&) {
        m_Run.outcome = clCliOutcome::aborted;
    } catch (const clQKTargetFail&) {
        m_Run.outcome = clCliOutcome::failed;
        if (m_Cmd.op == clOp::verify && m_Args.Has("report")) {
            try {
                WriteVerifyReport(comm);
            } catch (const clBscExpt&) {
                std::fprintf(stderr, "qkcli verify: reading back for the report failed\n");
            }
        }
    } catch (const clBscExpt&) {
        m_Run.outcome = clCliOutcome::error;
    } catch (const std::runtime_error& e) {
        // The device answered; a file of ours could not be written.
        std::fprintf(stderr, "qkcli %s: %s\n", m_Cmd.name, e.what());
        m_Run.outcome = clCliOutcome::error;
        fileFailed = true;
    }
    std::signal(SIGINT, SIG_DFL);
    if (m_Run.protocol == "demo" && !m_Args.Has("demo") && !m_Run.error) {
        clCliMessage cannot;
        cannot.number = 1;
        cannot.text = QkCommMessage(1);
        m_Run.error = cannot;
    }
    if (m_Run.outcome != clCliOutcome::ok && !m_Run.error)
        m_Run.error = MainMessage(m_Ui.GetMessages());
    if (m_Run.outcome == clCliOutcome::aborted && !m_Run.error) {
        clCliMessage stopped;
        stopped.text = "Aborted";
        m_Run.error = stopped;
    }
    m_Run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    Finish();
    return fileFailed ? exitUsage : m_Run.ExitStatus();
}

void clDeviceRun::Finish()
{
    if (m_Args.Has("trace") && !QkAppendTrace(m_Args.Value("trace"), m_Run.TraceLine()))
        std::fprintf(stderr, "qkcli %s: cannot append to the trace %s\n", m_Cmd.name, m_Args.Value("trace").c_str());
    if (m_Args.Has("json") || m_Args.Has("json-events")) {
        std::printf("%s\n", m_Run.Json().c_str());
        return;
    }
    if (m_Run.outcome != clCliOutcome::ok) {
        if (m_Run.error && m_Ui.GetMessages().empty())
            std::fprintf(stderr, "%s\n", m_Run.error->text.c_str());
        std::fprintf(stderr, "qkcli %s: %s\n", m_Cmd.name, m_Run.ResultText());
        return;
    }
    if (m_Args.Has("quiet"))
        return;
    char range[48];
    std::snprintf(range, sizeof range, "0x%X..0x%X", *m_Run.start, *m_Run.stop);
    std::printf("%s %s %s %s: ok", m_Run.device.c_str(), m_Run.space.c_str(), range, m_Cmd.name);
    if (m_Run.checksum)
        std::printf(", checksum %04X", *m_Run.checksum);
    std::printf(" (%s protocol, %s)\n", m_Run.protocol.c_str(), m_Run.port.c_str());
}

int RunDevice(clOp op, const char* name, int argc, char** argv, int first)
{
    std::set<std::string> values = {"port", "device", "space", "file", "start", "stop", "fill", "delay",
                                    "from", "to", "log", "switch", "trace", "report"};
    const std::set<std::string> flags = {"scan", "demo", "json", "json-events", "quiet", "erase", "blank-check",
                                         "sig-check"};
    const clCliArgs args(argc, argv, first, values, flags);
    if (!args.IsValid())
        return QkUsageError(name, args.GetError());
    if (!args.Positional().empty())
        return QkUsageError(name, "unexpected \"" + args.Positional()[0] + "\"");

    clCliUi ui(erIdAbort);
    ui.SetQuiet(args.Has("json") || args.Has("json-events"));
    ui.SetDetail(CommDetail);
    // "Cannot connect ..." is never answered with Abort, which would switch to
    // the demo protocol: a connect fails instead.
    ui.SetAnswerFor(1, erIdOk);
    clCliEvents events(args.Has("json-events"), args.Has("quiet") || args.Has("json"));
    ui.SetListener([&events](const clCliMessage& m) { events.Message(m); });
    QkAppErrMngr().OpenErrMngr(GetNotifier(), nullptr);

    const clDeviceCommand command{op, name, args};
    clDeviceRun run(command, ui, events);
    const int status = run.Execute();
    QkAppErrMngr().CloseErrMngr();
    return status;
}

} // namespace

int QkCmdProgram(int argc, char** argv, int first)
{
    return RunDevice(clOp::program, "program", argc, argv, first);
}
int QkCmdVerify(int argc, char** argv, int first)
{
    return RunDevice(clOp::verify, "verify", argc, argv, first);
}
int QkCmdRead(int argc, char** argv, int first)
{
    return RunDevice(clOp::read, "read", argc, argv, first);
}
int QkCmdBlankCheck(int argc, char** argv, int first)
{
    return RunDevice(clOp::blankCheck, "blank-check", argc, argv, first);
}
int QkCmdErase(int argc, char** argv, int first)
{
    return RunDevice(clOp::erase, "erase", argc, argv, first);
}
int QkCmdChecksum(int argc, char** argv, int first)
{
    return RunDevice(clOp::checksum, "checksum", argc, argv, first);
}

int QkCmdVersions(int argc, char** argv, int first)
{
    const clCliArgs args(argc, argv, first, {"port", "log", "switch"}, {"scan", "demo", "json", "quiet"});
    if (!args.IsValid())
        return QkUsageError("versions", args.GetError());
    if (args.Has("port") + args.Has("scan") + args.Has("demo") > 1)
        return QkUsageError("versions", "give at most one of --port, --scan, --demo");
    const bool connecting = args.Has("port") || args.Has("scan") || args.Has("demo");

    clCliUi ui(erIdAbort);
    ui.SetQuiet(args.Has("json"));
    ui.SetAnswerFor(1, erIdOk);
    QkAppErrMngr().OpenErrMngr(GetNotifier(), nullptr);
    clDataBase db(GetDLLDBaseInstance());
    TArrayAsVector<clVerInfo> protocol, programmer, database;
    db.GetVer(database);
    std::string port, kind;
    int status = exitOk;
    if (connecting) {
        clSwitchArgs switches;
        for (const std::string& s : args.Values("switch"))
            switches.strings.push_back(s);
        if (args.Has("log"))
            switches.strings.push_back("/COMMLOG:" + args.Value("log"));
        clCliEvents events(false, true);
        clCliComm comm(switches, db, events);
        try {
            port = ConnectAsAsked(comm, args, kind);
            if (kind == "demo" && !args.Has("demo"))
                throw clQKCommExpt();
            comm.GetProtocolVer(protocol);
            comm.GetQKVer(programmer);
        } catch (const clBscExpt&) {
            status = exitComm;
            protocol.clear();
            programmer.clear();
        }
    }
    const bool connected = connecting && status == exitOk;
    const auto lines =
        QkAboutLines(std::string("QK-JTAG ") + QK_VERSION_TEXT, connected, protocol, programmer, database);
    if (args.Has("json")) {
        auto list = [](const TArrayAsVector<clVerInfo>& versions) {
            clJsonArray out;
            for (const clVerInfo& v : versions)
                out.AddRaw(QkJsonString(QkVersionText("", v)));
            return out.Text();
        };
        clJsonObject out;
        out.Add("software", std::string("QK-JTAG ") + QK_VERSION_TEXT).AddBool("connected", connected);
        out.Add("port", port).Add("protocol_kind", connected ? kind : "");
        out.AddRaw("protocol", list(protocol)).AddRaw("programmer", list(programmer)).AddRaw("database", list(database));
        std::printf("%s\n", out.Text().c_str());
    } else {
        for (const std::string& line : lines)
            std::printf("%s\n", line.c_str());
    }
    QkAppErrMngr().CloseErrMngr();
    return status;
}
