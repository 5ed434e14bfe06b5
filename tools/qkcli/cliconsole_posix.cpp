#include "tools/qkcli/cliconsole.h"

// The arguments are bytes as the user typed them, UTF-8 on any system set up
// for it; the terminal shows what it is given.
std::vector<std::string> QkUtf8Arguments(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

void QkUtf8Console() {}
