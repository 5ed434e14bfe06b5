// Stand-ins for the few Win32 types that cross our library boundaries.
#pragma once

#include <cstddef>
#include <cstdint>

#include "err/qkmodule.h"

// A compiled-in raw-data resource (what RCDATA "#id" is on Windows). Tables
// are sorted by id.
struct QK_RESOURCE {
    std::uint32_t id;
    const unsigned char* data;
    std::uint32_t size;
};

// The resource with that id in a sorted table, or null.
const QK_RESOURCE* QkFindResource(const QK_RESOURCE* table, std::size_t count, std::uint32_t id);
