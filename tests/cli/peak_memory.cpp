// Runs a command and writes its peak resident memory, in KiB, to a file: the test process itself is
// too large to fork the command from, as a forked child's peak counts what it took over from its
// parent before it became the command.
//   peak_memory REPORT COMMAND [ARGUMENT...]    exits with the command's status
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 3) return 125;
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) return 126;
    FILE* report = std::fopen(argv[1], "w");
    if (report == nullptr || std::fprintf(report, "%ld\n", usage.ru_maxrss) < 0 || std::fclose(report) != 0)
        return 126;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
