#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <functional>

// How much of the child's output a run keeps: the first MiB of standard
// output and error together. The rest is read and dropped, so the child is
// never held up.
constexpr qsizetype kKeptOutputSize = 1 << 20;

// How the child's part of a run ended.
enum class RunEnd {
    Exited,        // the child ended by itself; exitCode is its exit status
    Signalled,     // a signal ended the child; exitCode is the signal's number
    StatusUnknown, // the output ended but the child did not end soon after (it
                   // is reaped in the background), or another part of the
                   // program reaped it first
    Cancelled,     // the run was cancelled; the child's process group was ended
    TimedOut,      // the run passed its time limit; the child's group was ended
};
Q_DECLARE_METATYPE(RunEnd)

// The outcome of running the compiler. A failed system call is named as on
// the original platform ("CreatePipe", "CreateProcess", "CloseHandle",
// "ReadFile", ...), with errno and the system's text; the child's end, exit
// status and output are then not meaningful.
struct RunResult
{
    bool ok = true;
    QString api;
    int errorCode = 0;
    QString message;

    RunEnd end = RunEnd::Exited;
    int exitCode = 0;
    QByteArray output;      // standard output and error as written, up to kKeptOutputSize
    bool outputCut = false; // more than kKeptOutputSize bytes were written
    qint64 elapsedMs = 0;   // from the start of the child to the end of the run

    // The runner did its part and the child ended by itself with status 0.
    bool succeeded() const { return ok && end == RunEnd::Exited && exitCode == 0; }

    // "ERROR: API    = %s.\n   error code = %d.\n   message    = %s.\n", or
    // empty when ok.
    QString report() const;
};
Q_DECLARE_METATYPE(RunResult)

QString FormatFatalReport(const QString& api, int errorCode, const QString& message);

struct RunOptions
{
    // Called regularly (about every 50 ms) while the run waits.
    std::function<void()> whileWaiting;
    // When it turns true, the child's process group is ended and the run
    // returns with RunEnd::Cancelled. May be set from another thread.
    const std::atomic<bool>* cancel = nullptr;
    // A run still going after this long is ended with RunEnd::TimedOut;
    // zero means no limit.
    std::chrono::milliseconds timeLimit{0};
    // How long the runner waits for the child's end once its output has
    // ended (or once it was told to end) before leaving it to the
    // background reaper.
    std::chrono::milliseconds exitWait{1000};
};

// Runs arguments[0] with the given arguments as a child in a session and
// process group of its own, whose standard output and error share one pipe
// and whose standard input is a pipe kept open and unwritten. A bare program
// name is looked up in PATH. Reads the output in pieces of 256 bytes until
// it ends (every holder of the pipe has closed it), keeping the first
// kKeptOutputSize bytes, then reaps the child. A child that has not ended
// shortly after its output ended does not hold the run up: it is reaped in
// the background when it ends, so no zombie stays.
RunResult RunProcess(const QStringList& arguments, const RunOptions& options = {});

// The same for a command line, split into arguments by SplitCommandLine.
// whileWaiting, when set, is called regularly while the run waits (the
// window uses it to keep painting).
RunResult RunCompilerProcess(const QString& commandLine,
                             const std::function<void()>& whileWaiting = {});
