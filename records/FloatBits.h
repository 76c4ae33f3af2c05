#pragma once

#include <cstring>

// Floating-point numbers are stored as their IEEE-754 bits, so that every
// value comes back exactly as it was written: bitCast<std::uint32_t>(aFloat)
// and back with bitCast<float>(bits), the same for doubles and 64 bits.
template <typename To, typename From> To bitCast(From value)
{
    static_assert(sizeof(To) == sizeof(From), "the same bits need the same size");
    To result{};
    std::memcpy(&result, &value, sizeof result);
    return result;
}
