#pragma once

#include <QString>
#include <functional>

// The outcome of running the compiler. A failed system call is named as on
// the original platform ("CreatePipe", "CreateProcess", "CloseHandle",
// "ReadFile", ...), with errno and the system's text.
struct RunResult
{
    bool ok = true;
    QString api;
    int errorCode = 0;
    QString message;

    // "ERROR: API    = %s.\n   error code = %d.\n   message    = %s.\n"
    QString report() const;
};

QString FormatFatalReport(const QString& api, int errorCode, const QString& message);

// Runs the command line as a child whose standard output and error share one
// pipe and whose standard input is a pipe kept open and unwritten; reads the
// output in pieces of 256 bytes until end of file and reaps the child.
// whileWaiting, when set, is called regularly while the child's output has
// not ended (the window uses it to keep painting).
RunResult RunCompilerProcess(const QString& commandLine,
                             const std::function<void()>& whileWaiting = {});
