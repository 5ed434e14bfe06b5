#include "source/settings/chplist.h"

#include <algorithm>
#include <cstdio>

#include "qkdb/dbase32.h"
#include "source/settings/chpfilter.h"
#include "source/settings/qksettings.h"

bool clVndrComp::operator()(const clChpRow& a, const clChpRow& b) const
{
    if (a.vendorOrder != b.vendorOrder)
        return a.vendorOrder < b.vendorOrder;
    return a.listOrder < b.listOrder;
}

std::vector<clChpVendor> QkReadVendors(const clDataBase& db)
{
    std::vector<clChpVendor> vendors;
    db.IterVndrs(
        [](clDBVndr& vendor, void* user) {
            static_cast<std::vector<clChpVendor>*>(user)->push_back({vendor.GetDBId(), vendor.GetName()});
            return 1;
        },
        &vendors);
    return vendors;
}

namespace {
struct clRowReader {
    const clDataBase* db;
    const std::vector<clChpVendor>* vendors;
    std::vector<clChpRow> rows;
};

int AddRow(clDBChipHdr& header, void* user)
{
    auto& reader = *static_cast<clRowReader*>(user);
    clChpRow row;
    row.chipId = header.GetChipId();
    row.vendorNo = header.GetVndrNo();
    row.name = header.GetName();
    row.listOrder = static_cast<int>(reader.rows.size());
    const auto& vendors = *reader.vendors;
    const auto vendor =
        std::find_if(vendors.begin(), vendors.end(), [&](const clChpVendor& v) { return v.vendorNo == row.vendorNo; });
    // A vendor the database does not list goes after the listed ones.
    row.vendorOrder = static_cast<int>(vendor - vendors.begin());
    if (vendor != vendors.end())
        row.vendor = vendor->name;
    try {
        row.adapter = reader.db->GetAdptr(header.GetAdptrNo()).GetName();
    } catch (const clBscExpt&) {
    }
    reader.rows.push_back(std::move(row));
    return 1;
}
} // namespace

std::vector<clChpRow> QkReadDeviceRows(const clDataBase& db)
{
    const std::vector<clChpVendor> vendors = QkReadVendors(db);
    clRowReader reader{&db, &vendors, {}};
    db.IterChipsHdr(AddRow, &reader);
    std::stable_sort(reader.rows.begin(), reader.rows.end(), clVndrComp());
    return std::move(reader.rows);
}

std::string QkCountsText(const clChpCounts& counts)
{
    char text[200];
    std::snprintf(text, sizeof text,
                  "Total Devices: %lu\nTotal Filtered Devices: %lu\nTotal Vendor Filtered Device: %lu\n"
                  "Filtered Group devices: %lu",
                  counts.total, counts.filtered, counts.vendorFiltered, counts.group);
    return text;
}

clChpSelModel::clChpSelModel(std::vector<clChpRow> rows, std::vector<clChpVendor> vendors)
    : m_Rows(std::move(rows)), m_Vendors(std::move(vendors))
{
    std::stable_sort(m_Rows.begin(), m_Rows.end(), clVndrComp());
    SetFilter("");
}

clChpSelModel::clChpSelModel(const clDataBase& db) : clChpSelModel(QkReadDeviceRows(db), QkReadVendors(db)) {}

void clChpSelModel::SetFilter(const std::string& filter)
{
    m_sFilter = filter;
    m_NameMatch.assign(m_Rows.size(), false);
    m_VendorMatch.assign(m_Rows.size(), false);
    for (std::size_t i = 0; i < m_Rows.size(); ++i) {
        const clChpRow& row = m_Rows[i];
        m_VendorMatch[i] = QkFilterMatches(filter, row.vendor + " " + row.name);
        m_NameMatch[i] = QkFilterMatches(filter, row.name);
    }
    Refill();
}

void clChpSelModel::Refill()
{
    const std::string previous = m_iChosen >= 0 ? m_VendorChoice[static_cast<std::size_t>(m_iChosen)] : "";
    m_VendorChoice.clear();
    m_ChoiceVendorNo.clear();
    if (std::find(m_NameMatch.begin(), m_NameMatch.end(), true) != m_NameMatch.end()) {
        m_VendorChoice.push_back(kAllDevices);
        m_ChoiceVendorNo.push_back(0);
    }
    for (const clChpVendor& vendor : m_Vendors) {
        bool marked = false;
        for (std::size_t i = 0; i < m_Rows.size() && !marked; ++i)
            marked = m_VendorMatch[i] && m_Rows[i].vendorNo == vendor.vendorNo;
        if (marked) {
            m_VendorChoice.push_back(vendor.name);
            m_ChoiceVendorNo.push_back(vendor.vendorNo);
        }
    }
    const auto again = std::find(m_VendorChoice.begin(), m_VendorChoice.end(), previous);
    if (again != m_VendorChoice.end())
        m_iChosen = static_cast<int>(again - m_VendorChoice.begin());
    else
        m_iChosen = m_VendorChoice.empty() ? -1 : 0;
    FillList();
}

void clChpSelModel::ChooseVendor(int index)
{
    if (index < 0 || index >= static_cast<int>(m_VendorChoice.size()))
        return;
    m_iChosen = index;
    FillList();
}

void clChpSelModel::FillList()
{
    m_List.clear();
    m_Counts = clChpCounts{};
    m_Counts.total = m_Rows.size();
    if (m_iChosen < 0)
        return;
    const unsigned short vendorNo = m_ChoiceVendorNo[static_cast<std::size_t>(m_iChosen)];
    for (std::size_t i = 0; i < m_Rows.size(); ++i) {
        m_Counts.filtered += m_NameMatch[i] ? 1 : 0;
        m_Counts.vendorFiltered += m_VendorMatch[i] ? 1 : 0;
        const bool listed = vendorNo == 0 ? m_NameMatch[i] : m_VendorMatch[i] && m_Rows[i].vendorNo == vendorNo;
        if (listed)
            m_List.push_back(&m_Rows[i]);
    }
    m_Counts.group = m_List.size();
}

const clChpRow* clChpSelModel::Find(unsigned short chipId) const
{
    for (const clChpRow& row : m_Rows)
        if (row.chipId == chipId)
            return &row;
    return nullptr;
}

const clChpRow* clChpSelModel::FindEntry(const std::string& entry) const
{
    for (const clChpRow& row : m_Rows)
        if (QkHistoryEntry(row) == entry)
            return &row;
    return nullptr;
}

std::string QkHistoryEntry(const clChpRow& row)
{
    return row.vendor + " " + row.name;
}

std::vector<std::string> QkPushHistory(const std::vector<std::string>& history, const std::string& entry)
{
    std::vector<std::string> result{entry};
    for (const std::string& earlier : history) {
        if (static_cast<int>(result.size()) >= kDeviceHistoryMax)
            break;
        if (earlier != entry && !earlier.empty())
            result.push_back(earlier);
    }
    return result;
}
