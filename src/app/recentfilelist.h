#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QSettings;

// The list of the most recently opened or saved projects, newest first,
// shown in the File menu and kept in the settings under "Recent File List"
// as "File1".."File4". Two paths naming the same file (by canonical path)
// are one entry.
class RecentFileList : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultSize = 4;
    static constexpr int kMaxDisplayLength = 30;

    explicit RecentFileList(int size = kDefaultSize, QObject* parent = nullptr);

    // Puts the path at the head; an entry for the same file moves up, and the
    // oldest entry drops out when the list is full. Relative paths are made
    // absolute; an empty path is ignored.
    void Add(const QString& path);
    // Removes the entry at index (nothing for an index out of range).
    void Remove(int index);
    void Clear();

    int GetSize() const { return m_nSize; }
    int count() const { return int(m_files.size()); }
    bool isEmpty() const { return m_files.isEmpty(); }
    QString at(int index) const { return m_files.value(index); }
    QStringList files() const { return m_files; }

    // The text shown in the menu for an entry: the path shortened to
    // kMaxDisplayLength characters.
    QString GetDisplayName(int index) const;

    // Reads "Recent File List"/"File1".. from the settings (empty and
    // duplicate entries are skipped); writes the group back with the entries
    // held (the group is rewritten whole, so a shorter list leaves no stale
    // entry behind).
    void ReadList(QSettings& settings);
    void WriteList(QSettings& settings) const;

    static QString SectionName() { return QStringLiteral("Recent File List"); }
    static QString EntryName(int number) { return QStringLiteral("File%1").arg(number); }

    // Shortens a path to at most maxLength characters the way the menu shows
    // it: the first folder is kept, the folders that do not fit after it
    // become "...", and the file name is always kept whole (a name longer
    // than maxLength comes back alone).
    static QString AbbreviatePath(const QString& path, int maxLength);
    // The key under which two paths count as the same file.
    static QString ComparisonKey(const QString& path);

Q_SIGNALS:
    void changed();

private:
    int m_nSize;
    QStringList m_files;
};
