// Time of the page selection arithmetic on a large source: the editor's
// text of 1 MiB in 20,000 lines, taken from a QString each call.
#include "editor/pageselection.h"
#include "tutorial/peltra.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

int main()
{
    constexpr int lineCount = 20000;
    constexpr int bytes = 1 << 20;
    // Line lengths spread so that text and line breaks make exactly 1 MiB.
    constexpr int lineLength = bytes / lineCount - 1;
    constexpr int longerLines = bytes % lineCount;
    QString text;
    text.reserve(bytes);
    for (int i = 0; i < lineCount; ++i) {
        QString line = QStringLiteral("    var x%1:int = 0; // ").arg(i);
        line = line.leftJustified(lineLength + (i < longerLines ? 1 : 0), u'x', true);
        text += line;
        text += u'\n';
    }

    const int kinds[] = {ARROW_ADD, ARROW_REPLACE, ARROW_DELETE};
    long long checksum = 0;
    constexpr int rounds = 2000;
    QElapsedTimer timer;

    timer.start();
    for (int i = 0; i < rounds; ++i) {
        const PageSelection sel =
            ComputePageSelection(text, (i * 37) % (lineCount + 50), kinds[i % 3], i % 12);
        checksum += sel.start.line + sel.end.line + sel.end.column + sel.firstVisibleLine;
    }
    const double fromText = double(timer.nsecsElapsed()) / rounds;

    constexpr int directRounds = 1000000;
    timer.restart();
    for (int i = 0; i < directRounds; ++i) {
        const PageSelection sel = ComputePageSelection(
            lineCount + 1, 0, (i * 37) % (lineCount + 50), kinds[i % 3], i % 12);
        checksum += sel.start.line + sel.end.line + sel.end.column + sel.firstVisibleLine;
    }
    const double direct = double(timer.nsecsElapsed()) / directRounds;

    std::printf("text: %lld UTF-16 units, %d lines\n", static_cast<long long>(text.size()),
                lineCount);
    std::printf("from the whole text: %.0f ns per call\n", fromText);
    std::printf("from line count and last line: %.1f ns per call\n", direct);
    std::printf("(checksum %lld)\n", checksum);
    return 0;
}
