// qksim's boot monitor fed arbitrary host bytes in arbitrary pieces: it must
// never crash or read outside its memory, and everything it sends must be
// whole replies whose count byte matches their length.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tools/qksim/simboot.h"
#include "tools/qksim/simopts.h"

namespace {

void CheckReplies(const std::vector<unsigned char>& out)
{
    std::size_t at = 0;
    while (at < out.size()) {
        const std::size_t length = out[at] + 1u;
        if (length < 3 || at + length > out.size() || (out[at + 1] != 0x02 && out[at + 1] != 0x40))
            std::abort();
        at += length;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the faults.
    clSimFaults faults;
    faults.bootBadId = (data[0] & 1) != 0;
    faults.bootStays = (data[0] & 2) != 0;
    faults.bootError = (data[0] & 4) != 0 ? data[0] >> 4 : 0;
    clSimBootMonitor monitor(faults);
    std::int64_t now = 0;
    // Then pieces: a length byte (its high bit also lets 300 ms pass), the bytes.
    std::size_t at = 1;
    while (at < size && monitor.Active()) {
        const std::size_t length = data[at] & 0x7F;
        now += (data[at] & 0x80) ? 300000 : 100;
        ++at;
        const std::size_t take = length < size - at ? length : size - at;
        std::vector<unsigned char> out;
        monitor.Receive(data + at, take, now, out);
        CheckReplies(out);
        at += take;
    }
    if (monitor.Image().size() > clSimBootMonitor::kMaxImage)
        std::abort();
    return 0;
}
