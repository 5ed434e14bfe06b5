// A build without the ledger's database clients.
#include <cstdio>

#include "tools/qkcli/commands.h"

int QkCmdLedger(int /*argc*/, char** /*argv*/, int /*first*/)
{
    std::fprintf(stderr, "qkcli ledger: this build of qkcli has no serial-number ledger\n");
    return exitUsage;
}
