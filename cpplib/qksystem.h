// What the computer offers, for limits that depend on it.
#pragma once

#include <cstdint>

// The physical memory of the computer in bytes (0 when it cannot be told).
std::uint64_t QkPhysicalMemoryBytes();
