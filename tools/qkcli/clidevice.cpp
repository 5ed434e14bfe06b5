// qkcli program, verify, read, blank-check, erase, checksum: one device
// operation through the communication facade. qkcli connects for one
// operation, so it sends the programmer what that operation needs and no
// more: the device set-up, the operation's range of the image (program and
// verify only), the project description, and before every device order the
// command range the order works on.
#include "tools/qkcli/clidevice.h"

#include <chrono>
#include <cstdio>
#include <set>
#include <stdexcept>
#include <string>

#include "comm/qkcommer.h"
#include "comm/qkcommexpt.h"
#include "comm/qkwire.h"
#include "err/errntfy.h"
#include "source/base/appmngr.h"
#include "source/settings/aboutlist.h"
#include "tools/qkcli/climulti.h"

namespace {

// The options every device command takes, and those of each command.
const std::set<std::string> kCommonValues = {"port", "device", "log", "switch", "trace"};
const std::set<std::string> kCommonFlags = {"scan", "demo", "json", "json-events", "quiet"};

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

} // namespace

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
        std::uint32_t delay = kQkcliProgramDelayMs; // checked with the command line
        QkParseNumber(m_Args.Value("delay", std::to_string(kQkcliProgramDelayMs)), delay);
        if (!clCliInterrupt::Wait(delay))
            throw clXAbort();
    };
    orders.program = [&] { Order(comm, buffer, [&] { m_Run.checksum = comm.ProgramSeq(buffer); }); };
    m_pRunner->ProgramCycle(orders, true);
}

void clDeviceRun::Operate(clCliComm& comm)
{
    clQKHugeBuffer& buffer = m_Work.Spaces().Buffer(m_iSpace);
    if (m_pSerial)
        m_pSerial->Patch(buffer, m_Run);
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
    if (m_pSerial)
        if (const std::string problem = m_pSerial->Complete(m_Run); !problem.empty()) {
            // The value stays reserved: the next start reports it and retires it.
            std::fprintf(stderr, "qkcli %s: the ledger could not record how the cycle ended: %s\n", m_Info.name,
                         problem.c_str());
            fileFailed = true;
        }
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

namespace {

int RunDevice(clOp op, int argc, char** argv, int first)
{
    const clOpInfo* info = nullptr;
    for (const clOpInfo& candidate : kOps)
        if (candidate.op == op)
            info = &candidate;
    std::set<std::string> values = kCommonValues, flags = kCommonFlags;
    values.insert(info->values.begin(), info->values.end());
    if (op == clOp::program)
        values.insert(std::begin(kQkSerialValueOptions), std::end(kQkSerialValueOptions));
    flags.insert(info->flags.begin(), info->flags.end());
    // Every command but read works on several programmers at once.
    std::set<std::string> repeatable = {"switch"};
    if (op != clOp::read)
        repeatable.insert("port");
    const clCliArgs args(argc, argv, first, values, flags, repeatable);
    if (!args.IsValid())
        return QkUsageError(info->name, args.GetError());
    if (!args.Positional().empty())
        return QkUsageError(info->name, "unexpected \"" + args.Positional()[0] + "\"");
    if (const std::vector<std::string> ports = args.Values("port"); ports.size() > 1) {
        if (args.Has("scan") || args.Has("demo"))
            return QkUsageError(info->name, "give --port for each programmer, without --scan or --demo");
        return QkRunOnPorts(info->name, argc, argv, first, ports, args.Has("json"), args.Has("quiet"));
    }
    // --scan: every programmer the detected ports lead to, all at once.
    if (op != clOp::read && args.Has("scan") && !args.Has("port") && !args.Has("demo")) {
        const std::vector<std::string> programmers = QkFindProgrammers(QkScanPorts());
        if (programmers.empty()) {
            std::fprintf(stderr, "qkcli %s: no programmer answered on any serial port (see \"qkcli ports\")\n",
                         info->name);
            return exitComm;
        }
        return QkRunOnPorts(info->name, argc, argv, first, programmers, args.Has("json"), args.Has("quiet"));
    }

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
