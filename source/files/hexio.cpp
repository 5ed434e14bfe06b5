#include "source/files/hexio.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "cpplib/clbuffer.h"
#include "err/uisrv.h"
#include "source/base/appmngr.h"
#include "source/base/strtable.h"

namespace {
constexpr unsigned char kIgnoreAbort = erOptIgnore | erOptAbort;
// The warning numbers of data records after the end record, and of the
// repeats of a warning that were not shown (beside 101 to 107).
constexpr unsigned short kDataAfterEnd = 108;
constexpr unsigned short kMoreWarnings = 109;
// How often the same warning is shown in one file.
constexpr int kSameWarningsShown = 5;
constexpr unsigned char kRetryAbort = erOptRetry | erOptAbort;

// "&Abort" or a dialog closed without an answer ends the work.
bool IsStopReply(int button)
{
    return button == erIdAbort || button == erIdCancel;
}

std::string FormatMessage(unsigned id, const std::string& fileName)
{
    const std::string templ = std::string(QkLoadString(id)).substr(0, 300);
    std::vector<char> text(templ.size() + fileName.size() + 1);
    std::snprintf(text.data(), text.size(), templ.c_str(), fileName.c_str());
    return text.data();
}
} // namespace

std::string QkFileNameOnly(const std::string& path)
{
    const auto cut = path.find_last_of("/\\:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

clHexIOErr::clHexIOErr(unsigned long processId, unsigned short errNo, ERR_TYPE type, const char* text,
                       unsigned char option)
    : clBasicErr(processId, errNo, type, option)
{
    SetErrStr(text);
}

// ---- clHexIO ----

clHexIO::clHexIO(unsigned long ownerWindow) : m_ulOwnerWindow(ownerWindow) {}

clHexIO::~clHexIO()
{
    if (m_pStream)
        m_pStream->Close();
}

int clHexIO::OpenFile(const char* name, int kind, int mode)
{
    if (m_pStream) {
        m_pStream->Close();
        m_pStream.reset();
    }
    if (kind >= HEXFMT_S1 && kind <= HEXFMT_S_ANY)
        m_pStream = std::make_unique<clHexMotorolaStream>(this);
    else if (kind >= HEXFMT_INTEL_LINEAR && kind <= HEXFMT_INTEL_ANY)
        m_pStream = std::make_unique<clHexIntelStream>(this);
    else
        return 0;
    if (m_pStream->Open(name, kind, mode) == 0) {
        m_pStream.reset();
        return 0;
    }
    if (mode == HEX_READ) {
        m_ulFileStart = 0;
        m_ulFileLength = m_pStream->Length();
        m_ulRecordCount = 0;
    }
    return m_pStream->Init() == HEXIO_ABORT ? 0 : 1;
}

int clHexIO::CloseFile()
{
    if (!m_pStream)
        return 0;
    const int status = m_pStream->Close();
    m_pStream.reset();
    return status == HEXIO_OK ? 1 : 0;
}

int clHexIO::ReadBlock(clHexBlk& block, std::size_t maximum)
{
    if (!m_pStream)
        return 0;
    clHexStream& stream = *m_pStream;
    std::uint32_t previous = stream.GetLinear() - 1;
    const std::size_t count = std::min(maximum, block.GetCapacity());
    block.Clear();
    block.SetAddress(clAdrs(stream.GetLinear()));
    while (block.GetCount() < count && !stream.IsEnd()) {
        const std::uint32_t address = stream.GetLinear();
        // The data jumps (address 0 after the top of the address space is a
        // jump too): the block ends here.
        if (block.GetCount() > 0 && (address != previous + 1 || address == 0))
            break;
        previous = address;
        unsigned char byte = 0;
        const int status = stream.NextByte(byte);
        if (status == HEXIO_ABORT)
            return 0;
        // The byte came from a complete record, also when reading ends here.
        block.Append(byte);
        if (status == HEXIO_END)
            return 1;
    }
    return 1;
}

int clHexIO::WriteBlock(const clHexBlk& block, std::size_t count)
{
    if (!m_pStream)
        return 0;
    if (count == 0 || count > block.GetCount())
        count = block.GetCount();
    // Every block starts a new run of records at its own address. (Comparing
    // with the queue address + 1 would skip that for a block that starts one
    // byte after the queue address, and put its data one byte too low.)
    if (m_pStream->SetAddress(block.GetAddress()) != HEXIO_OK)
        return 0;
    for (std::size_t i = 0; i < count; ++i)
        if (m_pStream->PutByte(block.Data()[i]) != HEXIO_OK)
            return 0;
    return 1;
}

void clHexIO::OnProgress()
{
    if (!m_pStream || m_pStream->GetMode() != HEX_READ)
        return;
    if (++m_ulRecordCount % 50 != 0 || m_ulFileLength == 0)
        return;
    const std::uint64_t position = m_pStream->Tell() - m_ulFileStart;
    ShowProgress(static_cast<int>(position * 100 / m_ulFileLength), m_pStream->GetFileName());
}

void clHexIO::ShowProgress(int, const std::string&) {}

int clHexIO::Report(int code, ERR_TYPE type, unsigned char buttons)
{
    std::string text = FormatMessage(static_cast<unsigned>(code), QkFileNameOnly(m_pStream->GetFileName()));
    // The system's own word on a disk fault names it ("No space left on device").
    if (code == hexErrDisk && !m_pStream->GetSystemReason().empty())
        text += "\n" + m_pStream->GetSystemReason();
    return ReportText(static_cast<unsigned short>(code), type, buttons, text);
}

int clHexIO::ReportText(unsigned short code, ERR_TYPE type, unsigned char buttons, const std::string& text)
{
    const clHexIOErr record(m_ulOwnerWindow, code, type, text.c_str(), buttons);
    return QkAppErrMngr() << record;
}

int clHexIO::OnReadError(int code)
{
    switch (code) {
    case hexErrNotHex:
    case hexErrUnknownType:
    case hexErrUnexpectedType:
    case hexErrChecksum: {
        // A damaged file can raise the same warning thousands of times (one
        // per 200 characters of garbage): after a few answered "Ignore" the
        // rest are ignored too, and counted.
        if (++m_SameWarnings[code] > kSameWarningsShown) {
            ++m_ulWarningsNotShown;
            m_pStream->SkipToRecordMark();
            return HEXIO_OK;
        }
        const int button = Report(code, erTypeWarning, kIgnoreAbort);
        m_pStream->SkipToRecordMark();
        return IsStopReply(button) ? HEXIO_ABORT : HEXIO_OK;
    }
    case hexErrInvalid: {
        const int button = Report(code, erTypeError, kIgnoreAbort);
        if (!m_pStream->IsEnd()) {
            m_pStream->SkipToRecordMark();
            return IsStopReply(button) ? HEXIO_ABORT : HEXIO_OK;
        }
        m_pStream->SetBad();
        return IsStopReply(button) ? HEXIO_ABORT : HEXIO_END;
    }
    case hexErrNoEnd: {
        const int button = Report(code, erTypeError, kIgnoreAbort);
        m_pStream->SetBad();
        return IsStopReply(button) ? HEXIO_ABORT : HEXIO_END;
    }
    case hexErrDisk: {
        const int button = Report(code, erTypeError, kRetryAbort);
        m_pStream->SetBad();
        return IsStopReply(button) ? HEXIO_ABORT : HEXIO_OK;
    }
    default: return HEXIO_OK;
    }
}

int clHexIO::OnWriteError(int code)
{
    switch (code) {
    case hexErrUnexpectedType: return IsStopReply(Report(code, erTypeWarning, kIgnoreAbort)) ? HEXIO_ABORT : HEXIO_OK;
    case hexErrDisk: {
        const int button = Report(code, erTypeError, kRetryAbort);
        m_pStream->SetBad();
        return IsStopReply(button) ? HEXIO_ABORT : HEXIO_OK;
    }
    default: return HEXIO_OK;
    }
}

// ---- clHexLoader ----

clHexLoader::clHexLoader(clProgressSink* gauge, unsigned long ownerWindow) : clHexIO(ownerWindow), m_pGauge(gauge)
{
    if (m_pGauge != nullptr)
        m_pGauge->SetProgress(0, nullptr);
}

clHexLoader::~clHexLoader()
{
    if (m_pGauge != nullptr)
        m_pGauge->SetProgress(100, nullptr);
    m_pGauge = nullptr;
}

void clHexLoader::ShowProgress(int percent, const std::string&)
{
    if (m_pGauge == nullptr || percent < m_iLastPercent + 7 || percent > 100)
        return;
    const clHexStream* stream = GetStream();
    m_pGauge->SetProgress(percent, stream != nullptr && stream->GetMode() == HEX_WRITE ? "Saving" : "Loading");
    m_iLastPercent = percent;
    QkUi().PumpMessages();
}

namespace {
// A space buffer as the place a load stores into, through its write operation.
class clBufferSink : public clHexSink {
public:
    explicit clBufferSink(clHugeBuffer<unsigned char>& buffer) : m_Buffer(buffer) {}
    bool GetRange(std::uint32_t& first, std::uint32_t& last) const override
    {
        if (!m_Buffer.HasMemory())
            return false;
        first = m_Buffer.GetStartAdrs().GetLinear();
        last = m_Buffer.GetStopAdrs().GetLinear();
        return true;
    }
    void Store(std::uint32_t first, std::uint32_t last, const unsigned char* bytes) override
    {
        m_Buffer.Write(clAdrs(first), clAdrs(last), bytes);
    }

private:
    clHugeBuffer<unsigned char>& m_Buffer;
};
} // namespace

void clOutsideData::Add(std::uint32_t from, std::uint32_t to)
{
    first = any ? std::min(first, from) : from;
    last = any ? std::max(last, to) : to;
    any = true;
}

int clHexLoader::Load(clHugeBuffer<unsigned char>& buffer, std::uint32_t start, std::uint32_t stop,
                      clOutsideData* outside)
{
    clBufferSink sink(buffer);
    return Load(sink, start, stop, outside);
}

int clHexLoader::Load(clHexSink& sink, std::uint32_t start, std::uint32_t stop, clOutsideData* outside)
{
    clHexStream* stream = GetStream();
    if (stream == nullptr || stream->GetMode() != HEX_READ)
        return 0;
    // A file without address records holds 16-bit offsets: they belong to the
    // 64 KB page of the space.
    if ((start >> 16) != 0)
        stream->SetPresetPage(static_cast<unsigned short>(start >> 16));

    // Only what lies in start..stop and inside the sink is stored.
    std::uint32_t sinkFirst = 0, sinkLast = 0;
    const bool canStore = sink.GetRange(sinkFirst, sinkLast) && std::max(start, sinkFirst) <= std::min(stop, sinkLast);
    const std::uint64_t lowest = std::max(start, sinkFirst);
    const std::uint64_t highest = std::min(stop, sinkLast);

    clHexBlk block(kBlockSize);
    int result = 0;
    m_bStored = false;
    do {
        result = ReadBlock(block, kBlockSize);
        if (result != 1 || block.GetCount() == 0)
            continue;
        const std::uint64_t first = block.GetAddress().GetLinear();
        const std::uint64_t last = first + block.GetCount() - 1;
        if (!canStore || last < lowest || first > highest) {
            if (outside != nullptr)
                outside->Add(static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last));
            continue;
        }
        const std::uint64_t head = first < lowest ? lowest - first : 0;
        const std::uint64_t tail = last > highest ? last - highest : 0;
        if (outside != nullptr && head > 0)
            outside->Add(static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(lowest - 1));
        if (outside != nullptr && tail > 0)
            outside->Add(static_cast<std::uint32_t>(highest + 1), static_cast<std::uint32_t>(last));
        sink.Store(static_cast<std::uint32_t>(first + head), static_cast<std::uint32_t>(last - tail),
                   block.Data() + head);
        m_bStored = true;
    } while (!stream->IsEnd() && result == 1);
    if (const unsigned long notShown = WarningsNotShown(); notShown > 0)
        ReportText(kMoreWarnings, erTypeWarning, erOptOk,
                   "WARNING:  " + std::to_string(notShown) + " more warnings like these in file " +
                       QkFileNameOnly(stream->GetFileName()) + " were not shown; they were ignored as well.");
    // Data after the end record stays out, as the format says, but not in
    // silence: a file with it was probably joined or cut wrongly.
    if (result == 1 && stream->IsEnd() && !stream->IsBad())
        if (const unsigned after = stream->CountDataRecordsAfterEnd(); after > 0) {
            const std::string text =
                "WARNING:  " + std::to_string(after) + (after == 1 ? " data record" : " data records") +
                " after the end record of file " + QkFileNameOnly(stream->GetFileName()) + " were not loaded.";
            if (IsStopReply(ReportText(kDataAfterEnd, erTypeWarning, kIgnoreAbort, text)))
                result = 0;
        }
    return result;
}

int clHexLoader::Save(const clHugeBuffer<unsigned char>& buffer, std::uint32_t start, std::uint32_t stop)
{
    clHexStream* stream = GetStream();
    if (stream == nullptr || stream->GetMode() != HEX_WRITE || !buffer.HasMemory())
        return 0;
    std::uint64_t from = std::max<std::uint64_t>(start, buffer.GetStartAdrs().GetLinear());
    const std::uint64_t to = std::min<std::uint64_t>(stop, buffer.GetStopAdrs().GetLinear());
    if (from > to)
        return 1;
    const std::uint64_t total = to - from + 1;
    std::uint64_t done = 0;
    std::vector<unsigned char> chunk(kBlockSize);
    clHexBlk block(kBlockSize);
    while (from <= to && !stream->IsBad()) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize, to - from + 1));
        const clAdrs first(static_cast<std::uint32_t>(from));
        buffer.Read(first, first + static_cast<std::uint32_t>(count - 1), chunk.data());
        block.Assign(chunk.data(), count);
        block.SetAddress(first);
        if (WriteBlock(block, count) == 0)
            return 0;
        from += count;
        done += count;
        ShowProgress(static_cast<int>(done * 100 / total), stream->GetFileName());
    }
    return stream->IsBad() ? 0 : 1;
}
