// The compile alone, cold and warm: the finished sample compiled by the
// launcher below the program folder without the compile server
// (PELTRA_COMPILE_SERVER=0, a new JVM each time) and with it (warm: the
// server already running). Runs alternate between the two, so that a
// change in the machine's load touches both alike. Prints every run, the
// minimum and median of each, and warm/cold.
//
// Usage: bench_compile [program-folder] [runs]
//   program-folder  default: the build's bin (scripts/setup-toolchain it)
//   runs            default: 7

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

bool Copy(const QString& from, const QString& to)
{
    QDir().mkpath(QFileInfo(to).absolutePath());
    return QFile::copy(from, to);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Ends the servers of a runtime folder: the processes at the other end of
// its sockets.
void EndServers(const QString& runtimeDir)
{
    const QDir dir(runtimeDir + QStringLiteral("/peltra"));
    for (const QString& name : dir.entryList({QStringLiteral("*.sock")}, QDir::System)) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        if (path.size() >= int(sizeof addr.sun_path))
            continue;
        std::memcpy(addr.sun_path, path.constData(), size_t(path.size()) + 1);
        const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ucred cred{};
        socklen_t len = sizeof cred;
        if (s >= 0 && ::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
            ::getsockopt(s, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.pid > 0)
            ::kill(cred.pid, SIGTERM);
        if (s >= 0)
            ::close(s);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    // Absolute: the compiles run in the game's folder.
    const QString program =
        QFileInfo(args.size() > 1 ? args.at(1) : QStringLiteral(PELTRA_PROGRAM_DIR))
            .absoluteFilePath();
    const int runs = args.size() > 2 ? std::max(1, args.at(2).toInt()) : 7;
    const QString mxmlc = program + QStringLiteral("/flex_sdk_4.6/bin/mxmlc");
    if (!QFileInfo(mxmlc).isExecutable()) {
        std::fprintf(stderr, "bench_compile: no compiler at %s (run scripts/setup-toolchain %s)\n",
                     qPrintable(mxmlc), qPrintable(program));
        return 1;
    }
    const QString source = QStringLiteral(PELTRA_SOURCE_DIR);
    QTemporaryDir game, runtime;
    const QString folder = game.path() + QStringLiteral("/game");
    if (!Copy(source + QStringLiteral("/sample/finished/Main.as"),
              folder + QStringLiteral("/src/Main.as")) ||
        !Copy(source + QStringLiteral("/sample/game/obj/Main-config.xml"),
              folder + QStringLiteral("/obj/Main-config.xml")) ||
        !QDir().mkpath(folder + QStringLiteral("/bin"))) {
        std::fprintf(stderr, "bench_compile: cannot lay out the game in %s\n",
                     qPrintable(game.path()));
        return 1;
    }
    const QStringList compileArgs{
        folder + QStringLiteral("/src/Main.as"), QStringLiteral("-output"),
        folder + QStringLiteral("/bin/GameMovie.swf"),
        QStringLiteral("-load-config+=") + folder + QStringLiteral("/obj/Main-config.xml")};

    // One compile; its time in seconds, or a negative value when it failed.
    auto compile = [&](bool server) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        if (server)
            env.remove(QStringLiteral("PELTRA_COMPILE_SERVER"));
        else
            env.insert(QStringLiteral("PELTRA_COMPILE_SERVER"), QStringLiteral("0"));
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(game.path());
        QElapsedTimer timer;
        timer.start();
        p.start(mxmlc, compileArgs);
        const bool ok = p.waitForFinished(300000) && p.exitStatus() == QProcess::NormalExit &&
                        p.exitCode() == 0;
        const double seconds = timer.nsecsElapsed() / 1e9;
        if (!ok)
            std::fprintf(stderr, "bench_compile: the compile failed (%s):\n%s%s\n",
                         qPrintable(p.errorString()), p.readAllStandardOutput().constData(),
                         p.readAllStandardError().constData());
        return ok ? seconds : -1.0;
    };

    std::printf("Compile of the finished sample (%s), %d runs each, alternating\n",
                qPrintable(program), runs);
    const double first = compile(true);
    if (first < 0)
        return 1;
    std::printf("  first compile, starting the server: %.3f s\n", first);
    std::vector<double> cold, warm;
    for (int i = 0; i < runs; ++i) {
        const double c = compile(false);
        const double w = compile(true);
        if (c < 0 || w < 0) {
            EndServers(runtime.path());
            return 1;
        }
        cold.push_back(c);
        warm.push_back(w);
        std::printf("  run %d: cold %.3f s, warm %.3f s\n", i + 1, c, w);
        std::fflush(stdout);
    }
    EndServers(runtime.path());

    const double coldMin = *std::min_element(cold.begin(), cold.end());
    const double warmMin = *std::min_element(warm.begin(), warm.end());
    const double coldMedian = Median(cold), warmMedian = Median(warm);
    std::printf("  cold: min %.3f s, median %.3f s\n", coldMin, coldMedian);
    std::printf("  warm: min %.3f s, median %.3f s\n", warmMin, warmMedian);
    std::printf("  warm/cold: median %.2f, min %.2f (goal: median <= 0.25)\n",
                warmMedian / coldMedian, warmMin / coldMin);
    return 0;
}
