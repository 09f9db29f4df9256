// A call that breaks an interface's contract is a programming error, not a condition of the run:
// the test, sanitizer and fuzz builds stop at once with the broken rule; shipped builds do not pay.
#pragma once

#ifdef QUENDLE_CHECKS
#define QUENDLE_EXPECT(condition, rule) \
    ((condition) ? static_cast<void>(0) : reportMisuse(rule, __FILE__, __LINE__))
[[noreturn]] void reportMisuse(const char* rule, const char* file, int line);
#else
#define QUENDLE_EXPECT(condition, rule) static_cast<void>(0)
#endif
