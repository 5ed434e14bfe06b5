// qkcli: the command-line programmer for production lines and scripts.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "qkdb/dbase32.h"
#include "qkversion.h"
#include "tools/qkcli/cliconsole.h"
#include "tools/qkcli/clisignals.h"
#include "tools/qkcli/commands.h"

namespace {

// The help shared by the commands that talk to a programmer (macros, so that
// they join the other string literals of a help text).
#define QKCLI_CONN_HELP                                                                           \
    "CONN is one of:\n"                                                                           \
    "  --port PATH|COMn  the programmer on a serial port: a device path (pseudo-terminals\n"      \
    "                    too, e.g. the one qksim prints) or a COM number (see \"qkcli ports\")\n" \
    "  --scan            try every detected port in COM order; program, verify, erase,\n"         \
    "                    blank-check and checksum run on every programmer found, at once\n"       \
    "                    (as does --port given more than once)\n"                                 \
    "  --demo            the demo protocol: no programmer, nothing reaches a device\n"            \
    "  --log FILE        write the communication log to FILE\n"                                   \
    "  --switch S        a communication switch such as \"/SDELAY:30\" (repeatable)\n"

#define QKCLI_DEVICE_HELP                                                                       \
    QKCLI_CONN_HELP                                                                             \
    "Output:\n"                                                                                 \
    "  --json            one result object on stdout\n"                                         \
    "  --json-events     a JSON line per event, then the result object\n"                       \
    "  --quiet           nothing on success\n"                                                  \
    "  --trace FILE      append one line per operation to a production trace\n"                 \
    "Exit status: 0 ok, 1 usage, file or data error, 2 the device failed, 3 communication\n"    \
    "error (also: the programmer did not answer and the demo protocol would have been used),\n" \
    "4 aborted (Ctrl-C; while programming the programmer gets its abort byte).\n"               \
    "Checksums are the 16-bit sum of the bytes of the range; bytes no file gave hold the\n"     \
    "space's erase value (or the fill value given).\n"                                          \
    "What reaches the programmer: the device set-up, the project description, and before\n"     \
    "every device order the command range it works on; program and verify also send that\n"     \
    "range of the image (runs of 24 or more equal bytes as one fill frame). Nothing else of\n"  \
    "the space is sent: after a qkcli command the programmer's memory outside the range\n"      \
    "holds whatever it held before. A range outside the space, or one that ends before it\n"    \
    "starts, is refused; --trace and --log must be writable files before anything is sent.\n"

const clCliCommand kCommands[] = {
    {"devices", "devices [FILTER] [--json]",
     "List the devices of the database in display order: vendor, device, adapter and chip id.\n"
     "FILTER keeps the devices whose \"VENDOR DEVICE\" or device name holds the filter's\n"
     "characters in order, in any case; \"?\" stands for any one character.\n"
     "\n"
     "Examples:\n"
     "  qkcli devices\n"
     "  qkcli devices 8070?     # PCD80703, PCD80705, PCD80708\n"
     "  qkcli devices '807?8' --json\n",
     QkCmdDevices},
    {"info", "info DEVICE [--json]",
     "Show a device's database record: chip id, type, vendor, adapter, algorithm, device id,\n"
     "Vpp, times, firmware version, security bits and every memory space (buffer id, space\n"
     "number, name, start, stop, alignment, erase value), then its description text.\n"
     "DEVICE is a device name (any case) or a chip id.\n"
     "\n"
     "Examples:\n"
     "  qkcli info PCD80710\n"
     "  qkcli info 4 --json\n",
     QkCmdInfo},
    {"convert",
     "convert INPUT OUTPUT [--from auto|bin|intel|srec] [--to FORMAT] [--start ADDR] [--stop ADDR]\n"
     "                      [--fill BYTE] [--strict]",
     "Convert a data file between binary, Intel Hex and Motorola S-records.\n"
     "\n"
     "The data goes through a memory buffer that covers --start..--stop (inclusive); without\n"
     "them, the lowest to the highest address the input holds. Bytes the input does not\n"
     "give take the --fill value (default 0xFF). A binary input's first byte sits at --start\n"
     "(default 0). ADDR and BYTE are 0x-hexadecimal or decimal.\n"
     "\n"
     "--from   auto (default: ':' Intel Hex, 'S' S-records, anything else binary),\n"
     "         bin, intel, srec\n"
     "--to     bin, intel (16-bit, no address records, up to 0xFFFF), intel-seg (02 records,\n"
     "         up to 0xFFFFF), intel386 (04 records), s1 (up to 0xFFFF), s2 (up to 0xFFFFFF),\n"
     "         s3; default from OUTPUT's extension: .bin, .hex (intel386), .s19/.s1,\n"
     "         .s28/.s2, .s37/.s3\n"
     "--strict stop at the first warning of the input, write nothing\n"
     "\n"
     "Warnings about the input are printed and the conversion goes on; the exit status is\n"
     "then 3. Exit status 1: bad usage, an unreadable input, an unwritable output, or\n"
     "--strict stopped. OUTPUT is replaced only when it has been written completely.\n"
     "\n"
     "Examples:\n"
     "  qkcli convert firmware.hex firmware.bin\n"
     "  qkcli convert osd.bin osd.s19 --start 0xC000\n"
     "  qkcli convert image.s37 part.hex --start 0x10000 --stop 0x1FFFF --fill 0\n",
     QkCmdConvert},
    {"program",
     "program CONN --device D [--space S] --file F [--from FORMAT] [--start A --stop A] [--erase]\n"
     "                      [--blank-check] [--sig-check] [--fill BYTE] [--delay MS]\n"
     "                      [--serial SOURCE --serial-at ADDR --serial-width N [--serial-format F]\n"
     "                       [--serial-endian E] --ledger FILE|URI]",
     "Program the device with F (Intel Hex, S-records, binary, or a project file .qkp, which\n"
     "names the device and the data itself), in the order the programmer software uses:\n"
     "connect, write the range of the image to the programmer, then signature check, erase\n"
     "and blank check when asked, wait --delay ms (default 1000; Ctrl-C ends it at once),\n"
     "program after the programmer's 1 s settling time, and the final verify.\n"
     "S is the space (default the device's first); A are addresses, widened to whole blocks\n"
     "of the space. --fill sets the bytes F does not give (default the erase value); --from\n"
     "reads F as auto (default: told by its first character), bin, intel or srec. Prints the\n"
     "checksum as %04X. A data file that raises warnings is refused.\n"
     "\n"
     "A device's own value (serial number, MAC address, key) goes in with --serial:\n"
     "  --serial counter:START[:STEP] | list:FILE | exec:COMMAND\n"
     "                    a counter; a list, one value a line (hex bytes \"00 1A 2B\" or quoted\n"
     "                    text \"KEY-1\"; # starts a comment); or a command that prints the value\n"
     "                    (QKJTAG_SERIAL_SEQ holds its place, 0 first)\n"
     "  --serial-at ADDR  where the value goes, inside the range programmed\n"
     "  --serial-width N  its bytes, 1 to 8 (a list's or command's values must have N bytes)\n"
     "  --serial-format   bin (default), bcd (packed), text (ASCII decimal), hex (ASCII hex)\n"
     "  --serial-endian   little (default) or big, for bin and bcd\n"
     "  --ledger FILE|URI an SQLite file (made when missing) or postgresql://... shared by\n"
     "                    several stations: each value is reserved there before it is used\n"
     "                    and marked verified, programmed (the verify failed) or failed\n"
     "  --serial-stale retire|reuse   a value this station reserved on this port and never\n"
     "                    completed (a crash): retired (default) or given to the next device\n"
     "  --serial-failed retire|reuse  a failed board's value: retired (default) or reused\n"
     "The value is patched into this device's image only; it is in the result line, the JSON\n"
     "and the trace. Nothing reaches the programmer before the ledger is open.\n"
     "\n" QKCLI_DEVICE_HELP "\n"
     "Examples:\n"
     "  qkcli program --port /dev/ttyUSB0 --device PCD80710 --file fw.hex --erase\n"
     "  qkcli program --port COM2 --file board.qkp --json --trace line3.log\n",
     QkCmdProgram},
    {"verify",
     "verify CONN --device D [--space S] --file F [--from FORMAT] [--fill BYTE] [--start A --stop A]\n"
     "                      [--report FILE]",
     "Compare the device with F (read as in program, --from and --fill included). On a\n"
     "mismatch the programmer names the first differing address with the device's and the\n"
     "buffer's value (exit status 2); --report FILE then reads the range back and writes\n"
     "every run of differing bytes (start, end, count, bits 0->1 and 1->0) as JSON.\n"
     "\n" QKCLI_DEVICE_HELP "\n"
     "Examples:\n"
     "  qkcli verify --port COM1 --device PCD80710 --file fw.hex --report diff.json\n",
     QkCmdVerify},
    {"read", "read CONN --device D [--space S] --file OUT [--start A --stop A] [--to FORMAT]",
     "Read the device into OUT: bin, intel, intel-seg, intel386, s1, s2 or s3 (default from\n"
     "OUT's extension, as in convert).\n"
     "\n" QKCLI_DEVICE_HELP "\n"
     "Examples:\n"
     "  qkcli read --port COM1 --device PCD80710 --file dump.hex\n",
     QkCmdRead},
    {"blank-check", "blank-check CONN --device D [--space S] [--start A --stop A]",
     "Check that the range holds only the erased value; the first programmed address and\n"
     "its value are named when it does not (exit status 2).\n"
     "\n" QKCLI_DEVICE_HELP "\n"
     "Examples:\n"
     "  qkcli blank-check --port COM1 --device PCD80710\n"
     "  qkcli blank-check --port /tmp/qkjtag --device PCD80710 --start 0 --stop 0xFFFF --json\n",
     QkCmdBlankCheck},
    {"erase", "erase CONN --device D",
     "Erase the whole device (the command range sent first is the whole Data space).\n"
     "\n" QKCLI_DEVICE_HELP "\n"
     "Examples:\n"
     "  qkcli erase --port COM1 --device PCD80710 --trace station1.log\n",
     QkCmdErase},
    {"checksum", "checksum CONN --device D [--space S] [--start A --stop A]",
     "The device's checksum over the range, as %04X.\n"
     "\n" QKCLI_DEVICE_HELP "\n"
     "Examples:\n"
     "  qkcli checksum --port COM1 --device PCD80710\n"
     "  qkcli checksum --scan --device PCD80712 --start 0x10000 --stop 0x1FFFF --json\n",
     QkCmdChecksum},
    {"versions", "versions [CONN] [--json]",
     "The version lines of the About page: the software, the protocol and the programmer\n"
     "(\"Not Connected\" without CONN) and the device database.\n"
     "\n" QKCLI_CONN_HELP "  --json            the lines as one JSON object\n"
     "  --quiet           accepted for scripts; the lines are the output\n"
     "\n"
     "Examples:\n"
     "  qkcli versions\n"
     "  qkcli versions --port /tmp/qk-jtag --json\n",
     QkCmdVersions},
    {"ledger", "ledger show FILE|URI [--json] | ledger export FILE|URI --csv",
     "show: the accounting of a serial-number ledger: values issued, verified, programmed\n"
     "(the verify failed), failed, retired (reserved, the cycle never completed) and still\n"
     "reserved, and per pool (one counter, list or command) its places and the gaps, places\n"
     "below the last one that the ledger has no record of.\n"
     "export --csv: every value, one line each, on stdout.\n"
     "A ledger that is missing, damaged or another program's database is refused and not\n"
     "changed.\n"
     "\n"
     "Examples:\n"
     "  qkcli ledger show line3.ledger\n"
     "  qkcli ledger export postgresql://qk@db.example/production --csv > serials.csv\n",
     QkCmdLedger},
    {"link-test", "link-test --port PATH|COMn|--scan [--device D [--space S]] [--json]",
     "Measure the line to the programmer: the round trip of a status request (least, median\n"
     "and most of 100), the time of a 16 KiB write to the programmer's memory and of reading\n"
     "it back, each against the least the line needs at its rate, and, with --device, how\n"
     "long \"qkcli program\" of the whole space (the first, or --space) takes at that speed\n"
     "with an image without blank runs. A USB serial adapter that holds short replies until\n"
     "its latency timer runs out makes every frame wait that long; when the median round\n"
     "trip is above 2 ms (and 1 ms above the line's own need) the test says so and how to\n"
     "set the timer to 1 ms. The programmer's memory from address 0 holds the test's bytes\n"
     "afterwards; the device is not touched.\n"
     "Exit status: 0 ok, 1 usage, 3 no programmer answered or the bytes read back differ,\n"
     "4 aborted.\n"
     "\n"
     "Examples:\n"
     "  qkcli link-test --port /dev/ttyUSB0 --device PCD80710\n"
     "  qkcli link-test --port COM3 --json\n",
     QkCmdLinkTest},
    {"ports", "ports [--json]",
     "List the serial ports and the COM numbers they answer to: COM n is the path in the\n"
     "environment variable QKJTAG_COM<n> when set, else the n-th serial port with a device\n"
     "behind it (USB adapters ttyUSB*, USB modems ttyACM*, then built-in ttyS*; never the\n"
     "system console). Each port shows its driver and whether it sends short replies at once\n"
     "(low latency on: an adapter's latency timer of 1 ms), as far as the system tells\n"
     "without opening it; \"qkcli link-test\" measures it.\n"
     "\n"
     "Examples:\n"
     "  qkcli ports\n"
     "  QKJTAG_COM3=/tmp/qk-jtag qkcli ports --json\n",
     QkCmdPorts},
    {"project",
     "project save PROJECT.qkp --device D [--space S --file F]... [--description TEXT]\n"
     "                           [--keep only|image|reference]\n"
     "       qkcli project show PROJECT.qkp [--json]",
     "save: build a project file for device D (name or chip id). Each --file (Intel Hex,\n"
     "S-records or binary, told apart by their contents) is loaded into the space of the\n"
     "--space before it (a space name such as Data or OSD, or its number; without --space the\n"
     "device's first space). --keep chooses what the project holds besides the settings:\n"
     "only (no data), image (every space's bytes), reference (the data files' names, stored\n"
     "relative to the project's folder; the bytes of spaces without a file). The default is\n"
     "reference when files are given, else image. A file that raises warnings is refused.\n"
     "\n"
     "show: open a project as the programmer software does (its device, its images, the\n"
     "data files it refers to) and list per space the file-type code, the file, the buffer's\n"
     "start and size and its checksum: the 16-bit sum of every byte of the space buffer,\n"
     "where bytes no file gave hold the erase value.\n"
     "\n"
     "Examples:\n"
     "  qkcli project save board.qkp --device PCD80712 --space Data --file fw.hex \\\n"
     "        --space OSD --file font.bin --description \"Board rev B\"\n"
     "  qkcli project show board.qkp --json\n",
     QkCmdProject},
};

void PrintUsage(FILE* out)
{
    std::fprintf(out, "Usage: qkcli COMMAND [ARGUMENTS]\n       qkcli --help | --version\n\nCommands:\n");
    for (const clCliCommand& command : kCommands)
        std::fprintf(out, "  qkcli %s\n", command.synopsis);
    std::fprintf(out, "\n\"qkcli COMMAND --help\" explains a command.\n"
                      "Exit status: 0 ok, 1 usage, file or data error, 2 the device failed,\n"
                      "3 communication error, 4 aborted.\n");
}

bool WantsHelp(int argc, char** argv, int first)
{
    for (int i = first; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return true;
    }
    return false;
}

} // namespace

int QkUsageError(const char* command, const std::string& message)
{
    std::fprintf(stderr, "qkcli %s: %s (see \"qkcli %s --help\")\n", command, message.c_str(), command);
    return exitUsage;
}

int main(int argc, char** systemArgv)
{
    QkIgnoreBrokenPipe();
    QkUtf8Console();
    // Every command reads its arguments in UTF-8.
    std::vector<std::string> arguments = QkUtf8Arguments(argc, systemArgv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    char** argv = pointers.data();
    if (argc < 2) {
        PrintUsage(stderr);
        return exitUsage;
    }
    const std::string first = argv[1];
    if (first == "--help" || first == "-h" || first == "help") {
        PrintUsage(stdout);
        return exitOk;
    }
    if (first == "--version") {
        TArrayAsVector<clVerInfo> versions;
        clDataBase(GetDLLDBaseInstance()).GetVer(versions);
        std::printf("qkcli %s\n", QK_VERSION_TEXT);
        for (const clVerInfo& v : versions)
            std::printf("%s %d.%02d\n", v.GetName(), v.GetHiVer(), v.GetLoVer());
        return exitOk;
    }
    for (const clCliCommand& command : kCommands) {
        if (first != command.name)
            continue;
        if (WantsHelp(argc, argv, 2)) {
            std::printf("Usage: qkcli %s\n\n%s", command.synopsis, command.help);
            return exitOk;
        }
        return command.run(argc, argv, 2);
    }
    std::fprintf(stderr, "qkcli: unknown command \"%s\"\n\n", first.c_str());
    PrintUsage(stderr);
    return exitUsage;
}
