// 実行 from end to end on the finished sample, driven without the window
// but with the steps 実行 takes: the source saved (SaveSourceFile), compiled
// through the compiler's launcher (RunProcess, as the compile job runs it),
// and the movie given to the player (CPlayerLauncher), until the player
// notes the movie's first frame ($PELTRA_PLAYER_NOTES). Figures:
//   - the compile alone, cold (a new JVM each time) and warm (the compile
//     server running), alternating;
//   - 実行 cold (no compile server, no player: both end before each run)
//     and warm (both running), alternating;
//   - the first 実行 after the program starts: the warm-up (CWarmUp: the
//     player preloaded, one compile of a scratch copy) run to its end, then
//     one 実行; and the memory the warm-up keeps (the compile server, the
//     hidden player).
// Prints min and median; asserts nothing. The load average is printed
// with the figures, since the machine may be shared.
//
// Usage: bench_run [program-folder] [runs] [first-runs]
//   program-folder  default: the build's bin (scripts/setup-toolchain it)
//   runs            default: 7
//   first-runs      default: 3
// Offscreen unless $QT_QPA_PLATFORM or a display says otherwise.

#include "benchsupport.h"

#include "build/compilecommand.h"
#include "build/locations.h"
#include "build/playerlauncher.h"
#include "build/processrunner.h"
#include "build/sourcefile.h"
#include "build/warmup.h"
#include "playernotes.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

qint64 Now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

QString LoadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

// In the environment UseScratchEnvironment has set up.
class RunBench
{
public:
    RunBench(const QString& program, const QString& scratch)
        : m_strProgram(program), m_strRoot(scratch + QLatin1Char('/')),
          m_strRuntime(qEnvironmentVariable("XDG_RUNTIME_DIR")),
          m_notes(CPlayerNotes::FromEnvironment()), m_launcher(PlayerPath(program))
    {}

    QString root() const { return m_strRoot; }
    QString runtime() const { return m_strRuntime; }
    QString movie() const { return MoviePath(m_strRoot); }
    QStringList compileArguments() const
    {
        return CompileArguments(MxmlcPath(m_strProgram), SourcePath(m_strRoot), m_strRoot);
    }
    CWarmUp::Paths warmUpPaths() const { return CWarmUp::PathsFor(m_strProgram, m_strRoot); }
    QString playerSocket() const { return m_launcher.serverName(); }

    bool LoadSource() { return LoadSourceFile(SourcePath(m_strRoot), m_strText); }

    // Waits for the note of `event` (for `movie`, if given) written at or
    // after `since`; its time, or nothing.
    std::optional<qint64> WaitFor(const QString& event, const QString& movie, qint64 since) const
    {
        return WaitForNote(m_notes.filePath(), event, movie, since);
    }

    // One 実行: save, compile, play, first frame. Milliseconds to the first
    // frame (and of them the compile's in *compileMs), or nothing.
    std::optional<qint64> Run(bool server, qint64* compileMs, CPlayerLauncher::Way* way = nullptr)
    {
        const qint64 start = Now();
        const FileResult saved = SaveSourceFile(SourcePath(m_strRoot), m_strText);
        if (!saved.ok()) {
            std::fprintf(stderr, "bench_run: cannot save: %s\n", qPrintable(saved.message()));
            return std::nullopt;
        }
        const double compiled = TimeCompile(compileArguments(), server);
        if (compiled < 0)
            return std::nullopt;
        *compileMs = qint64(compiled * 1000);
        // Only a frame noted after the hand-over is this run's: the open
        // player may note the same movie's frame of the run before late.
        const qint64 handedOver = Now();
        const CPlayerLauncher::Way played = m_launcher.Play(movie());
        if (way)
            *way = played;
        const auto frame = WaitFor(QStringLiteral("frame"), movie(), handedOver);
        if (!frame)
            std::fprintf(stderr, "bench_run: the player noted no first frame\n");
        return frame ? std::optional<qint64>(*frame - start) : std::nullopt;
    }

    void EndPlayer() const { EndProcess(SocketOwner(playerSocket())); }

private:
    QString m_strProgram;
    QString m_strRoot;
    QString m_strRuntime;
    CPlayerNotes m_notes;
    CPlayerLauncher m_launcher;
    QString m_strText;
};

void PrintMs(const char* what, const std::vector<double>& ms)
{
    QStringList all;
    for (double v : ms)
        all.append(QString::number(qint64(v)));
    std::printf("%-46s min %5lld ms  median %5lld ms   (%s)\n", what, qint64(Minimum(ms)),
                qint64(Median(ms)), qPrintable(all.join(QLatin1Char(' '))));
}

void PrintMemory(const char* what, const Memory& m)
{
    std::printf("%-46s RSS %4lld MiB  PSS %4lld MiB  private %4lld MiB  (%d processes)\n", what,
                m.rssKiB / 1024, m.pssKiB / 1024, m.privateKiB / 1024, m.processes);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Lines as they come, between the player's own words on standard error.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QStringList args = app.arguments();
    const QString program = ProgramFolderArgument(args, QStringLiteral(PELTRA_PROGRAM_DIR));
    const int runs = args.size() > 2 ? std::max(1, args.at(2).toInt()) : 7;
    const int firstRuns = args.size() > 3 ? std::max(1, args.at(3).toInt()) : 3;
    if (!QFileInfo(MxmlcPath(program)).isExecutable() ||
        !QFileInfo(PlayerPath(program)).isExecutable()) {
        std::fprintf(stderr,
                     "bench_run: no compiler or player in %s (build flashplayer_11_sa "
                     "and run scripts/setup-toolchain there)\n",
                     qPrintable(program));
        return 1;
    }
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        std::fprintf(stderr, "bench_run: no temporary folder: %s\n",
                     qPrintable(scratch.errorString()));
        return 1;
    }
    // Everything below runs in this environment and working folder, as the
    // program's compiles do: the compile server is found by both. A runtime
    // folder of its own keeps the user's player and servers out of it; it
    // is set before anything asks for the runtime folder.
    UseScratchEnvironment(scratch.path());
    qunsetenv("PELTRA_COMPILE_SERVER");
    RunBench bench(program, scratch.path());
    QDir::setCurrent(scratch.path());
    if (!LayOutSampleGame(bench.root()) || !bench.LoadSource()) {
        std::fprintf(stderr, "bench_run: cannot lay out the game in %s\n",
                     qPrintable(bench.root()));
        return 1;
    }
    std::printf("実行 of the finished sample (%s), %d runs each; load average %s, %d cores\n",
                qPrintable(program), runs, qPrintable(LoadAverage()), QThread::idealThreadCount());

    // The compile alone.
    std::printf("The compile alone, alternating:\n");
    CompileFigures compiles;
    bool ok = MeasureCompiles(bench.compileArguments(), runs, &compiles);

    // 実行 cold and warm, alternating. The server is running from the
    // compiles above; a cold run ends the player first and compiles without
    // the server, and the warm run after it finds the player it started.
    std::vector<double> cold, coldCompile, warm, warmCompile;
    std::printf("実行, alternating:\n");
    for (int i = 0; ok && i < runs; ++i) {
        bench.EndPlayer();
        qint64 c = 0, w = 0;
        CPlayerLauncher::Way way{};
        const auto coldMs = bench.Run(false, &c);
        const auto warmMs = coldMs ? bench.Run(true, &w, &way) : std::nullopt;
        if (!coldMs || !warmMs || way != CPlayerLauncher::Way::HandedOver) {
            if (warmMs)
                std::fprintf(stderr, "bench_run: the open player did not take the movie\n");
            ok = false;
            break;
        }
        cold.push_back(*coldMs);
        coldCompile.push_back(c);
        warm.push_back(*warmMs);
        warmCompile.push_back(w);
        std::printf("  run %d: cold %lld ms (compile %lld), warm %lld ms (compile %lld)\n", i + 1,
                    *coldMs, c, *warmMs, w);
        std::fflush(stdout);
    }
    bench.EndPlayer();
    EndServers(bench.runtime());

    // The first 実行 after the program starts: nothing runs; the warm-up
    // starts and ends; then one 実行.
    std::vector<double> first, firstCompile, warmUpCompile, warmUpReady;
    Memory serverMemory, playerMemory;
    std::printf("The first 実行 after the start, warm-up first:\n");
    for (int i = 0; ok && i < firstRuns; ++i) {
        const qint64 start = Now();
        CWarmUp warmUp;
        RunResult warmResult;
        QEventLoop loop;
        QObject::connect(&warmUp, &CWarmUp::finished, &loop, [&](const RunResult& result) {
            warmResult = result;
            loop.quit();
        });
        QString error;
        if (!warmUp.Start(bench.warmUpPaths(), &error)) {
            std::fprintf(stderr, "bench_run: the warm-up did not start: %s\n", qPrintable(error));
            ok = false;
            break;
        }
        loop.exec();
        const qint64 compiled = Now();
        const auto ready = bench.WaitFor(QStringLiteral("ready"), QString(), start);
        if (!warmResult.succeeded() || !ready) {
            std::fprintf(stderr, "bench_run: the warm-up failed: %s\n",
                         warmResult.output.constData());
            ok = false;
            break;
        }
        warmUpCompile.push_back(compiled - start);
        warmUpReady.push_back(*ready - start);
        if (i == 0) {
            const std::vector<pid_t> servers = CompileServers(bench.runtime());
            if (!servers.empty())
                serverMemory = MemoryOfTree(servers.front());
            playerMemory = MemoryOfTree(SocketOwner(bench.playerSocket()));
        }
        qint64 c = 0;
        CPlayerLauncher::Way way{};
        const auto ms = bench.Run(true, &c, &way);
        if (!ms) {
            ok = false;
            break;
        }
        first.push_back(*ms);
        firstCompile.push_back(c);
        std::printf("  run %d: warm-up compile %lld ms, player ready %lld ms; then 実行 %lld ms "
                    "(compile %lld)%s\n",
                    i + 1, compiled - start, *ready - start, *ms, c,
                    way == CPlayerLauncher::Way::HandedOver ? "" : " (player started anew)");
        std::fflush(stdout);
        bench.EndPlayer();
        EndServers(bench.runtime());
    }
    bench.EndPlayer();
    EndServers(bench.runtime());
    if (!ok)
        return 1;

    std::printf("\nSummary (load average now %s):\n", qPrintable(LoadAverage()));
    std::printf("The compile alone:\n");
    PrintCompileSummary(compiles);
    PrintMs("実行 cold to first frame", cold);
    PrintMs("  of which the compile", coldCompile);
    PrintMs("実行 warm to first frame (goal <= 600)", warm);
    PrintMs("  of which the compile", warmCompile);
    PrintMs("first 実行 after the warm-up (goal <= 1500)", first);
    PrintMs("  of which the compile", firstCompile);
    PrintMs("warm-up: its compile's end, from the start", warmUpCompile);
    PrintMs("warm-up: the player ready, from the start", warmUpReady);
    PrintMemory("memory of the compile server", serverMemory);
    PrintMemory("memory of the hidden player", playerMemory);
    return 0;
}
