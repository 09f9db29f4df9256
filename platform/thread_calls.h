// Waking a thread from a call it is blocked in, beyond Win32: a read of a slow file system gives
// way, where the system lets it, so that a run can end while its workers wait.
#pragma once

#include <thread>

// The thread's blocked call fails with the system's "interrupted" (EINTR), which the file calls
// make again unless the user asked the run to stop. Nothing where the platform cannot do it.
void interruptBlockedCall(std::thread& thread);

// The calling thread runs below the others of the process, for work that only helps (a count
// for the progress line). Nothing where the platform cannot do it.
void lowerThisThreadsPriority();
// The calling thread runs at the lowest priority that still gets a share of a busy core, for work
// that helps little beside its cost. Nothing where the platform cannot do it.
void lowestThisThreadsPriority();
