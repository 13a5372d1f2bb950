// The compile server behind the game compiler's launcher: what the launcher
// prints, the movie it writes (bytes and mode) and its exit status are those
// of a cold compile, for the finished sample and for broken games, one after
// another in the same server, with absolute and relative paths; a server
// that dies, leaves a stale socket or answers badly leads to a cold compile;
// two compiles at once both succeed; the server holds none of its caller's
// pipes.
//
// Needs the toolchain set up with its compile server in the build's program
// folder (scripts/setup-toolchain out/<build>/bin); skipped without it.

#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <csignal>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kSourceDir = QStringLiteral(PELTRA_SOURCE_DIR);
const QString kProgramDir = QStringLiteral(PELTRA_PROGRAM_DIR);

QString Mxmlc()
{
    return kProgramDir + QStringLiteral("/flex_sdk_4.6/bin/mxmlc");
}

bool ServerReady()
{
    const QString server = kProgramDir + QStringLiteral("/flex_sdk_4.6/lib/compile-server");
    return QFileInfo(Mxmlc()).isExecutable() &&
           QFileInfo(server + QStringLiteral("/compile-client")).isExecutable() &&
           QFileInfo::exists(server + QStringLiteral("/CompileServer.class"));
}

#define REQUIRE_SERVER()                                                                           \
    do {                                                                                           \
        if (!ServerReady())                                                                        \
            QSKIP(qPrintable(QStringLiteral("the game compiler and its compile server are not "    \
                                            "set up in %1 (run scripts/setup-toolchain %1)")       \
                                 .arg(kProgramDir)));                                              \
    } while (false)

struct Run
{
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QByteArray movie; // the movie written, or empty
    QFile::Permissions moviePermissions;
};

// The compiler reports how long it took; everything else must be equal.
QByteArray Masked(QByteArray text)
{
    static const QRegularExpression seconds(QStringLiteral(" in [0-9.]+ seconds"));
    return QString::fromUtf8(text).replace(seconds, QStringLiteral(" in N seconds")).toUtf8();
}

// A game as the program keeps it: game/src/Main.as, game/obj, game/bin.
struct Game
{
    Game(const QString& root, const QByteArray& source) : folder(root + QStringLiteral("/game"))
    {
        QDir().mkpath(folder + QStringLiteral("/bin"));
        ok = WriteFile(folder + QStringLiteral("/src/Main.as"), source) &&
             WriteFile(folder + QStringLiteral("/obj/Main-config.xml"),
                       ReadAll(kSourceDir + QStringLiteral("/sample/game/obj/Main-config.xml")));
    }
    QString movie() const { return folder + QStringLiteral("/bin/GameMovie.swf"); }
    // The compiler's arguments as the build-and-run command gives them.
    QStringList arguments() const
    {
        return {folder + QStringLiteral("/src/Main.as"), QStringLiteral("-output"), movie(),
                QStringLiteral("-load-config+=") + folder + QStringLiteral("/obj/Main-config.xml")};
    }

    QString folder;
    bool ok = false;
};

QByteArray FinishedSource()
{
    return ReadAll(kSourceDir + QStringLiteral("/sample/finished/Main.as"));
}

// The finished game with statements put first into a method body.
QByteArray Broken(const QByteArray& statements)
{
    QByteArray source = FinishedSource();
    const int open = source.indexOf("function Main()");
    const int brace = open < 0 ? -1 : source.indexOf('{', open);
    if (brace < 0)
        return {};
    return source.insert(brace + 1, "\n" + statements + "\n");
}

// Runs the launcher in a folder, with the server or without it, in the
// runtime folder given.
class Launcher
{
public:
    explicit Launcher(const QString& runtimeDir) : m_env(QProcessEnvironment::systemEnvironment())
    {
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
        m_env.remove(QStringLiteral("PELTRA_COMPILE_SERVER"));
        m_env.remove(QStringLiteral("PELTRA_COMPILE_SERVER_DEBUG"));
    }

    // The file mode mask of the compiles, or -1: the test's own.
    void setMask(int mask) { m_mask = mask; }

    void setServer(bool on)
    {
        if (on)
            m_env.remove(QStringLiteral("PELTRA_COMPILE_SERVER"));
        else
            m_env.insert(QStringLiteral("PELTRA_COMPILE_SERVER"), QStringLiteral("0"));
    }

    std::unique_ptr<QProcess> start(const QStringList& arguments, const QString& cwd) const
    {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(m_env);
        p->setWorkingDirectory(cwd);
        if (m_mask >= 0) {
            const mode_t mask = mode_t(m_mask);
            p->setChildProcessModifier([mask] { ::umask(mask); });
        }
        p->start(Mxmlc(), arguments);
        return p;
    }

    static Run finish(QProcess& p, const QString& movie)
    {
        Run r;
        // It may have ended already while the test waited for something else.
        const bool ended = p.state() == QProcess::NotRunning || p.waitForFinished(300000);
        r.finished = ended && p.exitStatus() == QProcess::NormalExit;
        if (!r.finished) {
            p.kill();
            p.waitForFinished();
        }
        r.exitCode = p.exitCode();
        r.out = Masked(p.readAllStandardOutput());
        r.err = Masked(p.readAllStandardError());
        r.movie = ReadAll(movie);
        r.moviePermissions = QFileInfo(movie).permissions();
        return r;
    }

    Run compile(const QStringList& arguments, const QString& cwd, const QString& movie) const
    {
        QFile::remove(movie);
        auto p = start(arguments, cwd);
        return finish(*p, movie);
    }

    const QProcessEnvironment& environment() const { return m_env; }

private:
    QProcessEnvironment m_env;
    int m_mask = -1;
};

// Compares a run with the cold one, stream by stream.
#define COMPARE_RUNS(actual, cold)                                                                 \
    do {                                                                                           \
        const Run& run_ = (actual);                                                                \
        QVERIFY2(run_.finished, qPrintable(run_.err));                                             \
        QCOMPARE(run_.out, (cold).out);                                                            \
        QCOMPARE(run_.err, (cold).err);                                                            \
        QCOMPARE(run_.exitCode, (cold).exitCode);                                                  \
        QVERIFY2(run_.movie == (cold).movie, "the movies differ");                                 \
        QCOMPARE(run_.moviePermissions, (cold).moviePermissions);                                  \
    } while (false)

QStringList Sockets(const QString& runtimeDir)
{
    const QDir dir(runtimeDir + QStringLiteral("/peltra"));
    QStringList sockets;
    for (const QString& name : dir.entryList({QStringLiteral("*.sock")}, QDir::System))
        sockets.append(dir.filePath(name));
    return sockets;
}

int Connect(const QString& socketPath)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socketPath);
    if (path.size() >= int(sizeof addr.sun_path))
        return -1;
    memcpy(addr.sun_path, path.constData(), size_t(path.size()) + 1);
    const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s >= 0 && ::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
        return s;
    if (s >= 0)
        ::close(s);
    return -1;
}

bool Alive(pid_t pid)
{
    // A server whose parent is gone may stay a zombie until it is reaped.
    // Its first thread is a zombie as soon as it has ended, while the
    // others may still be ending and holding the socket and the lock: gone
    // is a zombie with no other thread left.
    const QByteArray stat = ReadAll(QStringLiteral("/proc/%1/stat").arg(pid));
    const int close = stat.lastIndexOf(')');
    if (close <= 0 || stat.size() <= close + 2)
        return false;
    const char state = stat.at(close + 2);
    if (state != 'Z' && state != 'X')
        return true;
    return QDir(QStringLiteral("/proc/%1/task").arg(pid))
               .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
               .size() > 1;
}

// The live servers of a runtime folder: the processes at the other end of
// its sockets.
QList<pid_t> Servers(const QString& runtimeDir)
{
    QList<pid_t> pids;
    for (const QString& socketPath : Sockets(runtimeDir)) {
        const int s = Connect(socketPath);
        if (s < 0)
            continue;
        ucred cred{};
        socklen_t len = sizeof cred;
        if (::getsockopt(s, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && Alive(cred.pid))
            pids.append(cred.pid);
        ::close(s);
    }
    return pids;
}

bool WaitGone(pid_t pid)
{
    for (int i = 0; i < 200 && Alive(pid); ++i)
        QTest::qWait(50);
    return !Alive(pid);
}

// Ends the servers a test started.
void EndServers(const QString& runtimeDir)
{
    for (pid_t pid : Servers(runtimeDir)) {
        ::kill(pid, SIGCONT);
        ::kill(pid, SIGTERM);
        if (!WaitGone(pid))
            ::kill(pid, SIGKILL);
    }
}

// A stand-in server on a socket path: takes one request, then gives its
// answer (possibly none) and hangs up.
class FakeServer
{
public:
    FakeServer(const QString& socketPath, QByteArray answer) : m_answer(std::move(answer))
    {
        QFile::remove(socketPath);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(socketPath);
        memcpy(addr.sun_path, path.constData(), size_t(path.size()) + 1);
        m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) ||
            ::listen(m_listener, 4))
            return;
        m_thread = std::thread([this] { serve(); });
    }
    ~FakeServer()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_listener >= 0)
            ::close(m_listener);
    }
    bool listening() const { return m_thread.joinable(); }
    // What it was sent; ends the stand-in.
    QByteArray request()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        return m_request;
    }

private:
    void serve()
    {
        pollfd pfd{m_listener, POLLIN, 0};
        while (!m_stop && ::poll(&pfd, 1, 100) == 0) {
        }
        if (m_stop)
            return;
        const int s = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (s < 0)
            return;
        char buf[4096];
        ssize_t n;
        while ((n = ::read(s, buf, sizeof buf)) > 0)
            m_request.append(buf, n);
        if (!m_answer.isEmpty())
            (void)!::write(s, m_answer.constData(), size_t(m_answer.size()));
        ::close(s);
    }

    QByteArray m_answer;
    QByteArray m_request;
    int m_listener = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

QByteArray Frame(char kind, const QByteArray& body)
{
    QByteArray f(1, kind);
    const quint32 n = quint32(body.size());
    f += char(n >> 24);
    f += char(n >> 16);
    f += char(n >> 8);
    f += char(n);
    return f + body;
}

// Runs the launcher as the program's runner does: standard output and error
// into one pipe, read until every holder of it has closed it. Returns false
// when the output did not end (someone kept the pipe) within the guard.
bool RunThroughOnePipe(const QStringList& arguments, const QProcessEnvironment& env,
                       const QString& cwd, Run* run)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addchdir_np(&actions, QFile::encodeName(cwd).constData());
    std::vector<QByteArray> store;
    std::vector<char*> argv, envp;
    store.push_back(QFile::encodeName(Mxmlc()));
    for (const QString& a : arguments)
        store.push_back(QFile::encodeName(a));
    const size_t nargs = store.size();
    for (const QString& e : env.toStringList())
        store.push_back(e.toLocal8Bit());
    for (size_t i = 0; i < store.size(); ++i)
        (i < nargs ? argv : envp).push_back(store[i].data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return false;
    }
    bool ended = false;
    char buf[4096];
    for (;;) {
        pollfd pfd{fds[0], POLLIN, 0};
        if (::poll(&pfd, 1, 300000) <= 0)
            break; // the guard: the pipe never closed
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0) {
            ended = n == 0;
            break;
        }
        run->out.append(buf, n);
    }
    ::close(fds[0]);
    if (!ended)
        ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run->finished = ended && WIFEXITED(status);
    run->exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run->out = Masked(run->out);
    return ended;
}

} // namespace

class TestCompileServer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void cleanupTestCase();
    void sameAsCold_data();
    void sameAsCold();
    void offSwitchStartsNoServer();
    void deadServerFallsBack_data();
    void deadServerFallsBack();
    void twoCompilesAtOnce_data();
    void twoCompilesAtOnce();
    void serverHoldsNoPipe();

private:
    // A new runtime folder, whose servers cleanup() ends.
    QString newRuntime()
    {
        // A socket's name holds at most 107 bytes: below a deep temporary
        // folder (the test's own, in the build tree) the client would fall
        // back to another folder, so runtime folders sit in a short one.
        const QString temp = QDir::tempPath();
        const QString base = temp.size() <= 40 ? temp : QStringLiteral("/tmp");
        m_runtimes.push_back(std::make_unique<QTemporaryDir>(base + QStringLiteral("/pcs-XXXXXX")));
        return m_runtimes.back()->path();
    }
    // The game folders, which outlive the rows: the shared server keeps
    // its working folder.
    QTemporaryDir m_games;
    std::vector<std::unique_ptr<QTemporaryDir>> m_runtimes;
    QString m_sharedRuntime;
};

void TestCompileServer::cleanup()
{
    // A row of sameAsCold leaves its server to the next row.
    if (QTest::currentTestFunction() == QLatin1String("sameAsCold") && !QTest::currentTestFailed())
        return;
    for (const auto& dir : m_runtimes)
        EndServers(dir->path());
    m_runtimes.clear();
    m_sharedRuntime.clear();
}

void TestCompileServer::cleanupTestCase()
{
    for (const auto& dir : m_runtimes)
        EndServers(dir->path());
}

void TestCompileServer::sameAsCold_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<bool>("relative");
    QTest::addColumn<int>("mask"); // file mode mask, or -1: the test's own

    const QByteArray finished = FinishedSource();
    // Good and broken games alternate: nothing of one compile may stay in
    // the server for the next.
    QTest::newRow("finished sample") << finished << QStringList() << false << -1;
    QTest::newRow("syntax error") << Broken("var a:int = 1 2;") << QStringList() << false << -1;
    QTest::newRow("finished sample again") << finished << QStringList() << false << -1;
    QTest::newRow("several errors")
        << Broken("var s:Sprit = null;\nlaunchRocket();\nvar t:String = 5;") << QStringList()
        << false << -1;
    QTest::newRow("another syntax error") << Broken("if (true) {") << QStringList() << false << -1;
    QTest::newRow("finished sample, uncompressed")
        << finished << QStringList{QStringLiteral("-compress=false")} << false << -1;
    QTest::newRow("unknown option")
        << finished << QStringList{QStringLiteral("-no-such-option")} << false << -1;
    QTest::newRow("missing configuration")
        << finished << QStringList{QStringLiteral("-load-config+=nowhere.xml")} << false << -1;
    // The movie's mode follows the caller's mask, not the server's.
    QTest::newRow("finished sample, private files") << finished << QStringList() << false << 077;
    QTest::newRow("relative paths from the game folder") << finished << QStringList() << true << -1;
    QTest::newRow("relative paths, broken")
        << Broken("undefinedName = 1;") << QStringList() << true << -1;
}

void TestCompileServer::sameAsCold()
{
    QFETCH(QByteArray, source);
    QFETCH(QStringList, extra);
    QFETCH(bool, relative);
    QFETCH(int, mask);
    REQUIRE_SERVER();
    QVERIFY(!source.isEmpty());
    QVERIFY(m_games.isValid());

    if (m_sharedRuntime.isEmpty())
        m_sharedRuntime = newRuntime();
    const Game game(m_games.path(), source);
    QVERIFY(game.ok);
    QStringList arguments = game.arguments();
    QString cwd = m_games.path();
    if (relative) {
        cwd = game.folder;
        arguments = QStringList{QStringLiteral("src/Main.as"), QStringLiteral("-output"),
                                QStringLiteral("bin/GameMovie.swf"),
                                QStringLiteral("-load-config+=obj/Main-config.xml")};
    }
    arguments += extra;

    // Cold, in a runtime folder of its own that must stay empty.
    const QString coldRuntime = newRuntime();
    Launcher cold(coldRuntime);
    cold.setServer(false);
    cold.setMask(mask);
    const Run reference = cold.compile(arguments, cwd, game.movie());
    QVERIFY(reference.finished);
    QVERIFY(Sockets(coldRuntime).isEmpty());

    // Through the server (started by the first row), twice.
    Launcher warm(m_sharedRuntime);
    warm.setMask(mask);
    for (int i = 0; i < 2; ++i) {
        const Run run = warm.compile(arguments, cwd, game.movie());
        COMPARE_RUNS(run, reference);
        QVERIFY2(!Servers(m_sharedRuntime).isEmpty(), "no compile server is running");
    }
}

void TestCompileServer::offSwitchStartsNoServer()
{
    REQUIRE_SERVER();
    const QString runtime = newRuntime();
    Launcher off(runtime);
    off.setServer(false);
    QTemporaryDir tmp;
    const Game game(tmp.path(), Broken("var a:int = 1 2;"));
    QVERIFY(game.ok);
    const Run run = off.compile(game.arguments(), tmp.path(), game.movie());
    QVERIFY(run.finished);
    QVERIFY(run.exitCode != 0);
    QVERIFY(!QFileInfo::exists(runtime + QStringLiteral("/peltra")));
}

void TestCompileServer::deadServerFallsBack_data()
{
    QTest::addColumn<QString>("death");
    QTest::addColumn<QByteArray>("answer"); // of a stand-in server

    QTest::newRow("killed while the compile waits") << "kill" << QByteArray();
    QTest::newRow("killed, socket left behind") << "stale" << QByteArray();
    QTest::newRow("killed, its lock held a moment longer") << "lingering" << QByteArray();
    QTest::newRow("hangs up without an answer") << "fake" << QByteArray();
    QTest::newRow("hangs up after part of the output")
        << "fake" << Frame('O', "half of it\n") + Frame('E', "and more\n");
    QTest::newRow("asks for a cold compile") << "fake" << Frame('O', "not this\n") + Frame('C', {});
    QTest::newRow("garbage") << "fake" << QByteArray("HTTP/1.1 200 OK\r\n\r\n");
    QTest::newRow("exit status cut short")
        << "fake" << Frame('E', "x") + QByteArray("X\0\0\0\4\0", 6);
}

void TestCompileServer::deadServerFallsBack()
{
    QFETCH(QString, death);
    QFETCH(QByteArray, answer);
    REQUIRE_SERVER();

    QTemporaryDir tmp;
    const Game game(tmp.path(), Broken("launchRocket();"));
    QVERIFY(game.ok);
    const QString runtime = newRuntime();
    Launcher launcher(runtime);
    launcher.setServer(false);
    const Run reference = launcher.compile(game.arguments(), tmp.path(), game.movie());
    QVERIFY(reference.finished);
    QVERIFY(reference.exitCode != 0);

    // A warm server first.
    launcher.setServer(true);
    COMPARE_RUNS(launcher.compile(game.arguments(), tmp.path(), game.movie()), reference);
    const QList<pid_t> servers = Servers(runtime);
    QCOMPARE(servers.size(), 1);
    const pid_t server = servers.first();
    const QString socketPath = Sockets(runtime).value(0);

    if (death == QLatin1String("kill")) {
        // Stopped, so that the request is in when it dies.
        QCOMPARE(::kill(server, SIGSTOP), 0);
        auto p = launcher.start(game.arguments(), tmp.path());
        QVERIFY(p->waitForStarted());
        QTest::qWait(500);
        QCOMPARE(::kill(server, SIGKILL), 0);
        COMPARE_RUNS(Launcher::finish(*p, game.movie()), reference);
    } else if (death == QLatin1String("stale") || death == QLatin1String("lingering")) {
        QCOMPARE(::kill(server, SIGKILL), 0);
        QVERIFY(WaitGone(server));
        QVERIFY(QFileInfo::exists(socketPath));
        // The dying server's lock, as its last threads may hold it after
        // the process is reported gone: here the test holds it for a second.
        QString lockPath = socketPath;
        lockPath.replace(QLatin1String(".sock"), QLatin1String(".lock"));
        QFile lockFile(lockPath);
        if (death == QLatin1String("lingering")) {
            QVERIFY(lockFile.open(QIODevice::ReadWrite));
            struct flock whole
            {
            };
            whole.l_type = F_WRLCK;
            whole.l_whence = SEEK_SET;
            QCOMPARE(::fcntl(lockFile.handle(), F_SETLK, &whole), 0);
        }
        auto p = launcher.start(game.arguments(), tmp.path());
        QVERIFY(p->waitForStarted());
        if (lockFile.isOpen()) {
            QTest::qWait(1000);
            lockFile.close();
        }
        COMPARE_RUNS(Launcher::finish(*p, game.movie()), reference);
        // and the server that compile started takes the socket over
        QTRY_COMPARE_WITH_TIMEOUT(Servers(runtime).size(), 1, 30000);
        const QList<pid_t> now = Servers(runtime);
        QVERIFY(now.first() != server);
    } else {
        QCOMPARE(::kill(server, SIGKILL), 0);
        QVERIFY(WaitGone(server));
        FakeServer fake(socketPath, answer);
        QVERIFY(fake.listening());
        COMPARE_RUNS(launcher.compile(game.arguments(), tmp.path(), game.movie()), reference);
        // It was asked: the working folder and the arguments.
        const QByteArray request = fake.request();
        QVERIFY2(request.startsWith("PMX1"), request.toHex().constData());
        QVERIFY(request.contains(QFile::encodeName(game.movie())));
    }
}

void TestCompileServer::twoCompilesAtOnce_data()
{
    QTest::addColumn<bool>("warmFirst");
    QTest::newRow("both start the server") << false;
    QTest::newRow("one waits for the other") << true;
}

void TestCompileServer::twoCompilesAtOnce()
{
    QFETCH(bool, warmFirst);
    REQUIRE_SERVER();

    QTemporaryDir tmp;
    const Game good(tmp.filePath(QStringLiteral("a")), FinishedSource());
    const Game broken(tmp.filePath(QStringLiteral("b")), Broken("var s:Sprit = null;"));
    QVERIFY(good.ok && broken.ok);
    const QString runtime = newRuntime();
    Launcher launcher(runtime);
    launcher.setServer(false);
    const Run goodCold = launcher.compile(good.arguments(), tmp.path(), good.movie());
    const Run brokenCold = launcher.compile(broken.arguments(), tmp.path(), broken.movie());
    QCOMPARE(goodCold.exitCode, 0);
    QVERIFY(brokenCold.exitCode != 0);

    launcher.setServer(true);
    if (warmFirst)
        COMPARE_RUNS(launcher.compile(good.arguments(), tmp.path(), good.movie()), goodCold);
    QFile::remove(good.movie());
    auto first = launcher.start(good.arguments(), tmp.path());
    auto second = launcher.start(broken.arguments(), tmp.path());
    COMPARE_RUNS(Launcher::finish(*first, good.movie()), goodCold);
    COMPARE_RUNS(Launcher::finish(*second, broken.movie()), brokenCold);
    QCOMPARE(Servers(runtime).size(), 1);
}

void TestCompileServer::serverHoldsNoPipe()
{
    REQUIRE_SERVER();
    QTemporaryDir tmp;
    const Game game(tmp.path(), Broken("var a:int = 1 2;\nlaunchRocket();"));
    QVERIFY(game.ok);
    const QString runtime = newRuntime();
    Launcher launcher(runtime);

    // Standard output and error interleaved in one pipe as cold.
    launcher.setServer(false);
    Run cold, first, warm;
    QVERIFY(RunThroughOnePipe(game.arguments(), launcher.environment(), tmp.path(), &cold));
    launcher.setServer(true);
    QVERIFY2(RunThroughOnePipe(game.arguments(), launcher.environment(), tmp.path(), &first),
             "the output never ended: the server keeps the caller's pipe");
    QVERIFY2(RunThroughOnePipe(game.arguments(), launcher.environment(), tmp.path(), &warm),
             "the output never ended: the server keeps the caller's pipe");
    QCOMPARE(first.out, cold.out);
    QCOMPARE(warm.out, cold.out);
    QCOMPARE(first.exitCode, cold.exitCode);
    QCOMPARE(warm.exitCode, cold.exitCode);

    // A session of its own, and no pipe of any caller among its files.
    const QList<pid_t> servers = Servers(runtime);
    QCOMPARE(servers.size(), 1);
    QCOMPARE(::getsid(servers.first()), servers.first());
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(servers.first()));
    for (const QString& fd : fds.entryList(QDir::System)) {
        char target[256] = {};
        const ssize_t n =
            ::readlink(QFile::encodeName(fds.filePath(fd)).constData(), target, sizeof target - 1);
        QVERIFY2(n < 0 || strncmp(target, "pipe:", 5) != 0, target);
    }
}

QTEST_GUILESS_MAIN(TestCompileServer)
#include "tst_compileserver.moc"
