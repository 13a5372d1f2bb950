#include "pagediff.h"

#include "editor/replay.h"
#include "tutorial/codepage.h"

#include <QStringList>

#include <algorithm>
#include <vector>

namespace {

// The blocks of a difference larger than this many line pairs are not
// separated: the whole differing run counts as one block.
constexpr qint64 kLargestBlockComparison = 4'000'000;

// Changes with fewer unchanged lines than this between them are one block:
// a replace of every line from the first change to the last (the learner
// pastes the unchanged ones again). Farther apart they are separate edits.
constexpr int kSeparatingLines = 3;

// The runs of differing lines between the old lines a[0..n) and the new
// lines b[0..m), by a longest common subsequence, as runs of b (1-based
// from firstLine). Neither side is empty of differences at its ends (the
// common head and tail are already taken off).
QList<LineRange> ChangedRuns(const QStringList& a, const QStringList& b, int firstLine)
{
    const qsizetype n = a.size();
    const qsizetype m = b.size();
    if (n == 0 || m == 0 || qint64(n) * qint64(m) > kLargestBlockComparison)
        return {LineRange{firstLine, int(m)}};

    // lcs[i][j]: the longest common run of a[i..] and b[j..].
    std::vector<int> lcs(size_t((n + 1) * (m + 1)), 0);
    const auto at = [&](qsizetype i, qsizetype j) -> int& { return lcs[size_t(i * (m + 1) + j)]; };
    for (qsizetype i = n - 1; i >= 0; --i)
        for (qsizetype j = m - 1; j >= 0; --j)
            at(i, j) = a[i] == b[j] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));

    QList<LineRange> runs;
    qsizetype i = 0;
    qsizetype j = 0;
    bool inRun = false;
    const auto mark = [&](qsizetype line) {
        if (!inRun) {
            runs.append(LineRange{firstLine + int(line), 0});
            inRun = true;
        }
    };
    while (i < n || j < m) {
        if (i < n && j < m && a[i] == b[j]) {
            inRun = false;
            ++i;
            ++j;
        } else if (j < m && (i == n || at(i, j + 1) >= at(i + 1, j))) {
            mark(j);
            ++runs.last().count;
            ++j;
        } else {
            mark(j);
            ++i;
        }
    }
    // Runs close together are one.
    QList<LineRange> blocks;
    for (const LineRange& run : std::as_const(runs)) {
        if (!blocks.isEmpty() &&
            run.first - (blocks.last().first + blocks.last().count) < kSeparatingLines)
            blocks.last().count = run.first + run.count - blocks.last().first;
        else
            blocks.append(run);
    }
    return blocks;
}

QString ScriptOf(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines)
        text += line + QLatin1String("\r\n");
    return text;
}

} // namespace

QString DescribeLines(const QList<LineRange>& blocks)
{
    QStringList parts;
    for (const LineRange& block : blocks) {
        if (block.count <= 1)
            parts << QStringLiteral("%1行目").arg(block.first);
        else
            parts
                << QStringLiteral("%1〜%2行目").arg(block.first).arg(block.first + block.count - 1);
    }
    return parts.join(QStringLiteral("、"));
}

QString DerivedEntry::message() const
{
    switch (status) {
    case Ok:
        return QString();
    case NoChange:
        return QStringLiteral("ソースが変更されていません。");
    case SeveralBlocks:
        return QStringLiteral("変更が1か所にまとまっていません(%1)。1ページで記録できるのは、"
                              "続いた行の追加、置き換え、削除のどれか1つです。")
            .arg(DescribeLines(blocks));
    case NotWholeLines:
        return QStringLiteral("行単位の変更になっていません(%1)。最後の行も改行で終えてください。")
            .arg(DescribeLines(blocks));
    case NotCodePage:
        return QStringLiteral("スクリプトに保存できない文字があります(%1)。")
            .arg(DescribeLines(blocks));
    }
    return QString();
}

DerivedEntry DerivePageEntry(const QString& stage, const QString& edited)
{
    DerivedEntry result;
    if (stage == edited)
        return result;

    const QStringList before = stage.split(u'\n');
    const QStringList after = edited.split(u'\n');
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype head = 0;
    while (head < shorter && before[head] == after[head])
        ++head;
    qsizetype tail = 0;
    while (tail < shorter - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;

    const QStringList removed = before.mid(head, before.size() - tail - head);
    const QStringList inserted = after.mid(head, after.size() - tail - head);
    const int firstLine = int(head) + 1;

    PageEntry& entry = result.entry;
    entry.line = firstLine;
    if (removed.isEmpty()) {
        entry.color = ARROW_ADD;
        entry.lineCount = int(inserted.size());
    } else {
        entry.color = inserted.isEmpty() ? ARROW_DELETE : ARROW_REPLACE;
        entry.lineCount = int(removed.size());
    }
    entry.text = CodePage::fromUnicode(ScriptOf(inserted));
    result.blocks = {LineRange{firstLine, int(inserted.size())}};

    for (int i = 0; i < inserted.size(); ++i) {
        const QString& line = inserted[i];
        if (line.contains(QChar(u'\0')) ||
            CodePage::toUnicode(CodePage::fromUnicode(line)) != line) {
            result.status = DerivedEntry::NotCodePage;
            result.blocks = {LineRange{firstLine + i, 1}};
            return result;
        }
    }
    // The learner's paste or cut of this entry must give the edited text back.
    if (ApplyPage(stage, entry) != edited) {
        result.status = DerivedEntry::NotWholeLines;
        result.blocks = {LineRange{firstLine, std::max(int(inserted.size()), 1)}};
        return result;
    }
    if (!removed.isEmpty() && !inserted.isEmpty()) {
        const QList<LineRange> runs = ChangedRuns(removed, inserted, firstLine);
        if (runs.size() > 1) {
            result.status = DerivedEntry::SeveralBlocks;
            result.blocks = runs;
            return result;
        }
    }
    result.status = DerivedEntry::Ok;
    return result;
}
