// qkcli versions: the version lines of the About page, with or without a
// programmer.
#include <cstdio>
#include <string>

#include "comm/comport.h"
#include "comm/qkcommexpt.h"
#include "err/errntfy.h"
#include "qkversion.h"
#include "source/base/appmngr.h"
#include "source/settings/aboutlist.h"
#include "tools/qkcli/clicomm.h"
#include "tools/qkcli/clijson.h"
#include "tools/qkcli/clinotify.h"
#include "tools/qkcli/commands.h"

int QkCmdVersions(int argc, char** argv, int first)
{
    const clCliArgs args(argc, argv, first, {"port", "log", "switch"}, {"scan", "demo", "json", "quiet"});
    if (!args.IsValid())
        return QkUsageError("versions", args.GetError());
    if (!args.Positional().empty())
        return QkUsageError("versions", "unexpected \"" + args.Positional()[0] + "\"");
    if (args.Has("port") + args.Has("scan") + args.Has("demo") > 1)
        return QkUsageError("versions", "give at most one of --port, --scan, --demo");
    if (const std::string problem = QkCheckConnArgs(args); !problem.empty())
        return QkUsageError("versions", problem);
    const bool connecting = args.Has("port") || args.Has("scan") || args.Has("demo");

    clCliUi ui(erIdAbort);
    ui.SetQuiet(args.Has("json"));
    ui.SetAnswerFor(1, erIdOk);
    QkAppErrMngr().OpenErrMngr(GetNotifier(), nullptr);
    clDataBase db(GetDLLDBaseInstance());
    TArrayAsVector<clVerInfo> protocol, programmer, database;
    db.GetVer(database);
    std::string port;
    clQkProtocol kind = clQkProtocol::none;
    int status = exitOk;
    if (connecting) {
        clCliEvents events(false, true);
        clCliComm comm(args, db, events);
        try {
            port = QkConnectAsAsked(comm, args);
            kind = comm.GetProtocol();
            if (kind == clQkProtocol::demo && !args.Has("demo"))
                throw clQKCommExpt();
            comm.GetProtocolVer(protocol);
            comm.GetQKVer(programmer);
        } catch (const clBscExpt&) {
            status = exitComm;
            protocol.clear();
            programmer.clear();
            if (const std::string reason = comm.GetConnectProblem(); !reason.empty() && !args.Has("json"))
                std::fprintf(stderr, "qkcli versions: %s\n", reason.c_str());
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
        out.Add("port", port).Add("protocol_kind", connected ? QkProtocolName(kind) : "");
        out.AddRaw("protocol", list(protocol))
            .AddRaw("programmer", list(programmer))
            .AddRaw("database", list(database));
        std::printf("%s\n", out.Text().c_str());
    } else {
        for (const std::string& line : lines)
            std::printf("%s\n", line.c_str());
    }
    QkAppErrMngr().CloseErrMngr();
    return status;
}
