#pragma once

#include <cstdint>

// Room for any 32-bit count in base 10, its sign and a terminator.
constexpr int decimalRoom = 20;

// Writes value in base 10, no fill, "-" only when negative; returns the number of characters.
int decimalText(std::int32_t value, char (&text)[decimalRoom]);
