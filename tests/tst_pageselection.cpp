#include "editor/pageselection.h"
#include "tutorial/peltra.h"

#include <QTest>

#include <climits>

Q_DECLARE_METATYPE(TextPosition)

namespace QTest {
template <> char* toString(const TextPosition& p)
{
    return qstrdup(QByteArray::number(p.line) + ':' + QByteArray::number(p.column));
}
} // namespace QTest

class TestPageSelection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void selection_data();
    void selection();
    void scroll_data();
    void scroll();
    void lineCountOutOfRange();
    void crLfOffset_data();
    void crLfOffset();
};

namespace {
TextPosition P(int line, int column)
{
    return TextPosition{line, column};
}
} // namespace

void TestPageSelection::selection_data()
{
    QTest::addColumn<QString>("text"); // the editor's text, '\n' between lines
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("count");
    QTest::addColumn<TextPosition>("start");
    QTest::addColumn<TextPosition>("end");
    QTest::addColumn<int>("startOffset"); // UTF-16 units of the CR LF text
    QTest::addColumn<int>("endOffset");

    // a, bb, ccc, dddd, each ended by a line break: 18 units as CR LF text.
    const QString abcd = QStringLiteral("a\nbb\nccc\ndddd\n");
    const QString open = QStringLiteral("a\nbb\nccc\ndddd"); // no final break

    QTest::newRow("replace 2 from 2") << abcd << 2 << 1 << 2 << P(1, 0) << P(3, 0) << 3 << 12;
    QTest::newRow("add at 3") << abcd << 3 << 0 << 0 << P(2, 0) << P(2, 0) << 7 << 7;
    QTest::newRow("add ignores count") << abcd << 3 << 0 << 2 << P(2, 0) << P(2, 0) << 7 << 7;
    QTest::newRow("delete last line") << abcd << 4 << 2 << 1 << P(3, 0) << P(4, 0) << 12 << 18;
    QTest::newRow("japanese first line")
        << QStringLiteral("// あ\nx\n") << 2 << 0 << 0 << P(1, 0) << P(1, 0) << 6 << 6;
    QTest::newRow("surrogate pair")
        << QStringLiteral("\U0001F600x\ny") << 2 << 2 << 1 << P(1, 0) << P(1, 1) << 5 << 6;

    // No page: line 0, kind 0.
    QTest::newRow("no page") << abcd << 0 << 0 << 0 << P(0, 0) << P(0, 0) << 0 << 0;
    QTest::newRow("line 1") << abcd << 1 << 0 << 0 << P(0, 0) << P(0, 0) << 0 << 0;
    QTest::newRow("negative line") << abcd << -5 << 0 << 0 << P(0, 0) << P(0, 0) << 0 << 0;
    QTest::newRow("line 0 replace") << abcd << 0 << 1 << 2 << P(0, 0) << P(2, 0) << 0 << 7;
    QTest::newRow("line 1 delete") << abcd << 1 << 2 << 1 << P(0, 0) << P(1, 0) << 0 << 3;

    QTest::newRow("count 0") << abcd << 2 << 1 << 0 << P(1, 0) << P(1, 0) << 3 << 3;
    QTest::newRow("negative count") << abcd << 2 << 2 << -3 << P(1, 0) << P(1, 0) << 3 << 3;
    QTest::newRow("whole text") << abcd << 1 << 2 << 4 << P(0, 0) << P(4, 0) << 0 << 18;

    // Other kinds only place the caret.
    QTest::newRow("kind -1") << abcd << 2 << -1 << 2 << P(1, 0) << P(1, 0) << 3 << 3;
    QTest::newRow("kind 3") << abcd << 2 << 3 << 2 << P(1, 0) << P(1, 0) << 3 << 3;
    QTest::newRow("kind int min") << abcd << 2 << INT_MIN << 1 << P(1, 0) << P(1, 0) << 3 << 3;

    // Past the end of the text: stop at its end.
    QTest::newRow("range past end") << abcd << 3 << 1 << 5 << P(2, 0) << P(4, 0) << 7 << 18;
    QTest::newRow("line past end") << abcd << 9 << 0 << 0 << P(4, 0) << P(4, 0) << 18 << 18;
    QTest::newRow("line past end, delete") << abcd << 9 << 2 << 3 << P(4, 0) << P(4, 0) << 18 << 18;
    QTest::newRow("open last line") << open << 4 << 2 << 1 << P(3, 0) << P(3, 4) << 12 << 16;
    QTest::newRow("open, range past end") << open << 3 << 1 << 5 << P(2, 0) << P(3, 4) << 7 << 16;
    QTest::newRow("open, line past end") << open << 7 << 0 << 0 << P(3, 4) << P(3, 4) << 16 << 16;
    QTest::newRow("open, line just past end")
        << open << 5 << 1 << 1 << P(3, 4) << P(3, 4) << 16 << 16;
    QTest::newRow("single line") << QStringLiteral("abc") << 1 << 1 << 1 << P(0, 0) << P(0, 3) << 0
                                 << 3;
    QTest::newRow("empty text") << QString() << 5 << 2 << 3 << P(0, 0) << P(0, 0) << 0 << 0;
    QTest::newRow("empty text, no page")
        << QString() << 0 << 0 << 0 << P(0, 0) << P(0, 0) << 0 << 0;
    QTest::newRow("largest line and count")
        << abcd << INT_MAX << 1 << INT_MAX << P(4, 0) << P(4, 0) << 18 << 18;
    QTest::newRow("largest count") << abcd << 2 << 2 << INT_MAX << P(1, 0) << P(4, 0) << 3 << 18;
    QTest::newRow("smallest line") << abcd << INT_MIN << 1 << 1 << P(0, 0) << P(1, 0) << 0 << 3;
}

void TestPageSelection::selection()
{
    QFETCH(QString, text);
    QFETCH(int, line);
    QFETCH(int, kind);
    QFETCH(int, count);
    QFETCH(TextPosition, start);
    QFETCH(TextPosition, end);
    QFETCH(int, startOffset);
    QFETCH(int, endOffset);

    const PageSelection sel = ComputePageSelection(text, line, kind, count);
    QCOMPARE(sel.start, start);
    QCOMPARE(sel.end, end);
    QCOMPARE(CrLfOffset(text, sel.start), qsizetype(startOffset));
    QCOMPARE(CrLfOffset(text, sel.end), qsizetype(endOffset));

    // The editor passes its line count and the length of its last line.
    const QStringList lines = text.split(u'\n');
    const PageSelection direct =
        ComputePageSelection(int(lines.size()), int(lines.last().size()), line, kind, count);
    QCOMPARE(direct.start, start);
    QCOMPARE(direct.end, end);
    QCOMPARE(direct.firstVisibleLine, sel.firstVisibleLine);
}

void TestPageSelection::scroll_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("top");

    QTest::newRow("line 25") << 25 << 15;
    QTest::newRow("line 11") << 11 << 1;
    QTest::newRow("line 10") << 10 << 0;
    QTest::newRow("line 4") << 4 << -6;
    QTest::newRow("no page") << 0 << -10;
    QTest::newRow("largest") << INT_MAX << INT_MAX - 10;
    QTest::newRow("smallest") << INT_MIN << INT_MIN;
    QTest::newRow("near smallest") << INT_MIN + 3 << INT_MIN;
    QTest::newRow("just fits") << INT_MIN + 10 << INT_MIN;
}

// The page's line shows as the tenth visible row, whatever the kind and
// however short the text.
void TestPageSelection::scroll()
{
    QFETCH(int, line);
    QFETCH(int, top);
    for (int kind : {int(ARROW_ADD), int(ARROW_REPLACE), int(ARROW_DELETE), -1}) {
        QCOMPARE(ComputePageSelection(QStringLiteral("a\nb"), line, kind, 2).firstVisibleLine, top);
        QCOMPARE(ComputePageSelection(100, 0, line, kind, 2).firstVisibleLine, top);
    }
}

// An editor never has fewer than one line; a caller's zero or negative
// figures must not yield a position before the text.
void TestPageSelection::lineCountOutOfRange()
{
    for (int lineCount : {0, -1, INT_MIN}) {
        const PageSelection sel = ComputePageSelection(lineCount, -4, 3, ARROW_DELETE, 2);
        QCOMPARE(sel.start, P(0, 0));
        QCOMPARE(sel.end, P(0, 0));
    }
}

void TestPageSelection::crLfOffset_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<TextPosition>("pos");
    QTest::addColumn<int>("offset");

    const QString abcd = QStringLiteral("a\nbb\nccc\ndddd\n");
    QTest::newRow("inside a line") << abcd << P(2, 2) << 9;
    QTest::newRow("end of a line") << abcd << P(1, 2) << 5;
    QTest::newRow("column past line") << abcd << P(1, 40) << 5;
    QTest::newRow("negative column") << abcd << P(2, -3) << 7;
    QTest::newRow("line past text") << abcd << P(12, 0) << 18;
    QTest::newRow("negative line") << abcd << P(-1, 3) << 0;
    QTest::newRow("empty text") << QString() << P(0, 5) << 0;
    QTest::newRow("japanese") << QStringLiteral("表ソ\n能予\n") << P(1, 1) << 5;
}

void TestPageSelection::crLfOffset()
{
    QFETCH(QString, text);
    QFETCH(TextPosition, pos);
    QFETCH(int, offset);
    QCOMPARE(CrLfOffset(text, pos), qsizetype(offset));
}

QTEST_GUILESS_MAIN(TestPageSelection)
#include "tst_pageselection.moc"
