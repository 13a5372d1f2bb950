#include "build/locations.h"
#include "support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

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
    void gameRoot_data();
    void gameRoot();
    void gameRootKeepsTheLearnersFiles();
    void gameRootThatCannotBeMade();
    void gameRootOfThisProgram();
    void cleanup();

private:
    // A program folder as installed: the game template and the tutorial.
    QString MakeProgramFolder(const QString& name);
    // Marks path (a folder and what is in it) read-only for everybody, or
    // writable by its owner again.
    static void SetReadOnly(const QString& path, bool readOnly);

    QTemporaryDir m_dir;
    QStringList m_readOnly;
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

QString TestLocations::MakeProgramFolder(const QString& name)
{
    const QString folder = m_dir.filePath(name) + '/';
    WriteFile(folder + S("game/src/Main.as"), "package {\r\n}\r\n");
    WriteFile(folder + S("game/obj/Main-config.xml"), "<flex-config/>\n");
    WriteFile(folder + S("HTML/index.html"), "<html></html>\n");
    return folder;
}

void TestLocations::SetReadOnly(const QString& path, bool readOnly)
{
    using P = QFileDevice;
    const bool folder = QFileInfo(path).isDir();
    P::Permissions mode = P::ReadOwner | P::ReadGroup | P::ReadOther;
    if (folder)
        mode |= P::ExeOwner | P::ExeGroup | P::ExeOther;
    if (!readOnly)
        mode |= P::WriteOwner;
    // A folder is opened before its entries change and closed after.
    if (!readOnly)
        QFile::setPermissions(path, mode);
    if (folder) {
        const QStringList entries =
            QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        for (const QString& entry : entries)
            SetReadOnly(path + '/' + entry, readOnly);
    }
    if (readOnly)
        QFile::setPermissions(path, mode);
}

void TestLocations::cleanup()
{
    // Writable again, so that the temporary folder can go.
    for (const QString& path : std::as_const(m_readOnly))
        SetReadOnly(path, false);
    m_readOnly.clear();
}

void TestLocations::gameRoot_data()
{
    QTest::addColumn<QString>("readOnly"); // below the program folder; "." the folder itself
    QTest::addColumn<bool>("ownCopy");

    QTest::newRow("writable program folder") << QString() << false;
    // Installed system-wide: the user builds in a copy of their own.
    QTest::newRow("read-only program folder") << S(".") << true;
    QTest::newRow("read-only game folder") << S("game") << true;
    QTest::newRow("read-only source folder") << S("game/src") << true;
    // The tutorial is only read.
    QTest::newRow("read-only tutorial") << S("HTML") << false;
}

void TestLocations::gameRoot()
{
    QFETCH(QString, readOnly);
    QFETCH(bool, ownCopy);

    const QString program = MakeProgramFolder(S("program ") + QTest::currentDataTag());
    const QString data = m_dir.filePath(S("data ") + QTest::currentDataTag());
    if (!readOnly.isEmpty()) {
        const QString path = QDir::cleanPath(program + readOnly);
        SetReadOnly(path, true);
        m_readOnly << path;
    }

    QString error = S("left over");
    const QString root = GameRootFor(program, data, &error);
    QCOMPARE(error, QString());
    QCOMPARE(CanWriteGameIn(program), !ownCopy);
    if (!ownCopy) {
        QCOMPARE(root, program);
        QVERIFY(!QFileInfo::exists(data + S("/Peltra")));
        return;
    }
    QCOMPARE(root, data + S("/Peltra/"));
    // The template is copied, the source writable whatever the original's mode.
    QCOMPARE(ReadAll(SourcePath(root)), ReadAll(SourcePath(program)));
    QCOMPARE(ReadAll(ConfigPath(root)), ReadAll(ConfigPath(program)));
    QVERIFY(QFileInfo(SourcePath(root)).permissions() & QFileDevice::WriteOwner);
    QVERIFY(QFileInfo(QFileInfo(MoviePath(root)).absolutePath()).isDir());
    // The tutorial stays where it is.
    QVERIFY(!QFileInfo::exists(root + S("HTML")));
    // The copy is the user's: a build there can write its source and movie.
    QVERIFY(CanWriteGameIn(root));
    QVERIFY(WriteFile(MoviePath(root), "FWS"));
}

void TestLocations::gameRootKeepsTheLearnersFiles()
{
    const QString program = MakeProgramFolder(S("kept"));
    const QString data = m_dir.filePath(S("kept data"));
    SetReadOnly(program, true);
    m_readOnly << QDir::cleanPath(program);

    const QString root = GameRootFor(program, data);
    QVERIFY(WriteFile(SourcePath(root), "the learner's game"));
    QVERIFY(QFile::remove(ConfigPath(root)));

    // A later start keeps the learner's source and brings back what is gone.
    QString error;
    QCOMPARE(GameRootFor(program, data, &error), root);
    QCOMPARE(error, QString());
    QCOMPARE(ReadAll(SourcePath(root)), QByteArray("the learner's game"));
    QCOMPARE(ReadAll(ConfigPath(root)), ReadAll(ConfigPath(program)));
}

void TestLocations::gameRootThatCannotBeMade()
{
    const QString program = MakeProgramFolder(S("blocked"));
    const QString data = m_dir.filePath(S("blocked data"));
    SetReadOnly(program, true);
    m_readOnly << QDir::cleanPath(program);
    // A file where the user's folder should be.
    QVERIFY(WriteFile(data + S("/Peltra"), "in the way"));

    QString error;
    const QString root = GameRootFor(program, data, &error);
    // The user's folder all the same, so that the saves report their failure;
    // the reason names the place.
    QCOMPARE(root, data + S("/Peltra/"));
    QVERIFY2(error.contains(data + S("/Peltra")), qPrintable(error));

    // No data folder at all: the program folder, with the reason.
    QCOMPARE(GameRootFor(program, QString(), &error), program);
    QVERIFY2(error.contains(program), qPrintable(error));
}

void TestLocations::gameRootOfThisProgram()
{
    // Built where the user can write: the program folder, as it always was.
    QCOMPARE(GetGameRoot(), GetProgramFolder());
}

QTEST_GUILESS_MAIN(TestLocations)
#include "tst_locations.moc"
