// A build without the ledger's database clients: --serial is refused
// before anything reaches the programmer.
#include "tools/qkcli/cliserial.h"

class clSerialCycle {};

std::string clCliSerial::CheckUsage(const clCliArgs& args)
{
    for (const char* option : kQkSerialValueOptions)
        if (args.Has(option))
            return "this build of qkcli has no serial-number ledger (--" + std::string(option) + ")";
    return {};
}

clCliSerial::clCliSerial(const clCliArgs& args) : m_Args(args) {}
clCliSerial::~clCliSerial() = default;

std::string clCliSerial::Prepare(std::uint32_t, std::uint32_t, const std::string&, const std::string&, bool)
{
    return "this build of qkcli has no serial-number ledger";
}

void clCliSerial::Patch(clQKHugeBufIntr&, clCliRun&) {}

std::string clCliSerial::Complete(clCliRun&)
{
    return {};
}
