#include "playerlauncher.h"

#include "playerinstance.h"

#include <QProcess>

CPlayerLauncher::CPlayerLauncher(const QString& playerPath, const QString& serverName)
    : m_strPlayerPath(playerPath),
      m_strServerName(serverName.isEmpty() ? CPlayerInstance::DefaultServerName() : serverName)
{}

CPlayerLauncher::Way CPlayerLauncher::Play(const QString& moviePath) const
{
    // A socket without a player behind it refuses at once, so the common
    // case of no open player costs next to nothing here.
    CPlayerInstance instance(m_strServerName);
    if (instance.HandToRunning(moviePath, kHandOverTimeoutMs))
        return Way::HandedOver;
    return QProcess::startDetached(m_strPlayerPath, {moviePath}) ? Way::Started : Way::NotStarted;
}
