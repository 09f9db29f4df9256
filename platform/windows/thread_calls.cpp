// interruptBlockedCall on Windows: a synchronous read there is not cancelled; the run waits for it.
#include "platform/thread_calls.h"

#include "platform/win32.h"

void interruptBlockedCall(std::thread&) {}

void lowerThisThreadsPriority() {
    (void)SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

void lowestThisThreadsPriority() {
    (void)SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
}
