#include "comm/qkcalc.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "comm/qkwire.h"

int QkTransferTicks(std::uint32_t count, unsigned order, int bitsPerChar, int baud)
{
    double factor = 10;
    // order is the frame kind when a frame is sent, the order whose reply is
    // awaited otherwise.
    switch (order) {
    case qkwire::kindRequest: factor = 100; break;
    case qkwire::kindWrite:
    case qkwire::kindFill:
    case qkwire::ordChecksum: factor = 20; break;
    case qkwire::ordPgmFlash: factor = 1000; break;
    case qkwire::kSyncByte: factor = 4; break;
    default: break;
    }
    const double perChar = static_cast<double>(bitsPerChar) / baud * 1000;
    const double extra = 0;
    const double ms =
        ((static_cast<double>(count) * 10 * (1.0 / 917503) * perChar * factor) + 1.5) * 1000 + extra + 16 + 2000;
    const double ticks = std::trunc(ms * (1.0 / 55));
    if (!(ticks >= 0))
        return 0;
    return ticks > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : static_cast<int>(ticks);
}

clVerInfo QkVerFromText(const char* name, const char* text)
{
    const std::string t = text != nullptr ? text : "";
    if (t.empty() || t[0] != 'V')
        return clVerInfo(name, 0, 0, 0, 0);
    auto digit = [&t](std::size_t at) {
        return at < t.size() && std::isdigit(static_cast<unsigned char>(t[at])) ? t[at] - '0' : 0;
    };
    const unsigned short high = static_cast<unsigned short>(digit(1));
    unsigned short low = 0;
    if (t.size() > 2 && t[2] == '.')
        low = static_cast<unsigned short>(digit(3) * 10 + digit(4));
    const unsigned short rebuild = t.size() > 5 ? static_cast<unsigned char>(t[5]) : 0;
    const unsigned short alpha = t.size() > 7 ? static_cast<unsigned char>(t[7]) : 0;
    return clVerInfo(name, high, low, alpha, rebuild);
}

int QkVersionNumber(const char* text)
{
    static constexpr int kWeights[] = {100, 10, 1};
    int number = 0;
    int digits = 0;
    for (const char* c = text; c != nullptr && *c != '\0'; ++c)
        if (std::isdigit(static_cast<unsigned char>(*c))) {
            if (digits < 3)
                number += (*c - '0') * kWeights[digits];
            ++digits;
        }
    return number;
}

float QkFrequencyFromText(const char* text)
{
    std::string upper = text != nullptr ? text : "";
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    float value = std::strtof(upper.c_str(), nullptr);
    if (value != 0) {
        if (upper.find('M') != std::string::npos)
            value *= 1000000;
        else if (upper.find('K') != std::string::npos)
            value *= 1000;
    }
    return value;
}

long QkParseFrequency(float frequency, unsigned char& doublings)
{
    doublings = 0;
    // A frequency of zero (or nonsense) would double for ever.
    if (!(frequency > 0) || !std::isfinite(frequency))
        return -2;
    double f = frequency;
    while (f < 390625) {
        f *= 2;
        ++doublings;
    }
    const std::int64_t R = 25000000 / 10;
    if (R < 100000 || R > 2500000)
        return -1;
    if (f / 10 > 9000000)
        return -2;
    std::int64_t T = static_cast<std::int64_t>(std::trunc(f)) / 10;
    if (T < 39062 || T > 9000000)
        return -2;
    std::int64_t s = 0;
    while (T < 5000000) {
        T *= 2;
        ++s;
    }
    auto output = [R](std::int64_t v, std::int64_t u) { return 2 * R * v / u; };
    std::int64_t bestV = 4, bestU = 3;
    std::int64_t bestDistance = std::llabs(output(bestV, bestU) - T);
    const std::int64_t firstU = std::max<std::int64_t>(8 * R / T, 3);
    const std::int64_t lastU = std::min<std::int64_t>(260 * R / T + 1, 129);
    for (std::int64_t u = firstU; u <= lastU; ++u) {
        const std::int64_t w = T * u / (2 * R);
        if (w < 4 || w > 130)
            continue;
        for (std::int64_t v = w; v <= std::min<std::int64_t>(w + 1, 130); ++v) {
            const std::int64_t distance = std::llabs(output(v, u) - T);
            if (distance < bestDistance) {
                bestDistance = distance;
                bestV = v;
                bestU = u;
            }
        }
    }
    const std::int64_t word =
        (output(bestV, bestU) > 8000000 ? 8 : 0) + (bestU - 2) * 16 + s * 2048 + (bestV - 3) * 32768;
    return static_cast<long>(word & 0x3FFFF8);
}
