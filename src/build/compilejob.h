#pragma once

#include "build/processrunner.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <chrono>

class QThread;

// One compile at a time, run off the caller's thread so that its event loop
// goes on: the runner reads the compiler's output on a thread of its own,
// and the result comes back as a signal on the job's thread. A compile can
// be cancelled and is stopped when it passes its time limit; either way the
// compiler's whole process group is ended and reaped.
class CompileJob : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kDefaultTimeLimit{120000};
    static constexpr std::chrono::milliseconds kProgressInterval{100};

    explicit CompileJob(QObject* parent = nullptr);
    // Cancels a running compile and waits for the runner's thread, which
    // takes at most RunOptions::exitWait once the group is ended; finished()
    // is not emitted then.
    ~CompileJob() override;

    // For the next start(); a compile past it ends with RunEnd::TimedOut.
    void setTimeLimit(std::chrono::milliseconds limit) { m_timeLimit = limit; }
    std::chrono::milliseconds timeLimit() const { return m_timeLimit; }

    // Starts the program arguments[0] with the rest as its arguments (see
    // CompileArguments). Returns false, and does nothing, while a compile
    // runs.
    bool start(const QStringList& arguments);
    // Asks the running compile to stop: its process group is ended and
    // finished() follows with RunEnd::Cancelled. Does nothing when none runs.
    void cancel();

    bool isRunning() const { return m_thread != nullptr; }
    // Milliseconds since the running compile started; 0 when none runs.
    qint64 elapsedMs() const;

Q_SIGNALS:
    // Every kProgressInterval while a compile runs.
    void progress(qint64 elapsedMs);
    // Once per start(), when the compile has ended, been cancelled or timed
    // out, or could not be started (result.ok false, with the failed call).
    // The job is free for the next start() by then.
    void finished(const RunResult& result);

private:
    void onThreadFinished();

    QThread* m_thread = nullptr;
    std::atomic<bool> m_cancel{false};
    std::chrono::milliseconds m_timeLimit = kDefaultTimeLimit;
    RunResult m_result; // written by the runner's thread, read once it has ended
    QElapsedTimer m_clock;
    QTimer m_ticker;
};
