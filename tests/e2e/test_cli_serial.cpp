// qkcli program --serial with an SQLite ledger, killed (SIGKILL) at random
// points of its cycle over and over: no value reaches two devices, every
// value a device holds is in the ledger, and the ledger accounts for every
// value it gave out. Each cycle programs a new device (a fresh qksim), whose
// memory is read back at the serial address when it is taken off.
#include <chrono>
#include <csignal>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/qkrun.h"
#include "tests/e2e/simproc.h"
#include "tests/testutil.h"

namespace {

constexpr int kCycles = 200; // over two stations' ports at once
constexpr std::uint32_t kSerialAt = 0x100;

// Waits for pid until ms have passed, then kills it; whether it was killed.
bool KillAfter(int pid, int ms, int& status)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < deadline) {
        int raw = 0;
        if (waitpid(pid, &raw, WNOHANG) == pid) {
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(pid, SIGKILL);
    status = QkWaitExit(pid);
    return true;
}

struct clDevice {
    std::string value; // hex at the serial address; "" when it was never programmed
    int status = 0;
    bool killed = false;
};

class CliSerial : public ::testing::Test {
protected:
    std::vector<std::string> Program(const std::string& port) const
    {
        return {"program",
                "--port",
                port,
                "--device",
                "PCD80710",
                "--file",
                image,
                "--start",
                "0",
                "--stop",
                "0x7FF",
                "--delay",
                "0",
                "--serial",
                "counter:5000:3",
                "--serial-at",
                "0x100",
                "--serial-width",
                "4",
                "--serial-endian",
                "big",
                "--ledger",
                ledger,
                "--quiet"};
    }

    // One station: cycles devices on its own programmer, killing qkcli at a
    // random point of most cycles; the last cycle always runs to its end.
    void Station(int number, int cycles, std::vector<clDevice>& devices, std::string& failure)
    {
        std::mt19937 random(static_cast<unsigned>(number));
        std::uniform_int_distribution<int> killAt(0, 1500);
        const std::string link = dir.File("port" + std::to_string(number));
        for (int cycle = 0; cycle < cycles; ++cycle) {
            const std::string dump = dir.File("device-" + std::to_string(number) + "-" + std::to_string(cycle));
            clSimProcess sim;
            if (!sim.Start({"--baud", "0", "--link", link, "--dump", dump})) {
                failure = sim.Error();
                return;
            }
            clDevice device;
            const int pid = QkStart(QKCLI_PATH, Program(link));
            const bool last = cycle == cycles - 1;
            device.killed = KillAfter(pid, last || random() % 4 == 0 ? 30000 : killAt(random), device.status);
            if (last && device.killed) {
                failure = "the last cycle did not end within 30 s";
                return;
            }
            sim.Stop();
            const auto bytes = ReadBytes(dump);
            if (bytes.size() < kSerialAt + 4) {
                failure = "no device dump " + dump;
                return;
            }
            char hex[9];
            std::snprintf(hex, sizeof hex, "%02X%02X%02X%02X", bytes[kSerialAt], bytes[kSerialAt + 1],
                          bytes[kSerialAt + 2], bytes[kSerialAt + 3]);
            if (std::string(hex) != "FFFFFFFF")
                device.value = hex;
            devices.push_back(device);
        }
    }

    clTempDir dir;
    std::string image = dir.File("image.bin");
    std::string ledger = dir.File("line.ledger");
};

TEST_F(CliSerial, KilledAtRandomPointsNoValueReachesTwoDevicesAndEveryValueIsAccountedFor)
{
    std::vector<unsigned char> bytes(2048);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + 3);
    WriteBytes(image, bytes);
    std::vector<clDevice> devices[2];
    std::string failures[2];
    std::thread second([&] { Station(2, kCycles / 2, devices[1], failures[1]); });
    Station(1, kCycles / 2, devices[0], failures[0]);
    second.join();
    ASSERT_EQ(failures[0], "");
    ASSERT_EQ(failures[1], "");

    // The ledger as a user exports it.
    const clRunResult csv = QkRun(QKCLI_PATH, {"ledger", "export", ledger, "--csv"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    std::map<std::string, std::string> stateOf; // bytes -> state
    std::set<long> places;
    const auto lines = Lines(csv.out);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string> f;
        std::istringstream fields(lines[i]);
        for (std::string field; std::getline(fields, field, ',');)
            f.push_back(field);
        ASSERT_GE(f.size(), 5u) << lines[i];
        EXPECT_TRUE(stateOf.emplace(f[3], f[4]).second) << "a value twice in the ledger: " << lines[i];
        places.insert(std::stol(f[1]));
        // The last cycle on each port retired what the cycles before left.
        EXPECT_TRUE(f[4] == "verified" || f[4] == "retired") << lines[i];
    }
    // Drawn in order, none lost: places 0..n-1.
    ASSERT_FALSE(places.empty());
    EXPECT_EQ(*places.begin(), 0);
    EXPECT_EQ(*places.rbegin(), static_cast<long>(places.size()) - 1);

    std::map<std::string, int> holders;
    int killed = 0, programmed = 0;
    for (const auto& station : devices)
        for (const clDevice& device : station) {
            killed += device.killed;
            if (!device.killed) {
                EXPECT_EQ(device.status, 0) << "a cycle that ran to its end failed";
            }
            if (device.value.empty())
                continue;
            ++programmed;
            EXPECT_EQ(++holders[device.value], 1) << "the value " << device.value << " is in two devices";
            ASSERT_TRUE(stateOf.count(device.value)) << device.value << " is in a device but not in the ledger";
            if (!device.killed) {
                EXPECT_EQ(stateOf[device.value], "verified");
            }
        }
    // Every verified value is in a device.
    for (const auto& [value, state] : stateOf) {
        if (state == "verified") {
            EXPECT_EQ(holders[value], 1) << value << " is verified but in no device";
        }
    }
    std::printf("%d cycles: %d killed, %d devices programmed, %zu values in the ledger\n", kCycles, killed, programmed,
                stateOf.size());
    EXPECT_GT(killed, kCycles / 2);
    EXPECT_GT(programmed, kCycles / 5);
}

TEST_F(CliSerial, ADamagedLedgerStopsTheCommandBeforeTheProgrammerHearsOfIt)
{
    WriteBytes(image, std::vector<unsigned char>(2048, 0x11));
    const std::vector<unsigned char> junk(4096, 0xA5);
    WriteBytes(ledger, junk);
    clSimProcess sim;
    ASSERT_TRUE(sim.Start({"--baud", "0", "--frame-log", dir.File("frames.log")})) << sim.Error();
    const clRunResult r = QkRun(QKCLI_PATH, Program(sim.Path()));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is not a ledger (not an SQLite database); it was not changed"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(ledger), junk);
    EXPECT_EQ(ReadText(dir.File("frames.log")), "");
}

} // namespace
