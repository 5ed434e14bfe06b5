// The device list of the device selection without its window: one row per
// device (vendor, name, adapter), the filter with its vendor choice, the
// counts shown while no device is selected, and the device history.
#pragma once

#include <string>
#include <vector>

class clDataBase;

struct clChpRow {
    unsigned short chipId = 0;
    unsigned short vendorNo = 0; // the vendor's resource id
    std::string vendor;
    std::string name;
    std::string adapter;
    int vendorOrder = 0; // the vendor's place in the database
    int listOrder = 0;   // the device's place in the database's display list
};

// Rows in the vendors' database order and, within a vendor, in the
// database's display order: the maker's own order of its devices.
struct clVndrComp {
    bool operator()(const clChpRow& a, const clChpRow& b) const;
};

// A vendor of the database, in database order.
struct clChpVendor {
    unsigned short vendorNo = 0;
    std::string name;
};

// Every device of the database, ordered by clVndrComp, and every vendor.
// A record that names a missing vendor or adapter shows an empty name.
std::vector<clChpRow> QkReadDeviceRows(const clDataBase& db);
std::vector<clChpVendor> QkReadVendors(const clDataBase& db);

inline constexpr const char kAllDevices[] = "all devices";

struct clChpCounts {
    unsigned long total = 0;          // devices in the database
    unsigned long filtered = 0;       // devices whose name matches
    unsigned long vendorFiltered = 0; // devices whose "vendor device" matches
    unsigned long group = 0;          // devices listed for the vendor choice
};

// The counts text of the device page.
std::string QkCountsText(const clChpCounts& counts);

class clChpSelModel {
public:
    clChpSelModel(std::vector<clChpRow> rows, std::vector<clChpVendor> vendors);
    explicit clChpSelModel(const clDataBase& db);

    // Applies a filter: the vendor choice becomes the vendors with a matching
    // device (database order), "all devices" first when a device name
    // matches; the chosen entry stays chosen while it is there, else the
    // first one is. The list and the counts follow.
    void SetFilter(const std::string& filter);
    const std::string& GetFilter() const { return m_sFilter; }

    const std::vector<std::string>& VendorChoice() const { return m_VendorChoice; }
    // The chosen entry of the vendor choice; -1 when it is empty.
    int ChosenVendor() const { return m_iChosen; }
    void ChooseVendor(int index);

    // The devices listed for the chosen entry: every device whose name
    // matches under "all devices", else the vendor's devices whose
    // "vendor device" matches.
    const std::vector<const clChpRow*>& List() const { return m_List; }
    const clChpCounts& Counts() const { return m_Counts; }
    std::string CountsText() const { return QkCountsText(m_Counts); }

    const std::vector<clChpRow>& Rows() const { return m_Rows; }
    // The row of a chip id; null when the database has no such device.
    const clChpRow* Find(unsigned short chipId) const;
    // The row whose history entry ("vendor device") is entry; null when none.
    const clChpRow* FindEntry(const std::string& entry) const;

private:
    void Refill();
    void FillList();

    std::vector<clChpRow> m_Rows;
    std::vector<clChpVendor> m_Vendors;
    std::string m_sFilter;
    std::vector<bool> m_NameMatch;   // per row
    std::vector<bool> m_VendorMatch; // per row: "vendor device" matches
    std::vector<std::string> m_VendorChoice;
    std::vector<unsigned short> m_ChoiceVendorNo; // 0 for "all devices"
    int m_iChosen = -1;
    std::vector<const clChpRow*> m_List;
    clChpCounts m_Counts;
};

// The history entry of a device: "%s %s" of its vendor and device names.
std::string QkHistoryEntry(const clChpRow& row);
// The history after choosing entry: entry first, then the earlier entries in
// order without any equal to it, at most seven in all.
std::vector<std::string> QkPushHistory(const std::vector<std::string>& history, const std::string& entry);
