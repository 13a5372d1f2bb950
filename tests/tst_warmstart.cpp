// Starting the game quickly: the player launcher hands the movie to an open
// player or starts one, and the warm-up at start-up starts the player hidden
// and compiles a copy of the game without touching the learner's files.
// Small shell scripts stand in for the player and the compiler.

#include "build/locations.h"
#include "build/playerlauncher.h"
#include "build/warmup.h"
#include "support/playerserverthread.h"
#include "support/testsupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

Q_DECLARE_METATYPE(CPlayerLauncher::Way)

namespace {

// A stand-in program that writes its arguments, one a line, to <itself>.args.
const QByteArray kRecorder = "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args.tmp\" && "
                             "mv \"$0.args.tmp\" \"$0.args\"\n";

bool WriteProgram(const QString& path, const QByteArray& script)
{
    return WriteFile(path, script) &&
           QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The arguments a stand-in was started with, once it has written them.
QStringList ArgumentsOf(const QString& program)
{
    const QByteArray text = ReadAll(program + QStringLiteral(".args"));
    QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// A socket file with nobody behind it, as a player that crashed leaves it.
bool MakeStaleSocket(const QString& path)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (name.size() >= int(sizeof addr.sun_path))
        return false;
    std::memcpy(addr.sun_path, name.constData(), size_t(name.size()) + 1);
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    if (s >= 0)
        ::close(s);
    return bound;
}

} // namespace

class TestWarmStart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void play_data();
    void play();
    void warmUpLeavesTheLearnersFilesAlone();
    void warmUpOff();

private:
    QTemporaryDir m_dir;
};

void TestWarmStart::play_data()
{
    QTest::addColumn<QString>("player"); // what answers on the socket
    QTest::addColumn<bool>("programThere");
    QTest::addColumn<CPlayerLauncher::Way>("way");

    QTest::newRow("an open player takes it")
        << "listening" << true << CPlayerLauncher::Way::HandedOver;
    QTest::newRow("no player: one is started") << "none" << true << CPlayerLauncher::Way::Started;
    QTest::newRow("a crashed player's socket: one is started")
        << "stale" << true << CPlayerLauncher::Way::Started;
    QTest::newRow("an open player, the program gone")
        << "listening" << false << CPlayerLauncher::Way::HandedOver;
    QTest::newRow("no player and no program: nothing, quietly")
        << "none" << false << CPlayerLauncher::Way::NotStarted;
}

void TestWarmStart::play()
{
    QFETCH(QString, player);
    QFETCH(bool, programThere);
    QFETCH(CPlayerLauncher::Way, way);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString program = dir.filePath(QStringLiteral("flashplayer_11_sa"));
    if (programThere)
        QVERIFY(WriteProgram(program, kRecorder));
    const QString socket = dir.filePath(QStringLiteral("player.sock"));
    // A blank and a line break in the name: the movie still arrives whole.
    const QString movie = dir.filePath(QStringLiteral("my game/Game\nMovie.swf"));

    std::unique_ptr<ServerThread> open;
    if (player == QLatin1String("listening")) {
        open = std::make_unique<ServerThread>(socket);
        QVERIFY(open->listening());
    } else if (player == QLatin1String("stale")) {
        QVERIFY(MakeStaleSocket(socket));
    }

    const CPlayerLauncher launcher(program, socket);
    QCOMPARE(launcher.Play(movie), way);
    if (way == CPlayerLauncher::Way::HandedOver) {
        QTRY_COMPARE(open->received, QStringList{movie});
        // No process was started beside the open player.
        QTest::qWait(200);
        QVERIFY(!QFile::exists(program + QStringLiteral(".args")));
    } else if (way == CPlayerLauncher::Way::Started) {
        // The movie is the player's one argument.
        // The movie is the player's one argument (written a line at a time).
        QTRY_COMPARE(ArgumentsOf(program), movie.split(QLatin1Char('\n')));
    }
}

void TestWarmStart::warmUpLeavesTheLearnersFilesAlone()
{
    QVERIFY(m_dir.isValid());
    // A program folder with stand-ins, and a game root with the learner's
    // files, which the warm-up must leave exactly as they are.
    const QString folder = m_dir.filePath(QStringLiteral("program")) + QLatin1Char('/');
    const QString root = m_dir.filePath(QStringLiteral("user")) + QLatin1Char('/');
    const QByteArray source = "package {\r\n\t// 星を集める\r\n\tpublic class Main {}\r\n}\r\n";
    const QByteArray config = "<flex-config/>\n";
    const QByteArray oldMovie = "the learner's last movie";
    QVERIFY(WriteFile(SourcePath(root), source));
    QVERIFY(WriteFile(ConfigPath(root), config));
    QVERIFY(WriteFile(MoviePath(root), oldMovie));
    const QDateTime sourceTime = QFileInfo(SourcePath(root)).lastModified();
    const QDateTime movieTime = QFileInfo(MoviePath(root)).lastModified();

    QVERIFY(WriteProgram(PlayerPath(folder), kRecorder));
    // The compiler stand-in keeps what it was given: its arguments, and the
    // source and configuration it found; then writes the movie it was told.
    QVERIFY(WriteProgram(MxmlcPath(folder),
                         "#!/bin/sh\nd=$(dirname \"$0\")\nprintf '%s\\n' \"$@\" > \"$d/args\"\n"
                         "cp \"$1\" \"$d/source\" && cp \"${4#-load-config+=}\" \"$d/config\" &&\n"
                         "printf movie > \"$3\"\n"));

    CWarmUp warmUp;
    QSignalSpy finished(&warmUp, &CWarmUp::finished);
    QString error;
    QVERIFY2(warmUp.Start(CWarmUp::PathsFor(folder, root), &error), qPrintable(error));
    const QString scratch = warmUp.scratchGame();
    QVERIFY(!scratch.isEmpty());
    QVERIFY(!warmUp.Start(CWarmUp::PathsFor(folder, root))); // once only
    QVERIFY(finished.wait(30000));
    const auto result = finished.first().first().value<RunResult>();
    QVERIFY2(result.succeeded(), result.output.constData());

    // The player was started hidden, to warm it.
    QTRY_COMPARE(ArgumentsOf(PlayerPath(folder)), QStringList{QStringLiteral("--preload")});
    // The compile read copies of the learner's files and wrote its movie in
    // the scratch folder, which is gone now.
    const QString bin = QFileInfo(MxmlcPath(folder)).absolutePath();
    QCOMPARE(ReadAll(bin + QStringLiteral("/source")), source);
    QCOMPARE(ReadAll(bin + QStringLiteral("/config")), config);
    const QStringList args =
        QString::fromUtf8(ReadAll(bin + QStringLiteral("/args"))).split(QLatin1Char('\n'));
    QCOMPARE(args.value(1), QStringLiteral("-output"));
    for (const QString& arg : args)
        QVERIFY2(!arg.contains(QDir::cleanPath(root)), qPrintable(arg));
    QVERIFY(args.value(2).startsWith(scratch));
    QVERIFY(!QFileInfo::exists(scratch));

    QCOMPARE(ReadAll(SourcePath(root)), source);
    QCOMPARE(QFileInfo(SourcePath(root)).lastModified(), sourceTime);
    QCOMPARE(ReadAll(MoviePath(root)), oldMovie);
    QCOMPARE(QFileInfo(MoviePath(root)).lastModified(), movieTime);
    QCOMPARE(ReadAll(ConfigPath(root)), config);
}

void TestWarmStart::warmUpOff()
{
    // The tests' surroundings turn the warm-up off; nothing is started then.
    QCOMPARE(qgetenv("PELTRA_WARMUP"), QByteArray("0"));
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    QVERIFY(WriteProgram(PlayerPath(folder), kRecorder));
    QObject parent;
    QCOMPARE(CWarmUp::StartIfEnabled(CWarmUp::PathsFor(folder, folder), &parent), nullptr);
    QTest::qWait(300);
    QVERIFY(!QFile::exists(PlayerPath(folder) + QStringLiteral(".args")));

    qputenv("PELTRA_WARMUP", "1");
    CWarmUp* warmUp = CWarmUp::StartIfEnabled(CWarmUp::PathsFor(folder, folder), &parent);
    qputenv("PELTRA_WARMUP", "0");
    QVERIFY(warmUp);
    QTRY_COMPARE(ArgumentsOf(PlayerPath(folder)), QStringList{QStringLiteral("--preload")});
    // No game there: the compile is not started, and nothing breaks.
    QVERIFY(!warmUp->isCompiling());
}

QTEST_GUILESS_MAIN(TestWarmStart)
#include "tst_warmstart.moc"
