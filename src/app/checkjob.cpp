#include "checkjob.h"

#include <QThread>

CheckJob::CheckJob(QObject* parent) : QObject(parent) {}

CheckJob::~CheckJob()
{
    if (m_thread) {
        disconnect(m_thread, nullptr, this, nullptr);
        m_thread->wait();
        delete m_thread;
    }
}

bool CheckJob::start(const CPeltra& tutorial, const QString& templateText,
                     const CheckOptions& options)
{
    if (m_thread)
        return false;
    m_report = CheckReport();
    // The model is copied: the author may go on editing the pages meanwhile.
    m_thread = QThread::create([this, tutorial, templateText, options] {
        // Findings reach this object through its own thread's event loop;
        // the object is their context, so none arrives once it has gone.
        const auto progress = [this](const CheckFinding& finding) {
            QMetaObject::invokeMethod(
                this, [this, finding] { Q_EMIT findingFound(finding); }, Qt::QueuedConnection);
        };
        m_report = CheckTutorial(tutorial, templateText, options, progress);
    });
    m_thread->setObjectName(QStringLiteral("tutorialCheck"));
    connect(m_thread, &QThread::finished, this, &CheckJob::OnThreadFinished);
    m_thread->start();
    return true;
}

void CheckJob::OnThreadFinished()
{
    // Queued after every finding the thread sent, so the report comes last.
    QThread* thread = m_thread;
    m_thread = nullptr;
    if (thread) {
        thread->wait();
        thread->deleteLater();
    }
    Q_EMIT finished(m_report);
}
