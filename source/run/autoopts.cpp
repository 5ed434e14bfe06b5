#include "source/run/autoopts.h"

#include "source/project/qkopts.h"

namespace {
std::uint16_t Get16(clOptSrvInterface& options, clQKOptIDType id)
{
    std::uint16_t value = 0;
    options.Get(id, value);
    return value;
}
} // namespace

clAutoOptions QkReadAutoOptions(clOptSrvInterface& options)
{
    return {Get16(options, kOptAutoSigChk), Get16(options, kOptAutoBlkChk), Get16(options, kOptAutoErase),
            Get16(options, kOptAutoRobot)};
}

void QkWriteAutoOptions(clOptSrvInterface& options, const clAutoOptions& values)
{
    options.Set(kOptAutoSigChk, values.sigChk);
    options.Set(kOptAutoBlkChk, values.blnkChk);
    options.Set(kOptAutoErase, values.erase);
    options.Set(kOptAutoRobot, values.robot);
}
