#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One player window per user: a second start hands its movie to the player
// that is already running and ends, so that running the game again replaces
// the movie on screen instead of opening window after window.
class CPlayerInstance : public QObject
{
    Q_OBJECT

public:
    // `serverName` is a full socket path or a plain name; DefaultServerName()
    // gives the one the program uses.
    explicit CPlayerInstance(const QString& serverName, QObject* parent = nullptr);
    ~CPlayerInstance() override;

    static QString DefaultServerName();

    // Tries to give the movie to a running player. True when it took it.
    bool HandToRunning(const QString& moviePath, int timeoutMs = 3000);

    // Starts listening for later starts. False when that is impossible (the
    // player then simply runs on its own).
    bool Listen();

    QString serverName() const { return m_strServerName; }

Q_SIGNALS:
    // A later start asked to show this movie.
    void movieRequested(const QString& moviePath);

private:
    void OnNewConnection();

    QString m_strServerName;
    QLocalServer* m_pServer = nullptr;
};
