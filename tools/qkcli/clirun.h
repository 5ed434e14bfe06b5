// The outcome of one device command: what ran where, and how it ended; as
// the final JSON object, a production-trace line, and the exit status.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "cpplib/qkbufcomm.h"
#include "tools/qkcli/clinotify.h"

enum class clCliOutcome { ok, failed, error, aborted };

// "real", "demo", or "" before a connection.
const char* QkProtocolName(clQkProtocol protocol);

// The device's own value, when the command gave it one.
struct clCliSerialNote {
    std::string shown; // as a person reads it
    std::string hex;   // the bytes patched in
    std::int64_t place = -1;
    std::string ledgerState; // how the ledger has it now
};

struct clCliRun {
    std::string operation; // "program", "verify", ...
    std::string device;
    std::string space;
    std::optional<std::uint32_t> start, stop;
    std::string port;
    clQkProtocol protocol = clQkProtocol::none;
    std::optional<unsigned> checksum;      // 16-bit
    std::optional<unsigned> imageChecksum; // of the buffer's command range
    std::string dataFile;                  // the file a project refers to for the space, if any
    // Set when the programmer was found in its boot monitor and its firmware
    // was written at connect: what ran before (the monitor) and after.
    std::optional<std::pair<std::string, std::string>> firmwareUpdate;
    std::optional<clCliSerialNote> serial;
    unsigned char fill = 0xFF; // what unloaded bytes hold
    clCliOutcome outcome = clCliOutcome::ok;
    std::optional<clCliMessage> error;
    std::string detail; // qkcli's own word on the error, beside the system's text
    double seconds = 0;

    // The exit status: 0 ok, 2 the device failed, 3 communication error, 4
    // aborted (usage and file errors end before a run).
    int ExitStatus() const;
    const char* ResultText() const;
    std::string Json() const;
    // time, port, device, space, range, image checksum, result, error number.
    std::string TraceLine() const;
};

// How every printed checksum is made.
inline constexpr const char kChecksumRecipe[] =
    "16-bit sum of the bytes of the range; bytes no file gave hold the fill value";

// Appends a line to a production trace, flushed at once; false when the file
// cannot be written.
bool QkAppendTrace(const std::string& path, const std::string& line);
// Whether a trace or log can go to path: a regular file (or a new one) that
// opens for appending; "" when it can, else why not. Checked before anything
// reaches the programmer, so that no work goes unrecorded.
std::string QkCheckAppendable(const std::string& path);
