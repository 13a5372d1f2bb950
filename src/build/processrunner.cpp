#include "processrunner.h"

#include "compilecommand.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

QString FormatFatalReport(const QString& api, int errorCode, const QString& message)
{
    return QLatin1String("ERROR: API    = ") + api + QLatin1String(".\n   error code = ") +
           QString::number(errorCode) + QLatin1String(".\n   message    = ") + message +
           QLatin1String(".\n");
}

QString RunResult::report() const
{
    if (ok)
        return QString();
    return FormatFatalReport(api, errorCode, message);
}

namespace {

// The names by which failed steps are reported. The POSIX steps map onto
// them: pipe2 and the pipe's mode are "CreatePipe"; sharing the output pipe
// as standard error is "DuplicateHandle"; moving the runner's own ends and
// laying out the child's other descriptors is "DupliateHandle" (that step's
// name has always been spelt so); checking and spawning the program is
// "CreateProcess"; closing a descriptor and reaping the child (releasing it)
// are "CloseHandle"; polling and reading the output are "ReadFile".
const char kCreatePipe[] = "CreatePipe";
const char kDuplicateHandle[] = "DuplicateHandle";
const char kDupliateHandle[] = "DupliateHandle";
const char kCreateProcess[] = "CreateProcess";
const char kCloseHandle[] = "CloseHandle";
const char kReadFile[] = "ReadFile";

constexpr int kPieceSize = 256;
constexpr int kPollMilliseconds = 50;
constexpr auto kWaitingInterval = std::chrono::milliseconds(kPollMilliseconds);

RunResult Failure(const char* api, int error)
{
    RunResult result;
    result.ok = false;
    result.api = QLatin1String(api);
    result.errorCode = error;
    result.message = QString::fromLocal8Bit(std::strerror(error));
    return result;
}

// One descriptor, closed when it goes out of scope unless closed before.
class Fd
{
public:
    Fd() = default;
    ~Fd() { close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const { return m_fd; }
    void reset(int fd)
    {
        close();
        m_fd = fd;
    }
    // Returns 0 or the errno of a failed close. After EINTR the descriptor
    // is gone on Linux all the same, so that is no failure.
    int close()
    {
        if (m_fd < 0)
            return 0;
        const int rc = ::close(m_fd);
        m_fd = -1;
        return (rc == 0 || errno == EINTR) ? 0 : errno;
    }

private:
    int m_fd = -1;
};

// A new pipe, both ends close-on-exec.
int MakePipe(Fd& readEnd, Fd& writeEnd)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return errno;
    readEnd.reset(fds[0]);
    writeEnd.reset(fds[1]);
    return 0;
}

// When the program was started with a standard descriptor closed, a pipe can
// land on 0, 1 or 2; the child's layout would then overwrite it. Moving every
// end above 2 keeps the layout plain.
int KeepClearOfStandard(Fd& fd)
{
    if (fd.get() > 2)
        return 0;
    const int moved = ::fcntl(fd.get(), F_DUPFD_CLOEXEC, 3);
    if (moved < 0)
        return errno;
    fd.reset(moved);
    return 0;
}

// The program to start, as execve would find it: a name with a slash as it
// is, a bare name looked up in PATH. Returns 0 with the resolved path, or the
// errno execve would give, so that a missing program is reported before any
// child exists.
int ResolveProgram(const QString& program, QByteArray& resolved)
{
    const QByteArray name = QFile::encodeName(program);
    auto check = [](const QByteArray& path) {
        struct stat st;
        if (::stat(path.constData(), &st) != 0)
            return errno;
        if (S_ISDIR(st.st_mode))
            return EACCES;
        if (::access(path.constData(), X_OK) != 0)
            return errno;
        return 0;
    };
    if (name.isEmpty())
        return ENOENT;
    if (name.contains('/')) {
        resolved = name;
        return check(name);
    }
    const char* pathVariable = ::getenv("PATH");
    const QByteArray searchPath =
        pathVariable ? QByteArray(pathVariable) : QByteArray("/bin:/usr/bin");
    int firstError = ENOENT;
    for (const QByteArray& dir : searchPath.split(':')) {
        const QByteArray candidate = (dir.isEmpty() ? QByteArray(".") : dir) + '/' + name;
        const int error = check(candidate);
        if (error == 0) {
            resolved = candidate;
            return 0;
        }
        // Like execvp: a program found but not runnable is reported as such.
        if (error == EACCES)
            firstError = EACCES;
    }
    return firstError;
}

class SpawnSetup
{
public:
    ~SpawnSetup()
    {
        if (m_actionsReady)
            ::posix_spawn_file_actions_destroy(&m_actions);
        if (m_attrReady)
            ::posix_spawnattr_destroy(&m_attr);
    }

    // The child's standard input from the input pipe, its standard output
    // and standard error both on the output pipe. Everything else is
    // close-on-exec, and where the system can, every other inherited
    // descriptor is closed too.
    RunResult layOut(int inputRead, int outputWrite)
    {
        int rc = ::posix_spawn_file_actions_init(&m_actions);
        if (rc != 0)
            return Failure(kDupliateHandle, rc);
        m_actionsReady = true;
        rc = ::posix_spawn_file_actions_adddup2(&m_actions, inputRead, STDIN_FILENO);
        if (rc == 0)
            rc = ::posix_spawn_file_actions_adddup2(&m_actions, outputWrite, STDOUT_FILENO);
        if (rc != 0)
            return Failure(kDupliateHandle, rc);
        rc = ::posix_spawn_file_actions_adddup2(&m_actions, outputWrite, STDERR_FILENO);
        if (rc != 0)
            return Failure(kDuplicateHandle, rc);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
        rc = ::posix_spawn_file_actions_addclosefrom_np(&m_actions, 3);
        if (rc != 0)
            return Failure(kDupliateHandle, rc);
#endif

        // The child starts with no blocked signals and the default action
        // for SIGPIPE whatever this program set, in a session of its own so
        // that it neither reads the terminal nor receives its signals.
        rc = ::posix_spawnattr_init(&m_attr);
        if (rc != 0)
            return Failure(kCreateProcess, rc);
        m_attrReady = true;
        sigset_t none;
        sigset_t defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#ifdef POSIX_SPAWN_SETSID
        flags |= POSIX_SPAWN_SETSID;
#else
        flags |= POSIX_SPAWN_SETPGROUP;
#endif
        rc = ::posix_spawnattr_setsigmask(&m_attr, &none);
        if (rc == 0)
            rc = ::posix_spawnattr_setsigdefault(&m_attr, &defaults);
        if (rc == 0)
            rc = ::posix_spawnattr_setflags(&m_attr, flags);
        if (rc != 0)
            return Failure(kCreateProcess, rc);
        return RunResult();
    }

    const posix_spawn_file_actions_t* actions() const
    {
        return &m_actions;
    }
    const posix_spawnattr_t* attr() const
    {
        return &m_attr;
    }

private:
    posix_spawn_file_actions_t m_actions;
    posix_spawnattr_t m_attr;
    bool m_actionsReady = false;
    bool m_attrReady = false;
};

using Clock = std::chrono::steady_clock;

// from + span, or the end of time when that lies beyond it (a span of
// "forever" must not wrap round into the past).
Clock::time_point After(Clock::time_point from, std::chrono::milliseconds span)
{
    if (span.count() <= 0)
        return from;
    if (span >=
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::time_point::max() - from))
        return Clock::time_point::max();
    return from + span;
}

// Calls whileWaiting when a wait interval has passed since the last call.
class Waiter
{
public:
    explicit Waiter(const std::function<void()>& whileWaiting) : m_whileWaiting(whileWaiting) {}

    void tick(bool force)
    {
        if (!m_whileWaiting)
            return;
        const auto now = Clock::now();
        if (force || now - m_last >= kWaitingInterval) {
            m_last = now;
            m_whileWaiting();
        }
    }

private:
    const std::function<void()>& m_whileWaiting;
    Clock::time_point m_last = Clock::now();
};

// Whether the run has been cancelled or has passed its time limit.
class Stopper
{
public:
    Stopper(const RunOptions& options, Clock::time_point start)
        : m_cancel(options.cancel),
          m_deadline(options.timeLimit.count() > 0 ? After(start, options.timeLimit)
                                                   : Clock::time_point::max())
    {}

    // RunEnd::Cancelled or RunEnd::TimedOut once the run must stop,
    // RunEnd::Exited while it may go on.
    RunEnd check() const
    {
        if (m_cancel && m_cancel->load())
            return RunEnd::Cancelled;
        if (Clock::now() >= m_deadline)
            return RunEnd::TimedOut;
        return RunEnd::Exited;
    }

    // How long a wait may last before the time limit needs a look.
    int pollMilliseconds() const
    {
        if (m_deadline == Clock::time_point::max())
            return kPollMilliseconds;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now())
                .count();
        return int(std::clamp<long long>(left + 1, 0, kPollMilliseconds));
    }

private:
    const std::atomic<bool>* m_cancel;
    Clock::time_point m_deadline;
};

// Reads the output in pieces of 256 bytes until every holder of the pipe's
// write end has closed it, keeping the first kKeptOutputSize bytes. Stops
// early, setting stopped, when the run is cancelled or times out.
RunResult DrainChildOutput(int readEnd, Waiter& waiter, const Stopper& stopper, RunResult& kept,
                           RunEnd& stopped)
{
    char piece[kPieceSize];
    for (;;) {
        stopped = stopper.check();
        if (stopped != RunEnd::Exited)
            return RunResult();
        pollfd pfd{readEnd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, stopper.pollMilliseconds());
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return Failure(kReadFile, errno);
        }
        if (ready == 0) {
            waiter.tick(true);
            continue;
        }
        if (pfd.revents & POLLNVAL)
            return Failure(kReadFile, EBADF);
        // Read what is there; the end is non-blocking, so an empty pipe
        // sends us back to poll. A child that writes without pause still
        // gets its cancel and time limit checked between pieces.
        for (int pieces = 0;; ++pieces) {
            const ssize_t n = ::read(readEnd, piece, sizeof piece);
            if (n > 0) {
                const qsizetype room = kKeptOutputSize - kept.output.size();
                if (room > 0)
                    kept.output.append(piece, std::min<qsizetype>(room, n));
                if (n > room)
                    kept.outputCut = true;
                waiter.tick(false);
                if (pieces % 256 == 255 && stopper.check() != RunEnd::Exited)
                    break;
                continue;
            }
            if (n == 0)
                return RunResult();
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            return Failure(kReadFile, errno);
        }
    }
}

// Children that lingered past their output, for the background reaper.
std::mutex g_lingeringMutex;
std::vector<pid_t> g_lingering;

// Reaps the lingering children that have ended by now, without waiting.
void SweepLingering()
{
    const std::lock_guard<std::mutex> lock(g_lingeringMutex);
    g_lingering.erase(std::remove_if(g_lingering.begin(), g_lingering.end(),
                                     [](pid_t pid) {
                                         int status = 0;
                                         const pid_t rc = ::waitpid(pid, &status, WNOHANG);
                                         return rc == pid || (rc < 0 && errno == ECHILD);
                                     }),
                      g_lingering.end());
}

// A child that has not ended is reaped by a thread of its own as soon as it
// ends, so it leaves no zombie and holds nothing up. Should no thread be
// available, the next run sweeps it up.
void ReapInBackground(pid_t pid)
{
    try {
        std::thread([pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        const std::lock_guard<std::mutex> lock(g_lingeringMutex);
        g_lingering.push_back(pid);
    }
}

// Ends the child's whole process group (its session): the child and what
// it started.
void EndGroup(pid_t pid)
{
    ::kill(-pid, SIGKILL);
}

// Waits up to exitWait for the child's end and notes its status. While
// waiting, a cancel or the time limit ends the child's group (once) and the
// wait starts again, so that an ended child is reaped. Returns false when
// the child is still there at the end.
bool AwaitEnd(pid_t pid, const RunOptions& options, Waiter& waiter, const Stopper& stopper,
              RunEnd& stopped, RunResult& result)
{
    auto deadline = After(Clock::now(), options.exitWait);
    for (;;) {
        int status = 0;
        const pid_t rc = ::waitpid(pid, &status, WNOHANG);
        if (rc == pid) {
            if (WIFSIGNALED(status)) {
                result.end = RunEnd::Signalled;
                result.exitCode = WTERMSIG(status);
            } else {
                result.end = RunEnd::Exited;
                result.exitCode = WEXITSTATUS(status);
            }
            return true;
        }
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            // Somebody ignoring SIGCHLD has had it reaped already.
            result.end = RunEnd::StatusUnknown;
            return true;
        }
        if (stopped == RunEnd::Exited) {
            stopped = stopper.check();
            if (stopped != RunEnd::Exited) {
                EndGroup(pid);
                deadline = After(Clock::now(), options.exitWait);
            }
        }
        if (Clock::now() >= deadline)
            return false;
        ::poll(nullptr, 0, 10);
        waiter.tick(false);
    }
}

} // namespace

RunResult RunProcess(const QStringList& args, const RunOptions& options)
{
    SweepLingering();
    if (args.isEmpty())
        return Failure(kCreateProcess, ENOENT);
    QByteArray program;
    if (const int error = ResolveProgram(args.first(), program))
        return Failure(kCreateProcess, error);

    Fd outputRead, outputWrite, inputRead, inputWrite;
    if (const int error = MakePipe(outputRead, outputWrite))
        return Failure(kCreatePipe, error);
    if (const int error = MakePipe(inputRead, inputWrite))
        return Failure(kCreatePipe, error);
    for (Fd* fd : {&outputRead, &outputWrite, &inputRead, &inputWrite}) {
        if (const int error = KeepClearOfStandard(*fd))
            return Failure(kDupliateHandle, error);
    }
    // Only the runner's end of the output is non-blocking: the child writes
    // through a file description of its own.
    const int flags = ::fcntl(outputRead.get(), F_GETFL);
    if (flags < 0 || ::fcntl(outputRead.get(), F_SETFL, flags | O_NONBLOCK) < 0)
        return Failure(kCreatePipe, errno);

    SpawnSetup setup;
    RunResult result = setup.layOut(inputRead.get(), outputWrite.get());
    if (!result.ok)
        return result;

    // Each argument goes to the child exactly as given: no quoting, no
    // splitting, whatever blanks or quotes it holds.
    std::vector<QByteArray> argBytes;
    argBytes.reserve(args.size());
    for (const QString& arg : args)
        argBytes.push_back(arg.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& arg : argBytes)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    const auto start = Clock::now();
    // posix_spawn reports a failed exec itself (EACCES, ENOEXEC...).
    const int spawnError = ::posix_spawn(&pid, program.constData(), setup.actions(), setup.attr(),
                                         argv.data(), environ);
    if (spawnError != 0)
        return Failure(kCreateProcess, spawnError);

    // The child holds the only copies of its ends now.
    int closeError = outputWrite.close();
    const int inputCloseError = inputRead.close();
    if (closeError == 0)
        closeError = inputCloseError;

    Waiter waiter(options.whileWaiting);
    const Stopper stopper(options, start);
    RunEnd stopped = RunEnd::Exited;
    RunResult run;
    if (closeError == 0)
        run = DrainChildOutput(outputRead.get(), waiter, stopper, result, stopped);
    else
        run = Failure(kCloseHandle, closeError);
    if (stopped != RunEnd::Exited || !run.ok)
        EndGroup(pid);

    // Whatever happened, the runner's ends are closed and the child reaped,
    // now or, when it lingers, in the background; with the output end closed
    // a child still writing ends on SIGPIPE.
    const int readCloseError = outputRead.close();
    const int writeCloseError = inputWrite.close();
    if (!AwaitEnd(pid, options, waiter, stopper, stopped, result)) {
        ReapInBackground(pid);
        result.end = RunEnd::StatusUnknown;
    }
    if (stopped != RunEnd::Exited)
        result.end = stopped;
    result.elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    if (!run.ok)
        return run;
    if (readCloseError != 0)
        return Failure(kCloseHandle, readCloseError);
    if (writeCloseError != 0)
        return Failure(kCloseHandle, writeCloseError);
    return result;
}

RunResult RunCompilerProcess(const QString& commandLine, const std::function<void()>& whileWaiting)
{
    RunOptions options;
    options.whileWaiting = whileWaiting;
    return RunProcess(SplitCommandLine(commandLine), options);
}
