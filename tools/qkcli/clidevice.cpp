// qkcli program, verify, read, blank-check, erase, checksum: one device
// operation through the communication facade. qkcli connects for one
// operation, so it sends the programmer what that operation needs and no
// more: the device set-up, the operation's range of the image (program and
// verify only), the project description, and before every device order the
// command range the order works on.
#include <chrono>
#include <cstdio>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "comm/comport.h"
#include "comm/qkcommer.h"
#include "comm/qkcommexpt.h"
#include "comm/qkwire.h"
#include "cpplib/qkfile.h"
#include "err/errntfy.h"
#include "source/app/appmngr.h"
#include "source/files/datafile.h"
#include "source/files/hexdefs.h"
#include "source/project/addrrange.h"
#include "source/run/oprunner.h"
#include "source/run/vfyreport.h"
#include "source/settings/aboutlist.h"
#include "tools/qkcli/cliargs.h"
#include "tools/qkcli/clicomm.h"
#include "tools/qkcli/cliformat.h"
#include "tools/qkcli/clijson.h"
#include "tools/qkcli/clinotify.h"
#include "tools/qkcli/clirun.h"
#include "tools/qkcli/cliwork.h"
#include "tools/qkcli/commands.h"

namespace {

constexpr int kDataSpace = 1;

enum class clOp { program, verify, read, blankCheck, erase, checksum };

// The options every device command takes, and those of each command.
const std::set<std::string> kCommonValues = {"port", "device", "log", "switch", "trace"};
const std::set<std::string> kCommonFlags = {"scan", "demo", "json", "json-events", "quiet"};

struct clOpInfo {
    clOp op;
    const char* name;
    std::set<std::string> values;
    std::set<std::string> flags;
};

const clOpInfo kOps[] = {
    {clOp::program,
     "program",
     {"space", "file", "start", "stop", "fill", "delay", "from"},
     {"erase", "blank-check", "sig-check"}},
    {clOp::verify, "verify", {"space", "file", "start", "stop", "fill", "from", "report"}, {}},
    {clOp::read, "read", {"space", "file", "start", "stop", "to"}, {}},
    {clOp::blankCheck, "blank-check", {"space", "start", "stop"}, {}},
    {clOp::erase, "erase", {}, {}},
    {clOp::checksum, "checksum", {"space", "start", "stop"}, {}},
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

std::string Hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

class clDeviceRun {
public:
    clDeviceRun(const clOpInfo& info, const clCliArgs& args, clCliUi& ui, clCliEvents& events)
        : m_Info(info), m_Args(args), m_Ui(ui), m_Events(events)
    {
        m_Run.operation = info.name;
    }
    int Execute();

private:
    bool ReadsFile() const { return m_Info.op == clOp::program || m_Info.op == clOp::verify; }
    int Usage(const std::string& message) const { return QkUsageError(m_Info.name, message); }
    int DataError(const std::string& message) const;
    // read's output format: --to, else the output's extension; null when neither names one.
    const clQkFileFormat* OutputFormat() const;
    // What the command line asks that cannot work; "" when it is well formed.
    std::string CheckUsage() const;
    // Device, space, data and command range; "" when ready.
    std::string Prepare();
    std::string ChooseRange(clQKHugeBuffer& buffer);
    // The command's outputs: each writable now, none of them one of its
    // inputs or another output; "" when they are.
    std::string CheckOutputs();
    std::string LoadInput(int space);
    void Connect(clCliComm& comm);
    void NoteFirmwareUpdate(clCliComm& comm);
    void SendImage(clCliComm& comm);
    // A device order: the command range goes first, then the order.
    template <class F>
    void Order(clCliComm& comm, const clQKHugeBufIntr& buffer, F&& order);
    void Operate(clCliComm& comm);
    void ProgramWithSteps(clCliComm& comm);
    // How the operation ended, with qkcli's word on what was not the
    // device's verdict.
    void TakeResult(clOpResult result, clCliComm& comm);
    void WriteVerifyReport(clCliComm& comm);
    void TakeMessages(const clCliComm& comm);
    bool Finish();

    const clOpInfo& m_Info;
    const clCliArgs& m_Args;
    clCliUi& m_Ui;
    clCliEvents& m_Events;
    clCliWork m_Work;
    clCliRun m_Run;
    unsigned short m_usChip = 0;
    int m_iSpace = 0;
    std::string m_sDescription;
    bool m_bSendingImage = false; // a failure now is no device order's
    clOpRunner* m_pRunner = nullptr;
};

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
    return {};
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

void clDeviceRun::Connect(clCliComm& comm)
{
    m_Events.Phase("connect");
    comm.SetupDevice(m_usChip);
    // Named as asked until a connection says where it went: a failed
    // connect still tells which port it tried.
    m_Run.port = m_Args.Has("demo") ? "demo" : m_Args.Has("scan") ? "scan" : m_Args.Value("port");
    m_Run.port = QkConnectAsAsked(comm, m_Args);
    m_Run.protocol = comm.GetProtocol();
    // "Cannot connect ..." is answered Ok, so a failed connect throws; a
    // connection that still ended on the demo protocol did not reach a
    // programmer.
    if (m_Run.protocol == clQkProtocol::demo && !m_Args.Has("demo"))
        throw clQKCommExpt();
    if (comm.GetFirmwareWrites() > 0)
        NoteFirmwareUpdate(comm);
}

// Writing the firmware takes seconds and changes the programmer: never silent.
void clDeviceRun::NoteFirmwareUpdate(clCliComm& comm)
{
    const int monitor = comm.GetMonitorVersion();
    std::string from = "boot monitor";
    if (monitor >= 0)
        from += " " + std::to_string(monitor);
    std::string to = "new firmware";
    TArrayAsVector<clVerInfo> versions;
    try {
        comm.GetQKVer(versions);
        if (!versions.empty())
            to = QkVersionText("", versions[0]);
    } catch (const clBscExpt&) {
        // The operation that follows meets the same fault and says it.
    }
    m_Run.firmwareUpdate = std::pair{from, to};
    if (!m_Args.Has("json") && !m_Args.Has("json-events") && !m_Args.Has("quiet"))
        std::fprintf(stderr, "qkcli %s: the programmer was in its %s; %s was written into it and started\n",
                     m_Info.name, from.c_str(), to.c_str());
}

// Program and verify compare the programmer's memory with the device over
// the command range, so that range of the image goes to the programmer, a
// run of equal bytes as one fill frame. Nothing else of the space is sent:
// after a qkcli command the programmer's memory outside the range holds
// whatever it held before.
void clDeviceRun::SendImage(clCliComm& comm)
{
    m_Events.Phase("write image");
    const clQKHugeBuffer& buffer = m_Work.Spaces().Buffer(m_iSpace);
    m_bSendingImage = true;
    comm.Prolog();
    try {
        // With the reverse flag, as the desktop program writes and as every
        // read reads: devices that store bits in reverse order get them so.
        comm.WriteSpace(buffer.GetCmdStartAdrs(), buffer.GetCmdStopAdrs(), buffer, qkwire::ordMemory, qkwire::subMemory,
                        1);
    } catch (...) {
        comm.Epilog();
        throw;
    }
    comm.Epilog();
    m_bSendingImage = false;
}

template <class F>
void clDeviceRun::Order(clCliComm& comm, const clQKHugeBufIntr& buffer, F&& order)
{
    comm.SetAddressesSeq(buffer);
    order();
    m_pRunner->CheckCarriedOut();
}

// The automatic steps around programming, in the program's order.
void clDeviceRun::ProgramWithSteps(clCliComm& comm)
{
    const clDBChip chip = m_Work.Db().GetChip(m_usChip);
    const clQKHugeBuffer& buffer = m_Work.Spaces().Buffer(m_iSpace);
    clCycleOrders orders;
    if (m_Args.Has("sig-check")) {
        if (chip.IsSigChkAvail() != 0)
            orders.sigChk = [&] { comm.SigChkSeq(); };
        else
            std::fprintf(stderr, "qkcli program: the %s has no signature check; skipped\n", m_Run.device.c_str());
    }
    if (m_Args.Has("erase")) {
        if (chip.IsEraseAvail() != 0)
            orders.erase = [&] { Order(comm, buffer, [&] { comm.EraseSeq(buffer); }); };
        else
            std::fprintf(stderr, "qkcli program: the %s cannot be erased; skipped\n", m_Run.device.c_str());
    }
    if (m_Args.Has("blank-check"))
        orders.blankCheck = [&] { Order(comm, buffer, [&] { comm.BlnkChkSeq(buffer); }); };
    orders.waitDelay = [this] {
        std::uint32_t delay = 1000; // checked with the command line
        QkParseNumber(m_Args.Value("delay", "1000"), delay);
        if (!clCliInterrupt::Wait(delay))
            throw clXAbort();
    };
    orders.program = [&] { Order(comm, buffer, [&] { m_Run.checksum = comm.ProgramSeq(buffer); }); };
    m_pRunner->ProgramCycle(orders, true);
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
    // The failure disconnected the programmer: the bracket connects again.
    comm.Prolog();
    comm.Epilog();
    Order(comm, actual, [&] { comm.ReadSeq(actual); });
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
    if (ReadsFile())
        SendImage(comm);
    comm.WrPrjDescrSeq(m_sDescription.c_str());
    m_Events.Phase(m_Info.name);
    switch (m_Info.op) {
    case clOp::program: ProgramWithSteps(comm); break;
    case clOp::verify: Order(comm, buffer, [&] { comm.VerifySeq(buffer); }); break;
    case clOp::read: {
        Order(comm, buffer, [&] { comm.ReadSeq(buffer); });
        comm.Ready();
        const std::string out = m_Args.Value("file");
        const std::string problem = QkWriteRange(buffer, *m_Run.start, *m_Run.stop, out, *OutputFormat(), false);
        if (!problem.empty())
            throw std::runtime_error(problem);
        m_Run.imageChecksum = buffer.Sum(buffer.GetCmdStartAdrs(), buffer.GetCmdStopAdrs());
        break;
    }
    case clOp::blankCheck: Order(comm, buffer, [&] { comm.BlnkChkSeq(buffer); }); break;
    case clOp::erase: Order(comm, buffer, [&] { comm.EraseSeq(buffer); }); break;
    case clOp::checksum: Order(comm, buffer, [&] { m_Run.checksum = comm.ChkSumSeq(buffer); }); break;
    }
    // A connection lost and made again inside the operation must not have
    // ended on the demo protocol.
    if (comm.GetProtocol() == clQkProtocol::demo && !m_Args.Has("demo"))
        throw clQKCommExpt();
}

int clDeviceRun::Execute()
{
    if (const std::string problem = CheckUsage(); !problem.empty())
        return Usage(problem);
    // The trace and the log are checked before anything reaches the
    // programmer: work that cannot be recorded is not started.
    for (const char* record : {"trace", "log"})
        if (m_Args.Has(record))
            if (const std::string problem = QkCheckAppendable(m_Args.Value(record)); !problem.empty())
                return DataError(std::string("the ") + (record[0] == 't' ? "trace" : "communication log") +
                                 " cannot be written: " + problem);

    const auto began = std::chrono::steady_clock::now();
    try {
        if (const std::string problem = Prepare(); !problem.empty())
            return DataError(problem);
        if (const std::string problem = CheckOutputs(); !problem.empty())
            return DataError(problem);
    } catch (const clBscExpt& e) {
        return DataError(std::string("the data does not fit the device (") + QkExptName(e) + ")");
    } catch (const std::bad_alloc&) {
        return DataError("there is not enough memory for the selected device");
    }

    clCliInterrupt interrupt;
    clDataBase db(GetDLLDBaseInstance());
    clCliComm comm(m_Args, db, m_Events);
    clOpRunner runner(comm, m_Work.Options());
    m_pRunner = &runner;
    bool fileFailed = false;
    try {
        clOpResult result = runner.Run([&] { Connect(comm); });
        if (result.outcome == clOpOutcome::succeeded)
            result = m_Info.op == clOp::program ? runner.RunProgram([&] { Operate(comm); })
                                                : runner.Run([&] { Operate(comm); });
        TakeResult(result, comm);
    } catch (const std::runtime_error& e) {
        // The device answered; a file of ours could not be written.
        std::fprintf(stderr, "qkcli %s: %s\n", m_Info.name, e.what());
        m_Run.outcome = clCliOutcome::error;
        fileFailed = true;
    }
    TakeMessages(comm);
    m_Run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    if (!Finish())
        fileFailed = true;
    return fileFailed ? exitUsage : m_Run.ExitStatus();
}

void clDeviceRun::TakeResult(clOpResult result, clCliComm& comm)
{
    // A device failure while the image went to the programmer's memory is
    // the transfer's, not a device order's.
    if (result.outcome == clOpOutcome::failed && m_bSendingImage) {
        result.outcome = clOpOutcome::error;
        result.memoryTransfer = true;
    }
    switch (result.outcome) {
    case clOpOutcome::succeeded: m_Run.outcome = clCliOutcome::ok; break;
    case clOpOutcome::failed: m_Run.outcome = clCliOutcome::failed; break;
    case clOpOutcome::error: m_Run.outcome = clCliOutcome::error; break;
    case clOpOutcome::aborted: m_Run.outcome = clCliOutcome::aborted; break;
    }
    if (result.malformedReply)
        m_Run.detail = "the programmer's reply was malformed (a line fault, not the device's verdict)";
    else if (result.memoryTransfer)
        m_Run.detail = "the programmer refused a transfer of its memory; no device order failed";
    else if (result.connectAnew)
        m_Run.detail = "the programmer restarted (stand-alone power-up); nothing more was done: run the command again";
    else if (result.notCarriedOut) {
        clCliMessage updating;
        updating.text = kQkUpdatingText;
        m_Run.error = updating;
        m_Run.detail = "the programmer is updating its firmware; the order was not carried out";
    }
    if (result.outcome == clOpOutcome::failed && m_Info.op == clOp::verify && m_Args.Has("report")) {
        try {
            WriteVerifyReport(comm);
        } catch (const clBscExpt&) {
            std::fprintf(stderr, "qkcli verify: reading back for the report failed\n");
        }
    }
}

// The error the result names: what the programmer and the library said.
void clDeviceRun::TakeMessages(const clCliComm& comm)
{
    if (m_Run.protocol == clQkProtocol::demo && !m_Args.Has("demo") && !m_Run.error) {
        clCliMessage cannot;
        cannot.number = 1;
        cannot.text = QkCommMessage(1);
        m_Run.error = cannot;
    }
    if (m_Run.outcome != clCliOutcome::ok && !m_Run.error)
        m_Run.error = MainMessage(m_Ui.GetMessages());
    // Why the port could not be opened goes beside "Cannot connect ...".
    if (m_Run.error && m_Run.error->number == 1 && m_Run.detail.empty())
        m_Run.detail = comm.GetConnectProblem();
    if (m_Run.outcome == clCliOutcome::aborted && !m_Run.error) {
        clCliMessage stopped;
        stopped.text = "Aborted";
        m_Run.error = stopped;
    }
}

// Prints the result and appends the trace line; false when the trace could
// not be written.
bool clDeviceRun::Finish()
{
    bool traced = true;
    if (m_Args.Has("trace") && !QkAppendTrace(m_Args.Value("trace"), m_Run.TraceLine())) {
        std::fprintf(stderr, "qkcli %s: cannot append to the trace %s\n", m_Info.name, m_Args.Value("trace").c_str());
        traced = false;
    }
    if (m_Args.Has("json") || m_Args.Has("json-events")) {
        std::printf("%s\n", m_Run.Json().c_str());
        return traced;
    }
    if (m_Run.outcome != clCliOutcome::ok) {
        if (m_Run.error && m_Ui.GetMessages().empty())
            std::fprintf(stderr, "%s\n", m_Run.error->text.c_str());
        if (!m_Run.detail.empty())
            std::fprintf(stderr, "qkcli %s: %s\n", m_Info.name, m_Run.detail.c_str());
        std::fprintf(stderr, "qkcli %s: %s\n", m_Info.name, m_Run.ResultText());
        return traced;
    }
    if (m_Args.Has("quiet"))
        return traced;
    char range[48];
    std::snprintf(range, sizeof range, "0x%X..0x%X", *m_Run.start, *m_Run.stop);
    std::printf("%s %s %s %s: ok", m_Run.device.c_str(), m_Run.space.c_str(), range, m_Info.name);
    if (m_Run.checksum)
        std::printf(", checksum %04X", *m_Run.checksum);
    std::printf(" (%s protocol, %s)", QkProtocolName(m_Run.protocol), m_Run.port.c_str());
    if (!m_Run.dataFile.empty() && m_Run.imageChecksum)
        std::printf("; data %s, image checksum %04X", m_Run.dataFile.c_str(), *m_Run.imageChecksum);
    std::printf("\n");
    return traced;
}

int RunDevice(clOp op, int argc, char** argv, int first)
{
    const clOpInfo* info = nullptr;
    for (const clOpInfo& candidate : kOps)
        if (candidate.op == op)
            info = &candidate;
    std::set<std::string> values = kCommonValues, flags = kCommonFlags;
    values.insert(info->values.begin(), info->values.end());
    flags.insert(info->flags.begin(), info->flags.end());
    const clCliArgs args(argc, argv, first, values, flags);
    if (!args.IsValid())
        return QkUsageError(info->name, args.GetError());
    if (!args.Positional().empty())
        return QkUsageError(info->name, "unexpected \"" + args.Positional()[0] + "\"");

    clCliUi ui(erIdAbort);
    ui.SetQuiet(args.Has("json") || args.Has("json-events"));
    ui.SetDetail(CommDetail);
    ui.SetFollowUp(2); // "General communication error ..." after the verdict
    // "Cannot connect ..." is never answered with Abort, which would switch to
    // the demo protocol: a connect fails instead.
    ui.SetAnswerFor(1, erIdOk);
    clCliEvents events(args.Has("json-events"), args.Has("quiet") || args.Has("json"));
    ui.SetListener([&events](const clCliMessage& m) { events.Message(m); });
    QkAppErrMngr().OpenErrMngr(GetNotifier(), nullptr);

    clDeviceRun run(*info, args, ui, events);
    const int status = run.Execute();
    QkAppErrMngr().CloseErrMngr();
    return status;
}

} // namespace

int QkCmdProgram(int argc, char** argv, int first)
{
    return RunDevice(clOp::program, argc, argv, first);
}
int QkCmdVerify(int argc, char** argv, int first)
{
    return RunDevice(clOp::verify, argc, argv, first);
}
int QkCmdRead(int argc, char** argv, int first)
{
    return RunDevice(clOp::read, argc, argv, first);
}
int QkCmdBlankCheck(int argc, char** argv, int first)
{
    return RunDevice(clOp::blankCheck, argc, argv, first);
}
int QkCmdErase(int argc, char** argv, int first)
{
    return RunDevice(clOp::erase, argc, argv, first);
}
int QkCmdChecksum(int argc, char** argv, int first)
{
    return RunDevice(clOp::checksum, argc, argv, first);
}
