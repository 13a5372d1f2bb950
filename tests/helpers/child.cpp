// A stand-in for the compiler in the runner's tests and benchmark. What it
// does is chosen by its first argument:
//   quiet                   ends at once without output
//   fail CODE               prints a line on standard error, ends with CODE
//   flood BYTES [MARKER]    writes BYTES to standard output and BYTES to
//                           standard error in interleaved pieces, then
//                           creates MARKER
//   background MARKER       leaves a background process holding the output
//                           that creates MARKER a moment later, and ends
//   linger MARKER           closes its output, then creates MARKER a moment
//                           later and ends
//   waitfile PATH           waits until PATH exists, then creates PATH.seen
//   signal NUMBER           ends by raising the signal NUMBER
//   lingerwait GATE PIDFILE closes its output, writes its process id to
//                           PIDFILE, then waits until GATE exists and ends
//   group PIDFILE           starts a process that keeps the output, writes
//                           both process ids to PIDFILE, and both wait
//                           (a minute at most) to be ended from outside
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

void CreateMarker(const char* path)
{
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        WriteAll(fd, "done\n", 5);
        close(fd);
    }
}

void Pause(int milliseconds)
{
    usleep(useconds_t(milliseconds) * 1000);
}

bool WriteText(const char* path, const std::string& text)
{
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = WriteAll(fd, text.data(), text.size());
    close(fd);
    return ok;
}

// Waits until path exists, a minute at most, so that a runner that never
// lets go fails its test instead of hanging it.
bool WaitForFile(const char* path)
{
    struct stat st;
    for (int i = 0; i < 6000; ++i) {
        if (stat(path, &st) == 0)
            return true;
        Pause(10);
    }
    return false;
}

int Flood(long long bytes, const char* marker)
{
    // Pieces of uneven sizes, so that the runner's 256-byte reads meet
    // every kind of boundary.
    static const size_t sizes[] = {1, 255, 256, 257, 4096, 65536, 100000, 7};
    static char buffer[100000];
    for (size_t i = 0; i < sizeof buffer; ++i)
        buffer[i] = char('a' + i % 26);
    long long left[2] = {bytes, bytes};
    size_t turn = 0;
    while (left[0] > 0 || left[1] > 0) {
        const int stream = int(turn % 2);
        const size_t size = sizes[turn % (sizeof sizes / sizeof sizes[0])];
        ++turn;
        const long long n = left[stream] < (long long)size ? left[stream] : (long long)size;
        if (n <= 0)
            continue;
        if (!WriteAll(stream == 0 ? STDOUT_FILENO : STDERR_FILENO, buffer, size_t(n)))
            return 2;
        left[stream] -= n;
    }
    if (marker)
        CreateMarker(marker);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "quiet")
        return 0;
    if (mode == "fail" && argc > 2) {
        WriteAll(STDERR_FILENO, "error: failed\n", 14);
        return std::atoi(argv[2]);
    }
    if (mode == "flood" && argc > 2)
        return Flood(std::atoll(argv[2]), argc > 3 ? argv[3] : nullptr);
    if (mode == "background" && argc > 2) {
        const pid_t pid = fork();
        if (pid < 0)
            return 2;
        if (pid == 0) {
            // Keeps the inherited output open until it ends.
            Pause(300);
            CreateMarker(argv[2]);
            _exit(0);
        }
        return 0;
    }
    if (mode == "linger" && argc > 2) {
        close(STDOUT_FILENO);
        close(STDERR_FILENO);
        Pause(300);
        CreateMarker(argv[2]);
        return 0;
    }
    if (mode == "waitfile" && argc > 2) {
        if (!WaitForFile(argv[2]))
            return 1;
        CreateMarker((std::string(argv[2]) + ".seen").c_str());
        return 0;
    }
    if (mode == "signal" && argc > 2) {
        signal(std::atoi(argv[2]), SIG_DFL);
        raise(std::atoi(argv[2]));
        return 0;
    }
    if (mode == "lingerwait" && argc > 3) {
        close(STDOUT_FILENO);
        close(STDERR_FILENO);
        if (!WriteText(argv[3], std::to_string(getpid()) + "\n"))
            return 2;
        return WaitForFile(argv[2]) ? 0 : 1;
    }
    if (mode == "group" && argc > 2) {
        const pid_t pid = fork();
        if (pid < 0)
            return 2;
        if (pid == 0) {
            Pause(60000);
            _exit(0);
        }
        if (!WriteText(argv[2], std::to_string(getpid()) + " " + std::to_string(pid) + "\n"))
            return 2;
        Pause(60000);
        return 0;
    }
    std::fprintf(stderr, "unknown mode\n");
    return 64;
}
