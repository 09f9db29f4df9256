// Points where a test build can hold a thread a while, to force the interleaving a test is about
// rather than hope for it: with QUENDLE_PAUSE_AT naming the point in the environment (or several,
// parted by commas), each pass
// sleeps QUENDLE_PAUSE_MS milliseconds (10 when unset). Shipped builds have no such points.
#pragma once

#ifdef QUENDLE_CHECKS
#define QUENDLE_PAUSE_POINT(name) pauseAtTestPoint(name)
void pauseAtTestPoint(const char* name);
#else
#define QUENDLE_PAUSE_POINT(name) static_cast<void>(0)
#endif
