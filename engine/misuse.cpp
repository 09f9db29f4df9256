#include "misuse.h"

#ifdef QUENDLE_CHECKS
#include <cstdio>
#include <cstdlib>

void reportMisuse(const char* rule, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: misuse: %s\n", file, line, rule);
    std::abort();
}
#endif
