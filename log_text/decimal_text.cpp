#include "decimal_text.h"

#include <charconv>

int decimalText(std::int32_t value, char (&text)[decimalRoom]) {
    const auto end = std::to_chars(text, text + decimalRoom - 1, value).ptr;
    *end = '\0';
    return static_cast<int>(end - text);
}
