// Finding the serial ports of a Linux machine: the ttys of /sys/class/tty
// that have a device behind them.
#include "comm/comports.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;

constexpr const char* kFamilies[] = {"ttyUSB", "ttyACM", "ttyS"};

std::string ReadFirstLine(const fs::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The ttys the kernel writes its console to.
std::set<std::string> ConsoleNames(const fs::path& sysClassTty)
{
    std::set<std::string> names;
    std::istringstream words(ReadFirstLine(sysClassTty / "console" / "active"));
    for (std::string word; words >> word;)
        names.insert(word);
    return names;
}

// Family rank and number of a port name, or false for other ttys.
bool Classify(const std::string& name, int& family, unsigned long& number)
{
    for (int f = 0; f < 3; ++f) {
        const std::string prefix = kFamilies[f];
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string digits = name.substr(prefix.size());
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
            digits.size() > 6)
            return false;
        family = f;
        number = std::stoul(digits);
        return true;
    }
    return false;
}

} // namespace

std::vector<std::string> ComDetectPorts(const std::string& sysClassTty, const std::string& devDir)
{
    struct clFound {
        int family;
        unsigned long number;
        std::string name;
    };
    std::vector<clFound> found;
    const std::set<std::string> consoles = ConsoleNames(sysClassTty);
    std::error_code ec;
    for (fs::directory_iterator it(sysClassTty, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        clFound port{0, 0, name};
        if (!Classify(name, port.family, port.number) || consoles.count(name) != 0)
            continue;
        std::error_code ignored;
        if (!fs::exists(it->path() / "device", ignored))
            continue;
        // Legacy UART slots the kernel probed without finding a chip have type 0.
        if (port.family == 2 && ReadFirstLine(it->path() / "type") == "0")
            continue;
        found.push_back(port);
    }
    std::sort(found.begin(), found.end(), [](const clFound& a, const clFound& b) {
        return a.family != b.family ? a.family < b.family : a.number < b.number;
    });
    std::vector<std::string> paths;
    for (const auto& port : found)
        paths.push_back((fs::path(devDir) / port.name).string());
    return paths;
}

std::string ComSystemPortPath(int comNo)
{
    const std::vector<std::string> ports = ComDetectPorts();
    return static_cast<std::size_t>(comNo) <= ports.size() ? ports[static_cast<std::size_t>(comNo) - 1] : std::string();
}

clComLatency ComPortLatency(const std::string& path, const std::string& sysClassTty)
{
    clComLatency latency;
    std::error_code ec;
    const fs::path device = fs::canonical(path, ec);
    if (ec)
        return latency;
    if (device.parent_path() == "/dev/pts" || device == "/dev/ptmx") {
        latency.driver = "pseudo-terminal";
        return latency;
    }
    const fs::path entry = fs::path(sysClassTty) / device.filename() / "device";
    latency.driver = fs::read_symlink(entry / "driver", ec).filename().string();
    const std::string timer = ReadFirstLine(entry / "latency_timer");
    if (!timer.empty() && timer.size() <= 4 &&
        std::all_of(timer.begin(), timer.end(), [](char c) { return c >= '0' && c <= '9'; }))
        latency.timerMs = std::stoi(timer);
    return latency;
}
