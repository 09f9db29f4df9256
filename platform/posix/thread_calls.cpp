// interruptBlockedCall over pthread_kill: a signal with a handler that does nothing, set without
// SA_RESTART, ends the thread's blocked call with EINTR.
#include "platform/thread_calls.h"

#include <cerrno>
#include <csignal>
#include <pthread.h>
#include <sys/resource.h>

namespace {

void doNothing(int) {}

// SIGURG: ignored by default, so that a stray one harms no process; nothing of ours sends it.
int wakeSignal() {
    static const int signal = [] {
        struct sigaction action {};
        action.sa_handler = doNothing;
        sigemptyset(&action.sa_mask);
        sigaction(SIGURG, &action, nullptr);
        return SIGURG;
    }();
    return signal;
}

}  // namespace

void interruptBlockedCall(std::thread& thread) {
    if (thread.joinable()) pthread_kill(thread.native_handle(), wakeSignal());
}

// On Linux a thread's nice value is its own: PRIO_PROCESS with 0 names the calling thread.
void lowerThisThreadsPriority() {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, 0);
    if (errno == 0) (void)setpriority(PRIO_PROCESS, 0, nice + 5);
}

void lowestThisThreadsPriority() {
    (void)setpriority(PRIO_PROCESS, 0, 19);
}
