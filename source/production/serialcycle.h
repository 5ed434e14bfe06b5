// A device's own value through one program cycle, the same for qkcli and
// the desktop program: the settings (as a project keeps them), the value
// drawn and reserved in the ledger, patched into the image, and marked with
// how the cycle ended.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cpplib/clbuffer.h"
#include "source/production/serialledger.h"
#include "source/production/serialsrc.h"

struct clSerialSettings {
    std::string source; // "counter:START[:STEP]", "list:FILE", "exec:COMMAND"; "" none
    std::uint32_t address = 0;
    clSerialLayout layout;
    std::string ledger; // a file or a postgresql:// URI
    clLedgerPolicy policy;

    bool IsOn() const { return !source.empty(); }
    // "source=counter:5000;at=0x100;width=4;format=bin;endian=big;ledger=...;stale=retire;failed=retire"
    std::string ToText() const;
    // The settings of text; false with the reason when it is malformed.
    static bool FromText(const std::string& text, clSerialSettings& settings, std::string& error);
};

// How a value's cycle ended, for the ledger: ok, or failed, with whether
// the failure came in the verify after the program order (the value is then
// in the device).
std::string QkSerialState(bool ok, bool verifyFailed);

// The value the next device would get under settings, without drawing it:
// "" when the source cannot tell (a command) or the settings are wrong.
std::string QkSerialNext(const clSerialSettings& settings);

class clSerialCycle {
public:
    clSerialCycle();
    ~clSerialCycle();

    // Makes the source, checks that the value lies in start..stop, opens the
    // ledger and takes what this station left reserved on port (retired, or
    // kept for reuse), returned in stale to be reported. "" when ready.
    std::string Prepare(const clSerialSettings& settings, std::uint32_t start, std::uint32_t stop,
                        const std::string& port, const std::string& project, std::vector<clLedgerEntry>& stale);
    // What the next draw would give, without drawing it ("" when the source
    // has none or the ledger cannot tell).
    std::string Next();
    // Draws the next value, commits its reservation, and writes it into
    // buffer; what it replaced is kept for Restore. Throws clLedgerError.
    const clLedgerEntry& Patch(clHugeBuffer<unsigned char>& buffer);
    // Puts back the bytes the last Patch replaced.
    void Restore(clHugeBuffer<unsigned char>& buffer);
    // Marks the drawn value (QkSerialState), with reason and the checksum of
    // the image programmed; "" when recorded, else why not (the value then
    // stays reserved and is retired at the next start).
    std::string Complete(const std::string& state, const std::string& reason, unsigned imageChecksum);
    // The value drawn last, if any.
    const std::optional<clLedgerEntry>& Drawn() const { return m_Drawn; }

private:
    clSerialSettings m_Settings;
    std::string m_sPort, m_sProject;
    std::unique_ptr<clSerialSource> m_pSource;
    std::unique_ptr<clSerialLedger> m_pLedger;
    std::optional<clLedgerEntry> m_Drawn;
    clSerialBytes m_Replaced;
};
