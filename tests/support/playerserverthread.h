#pragma once

// A listening player instance on a thread of its own, as a first player
// would run in its own process: what a second start or a launcher hands a
// movie to. Header only; the test links peltra_player_instance.

#include "playerinstance.h"

#include <QObject>
#include <QStringList>
#include <QThread>

class ServerThread
{
public:
    explicit ServerThread(const QString& name)
    {
        m_thread.start();
        m_pInstance = new CPlayerInstance(name);
        // Requests reach this (the test's) thread queued, so the list is
        // only ever touched here.
        QObject::connect(
            m_pInstance, &CPlayerInstance::movieRequested, &m_receiver,
            [this](const QString& path) { received.append(path); }, Qt::QueuedConnection);
        m_pInstance->moveToThread(&m_thread);
        QMetaObject::invokeMethod(
            m_pInstance, [this]() { m_bListening = m_pInstance->Listen(); },
            Qt::BlockingQueuedConnection);
    }
    ~ServerThread()
    {
        QMetaObject::invokeMethod(m_pInstance, &QObject::deleteLater);
        m_thread.quit();
        m_thread.wait();
    }
    bool listening() const { return m_bListening; }

    QStringList received;

private:
    QObject m_receiver;
    QThread m_thread;
    CPlayerInstance* m_pInstance = nullptr;
    bool m_bListening = false;
};
