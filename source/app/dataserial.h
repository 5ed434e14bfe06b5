// The data view's serial values: the settings the project keeps, the value
// of the device being programmed, and the line the view shows (the next
// value before Program, the last one after).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cpplib/qk51buff.h"
#include "options/srvqk51.h"
#include "source/production/serialcycle.h"

class clDataSerial {
public:
    explicit clDataSerial(TBscOptServer& options);
    ~clDataSerial();

    clSerialSettings Settings() const;
    // Kept in the project (an empty source turns serial values off).
    void SetSettings(const clSerialSettings& settings);
    bool IsOn() const { return Settings().IsOn(); }

    // Before a program cycle over start..stop on port: opens the ledger and
    // retires what this station left reserved there. "" when ready or when
    // no serial value is set, else why the cycle must not start.
    std::string Prepare(std::uint32_t start, std::uint32_t stop, const std::string& port, const std::string& project);
    // Draws the value and writes it into buffer (marked for the programmer,
    // sent by the cycle). Throws clLedgerError.
    void Patch(clQKHugeBuffer& buffer);
    // After the cycle: the buffer gets its own bytes back and the ledger the
    // outcome; "" when recorded, else why not.
    std::string Finish(clQKHugeBuffer& buffer, bool succeeded, const std::string& reason);

    // "Next: 5000", "Last: 5000 verified;  next: 5001", "" when off.
    std::string Text();

private:
    TBscOptServer& m_Options;
    std::unique_ptr<clSerialCycle> m_pCycle; // from Prepare to Finish
    std::string m_sLast;                     // "5000 verified"
    std::string m_sNextFor;                  // the settings m_sNext was found for
    std::string m_sNext;
};
