#include "compilejob.h"

#include <QThread>

CompileJob::CompileJob(QObject* parent) : QObject(parent)
{
    m_ticker.setInterval(kProgressInterval);
    connect(&m_ticker, &QTimer::timeout, this, [this] { Q_EMIT progress(elapsedMs()); });
}

CompileJob::~CompileJob()
{
    if (!m_thread)
        return;
    // The thread's end is not announced to a job that is going away.
    disconnect(m_thread, nullptr, this, nullptr);
    m_cancel = true;
    m_thread->wait();
    delete m_thread;
}

bool CompileJob::start(const QStringList& arguments)
{
    if (m_thread)
        return false;
    m_cancel = false;
    m_result = RunResult();
    RunOptions options;
    options.cancel = &m_cancel;
    options.timeLimit = m_timeLimit;
    m_thread =
        QThread::create([this, arguments, options] { m_result = RunProcess(arguments, options); });
    m_thread->setObjectName(QStringLiteral("compile"));
    // Queued to this object's thread: finished() is emitted where the job
    // lives, after the runner's thread has let go of the result.
    connect(m_thread, &QThread::finished, this, &CompileJob::onThreadFinished,
            Qt::QueuedConnection);
    m_clock.start();
    m_ticker.start();
    m_thread->start();
    return true;
}

void CompileJob::cancel()
{
    if (m_thread)
        m_cancel = true;
}

qint64 CompileJob::elapsedMs() const
{
    return m_thread ? m_clock.elapsed() : 0;
}

void CompileJob::onThreadFinished()
{
    m_ticker.stop();
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    // A copy: a slot may start the next compile, which resets m_result.
    const RunResult result = m_result;
    Q_EMIT finished(result);
}
