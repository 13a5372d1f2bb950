// Reports how it was started to the file named by PELTRA_PROBE_REPORT, one
// "key=value" per line: its arguments, what its standard descriptors are,
// whether standard input has data or an end waiting, whether it leads a
// session of its own, and which other descriptors it inherited.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <dirent.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Kind(int fd)
{
    struct stat st;
    if (fstat(fd, &st) != 0)
        return "closed";
    if (S_ISFIFO(st.st_mode))
        return "fifo:" + std::to_string(st.st_ino);
    return "other";
}

} // namespace

int main(int argc, char** argv)
{
    const char* reportPath = std::getenv("PELTRA_PROBE_REPORT");
    if (!reportPath)
        return 64;

    // Taken first, before anything else could change it.
    pollfd pfd{STDIN_FILENO, POLLIN, 0};
    const int stdinReady = poll(&pfd, 1, 0);

    std::string report = "argc=" + std::to_string(argc) + "\n";
    for (int i = 0; i < argc; ++i)
        report += "arg" + std::to_string(i) + "=" + argv[i] + "\n";
    report += "stdin=" + Kind(STDIN_FILENO) + "\n";
    report += "stdout=" + Kind(STDOUT_FILENO) + "\n";
    report += "stderr=" + Kind(STDERR_FILENO) + "\n";
    report += "stdin_ready=" + std::to_string(stdinReady) + "\n";
    report += "own_session=" + std::to_string(getsid(0) == getpid()) + "\n";

    std::string extra;
    if (DIR* dir = opendir("/proc/self/fd")) {
        const int own = dirfd(dir);
        while (dirent* entry = readdir(dir)) {
            const int fd = std::atoi(entry->d_name);
            if (entry->d_name[0] == '.' || fd <= 2 || fd == own)
                continue;
            extra += (extra.empty() ? "" : ",") + std::to_string(fd) + ":" + Kind(fd);
        }
        closedir(dir);
    }
    report += "extra_fds=" + extra + "\n";

    FILE* out = std::fopen(reportPath, "w");
    if (!out)
        return 65;
    std::fputs(report.c_str(), out);
    std::fclose(out);
    // Some output too, as the compiler would give.
    std::puts("probe done");
    return 0;
}
