// Builds the device database resources from the readable data file and writes
// them as a C++ table for qkdb32. Checks the data on the way: a database that
// the library could not read as intended fails the build.
//
// Usage: qkdbgen DATA_FILE OUTPUT_CPP

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

struct Line {
    int number = 0;
    std::string kind;
    long long id = 0;
    std::map<std::string, std::string> fields;
    std::vector<std::string> words; // bare words after the id
    std::string name;
    bool hasName = false;
};

std::string g_DataPath;

[[noreturn]] void Fail(int line, const std::string& message)
{
    std::cerr << g_DataPath << ":" << line << ": " << message << "\n";
    std::exit(1);
}

long long ToNumber(const std::string& text, int line)
{
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0')
        Fail(line, "not a number: '" + text + "'");
    return value;
}

Line ParseLine(const std::string& raw, int number)
{
    Line line;
    line.number = number;
    std::string text = raw;
    const auto quote = text.find('"');
    if (quote != std::string::npos) {
        const auto close = text.find('"', quote + 1);
        if (close == std::string::npos)
            Fail(number, "unterminated name");
        line.name = text.substr(quote + 1, close - quote - 1);
        line.hasName = true;
        if (text.find_first_not_of(" \t\r", close + 1) != std::string::npos)
            Fail(number, "text after the name");
        text = text.substr(0, quote);
    }
    std::istringstream in(text);
    std::string word;
    in >> line.kind;
    if (in >> word)
        line.id = ToNumber(word, number);
    while (in >> word) {
        const auto eq = word.find('=');
        if (eq == std::string::npos)
            line.words.push_back(word);
        else
            line.fields[word.substr(0, eq)] = word.substr(eq + 1);
    }
    return line;
}

long long Field(const Line& line, const char* key, long long min, long long max)
{
    const auto it = line.fields.find(key);
    if (it == line.fields.end())
        Fail(line.number, std::string("missing ") + key + "=");
    const long long value = ToNumber(it->second, line.number);
    if (value < min || value > max)
        Fail(line.number, std::string(key) + " out of range");
    return value;
}

void Put(Bytes& out, unsigned long value, int width)
{
    for (int i = 0; i < width; ++i, value >>= 8)
        out.push_back(static_cast<unsigned char>(value & 0xFF));
}

void PutName(Bytes& out, const Line& line)
{
    if (!line.hasName)
        Fail(line.number, "missing name");
    if (line.name.size() > 255)
        Fail(line.number, "name longer than 255 characters");
    out.insert(out.end(), line.name.begin(), line.name.end());
    out.push_back(0);
}

struct Database {
    std::map<long long, Bytes> resources;
    std::set<long long> vendors, adapters, buffers, headers, infos, chipIds;
    std::vector<long long> order;
    std::map<long long, std::vector<long long>> deviceBuffers; // header id -> buffer ids
    std::map<long long, long long> deviceVendor, deviceAdapter, deviceChip;
    bool hasVersion = false;

    void Add(const Line& line, long long id, Bytes bytes)
    {
        if (!resources.emplace(id, std::move(bytes)).second)
            Fail(line.number, "resource " + std::to_string(id) + " defined twice");
    }
};

void CheckRun(const std::set<long long>& ids, long long first, const char* what)
{
    long long expected = first;
    for (long long id : ids) {
        if (id != expected)
            Fail(0, std::string(what) + " ids must run without gaps from " + std::to_string(first) +
                        " (iteration stops at the first missing id); missing " + std::to_string(expected));
        ++expected;
    }
}

void Check(const Database& db)
{
    CheckRun(db.vendors, 1, "vendor");
    CheckRun(db.adapters, 1001, "adapter");
    CheckRun(db.buffers, 2001, "buffer");
    if (!db.hasVersion)
        Fail(0, "missing version line");
    for (long long header : db.headers) {
        if (!db.infos.count(header))
            Fail(0, "device " + std::to_string(header) + " has no info line");
        if (!db.vendors.count(db.deviceVendor.at(header)))
            Fail(0, "device " + std::to_string(header) + " names a missing vendor");
        if (!db.adapters.count(db.deviceAdapter.at(header)))
            Fail(0, "device " + std::to_string(header) + " names a missing adapter");
        for (long long buffer : db.deviceBuffers.at(header))
            if (!db.buffers.count(buffer))
                Fail(0, "device " + std::to_string(header) + " names missing buffer " + std::to_string(buffer));
    }
    for (long long info : db.infos)
        if (!db.headers.count(info))
            Fail(0, "info " + std::to_string(info) + " has no device line");
    std::set<long long> listed(db.order.begin(), db.order.end());
    if (listed.size() != db.order.size())
        Fail(0, "a device is listed twice in the display order");
    if (listed != db.headers)
        Fail(0, "the display order must list every device exactly once");
}

Database Build(std::istream& in)
{
    Database db;
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        const auto first = raw.find_first_not_of(" \t\r");
        if (first == std::string::npos || raw[first] == '#')
            continue;
        const Line line = ParseLine(raw, number);
        Bytes bytes;
        if (line.kind == "version") {
            db.hasVersion = true;
            db.Add(line, 514, {});
            Put(db.resources[514], static_cast<unsigned long>(line.id), 2);
        } else if (line.kind == "vendor") {
            if (line.id < 1 || line.id > 499)
                Fail(number, "vendor ids are 1 to 499");
            PutName(bytes, line);
            db.vendors.insert(line.id);
            db.Add(line, line.id, bytes);
        } else if (line.kind == "adapter") {
            if (line.id < 1001 || line.id > 1999)
                Fail(number, "adapter ids are 1001 to 1999");
            Put(bytes, Field(line, "id", 0, 0xFFFF), 2);
            PutName(bytes, line);
            db.adapters.insert(line.id);
            db.Add(line, line.id, bytes);
        } else if (line.kind == "buffer") {
            if (line.id < 2001 || line.id > 4999)
                Fail(number, "buffer ids are 2001 to 4999");
            const long long start = Field(line, "start", 0, 0xFFFFFFFFLL);
            const long long stop = Field(line, "stop", 0, 0xFFFFFFFFLL);
            const long long align = Field(line, "align", 1, 0xFFFF);
            if (stop < start)
                Fail(number, "stop below start");
            if ((stop - start + 1) % align != 0 || start % align != 0)
                Fail(number, "the space is not a whole number of aligned blocks");
            Put(bytes, Field(line, "space", 0, 0xFFFF), 2);
            Put(bytes, start, 4);
            Put(bytes, stop, 4);
            Put(bytes, align, 4);
            Put(bytes, Field(line, "erase", 0, 0xFF), 1);
            Put(bytes, Field(line, "view", 0, 0xFFFF), 2);
            PutName(bytes, line);
            db.buffers.insert(line.id);
            db.Add(line, line.id, bytes);
        } else if (line.kind == "device") {
            if (line.id < 1 || line.id > 0xFFFF - 4000 || (line.id >= 1 && line.id <= 4999) ||
                (line.id >= 20001 && line.id <= 23998))
                Fail(number, "device header id collides with another range");
            const long long chip = Field(line, "chip", 0, 0xFFFF - 30001);
            if (!db.chipIds.insert(chip).second)
                Fail(number, "chip id used twice");
            Put(bytes, Field(line, "type", 0, 0xFFFF), 2);
            Put(bytes, db.deviceVendor[line.id] = Field(line, "vendor", 1, 499), 2);
            Put(bytes, db.deviceAdapter[line.id] = Field(line, "adapter", 1001, 1999), 2);
            Put(bytes, chip, 2);
            PutName(bytes, line);
            db.deviceChip[line.id] = chip;
            db.headers.insert(line.id);
            db.Add(line, line.id, bytes);
            Bytes index;
            Put(index, static_cast<unsigned long>(line.id), 2);
            db.Add(line, 30001 + chip, index);
        } else if (line.kind == "info") {
            Put(bytes, Field(line, "alg", 0, 0xFFFF), 2);
            Put(bytes, Field(line, "devid", 0, 0xFFFF), 2);
            Put(bytes, Field(line, "vpp", 0, 0xFFFF), 2);
            Put(bytes, Field(line, "sigchk", 0, 1), 2);
            Put(bytes, Field(line, "erasable", 0, 1), 2);
            Put(bytes, Field(line, "erasetime", 0, 0x7FFFFFFF), 4);
            Put(bytes, Field(line, "pgmtime", 0, 0x7FFFFFFF), 4);
            Put(bytes, Field(line, "fw", 0, 0xFFFF), 2);
            Put(bytes, Field(line, "security", 0, 7), 1);
            std::vector<long long> bufs;
            std::stringstream list(line.fields.count("buffers") ? line.fields.at("buffers") : "");
            std::string item;
            while (std::getline(list, item, ','))
                bufs.push_back(ToNumber(item, number));
            if (bufs.size() > 15)
                Fail(number, "more than 15 buffers");
            for (int i = 0; i < 15; ++i)
                Put(bytes, i < static_cast<int>(bufs.size()) ? bufs[static_cast<size_t>(i)] : 0, 2);
            Put(bytes, bufs.size(), 2);
            Put(bytes, Field(line, "pulse", 0, 0xFFFF), 2);
            db.deviceBuffers[line.id] = bufs;
            db.infos.insert(line.id);
            db.Add(line, line.id + 4000, bytes);
        } else if (line.kind == "order") {
            db.order.push_back(line.id);
            for (const std::string& w : line.words)
                db.order.push_back(ToNumber(w, number));
        } else {
            Fail(number, "unknown line kind '" + line.kind + "'");
        }
    }
    for (size_t k = 0; k < db.order.size(); ++k) {
        Bytes entry;
        Put(entry, static_cast<unsigned long>(db.order[k]), 2);
        db.resources[20001 + static_cast<long long>(k)] = entry;
    }
    // The counts of devices, buffers, adapters and vendors.
    const size_t counts[] = {db.headers.size(), db.buffers.size(), db.adapters.size(), db.vendors.size()};
    for (int i = 0; i < 4; ++i) {
        Bytes count;
        Put(count, counts[i], 2);
        db.resources[510 + i] = count;
    }
    Check(db);
    return db;
}

void Write(const Database& db, std::ostream& out)
{
    out << "// Generated by qkdbgen from qkdb/data/devices.txt at build time: do not edit.\n"
           "#include <cstddef>\n#include \"err/qkwin.h\"\n\nnamespace {\n";
    for (const auto& [id, bytes] : db.resources) {
        out << "const unsigned char r" << id << "[] = {";
        for (size_t i = 0; i < bytes.size(); ++i)
            out << (i % 16 == 0 ? "\n    " : " ") << static_cast<unsigned>(bytes[i]) << ",";
        out << "\n};\n";
    }
    out << "} // namespace\n\nextern const QK_RESOURCE g_qkdbResources[] = {\n";
    for (const auto& [id, bytes] : db.resources)
        out << "    {" << id << ", r" << id << ", sizeof r" << id << "},\n";
    out << "};\nextern const std::size_t g_qkdbResourceCount = " << db.resources.size() << ";\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: qkdbgen DATA_FILE OUTPUT_CPP\n";
        return 2;
    }
    g_DataPath = argv[1];
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "qkdbgen: cannot read " << argv[1] << "\n";
        return 1;
    }
    const Database db = Build(in);
    const std::string temp = std::string(argv[2]) + ".tmp";
    {
        std::ofstream out(temp);
        Write(db, out);
        if (!out) {
            std::cerr << "qkdbgen: cannot write " << temp << "\n";
            return 1;
        }
    }
    std::error_code renamed;
    std::filesystem::rename(temp, argv[2], renamed); // replaces the output on every system
    if (renamed) {
        std::cerr << "qkdbgen: cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
