#include "source/dump/dumpfill.h"

#include "source/dump/dumperr.h"
#include "source/dump/dumptext.h"

clDumpFillForm::clFields clDumpFillForm::Propose(const clDumpSelection& sel, std::uint32_t caret) const
{
    std::uint64_t start = sel.present ? sel.start : caret;
    // Without a selection one unit: a count the dialog accepts (0 it refuses).
    std::uint64_t count = m_Layout.UnitSize();
    if (sel.present) {
        const std::uint64_t lastUnit = m_Layout.UnitStart(sel.end);
        count = lastUnit + m_Layout.UnitSize() - start;
    }
    if (!m_Layout.Contains(start))
        start = m_Layout.First();
    if (start + count > std::uint64_t{m_Layout.First()} + m_Layout.Size())
        count = std::uint64_t{m_Layout.First()} + m_Layout.Size() - start;
    return {QkDumpHexText(start), QkDumpHexText(count), QkDumpHexText(0)};
}

unsigned short clDumpFillForm::CheckStart(std::string& text) const
{
    const auto start = QkParseDumpNumber(text);
    if (!start || !m_Layout.Contains(*start))
        return dmpInvalidAddress;
    text = QkDumpHexText(*start);
    return 0;
}

unsigned short clDumpFillForm::CheckCount(std::string& text, const std::string& startText) const
{
    const auto count = QkParseDumpNumber(text);
    const auto start = QkParseDumpNumber(startText);
    if (!count || *count < 1)
        return dmpInvalidCount;
    // Checked against the start once the start itself is good.
    if (start && m_Layout.Contains(*start) && *start - m_Layout.First() + *count > m_Layout.Size())
        return dmpInvalidCount;
    text = QkDumpHexText(*count);
    return 0;
}

unsigned short clDumpFillForm::CheckValue(std::string& text) const
{
    const auto value = QkParseDumpNumber(text);
    if (!value)
        return dmpInvalidValue;
    text = QkDumpHexText(*value);
    return 0;
}

clDumpFillForm::clResult clDumpFillForm::Check(clFields& fields) const
{
    if (const auto no = CheckStart(fields.start))
        return {no, 0};
    if (const auto no = CheckCount(fields.count, fields.start))
        return {no, 1};
    if (const auto no = CheckValue(fields.value))
        return {no, 2};
    const std::uint64_t start = *QkParseDumpNumber(fields.start);
    const std::uint64_t count = *QkParseDumpNumber(fields.count);
    if (start < m_Layout.First() || count < 1 || count > m_Layout.Size() ||
        start - m_Layout.First() + count > m_Layout.Size())
        return {dmpInvalidValue, 1};
    return {0, -1, static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(count),
            static_cast<unsigned char>(*QkParseDumpNumber(fields.value) & 0xFF)};
}
