// The recent-file list: order, the four-entry cap, one entry per file, the
// settings it is kept in, and the shortened names of the menu.
#include "app/recentfilelist.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestRecentFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void newestFirstAndFifthPushesOutOldest();
    void sameFileIsOneEntry();
    void removeAndSignals();
    void settingsRoundTrip();
    void readSkipsGapsAndDuplicates();
    void abbreviate_data();
    void abbreviate();

private:
    QString MakeFile(const QString& relative);
    QTemporaryDir m_dir;
};

void TestRecentFiles::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
}

QString TestRecentFiles::MakeFile(const QString& relative)
{
    const QString path = m_dir.filePath(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    return QFileInfo(path).absoluteFilePath();
}

void TestRecentFiles::newestFirstAndFifthPushesOutOldest()
{
    RecentFileList list;
    QCOMPARE(list.GetSize(), 4);
    QStringList paths;
    for (int i = 1; i <= 5; ++i)
        paths << MakeFile(QStringLiteral("p%1.lrnf").arg(i));
    for (int i = 0; i < 4; ++i)
        list.Add(paths.at(i));
    QCOMPARE(list.files(), (QStringList{paths[3], paths[2], paths[1], paths[0]}));
    list.Add(paths.at(4));
    QCOMPARE(list.files(), (QStringList{paths[4], paths[3], paths[2], paths[1]}));
    // Opening an entry again moves it up without pushing anything out.
    list.Add(paths.at(2));
    QCOMPARE(list.files(), (QStringList{paths[2], paths[4], paths[3], paths[1]}));
}

void TestRecentFiles::sameFileIsOneEntry()
{
    const QString real = MakeFile(QStringLiteral("dir/real.lrnf"));
    const QString link = m_dir.filePath(QStringLiteral("link.lrnf"));
    QVERIFY(QFile::link(real, link));

    RecentFileList list;
    list.Add(real);
    list.Add(link);
    list.Add(m_dir.filePath(QStringLiteral("dir/../dir/./real.lrnf")));
    QCOMPARE(list.count(), 1);
    // The newest spelling is kept, cleaned.
    QCOMPARE(list.at(0), real);

    // A relative path is stored absolute.
    const QString old = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    list.Add(QStringLiteral("dir/real.lrnf"));
    list.Add(QStringLiteral("gone.lrnf")); // no such file: compared by its clean path
    list.Add(QStringLiteral("./gone.lrnf"));
    QDir::setCurrent(old);
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.at(0), m_dir.filePath(QStringLiteral("gone.lrnf")));
    QCOMPARE(list.at(1), real);

    list.Add(QString());
    QCOMPARE(list.count(), 2);
}

void TestRecentFiles::removeAndSignals()
{
    RecentFileList list;
    QSignalSpy spy(&list, &RecentFileList::changed);
    list.Add(MakeFile(QStringLiteral("r1.lrnf")));
    list.Add(MakeFile(QStringLiteral("r2.lrnf")));
    QCOMPARE(spy.count(), 2);
    list.Remove(5);
    list.Remove(-1);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(list.count(), 2);
    list.Remove(0);
    QCOMPARE(spy.count(), 3);
    QCOMPARE(list.files(), QStringList{m_dir.filePath(QStringLiteral("r1.lrnf"))});
    list.Clear();
    QVERIFY(list.isEmpty());
    QCOMPARE(spy.count(), 4);
}

void TestRecentFiles::settingsRoundTrip()
{
    const QString ini = m_dir.filePath(QStringLiteral("roundtrip.ini"));
    RecentFileList list;
    for (int i = 1; i <= 4; ++i)
        list.Add(MakeFile(QStringLiteral("s%1.lrnf").arg(i)));
    {
        QSettings settings(ini, QSettings::IniFormat);
        list.WriteList(settings);
    }
    {
        QSettings settings(ini, QSettings::IniFormat);
        QCOMPARE(settings.value(QStringLiteral("Recent File List/File1")).toString(),
                 m_dir.filePath(QStringLiteral("s4.lrnf")));
        QCOMPARE(settings.value(QStringLiteral("Recent File List/File4")).toString(),
                 m_dir.filePath(QStringLiteral("s1.lrnf")));
    }
    RecentFileList read;
    {
        QSettings settings(ini, QSettings::IniFormat);
        read.ReadList(settings);
    }
    QCOMPARE(read.files(), list.files());

    // A shorter list leaves no stale entry behind.
    list.Remove(3);
    list.Remove(2);
    {
        QSettings settings(ini, QSettings::IniFormat);
        list.WriteList(settings);
    }
    QSettings settings(ini, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Recent File List"));
    QCOMPARE(settings.childKeys(), (QStringList{"File1", "File2"}));
}

void TestRecentFiles::readSkipsGapsAndDuplicates()
{
    const QString ini = m_dir.filePath(QStringLiteral("gaps.ini"));
    const QString a = MakeFile(QStringLiteral("g1.lrnf"));
    const QString b = MakeFile(QStringLiteral("g2.lrnf"));
    {
        QSettings settings(ini, QSettings::IniFormat);
        settings.setValue(QStringLiteral("Recent File List/File1"), a);
        settings.setValue(QStringLiteral("Recent File List/File2"), QString());
        settings.setValue(QStringLiteral("Recent File List/File3"), a);
        settings.setValue(QStringLiteral("Recent File List/File4"), b);
        settings.setValue(QStringLiteral("Recent File List/File5"), m_dir.filePath("x.lrnf"));
    }
    QSettings settings(ini, QSettings::IniFormat);
    RecentFileList list;
    list.ReadList(settings);
    QCOMPARE(list.files(), (QStringList{a, b}));
}

void TestRecentFiles::abbreviate_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("shown");
    QTest::newRow("short") << "/home/u/a.lrnf"
                           << "/home/u/a.lrnf";
    QTest::newRow("exactly 30") << "/home/user/tutorials/abcd.lrnf"
                                << "/home/user/tutorials/abcd.lrnf";
    QTest::newRow("middle folders left out") << "/home/user/projects/tutorials/game1.lrnf"
                                             << "/home/.../tutorials/game1.lrnf";
    QTest::newRow("only the name fits after the head")
        << "/home/user/projects/tutorials/a-long-name-1.lrnf"
        << "/home/.../a-long-name-1.lrnf";
    QTest::newRow("no room for the head") << "/home/user/projects/a-very-long-name-abc.lrnf"
                                          << "a-very-long-name-abc.lrnf";
    QTest::newRow("name longer than the limit")
        << "/home/u/an-extremely-long-tutorial-file-name.lrnf"
        << "an-extremely-long-tutorial-file-name.lrnf";
    QTest::newRow("japanese") << "/home/ユーザー/チュートリアル/ゲーム作り/第一回の表ソ能予.lrnf"
                              << "/home/.../ゲーム作り/第一回の表ソ能予.lrnf";
    QTest::newRow("single long folder") << "/a-single-very-long-folder-name/x.lrnf"
                                        << "x.lrnf";
}

void TestRecentFiles::abbreviate()
{
    QFETCH(QString, path);
    QFETCH(QString, shown);
    const QString result = RecentFileList::AbbreviatePath(path, RecentFileList::kMaxDisplayLength);
    QCOMPARE(result, shown);
    // Whatever the path, the file name survives, and a result with folders
    // fits the menu's width.
    QVERIFY(result.endsWith(path.section(QLatin1Char('/'), -1)));
    if (result.contains(QLatin1Char('/')))
        QVERIFY(result.size() <= RecentFileList::kMaxDisplayLength);

    RecentFileList list;
    list.Add(path);
    QCOMPARE(list.GetDisplayName(0), shown);
}

QTEST_GUILESS_MAIN(TestRecentFiles)
#include "tst_recentfiles.moc"
