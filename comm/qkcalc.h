// The protocol's arithmetic: transfer time-outs, version texts and the
// programmer's clock synthesizer.
#pragma once

#include <cstdint>

#include "qkdb/verinfo.h"

// The time-out, in ticks of 1/18 s, for count bytes of an order on a line of
// bitsPerChar (ComBitsPerChar) at baud. Large orders get proportionally more.
int QkTransferTicks(std::uint32_t count, unsigned order, int bitsPerChar, int baud);

// A version entry from a text such as "V3.01": high digit, two low digits,
// then the character codes at positions 5 (rebuild) and 7 (alpha).
clVerInfo QkVerFromText(const char* name, const char* text);
// The decimal digits of a version text weighted 100, 10, 1, then 0
// ("V3.01" is 301).
int QkVersionNumber(const char* text);

// The frequency a text names, in hertz: a decimal number, times 1000000 when
// the text holds "M" (any case), else times 1000 when it holds "K".
float QkFrequencyFromText(const char* text);

// The clock-synthesizer word for a target frequency against the 25 MHz
// reference. doublings: how often the frequency was doubled to reach the
// synthesizer's range. Result: the 22-bit word, or -1 / -2 when the
// reference / the target is out of range (then the word sent is 0).
long QkParseFrequency(float frequency, unsigned char& doublings);
