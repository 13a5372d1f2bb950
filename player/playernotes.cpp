#include "playernotes.h"

#include <QDateTime>
#include <QFile>

namespace {

const char kVariable[] = "PELTRA_PLAYER_NOTES";

} // namespace

CPlayerNotes::CPlayerNotes(const QString& filePath) : m_strFilePath(filePath) {}

CPlayerNotes CPlayerNotes::FromEnvironment()
{
    return CPlayerNotes(qEnvironmentVariable(kVariable));
}

bool CPlayerNotes::Write(const QString& event, const QString& moviePath, QString* error) const
{
    if (!isEnabled())
        return true;
    const QByteArray line = QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + ' ' +
                            event.toUtf8() + ' ' +
                            moviePath.toUtf8().toPercentEncoding(QByteArrayLiteral("/")) + '\n';
    // One write of a whole line to a file opened for appending: readers and
    // other writers never see half a line.
    QFile file(m_strFilePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(line) != line.size()) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(m_strFilePath, file.errorString());
        return false;
    }
    return true;
}

bool CPlayerNotes::ParseLine(const QByteArray& line, Note* note)
{
    QByteArray text = line;
    while (text.endsWith('\n') || text.endsWith('\r'))
        text.chop(1);
    // The path may be empty ("ready"), so the line ends in a blank then.
    const QList<QByteArray> parts = text.split(' ');
    if (parts.size() != 3 || parts.at(1).isEmpty())
        return false;
    bool ok = false;
    const qint64 msecs = parts.at(0).toLongLong(&ok);
    if (!ok)
        return false;
    note->msecsSinceEpoch = msecs;
    note->event = QString::fromUtf8(parts.at(1));
    note->moviePath = QString::fromUtf8(QByteArray::fromPercentEncoding(parts.at(2)));
    return true;
}
