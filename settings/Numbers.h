// Integer conversions that give the same result on every build, as the 32-bit Windows C library does.
#pragma once

#include <cstdint>
#include <string>

// strtol with the given base (0 = automatic: "0x" hexadecimal, leading "0" octal) into a 32-bit long:
// leading white space and a sign allowed, stops at the first byte that does not fit,
// no digits gives 0, out-of-range values saturate at INT32_MAX / INT32_MIN.
int32_t parseLong32(const std::string& text, int base = 0);
// atoi: leading white space, optional sign, decimal digits; no digits gives 0. Saturates like parseLong32.
int32_t parseDecimal(const std::string& text);
// "%d".
std::string formatInt(int32_t value);
// A TCP port a connection can name: 1 to 65535. Anything else would wrap around in the 16-bit field.
constexpr bool isValidPort(int32_t port) { return port >= 1 && port <= 65535; }
