#include "tools/qkcli/clirun.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "cpplib/qkpath.h"
#include "tools/qkcli/clijson.h"

namespace {
std::string Hex(std::uint32_t value, const char* format = "0x%08X")
{
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}
} // namespace

const char* QkProtocolName(clQkProtocol protocol)
{
    switch (protocol) {
    case clQkProtocol::real: return "real";
    case clQkProtocol::demo: return "demo";
    default: return "";
    }
}

int clCliRun::ExitStatus() const
{
    switch (outcome) {
    case clCliOutcome::ok: return 0;
    case clCliOutcome::failed: return 2;
    case clCliOutcome::aborted: return 4;
    default: return 3;
    }
}

const char* clCliRun::ResultText() const
{
    switch (outcome) {
    case clCliOutcome::ok: return "ok";
    case clCliOutcome::failed: return "failed";
    case clCliOutcome::aborted: return "aborted";
    default: return "error";
    }
}

std::string clCliRun::Json() const
{
    clJsonObject out;
    out.Add("operation", operation).Add("device", device).Add("space", space);
    if (start && stop)
        out.AddRaw("range", "[" + std::to_string(*start) + "," + std::to_string(*stop) + "]");
    else
        out.AddNull("range");
    out.Add("port", port).Add("protocol", QkProtocolName(protocol));
    if (checksum)
        out.Add("checksum", Hex(*checksum, "%04X"));
    else
        out.AddNull("checksum");
    if (imageChecksum)
        out.Add("image_checksum", Hex(*imageChecksum, "%04X"));
    if (!dataFile.empty())
        out.Add("data_file", dataFile);
    if (firmwareUpdate) {
        clJsonObject update;
        update.Add("from", firmwareUpdate->first).Add("to", firmwareUpdate->second);
        out.AddRaw("firmware_update", update.Text());
    }
    if (serial) {
        clJsonObject value;
        value.Add("value", serial->shown).Add("bytes", serial->hex).Add("place", serial->place);
        value.Add("ledger", serial->ledgerState);
        out.AddRaw("serial", value.Text());
    }
    if (checksum || imageChecksum)
        out.Add("checksum_recipe", kChecksumRecipe).Add("fill", static_cast<unsigned>(fill));
    out.Add("result", ResultText());
    if (error) {
        out.Add("error_number", error->number).Add("error_text", error->text);
        if (error->address)
            out.Add("failing_address", static_cast<std::int64_t>(*error->address));
        if (error->deviceValue)
            out.Add("device_value", *error->deviceValue);
        if (error->bufferValue)
            out.Add("buffer_value", *error->bufferValue);
        if (!detail.empty())
            out.Add("error_detail", detail);
    } else {
        out.AddNull("error_number").AddNull("error_text");
    }
    out.Add("elapsed_seconds", seconds);
    return out.Text();
}

std::string clCliRun::TraceLine() const
{
    char when[32];
    const std::time_t now = std::time(nullptr);
    const std::tm utc = *std::gmtime(&now); // copied at once; one thread
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::string line = std::string(when) + " " + operation + " port=" + (port.empty() ? "-" : port) +
                       " device=" + device + " space=" + space;
    line += " range=" + (start && stop ? Hex(*start) + "-" + Hex(*stop) : std::string("-"));
    line += " image=" + (imageChecksum ? Hex(*imageChecksum, "%04X") : std::string("-"));
    if (serial)
        line += " serial=" + serial->hex;
    line += " result=" + std::string(ResultText());
    line += " error=" + (error ? std::to_string(error->number) : std::string("0"));
    if (firmwareUpdate) {
        std::string to = firmwareUpdate->second;
        std::replace(to.begin(), to.end(), ' ', '-');
        line += " firmware=" + to;
    }
    return line;
}

bool QkAppendTrace(const std::string& path, const std::string& line)
{
    std::FILE* file = QkOpenFile(path, "a");
    if (file == nullptr)
        return false;
    const bool written = std::fprintf(file, "%s\n", line.c_str()) > 0 && std::fflush(file) == 0;
    return std::fclose(file) == 0 && written;
}

std::string QkCheckAppendable(const std::string& path)
{
    if (path.empty())
        return "an empty file name";
    std::error_code ec;
    const auto status = std::filesystem::status(QkPath(path), ec);
    if (std::filesystem::is_directory(status))
        return path + " is a directory";
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return path + " is not a regular file";
    std::FILE* file = QkOpenFile(path, "a");
    if (file == nullptr)
        return "cannot write " + path + ": " + std::strerror(errno);
    std::fclose(file);
    return {};
}
