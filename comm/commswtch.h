// The communication library's switch set.
#pragma once

#include <string>

#include "comm/swtch.h"

// Key texts, for the code that asks the set.
namespace qksw {
inline constexpr const char kNoVfy[] = "no_vfy";
inline constexpr const char kNoFst[] = "no_fst";
inline constexpr const char kCommLog[] = "comm_log";
inline constexpr const char kIgnoreAdp[] = "ignore_adp";
inline constexpr const char kQuickPulse[] = "quick_pulse";
inline constexpr const char kFpgm[] = "fpgm";
inline constexpr const char kVpp[] = "vpp";
inline constexpr const char kRdBaud[] = "rd_baud";
inline constexpr const char kSimBaud[] = "sim_baud";
inline constexpr const char kMulCommTo[] = "mul_comm_to";
inline constexpr const char kCommLogPth[] = "comm_log_pth";
inline constexpr const char kForceDemo[] = "force_demo";
inline constexpr const char kDelaySmallBuf[] = "delay_smallbuf";
inline constexpr const char kCommBaud[] = "comm_baud";
inline constexpr const char kNoFb[] = "no_fb";
inline constexpr const char kSectorDelay[] = "sector_delay";
inline constexpr const char kMassDelay[] = "mass_delay";
inline constexpr const char kVoltageLevel[] = "voltage_level";
inline constexpr const char kPrgDelay[] = "prg_delay";
} // namespace qksw

class clCommSwtch : public clSwtch {
public:
    clCommSwtch(int argc, const char* const* argv);
};

// Why text is no switch of the communication library ("" when it is one):
// it must start with "/" or "-", name a switch of the set (in any case), and
// give a switch that takes a value one (a delay, a time-out or a baud rate
// one that is a whole number).
std::string QkCommSwitchProblem(const std::string& text);
