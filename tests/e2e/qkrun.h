// Runs a real program and collects its exit status, stdout and stderr.
#pragma once

#include <string>
#include <vector>

struct clRunResult {
    int status = -1; // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// Runs program with args; stdin reads from /dev/null. Extra environment
// entries ("NAME=value") are added to the current environment.
clRunResult QkRun(const std::string& program, const std::vector<std::string>& args,
                  const std::vector<std::string>& env = {});

// Starts program with args in the background, its input and output on
// /dev/null; the process id, or -1. QkWaitExit collects its exit status
// (128 + signal when a signal ended it).
int QkStart(const std::string& program, const std::vector<std::string>& args);
int QkWaitExit(int pid);
