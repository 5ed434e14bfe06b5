// qksim's protocol engine fed arbitrary host bytes in arbitrary pieces and
// at arbitrary times: it must never crash, read outside its memory or hang.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/qksim/simmem.h"
#include "tools/qksim/simproto.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    clSimOptions options;
    options.ramKib = 1;
    // The first byte picks the timing: quick answers or long orders.
    options.workMs = data[0] & 0x0F;
    options.busyMs = 1 + (data[0] >> 4);
    clSimMemory memory(options.ramKib * 1024, options.eraseValue);
    clSimProtocol protocol(options, memory);
    std::vector<unsigned char> out;
    std::int64_t now = 0;
    // Then pieces: a length byte (its high bit also lets 5 ms pass), the bytes.
    std::size_t at = 1;
    while (at < size) {
        const std::size_t length = data[at] & 0x3F;
        now += (data[at] & 0x80) ? 5000 : 100;
        ++at;
        const std::size_t take = length < size - at ? length : size - at;
        protocol.Receive(data + at, take, now, out);
        at += take;
        protocol.Tick(now, out);
        if (protocol.LineDropped())
            break;
    }
    // Let any long order run out.
    for (int i = 0; i < 40 && protocol.NextEventUs() >= 0; ++i)
        protocol.Tick(protocol.NextEventUs(), out);
    return 0;
}
