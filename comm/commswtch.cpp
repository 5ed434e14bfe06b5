#include "comm/commswtch.h"

#include <cctype>
#include <cstring>

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

std::string QkCommSwitchProblem(const std::string& text)
{
    if (text.size() < 2 || (text[0] != '/' && text[0] != '-'))
        return "\"" + text + "\" is no switch (they start with / or -, as /SDELAY:30)";
    std::string upper = text.substr(1);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const SwitchKey& entry : kCommSwitches)
        for (const char* form : entry.forms) {
            if (form == nullptr)
                continue;
            const std::size_t length = std::strlen(form);
            const bool valued = form[length - 1] == ':';
            if (!valued) {
                if (upper == form)
                    return {};
                continue;
            }
            if (upper.compare(0, length, form) != 0)
                continue;
            const std::string value = upper.substr(length);
            if (value.empty())
                return text + " needs a value after the colon";
            // Delays, time-outs and baud rates are whole numbers.
            const bool number = entry.key == qksw::kMulCommTo || entry.key == qksw::kSectorDelay ||
                                entry.key == qksw::kMassDelay || entry.key == qksw::kPrgDelay ||
                                entry.key == qksw::kRdBaud || entry.key == qksw::kSimBaud;
            if (number && (value.size() > 9 || value.find_first_not_of("0123456789") != std::string::npos))
                return text + ": " + std::string(form, length - 1) + " takes a whole number";
            return {};
        }
    return "\"" + text + "\" is no switch of the communication library";
}
