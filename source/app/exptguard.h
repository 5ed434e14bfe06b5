// The guard every window event passes: what escapes a handler ends the
// program after the "Exception" box, with one of four texts.
#pragma once

#include <exception>
#include <string>

enum class clGuardKind {
    disk,     // "Disk operation error was found (log file)."
    memory,   // "Not enough memory is availabe, program will shut down."
    internal, // "Internal error was found, please report to HALVANE."
    system,   // "Unhandled error was found, please report to HALVANE."
    unknown,  // no box; the window closes
};

inline constexpr const char kGuardCaption[] = "Exception";

// The kind of an escaped exception.
clGuardKind QkGuardKind(const std::exception_ptr& escaped);
// The box's text for a kind ("" for unknown).
const char* QkGuardText(clGuardKind kind);
