// A device command on several programmers at once.
#pragma once

#include <string>
#include <vector>

// Runs command (argv[first..argc) as given, --port repeated) on each of
// ports in parallel, one qkcli process each, so that one port failing or
// hanging never stops the others; Ctrl-C stops them all. Prints a line per
// port as each ends (or its JSON object) and a summary; returns the worst
// port's exit status.
int QkRunOnPorts(const char* command, int argc, char** argv, int first, const std::vector<std::string>& ports,
                 bool json, bool quiet);

// The ports among ports (COM names or paths) where a programmer answers,
// asked all at once.
std::vector<std::string> QkFindProgrammers(const std::vector<std::string>& ports);
