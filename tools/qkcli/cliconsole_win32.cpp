#include "tools/qkcli/cliconsole.h"

#include "err/qkwide.h" // windows.h, which shellapi.h needs first

#include <shellapi.h>

std::vector<std::string> QkUtf8Arguments(int argc, char** argv)
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr || count != argc) {
        if (wide != nullptr)
            LocalFree(wide);
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(QkNarrow(wide[i]));
    LocalFree(wide);
    return arguments;
}

void QkUtf8Console()
{
    SetConsoleOutputCP(CP_UTF8);
}
