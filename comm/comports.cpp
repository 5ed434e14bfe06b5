#include "comm/comports.h"

#include <cstdlib>
#include <map>

#include "comm/comhandle.h"

namespace {

std::map<int, std::string>& PortMap()
{
    static std::map<int, std::string> map;
    return map;
}

} // namespace

void ComMapPort(int comNo, const std::string& path)
{
    if (path.empty())
        PortMap().erase(comNo);
    else
        PortMap()[comNo] = path;
}

void ComClearPortMap()
{
    PortMap().clear();
}

std::string ComPortPath(int comNo)
{
    if (comNo < 1)
        return {};
    const auto mapped = PortMap().find(comNo);
    if (mapped != PortMap().end())
        return mapped->second;
    const std::string variable = "QKJTAG_COM" + std::to_string(comNo);
    if (const char* path = std::getenv(variable.c_str()); path != nullptr && *path != '\0')
        return path;
    return ComSystemPortPath(comNo);
}

std::string clComPort::Path() const
{
    return path.empty() ? ComPortPath(comNo) : path;
}

std::string clComPort::Name() const
{
    return path.empty() ? "COM" + std::to_string(comNo) : path;
}

std::string ComPortProblem(int comNo)
{
    const std::string path = ComPortPath(comNo);
    return path.empty() ? "COM" + std::to_string(comNo) + " is no serial port of this machine" : QkPortProblem(path);
}
