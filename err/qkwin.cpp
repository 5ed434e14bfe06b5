#include "err/qkwin.h"

#include <algorithm>

const QK_RESOURCE* QkFindResource(const QK_RESOURCE* table, std::size_t count, std::uint32_t id)
{
    const QK_RESOURCE* end = table + count;
    const QK_RESOURCE* found =
        std::lower_bound(table, end, id, [](const QK_RESOURCE& r, std::uint32_t key) { return r.id < key; });
    return found != end && found->id == id ? found : nullptr;
}
