#include "source/strtable.h"

#include <algorithm>
#include <iterator>

namespace {
struct clStringEntry {
    unsigned id;
    const char* text;
};

// Sorted by id.
constexpr clStringEntry kStrings[] = {
    {101, "WARNING:  File %s is not in expected HEX format."},
    {102, "WARNING:  Unknown error type incountered in file %s"},
    {103, "WARNING:  Unexpected record type encountered in file %s"},
    {104, "WARNING:  Record with checksum error encountered in file %s"},
    {105, "WARNING:  Invalid record incountered in file %s"},
    {106, "WARNING:  EOF/Terminate record missing in file %s"},
    {107, "ERROR: Disk Input/Output error."},
};
} // namespace

const char* QkLoadString(unsigned id)
{
    const auto* end = std::end(kStrings);
    const auto* found =
        std::lower_bound(std::begin(kStrings), end, id, [](const clStringEntry& e, unsigned key) { return e.id < key; });
    return found != end && found->id == id ? found->text : "";
}
