#pragma once

#include <QString>

// Starts the movie player the way 実行 wants it: the movie goes to the
// player that is already open, through its socket, so that no process has
// to start; only when none answers is the player started, detached, with
// the movie's path as its one argument. A player that cannot be started is
// not reported (the build's messages already say the compile went well).
class CPlayerLauncher
{
public:
    // How long a running player may take to take the movie before a new
    // one is started instead.
    static constexpr int kHandOverTimeoutMs = 2000;

    // `serverName` is the players' socket; empty means the one the player
    // itself uses (CPlayerInstance::DefaultServerName()).
    explicit CPlayerLauncher(const QString& playerPath, const QString& serverName = QString());

    enum class Way {
        HandedOver, // the open player took the movie
        Started,    // a new player was started on it
        NotStarted, // neither: no player answered and none could be started
    };
    Way Play(const QString& moviePath) const;

    QString playerPath() const { return m_strPlayerPath; }
    QString serverName() const { return m_strServerName; }

private:
    QString m_strPlayerPath;
    QString m_strServerName;
};
