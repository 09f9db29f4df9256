#include "as_nobody.h"

#include "platform/win32.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

std::string asNobody(const std::function<std::string()>& body) {
    int channel[2];
    if (pipe(channel) != 0) return "child failed: no pipe";
    const pid_t child = fork();
    if (child < 0) return "child failed: no fork";
    if (child == 0) {
        close(channel[0]);
        // Folders the parent kept open would spare the child the permission checks on their paths.
        releaseFolderCache();
        const bool dropped = getuid() != 0 ||
                             (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0);
        const std::string result = dropped ? body() : "child failed: cannot drop to 65534";
        std::size_t written = 0;
        while (written < result.size()) {
            const ssize_t put = write(channel[1], result.data() + written, result.size() - written);
            if (put <= 0) break;
            written += static_cast<std::size_t>(put);
        }
        _exit(0);
    }
    close(channel[1]);
    std::string result;
    char buffer[4096];
    ssize_t got;
    while ((got = read(channel[0], buffer, sizeof buffer)) > 0) result.append(buffer, static_cast<std::size_t>(got));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return result;
}
