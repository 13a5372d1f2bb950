#include "benchsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMultiHash>
#include <QProcess>
#include <QThread>

#include "build/processrunner.h"
#include "playernotes.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

void UseScratchEnvironment(const QString& scratch)
{
    const QString runtime = scratch + QStringLiteral("/runtime");
    const QString notes = scratch + QStringLiteral("/notes.txt");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qputenv("PELTRA_PLAYER_NOTES", QFile::encodeName(notes));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    }
}

QString ProgramFolderArgument(const QStringList& arguments, const QString& fallback)
{
    return QFileInfo(arguments.size() > 1 ? arguments.at(1) : fallback).absoluteFilePath() +
           QLatin1Char('/');
}

std::optional<qint64> WaitForNote(const QString& notesPath, const QString& event,
                                  const QString& movie, qint64 since, const QProcess* process)
{
    const QString wanted = QDir::cleanPath(movie);
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kBenchWaitMs) {
        QFile file(notesPath);
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : file.readAll().split('\n')) {
                CPlayerNotes::Note note;
                if (!CPlayerNotes::ParseLine(line, &note) || note.msecsSinceEpoch < since)
                    continue;
                const bool ours = movie.isEmpty() || QDir::cleanPath(note.moviePath) == wanted;
                if (note.event == QLatin1String("failed") && ours)
                    return std::nullopt;
                if (note.event == event && ours)
                    return note.msecsSinceEpoch;
            }
        }
        if (process && process->state() == QProcess::NotRunning)
            return std::nullopt;
        QThread::msleep(5);
    }
    return std::nullopt;
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Minimum(const std::vector<double>& v)
{
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

namespace {

bool Copy(const QString& from, const QString& to)
{
    QDir().mkpath(QFileInfo(to).absolutePath());
    QFile::remove(to);
    return QFile::copy(from, to);
}

} // namespace

bool LayOutSampleGame(const QString& root)
{
    const QString source = QStringLiteral(PELTRA_SOURCE_DIR);
    return Copy(source + QStringLiteral("/sample/finished/Main.as"),
                root + QStringLiteral("game/src/Main.as")) &&
           Copy(source + QStringLiteral("/sample/game/obj/Main-config.xml"),
                root + QStringLiteral("game/obj/Main-config.xml")) &&
           QDir().mkpath(root + QStringLiteral("game/bin"));
}

double TimeCompile(const QStringList& arguments, bool server)
{
    if (!server)
        qputenv("PELTRA_COMPILE_SERVER", "0");
    QElapsedTimer timer;
    timer.start();
    const RunResult result = RunProcess(arguments);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (!server)
        qunsetenv("PELTRA_COMPILE_SERVER");
    if (!result.succeeded()) {
        std::fprintf(stderr, "the compile failed: %s%s\n", qPrintable(result.report()),
                     result.output.constData());
        return -1;
    }
    return seconds;
}

bool MeasureCompiles(const QStringList& arguments, int runs, CompileFigures* figures)
{
    figures->first = TimeCompile(arguments, true);
    if (figures->first < 0)
        return false;
    std::printf("  first compile, starting the server: %.3f s\n", figures->first);
    for (int i = 0; i < runs; ++i) {
        const double c = TimeCompile(arguments, false);
        const double w = TimeCompile(arguments, true);
        if (c < 0 || w < 0)
            return false;
        figures->cold.push_back(c);
        figures->warm.push_back(w);
        std::printf("  run %d: cold %.3f s, warm %.3f s\n", i + 1, c, w);
        std::fflush(stdout);
    }
    return true;
}

void PrintCompileSummary(const CompileFigures& f)
{
    const double coldMin = Minimum(f.cold), warmMin = Minimum(f.warm);
    const double coldMedian = Median(f.cold), warmMedian = Median(f.warm);
    std::printf("  cold: min %.3f s, median %.3f s\n", coldMin, coldMedian);
    std::printf("  warm: min %.3f s, median %.3f s\n", warmMin, warmMedian);
    std::printf("  warm/cold: median %.2f, min %.2f (goal: median <= 0.25)\n",
                warmMedian / coldMedian, warmMin / coldMin);
}

pid_t SocketOwner(const QString& path)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (name.size() >= int(sizeof addr.sun_path))
        return 0;
    std::memcpy(addr.sun_path, name.constData(), size_t(name.size()) + 1);
    const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ucred cred{};
    socklen_t len = sizeof cred;
    pid_t pid = 0;
    if (s >= 0 && ::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockopt(s, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.pid > 0)
        pid = cred.pid;
    if (s >= 0)
        ::close(s);
    return pid;
}

std::vector<pid_t> CompileServers(const QString& runtimeDir)
{
    std::vector<pid_t> pids;
    const QDir dir(runtimeDir + QStringLiteral("/peltra"));
    for (const QString& name : dir.entryList({QStringLiteral("*.sock")}, QDir::System))
        if (const pid_t pid = SocketOwner(dir.filePath(name)))
            pids.push_back(pid);
    return pids;
}

void EndProcess(pid_t pid)
{
    if (pid <= 0 || ::kill(pid, SIGTERM) != 0)
        return;
    for (int i = 0; i < 1000 && ::kill(pid, 0) == 0; ++i)
        QThread::msleep(10);
}

void EndServers(const QString& runtimeDir)
{
    for (pid_t pid : CompileServers(runtimeDir))
        EndProcess(pid);
}

namespace {

// Reads "<key>: <n> kB" from a /proc file.
qint64 ProcKiB(const QString& path, const QByteArray& key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

} // namespace

Memory MemoryOfTree(qint64 root)
{
    QMultiHash<qint64, qint64> children;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& name : pids) {
        bool ok = false;
        const qint64 pid = name.toLongLong(&ok);
        if (!ok)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold blanks and parentheses.
        const QByteArray text = stat.readAll();
        const QList<QByteArray> rest = text.mid(text.lastIndexOf(')') + 2).split(' ');
        children.insert(rest.value(1).toLongLong(), pid);
    }
    Memory memory;
    std::vector<qint64> todo{root};
    while (!todo.empty()) {
        const qint64 pid = todo.back();
        todo.pop_back();
        memory.rssKiB += ProcKiB(QStringLiteral("/proc/%1/status").arg(pid), "VmRSS");
        const QString rollup = QStringLiteral("/proc/%1/smaps_rollup").arg(pid);
        memory.pssKiB += ProcKiB(rollup, "Pss");
        memory.privateKiB += ProcKiB(rollup, "Private_Clean") + ProcKiB(rollup, "Private_Dirty");
        ++memory.processes;
        for (qint64 child : children.values(pid))
            todo.push_back(child);
    }
    return memory;
}
