// The qkcli commands. Each takes the whole argument vector and the index of
// its first own argument, and returns the exit status.
#pragma once

#include <cstdint>
#include <string>

// Exit statuses.
enum : int {
    exitOk = 0,
    exitUsage = 1, // usage, file or data error
    exitDevice = 2,
    exitComm = 3,
    exitAborted = 4,
    exitWarnings = 3, // convert: done, but the input raised warnings
};

// How long "program" waits before the program order unless --delay says.
inline constexpr std::uint32_t kQkcliProgramDelayMs = 1000;

struct clCliCommand {
    const char* name;
    const char* synopsis;
    const char* help; // shown by "qkcli COMMAND --help"
    int (*run)(int argc, char** argv, int first);
};

int QkCmdDevices(int argc, char** argv, int first);
int QkCmdInfo(int argc, char** argv, int first);
int QkCmdConvert(int argc, char** argv, int first);
int QkCmdPorts(int argc, char** argv, int first);
int QkCmdProject(int argc, char** argv, int first);
int QkCmdProgram(int argc, char** argv, int first);
int QkCmdVerify(int argc, char** argv, int first);
int QkCmdRead(int argc, char** argv, int first);
int QkCmdBlankCheck(int argc, char** argv, int first);
int QkCmdErase(int argc, char** argv, int first);
int QkCmdChecksum(int argc, char** argv, int first);
int QkCmdVersions(int argc, char** argv, int first);
int QkCmdLinkTest(int argc, char** argv, int first);
int QkCmdLedger(int argc, char** argv, int first);

// Prints "qkcli: message" to stderr and returns exitUsage.
int QkUsageError(const char* command, const std::string& message);
