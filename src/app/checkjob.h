#pragma once

#include "app/tutorialcheck.h"

#include <QObject>
#include <QString>

class QThread;

// The whole check of a tutorial (tutorialcheck.h) on a thread of its own, so
// that the window goes on while the compiler runs. Each finding is said as
// soon as it is found, the report once the check has ended; both arrive in
// the thread that owns the job.
class CheckJob : public QObject
{
    Q_OBJECT
public:
    explicit CheckJob(QObject* parent = nullptr);
    // Waits for a check that is still running (its findings are dropped).
    ~CheckJob() override;

    bool isRunning() const { return m_thread != nullptr; }

    // Starts a check of a copy of tutorial against templateText; false (and
    // nothing started) while another check runs.
    bool start(const CPeltra& tutorial, const QString& templateText, const CheckOptions& options);

Q_SIGNALS:
    void findingFound(const CheckFinding& finding);
    void finished(const CheckReport& report);

private:
    void OnThreadFinished();

    QThread* m_thread = nullptr;
    CheckReport m_report; // written by the thread, read once it has ended
};
