// How fast the compiler runner drains a child's output: 64 MiB written by a
// child on its standard output and error, read by the runner in pieces of
// 256 bytes, beside the same child's output drained by cat through a pipe.
// Prints MB/s; asserts nothing.
#include "build/processrunner.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

constexpr long long kPerStream = 32LL << 20; // 64 MiB in all
constexpr int kRounds = 3;

double Seconds(const std::function<bool()>& run, bool& ok)
{
    const auto start = std::chrono::steady_clock::now();
    ok = run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double MegabytesPerSecond(double seconds)
{
    return double(2 * kPerStream) / (1024.0 * 1024.0) / seconds;
}

} // namespace

int main()
{
    const QString child = QStringLiteral(PELTRA_BENCH_CHILD);
    const QString arguments = QStringLiteral(" flood ") + QString::number(kPerStream);
    int waits = 0;
    RunOptions options;
    options.whileWaiting = [&waits] { ++waits; };

    const auto runner = [&] {
        const RunResult result =
            RunProcess({child, QStringLiteral("flood"), QString::number(kPerStream)}, options);
        if (!result.ok)
            std::fputs(result.report().toLocal8Bit().constData(), stderr);
        return result.ok;
    };
    const QByteArray shellLine =
        "'" + child.toLocal8Bit() + "'" + arguments.toLocal8Bit() + " 2>&1 | cat > /dev/null";
    const auto cat = [&] { return std::system(shellLine.constData()) == 0; };

    double bestRunner = 0;
    double bestCat = 0;
    for (int round = 0; round < kRounds; ++round) {
        bool ok = false;
        const double runnerSeconds = Seconds(runner, ok);
        if (!ok)
            return 1;
        const double catSeconds = Seconds(cat, ok);
        if (!ok)
            return 1;
        std::printf("round %d: runner %.3f s (%.0f MB/s), cat %.3f s (%.0f MB/s)\n", round + 1,
                    runnerSeconds, MegabytesPerSecond(runnerSeconds), catSeconds,
                    MegabytesPerSecond(catSeconds));
        if (bestRunner == 0 || runnerSeconds < bestRunner)
            bestRunner = runnerSeconds;
        if (bestCat == 0 || catSeconds < bestCat)
            bestCat = catSeconds;
    }
    std::printf("best of %d, 64 MiB: runner %.0f MB/s, cat %.0f MB/s; whileWaiting called %d "
                "times\n",
                kRounds, MegabytesPerSecond(bestRunner), MegabytesPerSecond(bestCat), waits);
    return 0;
}
