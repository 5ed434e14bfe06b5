// The program-cycle statistics: cycles, successes and failures, kept in the
// option store (options 106 to 108) so that a project carries them.
#pragma once

#include <cstdint>

#include "options/optsrv.h"

// The counters stop at 65535 rather than wrap, so successes never exceed
// cycles.
class clPgmStats {
public:
    explicit clPgmStats(clOptSrvInterface& options) : m_Options(options) {}
    std::uint16_t Cycles() const;
    std::uint16_t Successes() const;
    std::uint16_t Failures() const;
    // A program cycle starts.
    void Begin();
    // It succeeded: successes become cycles minus failures.
    void Succeeded();
    // It failed or ended in an error.
    void Failed();
    // The user stopped it: neither a success nor a failure, and not a cycle
    // (so that successes stay cycles minus failures).
    void Aborted();
    // A new device starts from zero.
    void Reset();

private:
    std::uint16_t Get(clQKOptIDType id) const;
    void Set(clQKOptIDType id, std::uint16_t value);

    clOptSrvInterface& m_Options;
};
