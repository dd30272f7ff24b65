#include "xbase/IndexKey.h"

#include <cstdint>
#include <cstring>

namespace xbase {

std::string indexNumberKey(double value)
{
    if (value == 0.0)
        value = 0.0;  // -0 and +0 are one key
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    bits = (bits & 0x8000000000000000ull) != 0 ? ~bits : bits | 0x8000000000000000ull;
    std::string key(kIndexNumberKeyLength, '\0');
    for (int i = 0; i < kIndexNumberKeyLength; ++i)
        key[static_cast<size_t>(i)] = static_cast<char>(bits >> (56 - 8 * i));
    return key;
}

double indexNumberFromKey(std::string_view key)
{
    uint64_t bits = 0;
    for (int i = 0; i < kIndexNumberKeyLength; ++i)
        bits = (bits << 8) | static_cast<unsigned char>(key[static_cast<size_t>(i)]);
    bits = (bits & 0x8000000000000000ull) != 0 ? bits & ~0x8000000000000000ull : ~bits;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace xbase
