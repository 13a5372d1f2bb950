#include "playerinstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace {

// A request is one line: the movie's path, UTF-8, percent-encoded (a file
// name may hold a line break). The answer is "ok".
constexpr qint64 kMaxRequest = 64 * 1024;
const QByteArray kAnswer = QByteArrayLiteral("ok\n");

} // namespace

CPlayerInstance::CPlayerInstance(const QString& serverName, QObject* parent)
    : QObject(parent), m_strServerName(serverName)
{}

CPlayerInstance::~CPlayerInstance() = default;

QString CPlayerInstance::DefaultServerName()
{
    // The user's runtime folder keeps the socket private to the user and
    // the session; without one, a per-user name in the temporary folder.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return QDir(runtime).filePath(QStringLiteral("peltra-flashplayer"));
    return QStringLiteral("peltra-flashplayer-%1").arg(::getuid());
}

bool CPlayerInstance::HandToRunning(const QString& moviePath, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_strServerName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(moviePath.toUtf8().toPercentEncoding() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    QByteArray answer;
    while (answer.size() < kAnswer.size() && socket.waitForReadyRead(timeoutMs))
        answer += socket.readAll();
    return answer.startsWith(kAnswer);
}

bool CPlayerInstance::Listen()
{
    if (m_pServer)
        return true;
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_strServerName)) {
        // A socket left behind by a player that crashed: nobody answers on
        // it (HandToRunning failed before we got here), so it can go.
        if (server->serverError() == QAbstractSocket::AddressInUseError) {
            QLocalServer::removeServer(m_strServerName);
            if (!server->listen(m_strServerName)) {
                delete server;
                return false;
            }
        } else {
            delete server;
            return false;
        }
    }
    m_pServer = server;
    connect(m_pServer, &QLocalServer::newConnection, this, &CPlayerInstance::OnNewConnection);
    return true;
}

void CPlayerInstance::OnNewConnection()
{
    while (QLocalSocket* socket = m_pServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket]() {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxRequest)
                    socket->abort(); // not a request of ours
                return;
            }
            const QByteArray line = socket->readLine(kMaxRequest).trimmed();
            socket->write(kAnswer);
            socket->flush();
            socket->disconnectFromServer();
            if (!line.isEmpty())
                Q_EMIT movieRequested(QString::fromUtf8(QByteArray::fromPercentEncoding(line)));
        });
    }
}
