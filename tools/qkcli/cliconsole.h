// The console as qkcli needs it: the arguments and the output in UTF-8, the
// text every file name and message of the program is in. One file per
// platform (cliconsole_posix.cpp, cliconsole_win32.cpp).
#pragma once

#include <string>
#include <vector>

// The command line in UTF-8. Windows hands main() its arguments in the ANSI
// code page, which cannot hold every name; the wide command line can.
std::vector<std::string> QkUtf8Arguments(int argc, char** argv);

// Makes the console show UTF-8 output as the letters it stands for.
void QkUtf8Console();
