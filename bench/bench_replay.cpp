// Time of replaying a tutorial, checking its entries and recording a page
// from an edit, on sources far larger than a learner's: 200 pages on a
// source of 5,000 lines (the jump to a page and the restart of a page
// replay every page before it), and a recorded edit of 2,000 lines.
#include "editor/pagecheck.h"
#include "editor/pagediff.h"
#include "editor/replay.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

int main()
{
    constexpr int sourceLines = 5000;
    constexpr int pageCount = 200;
    QString source;
    for (int i = 0; i < sourceLines; ++i)
        source += QStringLiteral("\t\tvar x%1:int = %1; // a line of the game\n").arg(i);

    // Pages that add, replace and delete a few lines all over the source.
    QList<PageEntry> entries;
    for (int page = 0; page < pageCount; ++page) {
        PageEntry entry;
        entry.color = page % 3;
        entry.line = 1 + (page * 97) % (sourceLines - 10);
        entry.lineCount = 3;
        if (entry.color != ARROW_DELETE)
            entry.text = QByteArray("\t\ttrace(") + QByteArray::number(page) +
                         ");\r\n\t\ttrace(1);\r\n\t\ttrace(2);\r\n";
        entries.append(entry);
    }

    constexpr int rounds = 20;
    QElapsedTimer timer;
    qsizetype checksum = 0;

    timer.start();
    for (int i = 0; i < rounds; ++i)
        checksum += SourceAtPage(source, entries, pageCount).size();
    const double replayMs = double(timer.nsecsElapsed()) / rounds / 1e6;

    timer.restart();
    for (int i = 0; i < rounds; ++i)
        checksum += CheckEntries(source, entries).size();
    const double checkMs = double(timer.nsecsElapsed()) / rounds / 1e6;

    // An edit that changes every other line of 2,000: the block comparison
    // runs on its largest case.
    QStringList lines = source.split(u'\n');
    for (int i = 1000; i < 3000; i += 2)
        lines[i] += QStringLiteral(" // changed");
    const QString edited = lines.join(u'\n');
    timer.restart();
    const DerivedEntry derived = DerivePageEntry(source, edited);
    const double deriveMs = double(timer.nsecsElapsed()) / 1e6;
    checksum += derived.entry.lineCount;

    std::printf("replay of %d pages on %d lines: %.2f ms\n", pageCount, sourceLines, replayMs);
    std::printf("check of their entries:           %.2f ms\n", checkMs);
    std::printf("record of an edit of 2000 lines:   %.2f ms (status %d)\n", deriveMs,
                int(derived.status));
    std::printf("(checksum %lld)\n", static_cast<long long>(checksum));
    return 0;
}
