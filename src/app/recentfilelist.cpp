#include "recentfilelist.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

RecentFileList::RecentFileList(int size, QObject* parent) : QObject(parent), m_nSize(qMax(1, size))
{}

QString RecentFileList::ComparisonKey(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    // A file that no longer exists still has a clean absolute name.
    return QDir::cleanPath(info.absoluteFilePath());
}

void RecentFileList::Add(const QString& path)
{
    if (path.isEmpty())
        return;
    const QString full = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString key = ComparisonKey(full);
    for (int i = 0; i < m_files.size(); ++i) {
        if (ComparisonKey(m_files.at(i)) == key) {
            m_files.removeAt(i);
            break;
        }
    }
    m_files.prepend(full);
    while (m_files.size() > m_nSize)
        m_files.removeLast();
    Q_EMIT changed();
}

void RecentFileList::Remove(int index)
{
    if (index < 0 || index >= m_files.size())
        return;
    m_files.removeAt(index);
    Q_EMIT changed();
}

void RecentFileList::Clear()
{
    if (m_files.isEmpty())
        return;
    m_files.clear();
    Q_EMIT changed();
}

QString RecentFileList::GetDisplayName(int index) const
{
    return AbbreviatePath(at(index), kMaxDisplayLength);
}

void RecentFileList::ReadList(QSettings& settings)
{
    QStringList files;
    QStringList keys;
    settings.beginGroup(SectionName());
    for (int number = 1; number <= m_nSize; ++number) {
        const QString path = settings.value(EntryName(number)).toString();
        if (path.isEmpty())
            continue;
        const QString key = ComparisonKey(path);
        if (keys.contains(key))
            continue;
        keys.append(key);
        files.append(path);
    }
    settings.endGroup();
    if (files != m_files) {
        m_files = files;
        Q_EMIT changed();
    }
}

void RecentFileList::WriteList(QSettings& settings) const
{
    settings.remove(SectionName());
    if (m_files.isEmpty())
        return;
    settings.beginGroup(SectionName());
    for (int i = 0; i < m_files.size(); ++i)
        settings.setValue(EntryName(i + 1), m_files.at(i));
    settings.endGroup();
}

QString RecentFileList::AbbreviatePath(const QString& path, int maxLength)
{
    if (path.size() <= maxLength)
        return path;
    const QChar sep = QLatin1Char('/');
    const int nameStart = path.lastIndexOf(sep) + 1;
    const QString fileName = path.mid(nameStart);
    if (maxLength < fileName.size() || nameStart == 0)
        return fileName;

    // The kept head: the root and the first folder ("/home"); for a path
    // without a leading separator, its first component.
    const int firstSep = path.indexOf(sep, path.startsWith(sep) ? 1 : 0);
    if (firstSep < 0 || firstSep >= nameStart - 1)
        return fileName; // a single folder: nothing to leave out
    const QString head = path.left(firstSep);
    const QString ellipsis = QStringLiteral("/...");
    if (maxLength < head.size() + ellipsis.size() + 1 + fileName.size())
        return fileName;

    // Leave out folders after the head until the rest fits.
    int restStart = firstSep;
    while (head.size() + ellipsis.size() + (path.size() - restStart) > maxLength)
        restStart = path.indexOf(sep, restStart + 1);
    return head + ellipsis + path.mid(restStart);
}
