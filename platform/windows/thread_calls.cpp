// interruptBlockedCall on Windows: a synchronous read there is not cancelled; the run waits for it.
#include "platform/thread_calls.h"

void interruptBlockedCall(std::thread&) {}
