#include "fileaccess.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The path with links and "." / ".." resolved as far as it exists; a path
// that does not exist (yet) keeps its missing tail, cleaned.
QString Resolved(const QString& path)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString canonical = QFileInfo(clean).canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    // The deepest folder that exists, resolved, and the rest as written.
    QString head = clean;
    QString tail;
    while (!head.isEmpty() && head != QLatin1String("/")) {
        const qsizetype slash = head.lastIndexOf(QLatin1Char('/'));
        tail = head.mid(slash) + tail;
        head = slash > 0 ? head.left(slash) : QStringLiteral("/");
        const QString existing = QFileInfo(head).canonicalFilePath();
        if (!existing.isEmpty())
            return QDir::cleanPath(existing + tail);
    }
    return clean;
}

bool IsWithin(const QString& path, const QString& folder)
{
    if (folder == QLatin1String("/"))
        return true;
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

} // namespace

bool MayReadLocalFile(const QUrl& url, const QStringList& folders)
{
    if (!url.isLocalFile())
        return true;
    // A file:// address naming another host is no file of this machine.
    if (!url.host().isEmpty() && url.host() != QLatin1String("localhost"))
        return false;
    const QString path = Resolved(url.toLocalFile());
    for (const QString& folder : folders) {
        if (!folder.isEmpty() && IsWithin(path, Resolved(folder)))
            return true;
    }
    return false;
}
