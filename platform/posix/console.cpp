// The console calls over a terminal (standard descriptors, isatty, TIOCGWINSZ and SIGINT), and
// the program's own path.
#include "handles.h"
#include "interruption.h"
#include "linux_calls.h"
#include "path_map.h"

#include <csignal>
#include <cstring>
#include <initializer_list>
#include <limits.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

PHANDLER_ROUTINE controlHandler = nullptr;
volatile std::sig_atomic_t interrupted = 0;

void onSignal(int signal) {
    if (controlHandler == nullptr) return;
    interrupted = 1;
    controlHandler(signal == SIGINT ? CTRL_C_EVENT : signal == SIGHUP ? CTRL_CLOSE_EVENT
                                                                      : CTRL_SHUTDOWN_EVENT);
}

}  // namespace

bool interruptionRequested() {
    return interrupted != 0;
}

HANDLE GetStdHandle(DWORD which) {
    switch (which) {
    case STD_INPUT_HANDLE: return handleOf(STDIN_FILENO);
    case STD_OUTPUT_HANDLE: return handleOf(STDOUT_FILENO);
    case STD_ERROR_HANDLE: return handleOf(STDERR_FILENO);
    }
    return INVALID_HANDLE_VALUE;
}

BOOL GetConsoleMode(HANDLE console, LPDWORD mode) {
    if (isatty(descriptorOf(console)) == 0) return FALSE;
    *mode = 0;
    return TRUE;
}

BOOL GetConsoleScreenBufferInfo(HANDLE console, CONSOLE_SCREEN_BUFFER_INFO* information) {
    winsize size;
    if (ioctl(descriptorOf(console), TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return FALSE;
    std::memset(information, 0, sizeof *information);
    information->dwSize = {static_cast<SHORT>(size.ws_col), static_cast<SHORT>(size.ws_row)};
    information->srWindow = {0, 0, static_cast<SHORT>(size.ws_col - 1),
                             static_cast<SHORT>(size.ws_row - 1)};
    return TRUE;
}

// One handler, as the program has; it runs in the signal handler, so it may only set a flag. It is
// set without SA_RESTART: a call blocked in a slow file system gives way to Ctrl-C where the system
// lets it, and the layer's calls make an interrupted call again unless the user asked to stop. A
// signal the program was started ignoring (SIGHUP under nohup) stays ignored. From the first
// handler on, a write to a pipe nobody reads fails with EPIPE instead of ending the process, so
// that a console program can see the failure.
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) {
    if (add) signal(SIGPIPE, SIG_IGN);
    controlHandler = add ? handler : nullptr;
    if (add) interrupted = 0;
    struct sigaction action {};
    action.sa_handler = add ? onSignal : SIG_DFL;
    sigemptyset(&action.sa_mask);
    BOOL result = TRUE;
    for (const int signal : {SIGINT, SIGHUP, SIGTERM}) {
        struct sigaction before {};
        if (sigaction(signal, nullptr, &before) != 0) result = FALSE;
        if (before.sa_handler == SIG_IGN) continue;
        if (sigaction(signal, &action, nullptr) != 0) result = FALSE;
    }
    return result;
}

int raiseOpenFileLimit() {
    constexpr rlim_t most = 1 << 20;
    rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
    if (limit.rlim_cur < limit.rlim_max) {
        const rlim_t soft = limit.rlim_cur;
        limit.rlim_cur = limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0) limit.rlim_cur = soft;
    }
    return static_cast<int>(limit.rlim_cur < most ? limit.rlim_cur : most);
}

UINT GetACP() {
    return 65001;
}

UINT GetConsoleOutputCP() {
    return 65001;
}

BOOL SetConsoleOutputCP(UINT) {
    return TRUE;
}

// The program's own path, in the Windows form; 0 when it cannot be read or does not fit.
DWORD GetModuleFileNameA(HMODULE, LPSTR buffer, DWORD room) {
    char posixPath[PATH_MAX];
    const ssize_t length = ownProgramPath(posixPath, sizeof posixPath - 1);
    if (length <= 0) return 0;
    posixPath[length] = '\0';
    if (toWindowsPath(posixPath, buffer, room) != 0) return room;
    return static_cast<DWORD>(std::strlen(buffer));
}
