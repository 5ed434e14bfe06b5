// qkcli devices, qkcli info: the device database.
#include <cstdio>
#include <string>
#include <vector>

#include "cpplib/clexpt.h"
#include "qkdb/dbase32.h"
#include "source/settings/chpdescr.h"
#include "source/settings/chpfilter.h"
#include "tools/qkcli/cliargs.h"
#include "tools/qkcli/clijson.h"
#include "tools/qkcli/cliwork.h"
#include "tools/qkcli/commands.h"

namespace {

struct DeviceRow {
    std::string vendor;
    std::string device;
    std::string adapter;
    unsigned short chipId;
};

std::vector<DeviceRow> ListDevices(const clDataBase& db)
{
    struct Context {
        const clDataBase* db;
        std::vector<DeviceRow> rows;
    } context{&db, {}};
    db.IterChipsHdr(
        [](clDBChipHdr& header, void* user) {
            auto* ctx = static_cast<Context*>(user);
            DeviceRow row{"", header.GetName(), "", header.GetChipId()};
            try {
                row.vendor = ctx->db->GetVndr(header.GetVndrNo()).GetName();
                row.adapter = ctx->db->GetAdptr(header.GetAdptrNo()).GetName();
            } catch (const clDbBadId&) {
                // A record naming a missing vendor or adapter still lists.
            }
            ctx->rows.push_back(row);
            return 1;
        },
        &context);
    return context.rows;
}

std::string Hex(std::uint32_t value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

} // namespace

int QkCmdDevices(int argc, char** argv, int first)
{
    const clCliArgs args(argc, argv, first, {}, {"json"});
    if (!args.IsValid())
        return QkUsageError("devices", args.GetError());
    if (args.Positional().size() > 1)
        return QkUsageError("devices", "give at most one FILTER");
    const std::string filter = args.Positional().empty() ? "" : args.Positional()[0];

    const clDataBase db(GetDLLDBaseInstance());
    std::vector<DeviceRow> rows;
    for (const DeviceRow& row : ListDevices(db))
        if (QkDeviceMatches(filter, row.vendor, row.device))
            rows.push_back(row);

    if (args.Has("json")) {
        clJsonArray list;
        for (const DeviceRow& row : rows) {
            clJsonObject item;
            item.Add("vendor", row.vendor).Add("device", row.device).Add("adapter", row.adapter);
            item.Add("chip_id", static_cast<unsigned>(row.chipId));
            list.Add(item);
        }
        std::printf("%s\n", clJsonObject().AddRaw("devices", list.Text()).Text().c_str());
        return exitOk;
    }
    std::printf("%-10s %-12s %-20s %s\n", "Vendor", "Device", "Adapter", "Chip id");
    for (const DeviceRow& row : rows)
        std::printf("%-10s %-12s %-20s %u\n", row.vendor.c_str(), row.device.c_str(), row.adapter.c_str(), row.chipId);
    return exitOk;
}

int QkCmdInfo(int argc, char** argv, int first)
{
    const clCliArgs args(argc, argv, first, {}, {"json"});
    if (!args.IsValid())
        return QkUsageError("info", args.GetError());
    if (args.Positional().size() != 1)
        return QkUsageError("info", "name one DEVICE (a device name or a chip id)");

    const clDataBase db(GetDLLDBaseInstance());
    const auto found = QkFindDevice(db, args.Positional()[0]);
    if (!found) {
        std::fprintf(stderr, "qkcli info: no device \"%s\" in the database (see \"qkcli devices\")\n",
                     args.Positional()[0].c_str());
        return exitUsage;
    }
    const unsigned short chipId = *found;
    try {
        const clDBChip chip = db.GetChip(chipId);
        const clDBVndr vendor = db.GetVndr(chip.GetVndrNo());
        const clDBAdptr adapter = db.GetAdptr(chip.GetAdptrNo());
        std::vector<clDBBuf> buffers;
        for (int i = 0; i < chip.GetBufCount(); ++i)
            buffers.push_back(db.GetBuf(chip.GetBufNo(i)));
        const std::string description = QkDeviceDescription(db, chipId);

        if (args.Has("json")) {
            clJsonArray list;
            for (const clDBBuf& b : buffers) {
                clJsonObject item;
                item.Add("id", static_cast<unsigned>(b.GetDBId())).Add("space", static_cast<unsigned>(b.GetSpace()));
                item.Add("name", b.GetName()).Add("start", static_cast<std::int64_t>(b.GetStartAdrs()));
                item.Add("stop", static_cast<std::int64_t>(b.GetStopAdrs()));
                item.Add("alignment", static_cast<std::int64_t>(b.GetBlkAlignment()));
                item.Add("erase_value", static_cast<unsigned>(b.GetEraseVal()));
                list.Add(item);
            }
            clJsonObject out;
            out.Add("device", chip.clDBChipHdr::GetName()).Add("chip_id", static_cast<unsigned>(chipId));
            out.Add("type", static_cast<std::int64_t>(chip.GetType())).Add("vendor", vendor.GetName());
            out.Add("adapter", adapter.GetName()).Add("adapter_id", static_cast<unsigned>(adapter.GetID()));
            out.Add("algorithm", static_cast<unsigned>(chip.GetAlgID()));
            out.Add("device_id", static_cast<unsigned>(chip.GetDeviceID()));
            out.Add("vpp", static_cast<unsigned>(chip.GetVppVal()));
            out.Add("erase_time", static_cast<std::int64_t>(chip.GetEraseTime()));
            out.Add("program_time", static_cast<std::int64_t>(chip.GetPgmTime()));
            out.Add("program_pulse", static_cast<unsigned>(chip.GetPgmPulse()));
            out.AddBool("signature_check", chip.IsSigChkAvail() != 0).AddBool("erasable", chip.IsEraseAvail() != 0);
            out.Add("firmware_version", static_cast<unsigned>(chip.GetVerSupp()));
            out.Add("security_bits", static_cast<unsigned>(chip.GetScrtyBits()));
            out.AddRaw("buffers", list.Text()).Add("description", description);
            std::printf("%s\n", out.Text().c_str());
            return exitOk;
        }

        std::printf("Device:           %s\n", chip.clDBChipHdr::GetName());
        std::printf("Chip id:          %u\n", chipId);
        std::printf("Type:             %d (%s)\n", chip.GetType(), QkDeviceTypeName(chip.GetType()));
        std::printf("Vendor:           %s\n", vendor.GetName());
        std::printf("Adapter:          %s (id %u)\n", adapter.GetName(), adapter.GetID());
        std::printf("Algorithm:        %u\n", chip.GetAlgID());
        std::printf("Device id:        %u\n", chip.GetDeviceID());
        std::printf("Vpp:              %u (%.2f V)\n", chip.GetVppVal(), chip.GetVppVal() * 0.01);
        std::printf("Erase time:       %u\n", chip.GetEraseTime());
        std::printf("Program time:     %u\n", chip.GetPgmTime());
        std::printf("Program pulse:    %u\n", chip.GetPgmPulse());
        std::printf("Signature check:  %s\n", chip.IsSigChkAvail() ? "yes" : "no");
        std::printf("Erase:            %s\n", chip.IsEraseAvail() ? "yes" : "no");
        std::printf("Firmware version: %u\n", chip.GetVerSupp());
        std::printf("Security bits:    %s\n", Hex(chip.GetScrtyBits(), 2).c_str());
        std::printf("Buffers:\n  %-6s %-6s %-12s %-11s %-11s %-10s %s\n", "Id", "Space", "Name", "Start", "Stop",
                    "Alignment", "Erase");
        for (const clDBBuf& b : buffers)
            std::printf("  %-6u %-6u %-12s %-11s %-11s %-10u %s\n", b.GetDBId(), b.GetSpace(), b.GetName(),
                        Hex(b.GetStartAdrs(), 8).c_str(), Hex(b.GetStopAdrs(), 8).c_str(), b.GetBlkAlignment(),
                        Hex(b.GetEraseVal(), 2).c_str());
        std::printf("\n%s\n", QkToUtf8(description).c_str());
    } catch (const clBscExpt& e) {
        std::fprintf(stderr, "qkcli info: the database record of chip id %u is incomplete (%s at %s:%d)\n", chipId,
                     QkExptName(e), e.GetFile().c_str(), e.GetLine());
        return exitUsage;
    }
    return exitOk;
}
