// One device command of qkcli (program, verify, read, blank-check, erase,
// checksum) as it runs: what it was asked, the device and range it works on,
// and what it reports. The command's parts live in three files: preparing it
// (clidevprep.cpp), running it (clidevice.cpp), reporting it (clidevout.cpp).
#pragma once

#include <memory>
#include <set>
#include <string>

#include "source/run/oprunner.h"
#include "tools/qkcli/cliargs.h"
#include "tools/qkcli/clicomm.h"
#include "tools/qkcli/clievents.h"
#include "tools/qkcli/cliformat.h"
#include "tools/qkcli/clinotify.h"
#include "tools/qkcli/clirun.h"
#include "tools/qkcli/cliserial.h"
#include "tools/qkcli/cliwork.h"
#include "tools/qkcli/commands.h"

enum class clOp { program, verify, read, blankCheck, erase, checksum };

struct clOpInfo {
    clOp op;
    const char* name;
    std::set<std::string> values;
    std::set<std::string> flags;
};

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
    std::unique_ptr<clCliSerial> m_pSerial; // program with --serial
};

template <class F>
void clDeviceRun::Order(clCliComm& comm, const clQKHugeBufIntr& buffer, F&& order)
{
    comm.SetAddressesSeq(buffer);
    order();
    m_pRunner->CheckCarriedOut();
}
