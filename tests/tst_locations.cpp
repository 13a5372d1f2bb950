#include "build/locations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

class TestLocations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void paths_data();
    void paths();
    void startPage_data();
    void startPage();
    void programFolderOfThisProgram();
    void programFolderWithoutApplication_data();
    void programFolderWithoutApplication();

private:
    QTemporaryDir m_dir;
};

void TestLocations::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
}

void TestLocations::paths_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("mxmlc");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("movie");
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("player");
    QTest::addColumn<QString>("index");

    QTest::newRow("plain") << S("/opt/learn/") << S("/opt/learn/flex_sdk_4.6/bin/mxmlc")
                           << S("/opt/learn/game/src/Main.as")
                           << S("/opt/learn/game/bin/GameMovie.swf")
                           << S("/opt/learn//game/obj/Main-config.xml")
                           << S("/opt/learn/flashplayer_11_sa") << S("/opt/learn/HTML/index.html");
    // Blanks stay as they are: nothing is quoted here.
    QTest::newRow("blanks") << S("/home/a b/my learn/")
                            << S("/home/a b/my learn/flex_sdk_4.6/bin/mxmlc")
                            << S("/home/a b/my learn/game/src/Main.as")
                            << S("/home/a b/my learn/game/bin/GameMovie.swf")
                            << S("/home/a b/my learn//game/obj/Main-config.xml")
                            << S("/home/a b/my learn/flashplayer_11_sa")
                            << S("/home/a b/my learn/HTML/index.html");
    QTest::newRow("japanese") << S("/home/学習/表示 ソフト/")
                              << S("/home/学習/表示 ソフト/flex_sdk_4.6/bin/mxmlc")
                              << S("/home/学習/表示 ソフト/game/src/Main.as")
                              << S("/home/学習/表示 ソフト/game/bin/GameMovie.swf")
                              << S("/home/学習/表示 ソフト//game/obj/Main-config.xml")
                              << S("/home/学習/表示 ソフト/flashplayer_11_sa")
                              << S("/home/学習/表示 ソフト/HTML/index.html");
    QTest::newRow("root") << S("/") << S("/flex_sdk_4.6/bin/mxmlc") << S("/game/src/Main.as")
                          << S("/game/bin/GameMovie.swf") << S("//game/obj/Main-config.xml")
                          << S("/flashplayer_11_sa") << S("/HTML/index.html");
}

void TestLocations::paths()
{
    QFETCH(QString, folder);
    QFETCH(QString, mxmlc);
    QFETCH(QString, source);
    QFETCH(QString, movie);
    QFETCH(QString, config);
    QFETCH(QString, player);
    QFETCH(QString, index);

    QCOMPARE(MxmlcPath(folder), mxmlc);
    QCOMPARE(SourcePath(folder), source);
    QCOMPARE(MoviePath(folder), movie);
    QCOMPARE(ConfigPath(folder), config);
    QCOMPARE(PlayerPath(folder), player);
    QCOMPARE(DefaultIndexPath(folder), index);
    // The default start page gives the default index page.
    QCOMPARE(StartPagePath(folder, QByteArray("HTML\\index.html")), index);
}

void TestLocations::startPage_data()
{
    QTest::addColumn<QByteArray>("startPage");
    QTest::addColumn<QString>("expected");

    QTest::newRow("default") << QByteArray("HTML\\index.html") << S("/opt/l/HTML/index.html");
    QTest::newRow("deeper") << QByteArray("tut\\part 2\\index3.html")
                            << S("/opt/l/tut/part 2/index3.html");
    QTest::newRow("slashes kept") << QByteArray("HTML/a.html") << S("/opt/l/HTML/a.html");
    QTest::newRow("empty") << QByteArray() << S("/opt/l/");
    // 表 95 5C, 示 8E A6, ソ 83 5C, フ 83 74, ト 83 67: the 5C second bytes
    // are part of the characters, only the real backslash is a separator.
    QTest::newRow("5C second bytes")
        << QByteArray("\x95\x5C\x8E\xA6\x5C\x83\x5C\x83\x74\x83\x67.html")
        << S("/opt/l/表示/ソフト.html");
    // 能 94 5C, 予 97 5C, each right before a separator.
    QTest::newRow("5C before separator")
        << QByteArray("\x94\x5C\x5C\x97\x5C\x5Cindex1.html") << S("/opt/l/能/予/index1.html");
    QTest::newRow("halfwidth kana")
        << QByteArray("\xB6\xC5\x5Cindex.html") << S("/opt/l/ｶﾅ/index.html");
}

void TestLocations::startPage()
{
    QFETCH(QByteArray, startPage);
    QFETCH(QString, expected);
    QCOMPARE(StartPagePath(S("/opt/l/"), startPage), expected);
}

void TestLocations::programFolderOfThisProgram()
{
    const QString expected = QDir(QStringLiteral(PELTRA_TEST_BINARY_DIR)).canonicalPath() + '/';
    const QString folder = GetProgramFolder();
    QCOMPARE(folder, expected);
    // Worked out afresh each time, and the same while the program stays put.
    QCOMPARE(GetProgramFolder(), folder);
}

void TestLocations::programFolderWithoutApplication_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("viaLink");

    QTest::newRow("where it was built") << QString() << false;
    QTest::newRow("blanks and japanese") << S("with blanks/学習 フォルダ") << false;
    // A link to the program is no program folder: the executable's own is.
    QTest::newRow("through a link") << S("linked") << true;
}

void TestLocations::programFolderWithoutApplication()
{
    QFETCH(QString, folder);
    QFETCH(bool, viaLink);

    const QString built = QStringLiteral(PELTRA_FOLDER_HELPER);
    QString program = built;
    QString expected = QFileInfo(built).canonicalPath() + '/';
    if (!folder.isEmpty()) {
        const QString dir = m_dir.filePath(folder);
        QVERIFY(QDir().mkpath(dir));
        program = dir + S("/programfolder");
        QFile::remove(program);
        if (viaLink) {
            QVERIFY(QFile::link(built, program));
        } else {
            QVERIFY(QFile::copy(built, program));
            expected = QDir(dir).canonicalPath() + '/';
        }
    }

    QProcess process;
    process.start(program, {});
    QVERIFY2(process.waitForFinished(30000), qPrintable(process.errorString()));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), expected + '\n');
}

QTEST_GUILESS_MAIN(TestLocations)
#include "tst_locations.moc"
