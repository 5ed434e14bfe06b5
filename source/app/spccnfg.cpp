#include "source/app/spccnfg.h"

#include <cstdio>

// The configuration view.

std::vector<clSpcCnfgDlg::clRow> clSpcCnfgDlg::Rows() const
{
    std::vector<clRow> rows;
    if (!HasBufferBytes())
        return rows;
    const std::uint32_t first = m_pBuf->GetStartAdrs().GetLinear();
    for (std::uint32_t i = 0; i < m_pBuf->GetSize(); ++i) {
        char label[16], value[8];
        std::snprintf(label, sizeof label, "# %02u", i);
        std::snprintf(value, sizeof value, "%02Xh", m_pBuf->GetByte(clAdrs(first + i)));
        rows.push_back({label, value});
    }
    return rows;
}

bool clSpcCnfgDlg::SetValue(int row, const std::string& text)
{
    std::uint32_t value = 0;
    if (!HasBufferBytes() || row < 0 || static_cast<std::uint32_t>(row) >= m_pBuf->GetSize() ||
        !QkParseHexAddress(text, value) || value > 0xFF)
        return false;
    const unsigned char byte = static_cast<unsigned char>(value);
    const clAdrs address = m_pBuf->GetStartAdrs() + static_cast<std::uint32_t>(row);
    WriteThrough([&] { m_pBuf->SetByte(address, &byte); });
    m_bDataChanged = true;
    Refresh();
    m_Owner.InfoChanged();
    return true;
}
