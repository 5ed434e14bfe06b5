#include "comm/commswtch.h"

namespace {
struct SwitchKey {
    const char* key;
    const char* forms[2];
};

// In key order: a key's id is its position here.
constexpr SwitchKey kCommSwitches[] = {
    {qksw::kNoVfy, {"NOVFY", "NV"}},
    {qksw::kNoFst, {"NOFST", "NF"}},
    {qksw::kCommLog, {"COMMLOG", nullptr}},
    {qksw::kIgnoreAdp, {"IGNOREADP", "IADP"}},
    {qksw::kQuickPulse, {"QUICKPULSE", "QP"}},
    {qksw::kFpgm, {"FPGM:", nullptr}},
    {qksw::kVpp, {"VPP:", nullptr}},
    {qksw::kRdBaud, {"RDBAUD:", nullptr}},
    {qksw::kSimBaud, {"SIMBAUD:", nullptr}},
    {qksw::kMulCommTo, {"COMMTO:", nullptr}},
    {qksw::kCommLogPth, {"COMMLOG:", nullptr}},
    {qksw::kForceDemo, {"DEMO", nullptr}},
    {qksw::kDelaySmallBuf, {"DSMLBUF", nullptr}},
    {qksw::kCommBaud, {"BAUDID", nullptr}},
    {qksw::kNoFb, {"NOFB", nullptr}},
    {qksw::kSectorDelay, {"SDELAY:", nullptr}},
    {qksw::kMassDelay, {"MDELAY:", nullptr}},
    {qksw::kVoltageLevel, {"VLEVEL:", nullptr}},
    {qksw::kPrgDelay, {"PDELAY:", nullptr}},
};
} // namespace

clCommSwtch::clCommSwtch(int argc, const char* const* argv) : clSwtch(argc, argv)
{
    for (const SwitchKey& entry : kCommSwitches) {
        const std::uint32_t id = RegisterKey(entry.key);
        for (const char* form : entry.forms)
            if (form != nullptr)
                AddForm(clSwtchStr(form, id, false));
    }
}
