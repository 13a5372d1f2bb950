// Replaying a tutorial: a page's edit made as the learner's paste or cut
// makes it, the stages of a tutorial, which page wrote each line, an entry
// derived from an author's edit, and the template file beside the project.

#include "build/projecttemplate.h"
#include "build/templatefile.h"
#include "editor/pagediff.h"
#include "editor/replay.h"
#include "support/pageentry.h"
#include "support/testsupport.h"
#include "tutorial/codepage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>

Q_DECLARE_METATYPE(PageEntry)
Q_DECLARE_METATYPE(DerivedEntry::Status)
Q_DECLARE_METATYPE(QList<int>)

namespace {

} // namespace

class TestReplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void applyPage_data();
    void applyPage();
    void pasteStopsAtTextLimit();
    void stages();
    void lineOrigins_data();
    void lineOrigins();
    void derive_data();
    void derive();
    void deriveEveryEdit();
    void templatePath_data();
    void templatePath();
    void templateFile();
    void projectTemplate();
};

void TestReplay::applyPage_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<PageEntry>("entry");
    QTest::addColumn<QString>("expected");

    const QString abc = QStringLiteral("a\nb\nc\n");
    QTest::newRow("add before line 2")
        << abc << Entry(ARROW_ADD, 2, 1, "x\r\n") << QStringLiteral("a\nx\nb\nc\n");
    QTest::newRow("add after the last line")
        << abc << Entry(ARROW_ADD, 4, 1, "x\r\n") << QStringLiteral("a\nb\nc\nx\n");
    QTest::newRow("add far past the end goes to the end")
        << abc << Entry(ARROW_ADD, 40, 1, "x\r\n") << QStringLiteral("a\nb\nc\nx\n");
    QTest::newRow("add at line 0 goes to the start")
        << abc << Entry(ARROW_ADD, 0, 1, "x\r\n") << QStringLiteral("x\na\nb\nc\n");
    QTest::newRow("add past a last line without a break joins it")
        << QStringLiteral("a\nb") << Entry(ARROW_ADD, 3, 1, "x\r\n") << QStringLiteral("a\nbx\n");
    QTest::newRow("add without a final break joins the next line")
        << abc << Entry(ARROW_ADD, 2, 1, "x") << QStringLiteral("a\nxb\nc\n");
    QTest::newRow("add with an empty text changes nothing") << abc << Entry(ARROW_ADD, 2, 1) << abc;
    QTest::newRow("the copy text ends at a NUL")
        << abc << Entry(ARROW_ADD, 1, 1, QByteArray("x\r\n\0y\r\n", 7))
        << QStringLiteral("x\na\nb\nc\n");
    QTest::newRow("a text that is all NUL pastes nothing")
        << abc << Entry(ARROW_ADD, 1, 1, QByteArray("\0x\r\n", 4)) << abc;
    QTest::newRow("lone CR and LF are line breaks")
        << abc << Entry(ARROW_ADD, 1, 2, "x\ry\n") << QStringLiteral("x\ny\na\nb\nc\n");
    QTest::newRow("code page 932 text")
        << abc << Entry(ARROW_ADD, 2, 1, "\x82\xa0\r\n") << S("a\nあ\nb\nc\n");
    QTest::newRow("replace line 2")
        << abc << Entry(ARROW_REPLACE, 2, 1, "x\r\ny\r\n") << QStringLiteral("a\nx\ny\nc\n");
    QTest::newRow("replace with a count of 0 inserts")
        << abc << Entry(ARROW_REPLACE, 2, 0, "x\r\n") << QStringLiteral("a\nx\nb\nc\n");
    QTest::newRow("replace with a negative count inserts")
        << abc << Entry(ARROW_REPLACE, 2, -3, "x\r\n") << QStringLiteral("a\nx\nb\nc\n");
    QTest::newRow("replace past the end takes the rest")
        << abc << Entry(ARROW_REPLACE, 2, 9, "x\r\n") << QStringLiteral("a\nx\n");
    QTest::newRow("replace with an empty text changes nothing")
        << abc << Entry(ARROW_REPLACE, 2, 1) << abc;
    QTest::newRow("delete lines 2-3") << abc << Entry(ARROW_DELETE, 2, 2) << QStringLiteral("a\n");
    QTest::newRow("delete ignores the text")
        << abc << Entry(ARROW_DELETE, 1, 1, "x\r\n") << QStringLiteral("b\nc\n");
    QTest::newRow("delete a count of 0 changes nothing") << abc << Entry(ARROW_DELETE, 2, 0) << abc;
    QTest::newRow("delete past the end changes nothing") << abc << Entry(ARROW_DELETE, 5, 1) << abc;
    QTest::newRow("delete the last line without a break")
        << QStringLiteral("a\nb") << Entry(ARROW_DELETE, 2, 1) << QStringLiteral("a\n");
    QTest::newRow("kind 3 offers no edit") << abc << Entry(3, 2, 1, "x\r\n") << abc;
    QTest::newRow("a negative kind pastes like an add")
        << abc << Entry(-1, 2, 1, "x\r\n") << QStringLiteral("a\nx\nb\nc\n");
    QTest::newRow("the largest line and count")
        << abc << Entry(ARROW_REPLACE, INT_MAX, INT_MAX, "x\r\n") << QStringLiteral("a\nb\nc\nx\n");
    QTest::newRow("the smallest line") << abc << Entry(ARROW_DELETE, INT_MIN, INT_MAX) << QString();
    QTest::newRow("into an empty source")
        << QString() << Entry(ARROW_ADD, 1, 1, "x\r\n") << QStringLiteral("x\n");
}

void TestReplay::applyPage()
{
    QFETCH(QString, source);
    QFETCH(PageEntry, entry);
    QFETCH(QString, expected);
    QCOMPARE(ApplyPage(source, entry), expected);
}

void TestReplay::pasteStopsAtTextLimit()
{
    // The editor takes no more than its limit; a surrogate pair is never cut.
    const QString source = QString(kEditorTextLimit - 3, u'a');
    QCOMPARE(ApplyPage(source, Entry(ARROW_ADD, 1, 1, "xyzw\r\n")).left(4), QStringLiteral("xyza"));
    const QString full = QString(kEditorTextLimit, u'a');
    QCOMPARE(ApplyPage(full, Entry(ARROW_ADD, 1, 1, "x\r\n")), full);
    QCOMPARE(PlanPageEdit(full, Entry(ARROW_ADD, 1, 1, "x\r\n")).action, PageEdit::None);
    // A replace frees the room of the lines it replaces.
    const QString lines = QString(kEditorTextLimit - 4, u'a') + QStringLiteral("\nb\n");
    QCOMPARE(ApplyPage(lines, Entry(ARROW_ADD, 2, 1, "c\r\n")).right(4), QStringLiteral("\ncb\n"));
    QCOMPARE(ApplyPage(lines, Entry(ARROW_REPLACE, 2, 1, "c\r\n")).right(3),
             QStringLiteral("\nc\n"));
}

void TestReplay::stages()
{
    const QString templ = QStringLiteral("a\r\nb\r\n");
    const QList<PageEntry> entries = {Entry(ARROW_ADD, 2, 1, "x\r\n"),
                                      Entry(ARROW_REPLACE, 1, 1, "y\r\n"),
                                      Entry(ARROW_DELETE, 3, 1)};
    const QStringList stages = ReplayStages(templ, entries);
    QCOMPARE(stages, (QStringList{QStringLiteral("a\nb\n"), QStringLiteral("a\nx\nb\n"),
                                  QStringLiteral("y\nx\nb\n"), QStringLiteral("y\nx\n")}));
    for (int page = -1; page <= entries.size() + 1; ++page)
        QCOMPARE(SourceAtPage(templ, entries, page), stages[qBound(0, page, int(entries.size()))]);
}

void TestReplay::lineOrigins_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<PageEntry>("entry");
    QTest::addColumn<QList<int>>("expected");

    // The source "a\nb\nc\n" has four lines (the last empty), all the template's.
    const QString abc = QStringLiteral("a\nb\nc\n");
    QTest::newRow("add") << abc << Entry(ARROW_ADD, 2, 2, "x\r\ny\r\n")
                         << QList<int>{-1, 7, 7, -1, -1, -1};
    QTest::newRow("replace") << abc << Entry(ARROW_REPLACE, 2, 2, "x\r\n") << QList<int>{-1, 7, -1};
    QTest::newRow("delete") << abc << Entry(ARROW_DELETE, 1, 1) << QList<int>{-1, -1, -1};
    QTest::newRow("a paste joining the next line")
        << abc << Entry(ARROW_ADD, 2, 1, "x") << QList<int>{-1, 7, -1, -1};
    QTest::newRow("nothing changes")
        << abc << Entry(ARROW_DELETE, 2, 0) << QList<int>{-1, -1, -1, -1};
}

void TestReplay::lineOrigins()
{
    QFETCH(QString, source);
    QFETCH(PageEntry, entry);
    QFETCH(QList<int>, expected);
    const PageEdit edit = PlanPageEdit(source, entry);
    const QList<int> origins =
        CarryLineOrigins(source, QList<int>(source.count(u'\n') + 1, -1), edit, 7);
    QCOMPARE(origins, expected);
    QCOMPARE(origins.size(), ApplyPageEdit(source, edit).count(u'\n') + 1);
}

void TestReplay::derive_data()
{
    QTest::addColumn<QString>("stage");
    QTest::addColumn<QString>("edited");
    QTest::addColumn<DerivedEntry::Status>("status");
    QTest::addColumn<PageEntry>("entry");
    QTest::addColumn<QString>("lines"); // DescribeLines of the blocks

    const QString abcd = QStringLiteral("a\nb\nc\nd\n");
    QTest::newRow("inserted lines")
        << abcd << QStringLiteral("a\nb\nx\ny\nc\nd\n") << DerivedEntry::Ok
        << Entry(ARROW_ADD, 3, 2, "x\r\ny\r\n") << S("3〜4行目");
    QTest::newRow("inserted at the end")
        << abcd << QStringLiteral("a\nb\nc\nd\nx\n") << DerivedEntry::Ok
        << Entry(ARROW_ADD, 5, 1, "x\r\n") << S("5行目");
    QTest::newRow("inserted at the start")
        << abcd << QStringLiteral("x\na\nb\nc\nd\n") << DerivedEntry::Ok
        << Entry(ARROW_ADD, 1, 1, "x\r\n") << S("1行目");
    QTest::newRow("replaced lines") << abcd << QStringLiteral("a\nx\nd\n") << DerivedEntry::Ok
                                    << Entry(ARROW_REPLACE, 2, 2, "x\r\n") << S("2行目");
    QTest::newRow("a change inside a line replaces it")
        << abcd << QStringLiteral("a\nbb\nc\nd\n") << DerivedEntry::Ok
        << Entry(ARROW_REPLACE, 2, 1, "bb\r\n") << S("2行目");
    QTest::newRow("deleted lines") << abcd << QStringLiteral("a\nd\n") << DerivedEntry::Ok
                                   << Entry(ARROW_DELETE, 2, 2) << S("2行目");
    QTest::newRow("a repeated line inserted")
        << QStringLiteral("a\na\n") << QStringLiteral("a\na\na\n") << DerivedEntry::Ok
        << Entry(ARROW_ADD, 3, 1, "a\r\n") << S("3行目");
    QTest::newRow("Japanese") << abcd << S("a\nあ\nb\nc\nd\n") << DerivedEntry::Ok
                              << Entry(ARROW_ADD, 2, 1, "\x82\xa0\r\n") << S("2行目");
    QTest::newRow("no change") << abcd << abcd << DerivedEntry::NoChange << Entry(0, 0, 0)
                               << QString();
    const QString abcdef = QStringLiteral("a\nb\nc\nd\ne\nf\n");
    QTest::newRow("two places apart")
        << abcdef << QStringLiteral("x\nb\nc\nd\ny\nf\n") << DerivedEntry::SeveralBlocks
        << Entry(ARROW_REPLACE, 1, 5, "x\r\nb\r\nc\r\nd\r\ny\r\n") << S("1行目、5行目");
    QTest::newRow("two places close together")
        << abcdef << QStringLiteral("x\nb\nc\ny\ne\nf\n") << DerivedEntry::Ok
        << Entry(ARROW_REPLACE, 1, 4, "x\r\nb\r\nc\r\ny\r\n") << S("1〜4行目");
    QTest::newRow("a kept line among new ones")
        << abcd << QStringLiteral("a\nx\nb\ny\nc\nd\n") << DerivedEntry::Ok
        << Entry(ARROW_REPLACE, 2, 1, "x\r\nb\r\ny\r\n") << S("2〜4行目");
    QTest::newRow("an insert and a delete apart")
        << abcdef << QStringLiteral("x\na\nb\nc\nd\ne\n") << DerivedEntry::SeveralBlocks
        << Entry(ARROW_REPLACE, 1, 6, "x\r\na\r\nb\r\nc\r\nd\r\ne\r\n") << S("1行目、7行目");
    QTest::newRow("a last line without a break")
        << abcd << QStringLiteral("a\nb\nc\nd\nx") << DerivedEntry::NotWholeLines
        << Entry(ARROW_REPLACE, 5, 1, "x\r\n") << S("5行目");
    QTest::newRow("a character the code page lacks")
        << abcd << S("a\nb\n😀\nc\nd\n") << DerivedEntry::NotCodePage
        << Entry(ARROW_ADD, 3, 1, "?\r\n") << S("3行目");
}

void TestReplay::derive()
{
    QFETCH(QString, stage);
    QFETCH(QString, edited);
    QFETCH(DerivedEntry::Status, status);
    QFETCH(PageEntry, entry);
    QFETCH(QString, lines);

    const DerivedEntry derived = DerivePageEntry(stage, edited);
    QCOMPARE(derived.status, status);
    QCOMPARE(derived.ok(), status == DerivedEntry::Ok);
    QCOMPARE(derived.message().isEmpty(), derived.ok());
    if (!lines.isEmpty())
        QVERIFY2(derived.message().contains(lines) || derived.ok(), qPrintable(derived.message()));
    QCOMPARE(DescribeLines(derived.blocks), lines);
    if (status == DerivedEntry::NoChange)
        return;
    QCOMPARE(derived.entry.color, entry.color);
    QCOMPARE(derived.entry.line, entry.line);
    QCOMPARE(derived.entry.lineCount, entry.lineCount);
    QCOMPARE(derived.entry.text, entry.text);
    // Whatever the status, the entry that is offered gives the edit back
    // when it can be stored at all.
    if (status == DerivedEntry::Ok || status == DerivedEntry::SeveralBlocks)
        QCOMPARE(ApplyPage(stage, derived.entry), edited);
}

void TestReplay::deriveEveryEdit()
{
    // Every single-block edit of a small source: each insertion, replacement
    // and deletion of whole lines is derived, and its entry gives it back.
    const QStringList lines = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("a"),
                               QStringLiteral("c")};
    const QStringList news = {QStringLiteral("a"), QStringLiteral("x"), QStringLiteral("y")};
    const auto text = [](const QStringList& l) {
        return l.isEmpty() ? QString() : l.join(u'\n') + u'\n';
    };
    const QString stage = text(lines);
    int derived = 0;
    for (int first = 0; first <= lines.size(); ++first) {
        for (int removed = 0; first + removed <= lines.size(); ++removed) {
            for (int added = 0; added <= news.size(); ++added) {
                QStringList edited = lines;
                edited.remove(first, removed);
                for (int i = 0; i < added; ++i)
                    edited.insert(first + i, news[i]);
                const QString editedText = text(edited);
                const DerivedEntry entry = DerivePageEntry(stage, editedText);
                if (editedText == stage) {
                    QCOMPARE(entry.status, DerivedEntry::NoChange);
                    continue;
                }
                QVERIFY2(entry.ok() || entry.status == DerivedEntry::SeveralBlocks,
                         qPrintable(entry.message()));
                QCOMPARE(ApplyPage(stage, entry.entry), editedText);
                ++derived;
            }
        }
    }
    QVERIFY(derived > 40);
}

void TestReplay::templatePath_data()
{
    QTest::addColumn<QString>("project");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << QStringLiteral("/t/game.lrnf")
                           << QStringLiteral("/t/game.template.as");
    QTest::newRow("upper-case extension")
        << QStringLiteral("/t/game.LRNF") << QStringLiteral("/t/game.template.as");
    QTest::newRow("dots in the name")
        << QStringLiteral("/t/v1.2.lrnf") << QStringLiteral("/t/v1.2.template.as");
    QTest::newRow("no extension") << QStringLiteral("/t/game")
                                  << QStringLiteral("/t/game.template.as");
    QTest::newRow("a dotted folder")
        << QStringLiteral("/t.d/game") << QStringLiteral("/t.d/game.template.as");
    QTest::newRow("Japanese") << S("/t/ゲーム.lrnf") << S("/t/ゲーム.template.as");
    QTest::newRow("relative") << QStringLiteral("game.lrnf") << QStringLiteral("game.template.as");
    QTest::newRow("relative in a folder")
        << QStringLiteral("t/game.lrnf") << QStringLiteral("t/game.template.as");
    QTest::newRow("untitled") << QString() << QString();
}

void TestReplay::templatePath()
{
    QFETCH(QString, project);
    QFETCH(QString, expected);
    QCOMPARE(TemplatePathFor(project), expected);
}

void TestReplay::templateFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString project = dir.filePath(QStringLiteral("t.lrnf"));
    const QString path = TemplatePathFor(project);

    QString text = QStringLiteral("kept");
    TemplateResult loaded = LoadTemplateFile(path, text);
    QCOMPARE(loaded.code(), TemplateError::Missing);
    QCOMPARE(text, QStringLiteral("kept"));
    QVERIFY(MissingTemplateMessage(path).contains(path));

    // Written once, from the source as it was; a later save keeps it.
    QVERIFY(SaveTemplateIfMissing(project, S("a\nあ\n")).ok());
    QCOMPARE(ReadAll(path), S("a\r\nあ\r\n").toUtf8());
    QVERIFY(SaveTemplateIfMissing(project, QStringLiteral("later\n")).ok());
    QCOMPARE(ReadAll(path), S("a\r\nあ\r\n").toUtf8());
    QVERIFY(SaveTemplateIfMissing(QString(), QStringLiteral("x")).ok());

    QVERIFY(LoadTemplateFile(path, text).ok());
    QCOMPARE(text, S("a\nあ\n"));

    // A BOM is skipped, lone CRs are breaks, a NUL ends the text.
    QVERIFY(WriteFile(path, QByteArray("\xEF\xBB\xBFx\ry\r\nz\0w", 12)));
    QVERIFY(LoadTemplateFile(path, text).ok());
    QCOMPARE(text, QStringLiteral("x\ny\nz"));

    // A folder is no template; a template in a missing folder cannot be saved.
    loaded = LoadTemplateFile(dir.path(), text);
    QCOMPARE(loaded.code(), TemplateError::NotAFile);
    QVERIFY(TemplateErrorText(dir.path(), loaded).contains(dir.path()));
    const QString unsaved = dir.filePath(QStringLiteral("none/t.template.as"));
    const TemplateResult saved = SaveTemplateFile(unsaved, QStringLiteral("x"));
    QCOMPARE(saved.code(), TemplateError::NoFolder);
    QVERIFY(TemplateErrorText(unsaved, saved).contains(QStringLiteral("none")));
}

void TestReplay::projectTemplate()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString first = dir.filePath(QStringLiteral("first.lrnf"));
    const QString second = dir.filePath(QStringLiteral("second.lrnf"));

    // Opened without a template: the replay commands say so and how to
    // make one; the save writes the source as it was at the opening.
    ProjectTemplate kept;
    TemplateResult result = kept.ProjectOpened(first, QStringLiteral("open\n"));
    QCOMPARE(result.code(), TemplateError::Missing);
    QVERIFY(!kept.HasTemplate());
    QVERIFY(kept.MissingMessage().contains(TemplatePathFor(first)));
    QVERIFY(kept.ProjectSaved(first).ok());
    QVERIFY(kept.HasTemplate());
    QCOMPARE(kept.Text(), QStringLiteral("open\n"));
    QCOMPARE(ReadAll(TemplatePathFor(first)), QByteArray("open\r\n"));

    // Opened again with its template: a save leaves it alone.
    QVERIFY(kept.ProjectOpened(first, QStringLiteral("edited later\n")).ok());
    QCOMPARE(kept.Text(), QStringLiteral("open\n"));
    QVERIFY(kept.ProjectSaved(first).ok());
    QCOMPARE(ReadAll(TemplatePathFor(first)), QByteArray("open\r\n"));

    // Save As: the new name gets the source kept from the opening.
    QVERIFY(kept.ProjectSaved(second).ok());
    QCOMPARE(ReadAll(TemplatePathFor(second)), QByteArray("edited later\r\n"));
    QCOMPARE(kept.Path(), TemplatePathFor(second));

    // A new project: no template until it is saved, then the source it
    // started with.
    kept.ProjectCreated(QStringLiteral("new\n"));
    QVERIFY(!kept.HasTemplate());
    QVERIFY(kept.Path().isEmpty());
    QVERIFY(!kept.MissingMessage().isEmpty());
    const QString third = dir.filePath(QStringLiteral("third.lrnf"));
    QVERIFY(kept.ProjectSaved(third).ok());
    QCOMPARE(kept.Text(), QStringLiteral("new\n"));

    // A template that cannot be written is reported, and the project stays
    // without one.
    kept.ProjectCreated(QStringLiteral("x\n"));
    result = kept.ProjectSaved(dir.filePath(QStringLiteral("none/fourth.lrnf")));
    QCOMPARE(result.code(), TemplateError::NoFolder);
    QVERIFY(!kept.HasTemplate());
}

QTEST_GUILESS_MAIN(TestReplay)
#include "tst_replay.moc"
