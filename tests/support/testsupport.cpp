#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

QByteArray ReadAll(const QString& path, const QByteArray& ifUnreadable)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : ifUnreadable;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray Int32(qint32 value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}
