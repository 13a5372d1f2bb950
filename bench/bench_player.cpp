// The movie player from a movie's hand-over to its first frame on screen, as
// the player notes it ($PELTRA_PLAYER_NOTES), 7 runs each:
//   - handed to the open player by a second start of the player program (as
//     the program starts it), and straight through the player's socket (as a
//     program that links CPlayerInstance can),
//   - handed to a player started hidden beforehand (--preload),
//   - a cold start of the player on the movie.
// Also the resident memory (RSS and PSS, the player with its web engine
// processes) of a preloaded player and of one showing the movie.
// The movie is the finished sample game, compiled with the program folder's
// compiler. Prints min and median; asserts nothing.
//
// Usage: bench_player [program folder]   (default: this build's bin/)
// Offscreen unless $QT_QPA_PLATFORM or a display says otherwise.

#include "benchsupport.h"
#include "build/compilecommand.h"
#include "build/locations.h"
#include "build/processrunner.h"
#include "playerinstance.h"
#include "playernotes.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr int kRuns = 7;

class Bench
{
public:
    // In the environment UseScratchEnvironment has set up.
    explicit Bench(const QString& program)
        : m_strPlayer(PlayerPath(program)), m_notes(CPlayerNotes::FromEnvironment()),
          m_env(QProcessEnvironment::systemEnvironment())
    {}

    QString player() const { return m_strPlayer; }

    // Starts a player that stays (the first of a user's players).
    bool StartResident(QProcess& process, const QStringList& args)
    {
        process.setProcessEnvironment(m_env);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(m_strPlayer, args);
        return process.waitForStarted(kBenchWaitMs);
    }

    // Straight through the socket of the player that runs.
    bool HandOverBySocket(const QString& movie)
    {
        CPlayerInstance instance(m_env.value(QStringLiteral("XDG_RUNTIME_DIR")) +
                                 QStringLiteral("/peltra-flashplayer"));
        return instance.HandToRunning(movie);
    }

    // A second start that hands the movie over and ends.
    bool HandOver(const QString& movie)
    {
        QProcess second;
        second.setProcessEnvironment(m_env);
        second.setStandardOutputFile(QProcess::nullDevice());
        second.setStandardErrorFile(QProcess::nullDevice());
        second.start(m_strPlayer, {movie});
        return second.waitForFinished(kBenchWaitMs) &&
               second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0;
    }

    static void Stop(QProcess& process)
    {
        process.terminate();
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished(10000);
        }
    }

    // Waits for the note of `event` (for `movie`, if given) written at or
    // after `since`; its time, or nothing.
    std::optional<qint64> WaitFor(const QString& event, const QString& movie, qint64 since,
                                  const QProcess* process = nullptr)
    {
        return WaitForNote(m_notes.filePath(), event, movie, since, process);
    }

private:
    QString m_strPlayer;
    CPlayerNotes m_notes;
    QProcessEnvironment m_env;
};

qint64 Now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

void PrintTimes(const char* what, std::vector<qint64> ms)
{
    if (ms.empty()) {
        std::printf("%-48s no figures\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    QStringList all;
    for (qint64 v : ms)
        all.append(QString::number(v));
    std::printf("%-48s min %5lld ms  median %5lld ms   (%s)\n", what, ms.front(), ms[ms.size() / 2],
                qPrintable(all.join(QLatin1Char(' '))));
}

void PrintMemory(const char* what, const std::vector<Memory>& memories)
{
    if (memories.empty())
        return;
    qint64 rss = 0, pss = 0, own = 0;
    for (const Memory& m : memories) {
        rss += m.rssKiB;
        pss += m.pssKiB;
        own += m.privateKiB;
    }
    const qint64 n = qint64(memories.size());
    std::printf("%-48s RSS %4lld MiB  PSS %4lld MiB  private %4lld MiB  (%d processes, mean of "
                "%lld)\n",
                what, rss / n / 1024, pss / n / 1024, own / n / 1024, memories.front().processes,
                n);
}

// Compiles the finished sample game, laid out below `root`, as the program
// does; the movie's path, or empty with the compiler's words in `error`.
QString CompileSample(const QString& program, const QString& root, QString* error)
{
    if (!LayOutSampleGame(root)) {
        *error = QStringLiteral("cannot lay out the sample game below %1").arg(root);
        return QString();
    }
    RunOptions options;
    options.timeLimit = std::chrono::milliseconds(kBenchWaitMs);
    const RunResult result =
        RunProcess(CompileArguments(MxmlcPath(program), SourcePath(root), root), options);
    const QString movie = MoviePath(root);
    if (!result.succeeded() || !QFile::exists(movie)) {
        *error = result.report() + QLatin1Char('\n') + QString::fromLocal8Bit(result.output);
        return QString();
    }
    return movie;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString program =
        ProgramFolderArgument(app.arguments(), QStringLiteral(PELTRA_PROGRAM_DIR));

    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        std::fprintf(stderr, "bench_player: no temporary folder: %s\n",
                     qPrintable(scratch.errorString()));
        return 1;
    }
    UseScratchEnvironment(scratch.path());
    QString error;
    const QString movie = CompileSample(program, scratch.path() + QLatin1Char('/'), &error);
    if (movie.isEmpty()) {
        std::fprintf(stderr,
                     "bench_player: cannot compile the sample game (scripts/setup-toolchain "
                     "%s): %s\n",
                     qPrintable(program), qPrintable(error));
        return 1;
    }
    // Two names, so that each hand-over is a movie other than the one shown.
    const QString other = scratch.filePath(QStringLiteral("game/bin/Other.swf"));
    QFile::copy(movie, other);

    Bench bench(program);
    std::printf("player %s, movie %s (%lld bytes), %d runs each\n", qPrintable(bench.player()),
                qPrintable(movie), QFileInfo(movie).size(), kRuns);

    // Handed to the open player.
    std::vector<qint64> handOver, handOverProcess, bySocket;
    std::vector<Memory> playing;
    {
        QProcess resident;
        qint64 start = Now();
        if (!bench.StartResident(resident, {movie}) ||
            !bench.WaitFor(QStringLiteral("frame"), movie, start, &resident)) {
            std::fprintf(stderr, "bench_player: the player shows no first frame\n");
            return 1;
        }
        for (int run = 0; run < 2 * kRuns; ++run) {
            const bool socket = run % 2;
            // Each time a movie other than the one shown.
            const QString next = (run / 2) % 2 ? movie : other;
            start = Now();
            if (!(socket ? bench.HandOverBySocket(next) : bench.HandOver(next)))
                break;
            const qint64 handedAt = Now();
            const auto frame = bench.WaitFor(QStringLiteral("frame"), next, start, &resident);
            if (!frame)
                break;
            if (socket) {
                bySocket.push_back(*frame - start);
            } else {
                handOver.push_back(*frame - start);
                handOverProcess.push_back(handedAt - start);
            }
            QThread::msleep(300);
            playing.push_back(MemoryOfTree(resident.processId()));
        }
        Bench::Stop(resident);
    }

    // Handed to a preloaded, hidden player: the first 実行 with a player
    // started in the background.
    std::vector<qint64> preloaded, warmUp;
    std::vector<Memory> waiting;
    for (int run = 0; run < kRuns; ++run) {
        QProcess resident;
        qint64 start = Now();
        if (!bench.StartResident(resident, {QStringLiteral("--preload")}))
            break;
        const auto ready = bench.WaitFor(QStringLiteral("ready"), QString(), start, &resident);
        if (!ready) {
            Bench::Stop(resident);
            break;
        }
        warmUp.push_back(*ready - start);
        QThread::msleep(300);
        waiting.push_back(MemoryOfTree(resident.processId()));
        start = Now();
        if (bench.HandOver(movie)) {
            if (const auto frame = bench.WaitFor(QStringLiteral("frame"), movie, start, &resident))
                preloaded.push_back(*frame - start);
        }
        Bench::Stop(resident);
    }

    // Cold start of the player on the movie.
    std::vector<qint64> cold;
    for (int run = 0; run < kRuns; ++run) {
        QProcess player;
        const qint64 start = Now();
        if (!bench.StartResident(player, {movie}))
            break;
        if (const auto frame = bench.WaitFor(QStringLiteral("frame"), movie, start, &player))
            cold.push_back(*frame - start);
        Bench::Stop(player);
    }

    PrintTimes("hand-over to first frame, open player", handOver);
    PrintTimes("  of which the second start handing over", handOverProcess);
    PrintTimes("  the same through the socket, no second start", bySocket);
    PrintTimes("hand-over to first frame, preloaded player", preloaded);
    PrintTimes("  preload: start to ready (in the background)", warmUp);
    PrintTimes("cold start to first frame", cold);
    PrintMemory("memory, preloaded and hidden", waiting);
    PrintMemory("memory, showing the movie", playing);
    return 0;
}
