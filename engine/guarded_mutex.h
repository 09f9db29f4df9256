// What Clang's thread-safety analysis checks: a field declared GUARDED_BY a mutex is read or
// written only while it is held, one GUARDED_BY a thread's role only by functions of that role,
// and a function that REQUIRES either is called only so, or the Clang build fails. Other compilers
// see a plain mutex and an empty role.
#pragma once

#include <mutex>

#if defined(__clang__)
#define QUENDLE_THREAD_ATTRIBUTE(x) __attribute__((x))
#else
#define QUENDLE_THREAD_ATTRIBUTE(x)
#endif

#define CAPABILITY(x) QUENDLE_THREAD_ATTRIBUTE(capability(x))
#define SCOPED_CAPABILITY QUENDLE_THREAD_ATTRIBUTE(scoped_lockable)
#define GUARDED_BY(x) QUENDLE_THREAD_ATTRIBUTE(guarded_by(x))
#define REQUIRES(...) QUENDLE_THREAD_ATTRIBUTE(requires_capability(__VA_ARGS__))
#define EXCLUDES(...) QUENDLE_THREAD_ATTRIBUTE(locks_excluded(__VA_ARGS__))
#define ACQUIRE(...) QUENDLE_THREAD_ATTRIBUTE(acquire_capability(__VA_ARGS__))
#define RELEASE(...) QUENDLE_THREAD_ATTRIBUTE(release_capability(__VA_ARGS__))
#define ASSERT_CAPABILITY(x) QUENDLE_THREAD_ATTRIBUTE(assert_capability(x))

// The part one thread plays, such as "the thread that steps the job": the fields of the role are
// touched by that thread only, and the analysis holds every other thread's code away from them.
class CAPABILITY("role") ThreadRole {
public:
    // Where that thread enters: from here on the calling function plays the role.
    void enter() const ASSERT_CAPABILITY(this) {}
};

class CAPABILITY("mutex") GuardedMutex {
public:
    void lock() ACQUIRE() { mutex.lock(); }
    void unlock() RELEASE() { mutex.unlock(); }

private:
    std::mutex mutex;
};

// Holds the mutex for its scope. A std::condition_variable_any waits on it, letting it go while
// it sleeps: a condition that reads guarded fields is written as a loop around the wait, where the
// analysis sees the mutex held.
class SCOPED_CAPABILITY HeldMutex {
public:
    explicit HeldMutex(GuardedMutex& held) ACQUIRE(held) : held(held) { held.lock(); }
    ~HeldMutex() RELEASE() { held.unlock(); }
    HeldMutex(const HeldMutex&) = delete;
    HeldMutex& operator=(const HeldMutex&) = delete;

    // For the condition variable only.
    void lock() ACQUIRE() { held.lock(); }
    void unlock() RELEASE() { held.unlock(); }

private:
    GuardedMutex& held;
};
