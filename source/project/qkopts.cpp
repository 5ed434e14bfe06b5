#include "source/project/qkopts.h"

namespace {
template <class O>
O* Add(TBscOptGrp& group, clQKOptIDType id, clQKPriorityType priority = 0)
{
    return group.Add(std::make_unique<O>(id, priority));
}

// The dump-window options of a space, in the order they are stored.
TBscOptGrp* AddDumpOptions(TBscOptGrp& parent, int space)
{
    auto* dump = parent.Add(std::make_unique<TBscOptGrp>(static_cast<clQKGrpIDType>(space)));
    Add<TDumpH>(*dump, QkSpaceOptId(space, spcDumpH));
    Add<TDumpW>(*dump, QkSpaceOptId(space, spcDumpW));
    Add<TDumpY>(*dump, QkSpaceOptId(space, spcDumpY));
    Add<TDumpX>(*dump, QkSpaceOptId(space, spcDumpX));
    Add<TGotoOpt>(*dump, QkSpaceOptId(space, spcGoto));
    Add<TCurAdrsOpt>(*dump, QkSpaceOptId(space, spcCurAdrs));
    Add<TDumpStartOpt>(*dump, QkSpaceOptId(space, spcDumpStart));
    Add<TBinModeOpt>(*dump, QkSpaceOptId(space, spcBinMode));
    Add<TEndianTypeOpt>(*dump, QkSpaceOptId(space, spcEndian));
    Add<TLineWidthOpt>(*dump, QkSpaceOptId(space, spcLineWidth));
    Add<TViewModeOpt>(*dump, QkSpaceOptId(space, spcViewMode));
    Add<TReplaceOpt>(*dump, QkSpaceOptId(space, spcReplace));
    Add<TFindOpt>(*dump, QkSpaceOptId(space, spcFind));
    return dump;
}
} // namespace

clQkOptCatalogue QkRegisterOptions(TBscOptServer& server)
{
    clQkOptCatalogue catalogue;
    catalogue.description = Add<TProjDesc>(server, kOptProjDesc, kPriorityProjDesc);
    catalogue.chipId = Add<TChipID>(server, kOptChipId);
    for (int space = 1; space <= kSpaceCount; ++space) {
        catalogue.buffers[space] = server.Add(std::make_unique<THBuffOpt>(space));
        Add<clRefLoad>(server, QkSpaceOptId(space, spcFileName));
        // No file and no image until the space is loaded or saved.
        Add<clRefType>(server, QkSpaceOptId(space, spcFileType), kPriorityFileType)->Value() = ftNone;
        Add<TSpcCLThree>(server, QkSpaceOptId(space, spcCLThree));
        Add<TSpcCLState>(server, QkSpaceOptId(space, spcCLState));
        Add<clLastFill>(server, QkSpaceOptId(space, spcLastFill));
        catalogue.dumpOptions[space] = AddDumpOptions(server, space);
    }
    Add<clRefLoad>(server, kOptSpace0FileName);
    Add<TStartEdit>(server, kOptDataStart);
    Add<TStopEdit>(server, kOptDataStop);
    Add<TPgmCycle>(server, kOptPgmCycle);
    Add<TSuccess>(server, kOptSuccess);
    Add<TFailure>(server, kOptFailure);
    Add<TChkBxOpt>(server, kOptEncryption);
    Add<TChkBxOpt>(server, kOptLockBit1);
    Add<TChkBxOpt>(server, kOptLockBit2);
    Add<TChkBxOpt>(server, kOptLockBit3);
    Add<TStartEdit>(server, kOptOsdStart);
    Add<TStopEdit>(server, kOptOsdStop);
    Add<TAutoSigChk>(server, kOptAutoSigChk);
    Add<TAutoErase>(server, kOptAutoErase);
    Add<TAutoBlkChk>(server, kOptAutoBlkChk);
    Add<TAutoRobot>(server, kOptAutoRobot);
    Add<TSerialOpt>(server, kOptSerial);
    return catalogue;
}
