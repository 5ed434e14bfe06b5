#include "source/settings/setting.h"

#include "comm/linkprobe.h"
#include "comm/qkcomm.h"
#include "qkdb/dbase32.h"
#include "source/project/qkopts.h"
#include "source/settings/aboutlist.h"

clSettingResult QkUnchangedResult(const clSettingInput& input)
{
    clSettingResult result;
    result.frequency = input.frequency;
    result.flyOver = input.flyOver;
    result.mute = input.mute;
    result.autoOptions = input.autoOptions;
    result.flash = input.flash;
    result.ignoreStartStop = input.ignoreStartStop;
    result.sounds = input.sounds;
    return result;
}

void QkApplySettings(const clSettingInput& input, const clSettingResult& result, clOptSrvInterface& options,
                     clSettingTarget& target)
{
    target.ShowReady();
    if (result.reconnect)
        target.Reconnect();
    target.SetFrequency(result.frequency);
    target.SetMute(result.mute);
    target.SetSounds(result.sounds);
    target.SetFlyOver(result.flyOver);
    if (!(result.autoOptions == input.autoOptions) || result.flash != input.flash)
        target.MarkProjectChanged();
    target.SetIgnoreStartStop(result.ignoreStartStop);
    if (result.flash != input.flash)
        target.SetFlash(result.flash);
    QkWriteAutoOptions(options, result.autoOptions);
    if (result.port != -1) {
        target.SetPort(result.port);
        if (!target.HasProtocol())
            target.PostConnect(result.port);
    }
    if (result.device != 0) {
        target.SelectDevice(result.device);
        for (int space = 1; space <= kSpaceCount; ++space) {
            options.Set(QkSpaceOptId(space, spcCLState), std::uint32_t{1});
            options.Set(QkSpaceOptId(space, spcCLThree), false);
        }
        target.Refresh();
    }
    if (result.flyOver != input.flyOver)
        target.ApplyButtonStyle(result.flyOver);
    if (result.bootUpdate)
        target.BuildUpdateImage();
}

void QkApplyCancelled(const clSettingResult& result, clSettingTarget& target)
{
    if (result.reconnect)
        target.Reconnect();
}

std::vector<std::string> QkSettingAboutLines(const std::string& software, clQKComm* comm, const clDataBase& db)
{
    TArrayAsVector<clVerInfo> protocol, programmer, database;
    db.GetVer(database);
    // The demo protocol the line fell back to is no programmer.
    const bool connected = comm != nullptr && comm->IsCommExist() != 0 &&
                           (comm->GetProtocol() != clQkProtocol::demo || comm->IsForceDemo() != 0);
    std::vector<std::string> link;
    if (connected) {
        try {
            comm->GetProtocolVer(protocol);
            comm->GetQKVer(programmer);
            if (comm->GetProtocol() == clQkProtocol::real) {
                // Few requests: the page opens at once even on a slow adapter.
                const clRoundTrips trips = QkTimeRoundTrips(*comm, 20);
                link.push_back("   Line:     " + QkRoundTripText(trips));
                link.push_back("     -  " + QkLatencyText(comm->GetLinkLatency()));
                if (QkIsSlowRoundTrip(trips, comm->GetLinkBaud()))
                    link.push_back("     -  slow: the adapter holds replies (qkcli link-test tells more)");
            }
        } catch (const clBscExpt&) {
            // The library has said what went wrong; the lines say how it ended.
            return QkAboutLines(software, false, {}, {}, database);
        }
    }
    return QkAboutLines(software, connected, protocol, programmer, database, link);
}

bool QkCanUpdateProgrammer(const clQKComm* comm)
{
    return comm != nullptr && comm->IsCommExist() != 0 && comm->GetProtocol() == clQkProtocol::real;
}
