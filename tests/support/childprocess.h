#pragma once

// What became of the processes a test started: the runner's and the compile
// job's tests look at them through /proc and waitpid.

#include "support/testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QList>

#include <cerrno>

#include <sys/wait.h>

// True when this process has no child left, neither running nor a zombie.
// (It reaps a zombie it finds, so call it after the checks that must not.)
inline bool NoChildLeft()
{
    int status = 0;
    return ::waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

// True when the process is gone altogether: ended and reaped.
inline bool ProcessReaped(qint64 pid)
{
    return !QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid));
}

// True when the process has ended: gone, or a zombie left for its parent
// (a process this one did not start is reaped by whoever adopted it).
inline bool ProcessEnded(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close < 0 || line.mid(close + 2, 1) == "Z";
}

// The process ids a test child wrote to a file, separated by blanks.
inline QList<qint64> ReadPids(const QString& path)
{
    QList<qint64> pids;
    for (const QByteArray& word : ReadAll(path).simplified().split(' ')) {
        if (!word.isEmpty())
            pids << word.toLongLong();
    }
    return pids;
}
