// The folders every test runs in: a home of its own below the build tree,
// and temporary folders below it, so that nothing a test makes (or leaves
// behind when it aborts) lands in the real home or in /tmp.
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

class TestTestFolders : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void homeOfItsOwn();
    void temporaryFoldersBelowHome_data();
    void temporaryFoldersBelowHome();
};

namespace {

// Whether path, which need exist no longer, lies below folder.
bool IsBelow(const QString& path, const QString& folder)
{
    const QFileInfo info(path);
    const QString inner =
        QDir(info.absolutePath()).canonicalPath() + QLatin1Char('/') + info.fileName();
    const QString outer = QDir(folder).canonicalPath();
    return !outer.isEmpty() && inner.startsWith(outer + QLatin1Char('/'));
}

} // namespace

void TestTestFolders::homeOfItsOwn()
{
    const QString home = QDir::homePath();
    QVERIFY2(home.endsWith(QLatin1String("/home/tst_testfolders")), qPrintable(home));
    QVERIFY2(QFileInfo(home).isDir(), qPrintable(home));
}

void TestTestFolders::temporaryFoldersBelowHome_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("temporary folder") << QDir::tempPath();
    QTemporaryDir dir;
    QTest::newRow("QTemporaryDir") << dir.path();
    QTemporaryFile file;
    QVERIFY(file.open());
    QTest::newRow("QTemporaryFile") << file.fileName();
    QTest::newRow("cache") << QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
}

void TestTestFolders::temporaryFoldersBelowHome()
{
    QFETCH(QString, path);
    QVERIFY2(IsBelow(path, QDir::homePath()), qPrintable(path));
}

QTEST_GUILESS_MAIN(TestTestFolders)
#include "tst_testfolders.moc"
