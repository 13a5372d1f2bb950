// The check of a tutorial: each entry judged against the source at its
// stage, the numbered pages matched with the entries, the replayed source
// compiled by the real compiler, and peltra --check on the command line,
// clean on the sample and with the right pages on damaged copies of it.

#include "app/checkcommand.h"
#include "app/tutorialcheck.h"
#include "build/locations.h"
#include "build/templatefile.h"
#include "build/trialcompile.h"
#include "editor/replay.h"
#include "support/pageentry.h"
#include "support/testsupport.h"
#include "tutorial/peltra.h"
#include "tutorial/projectfile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <climits>
#include <functional>

Q_DECLARE_METATYPE(PageEntry)
Q_DECLARE_METATYPE(CheckFinding::Kind)

namespace {

const QString programFolder = QStringLiteral(PELTRA_PROGRAM_FOLDER "/");

using PageKind = QPair<int, int>; // page, CheckFinding::Kind

QList<PageKind> PagesAndKinds(const QList<CheckFinding>& findings)
{
    QList<PageKind> list;
    for (const CheckFinding& finding : findings)
        list << PageKind(finding.page, finding.kind);
    return list;
}

void SetEntry(CPeltra& model, int page, const PageEntry& entry)
{
    model.SetCurrentPage(page);
    model.SetPage(entry);
    model.SetCurrentPage(-1);
}

struct CommandRun
{
    int status = -1;
    QStringList lines; // of the standard output
    QString errors;
};

CommandRun RunCheck(const QStringList& arguments)
{
    CommandRun run;
    QString out;
    QTextStream outStream(&out);
    QTextStream errStream(&run.errors);
    run.status = RunCheckCommand(arguments, programFolder, outStream, errStream);
    outStream.flush();
    run.lines = out.split(u'\n', Qt::SkipEmptyParts);
    return run;
}

bool HasCompiler()
{
    return QFileInfo(MxmlcPath(programFolder)).isExecutable();
}

} // namespace

class TestCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void entries_data();
    void entries();
    void htmlPages();
    void sampleIsClean();
    void damagedSample_data();
    void damagedSample();
    void unreadable_data();
    void unreadable();
    void compileErrorNamesItsPage();
    void compileEachStage();
    void compilerMessages_data();
    void compilerMessages();
    void withoutDisplay();

private:
    // A copy of the sample's project and template in m_dir, with change
    // made to its model; returns the project's path.
    QString DamagedCopy(const QString& name, const std::function<void(CPeltra&)>& change);
    int FirstPageOfKind(int kind, int from) const;

    QTemporaryDir m_dir;
    CPeltra m_sample;
    QString m_template;
    QList<PageEntry> m_entries;
};

void TestCheck::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
    QVERIFY(ProjectFile::Load(programFolder + QStringLiteral("sample.lrnf"), m_sample).ok());
    QVERIFY(
        LoadTemplateFile(programFolder + QStringLiteral("sample.template.as"), m_template).ok());
    m_entries = PageEntries(m_sample);
    QVERIFY(m_entries.size() >= 10);
}

int TestCheck::FirstPageOfKind(int kind, int from) const
{
    for (int page = from; page < m_entries.size(); ++page)
        if (m_entries[page].color == kind)
            return page;
    return -1;
}

QString TestCheck::DamagedCopy(const QString& name, const std::function<void(CPeltra&)>& change)
{
    CPeltra model = m_sample;
    change(model);
    const QString path = m_dir.filePath(name + QStringLiteral(".lrnf"));
    if (!ProjectFile::Save(path, model).ok() ||
        !SaveTemplateFile(TemplatePathFor(path), m_template).ok())
        return QString();
    return path;
}

void TestCheck::entries_data()
{
    QTest::addColumn<QList<PageEntry>>("entries");
    QTest::addColumn<QList<PageKind>>("expected");

    // The template "a\nb\nc\n" has three whole lines.
    using F = CheckFinding;
    QTest::newRow("clean") << QList<PageEntry>{Entry(ARROW_ADD, 4, 1, "x\r\n"),
                                               Entry(ARROW_REPLACE, 1, 4, "y\r\n"),
                                               Entry(ARROW_DELETE, 1, 1)}
                           << QList<PageKind>{};
    QTest::newRow("line 0") << QList<PageEntry>{Entry(ARROW_ADD, 0, 1, "x\r\n")}
                            << QList<PageKind>{{0, F::LineBeforeStart}};
    QTest::newRow("add past the end") << QList<PageEntry>{Entry(ARROW_ADD, 5, 1, "x\r\n")}
                                      << QList<PageKind>{{0, F::LinePastEnd}};
    QTest::newRow("replace past the end") << QList<PageEntry>{Entry(ARROW_REPLACE, 4, 1, "x\r\n")}
                                          << QList<PageKind>{{0, F::LinePastEnd}};
    QTest::newRow("count 0 on a replace page")
        << QList<PageEntry>{Entry(ARROW_ADD, 1, 1, "x\r\n"), Entry(ARROW_REPLACE, 2, 0, "y\r\n")}
        << QList<PageKind>{{1, F::ZeroCount}};
    QTest::newRow("negative count on a delete page")
        << QList<PageEntry>{Entry(ARROW_DELETE, 2, -1)} << QList<PageKind>{{0, F::ZeroCount}};
    QTest::newRow("count past the end")
        << QList<PageEntry>{Entry(ARROW_DELETE, 2, 3)} << QList<PageKind>{{0, F::CountPastEnd}};
    QTest::newRow("a count on an add page is no span")
        << QList<PageEntry>{Entry(ARROW_ADD, 1, 0, "x\r\n")} << QList<PageKind>{};
    QTest::newRow("the largest line and count")
        << QList<PageEntry>{Entry(ARROW_DELETE, INT_MAX, INT_MAX), Entry(INT_MIN, INT_MIN, INT_MIN)}
        << QList<PageKind>{{0, F::LinePastEnd}, {1, F::BadKind}, {1, F::LineBeforeStart}};
    QTest::newRow("kind 3") << QList<PageEntry>{Entry(3, 1, 1, "x\r\n")}
                            << QList<PageKind>{{0, F::BadKind}};
    QTest::newRow("kind -1 joins the line it is pasted into")
        << QList<PageEntry>{Entry(-1, 1, 1, "x")}
        << QList<PageKind>{{0, F::BadKind}, {0, F::NoFinalLineBreak}};
    QTest::newRow("no final line break") << QList<PageEntry>{Entry(ARROW_ADD, 2, 1, "x\r\ny")}
                                         << QList<PageKind>{{0, F::NoFinalLineBreak}};
    QTest::newRow("no final line break at the very end")
        << QList<PageEntry>{Entry(ARROW_ADD, 4, 1, "x")} << QList<PageKind>{};
    QTest::newRow("empty text on an add page")
        << QList<PageEntry>{Entry(ARROW_ADD, 1, 1)} << QList<PageKind>{{0, F::EmptyText}};
    QTest::newRow("a text of NUL is empty")
        << QList<PageEntry>{Entry(ARROW_REPLACE, 1, 1, QByteArray("\0x", 2))}
        << QList<PageKind>{{0, F::EmptyText}};
    // Each stage counts: after page 0 deletes two lines, line 2 is the last.
    QTest::newRow("stages move on")
        << QList<PageEntry>{Entry(ARROW_DELETE, 1, 2), Entry(ARROW_REPLACE, 1, 1, "x\r\n"),
                            Entry(ARROW_REPLACE, 2, 1, "y\r\n")}
        << QList<PageKind>{{2, F::LinePastEnd}};
}

void TestCheck::entries()
{
    QFETCH(QList<PageEntry>, entries);
    QFETCH(QList<PageKind>, expected);
    const QList<CheckFinding> findings = CheckEntries(QStringLiteral("a\r\nb\r\nc\r\n"), entries);
    QCOMPARE(PagesAndKinds(findings), expected);
    for (const CheckFinding& finding : findings)
        QVERIFY(FormatFinding(finding).startsWith(QStringLiteral("ページ %1: ").arg(finding.page)));
}

void TestCheck::htmlPages()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char* name :
         {"index.html", "index0.html", "index1.htm", "index3.html", "other.html", "index5.txt"})
        QVERIFY(WriteFile(dir.filePath(QLatin1String(name)), "<html></html>"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("index4.html"))); // a folder is no page
    using F = CheckFinding;
    QCOMPARE(PagesAndKinds(CheckHtmlPages(dir.path(), 3)),
             (QList<PageKind>{{2, F::EntryWithoutPage}, {3, F::PageWithoutEntry}}));
    QCOMPARE(PagesAndKinds(CheckHtmlPages(dir.path(), 4)),
             (QList<PageKind>{{2, F::EntryWithoutPage}}));

    // The folder is the start page's, as the browser resolves it.
    QCOMPARE(QDir(HtmlFolderOf(programFolder, "HTML\\index.html")).canonicalPath(),
             QDir(programFolder + QStringLiteral("HTML")).canonicalPath());
}

void TestCheck::sampleIsClean()
{
    QStringList arguments = {QStringLiteral("--check"),
                             programFolder + QStringLiteral("sample.lrnf")};
    if (!HasCompiler())
        arguments << QStringLiteral("--no-compile");
    const CommandRun run = RunCheck(arguments);
    QCOMPARE(run.lines,
             QStringList{S("21 ページを検査しました: 問題 0 件(うちコンパイルエラー 0 件)")
                             .replace(QStringLiteral("21"), QString::number(m_entries.size()))});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.errors, QString());
    if (!HasCompiler())
        QSKIP("no compiler below the program folder (scripts/setup-toolchain)");
}

void TestCheck::damagedSample_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("a line past the end") << QStringLiteral("past");
    QTest::newRow("a count of 0") << QStringLiteral("zero");
    QTest::newRow("a missing final line break") << QStringLiteral("break");
    QTest::newRow("all three") << QStringLiteral("all");
}

void TestCheck::damagedSample()
{
    QFETCH(QString, damage);
    // Pages of the right kind well inside the tutorial, one after another.
    const int replacePage = FirstPageOfKind(ARROW_REPLACE, 2);
    const int addPage = FirstPageOfKind(ARROW_ADD, replacePage + 1);
    const int deletePage = FirstPageOfKind(ARROW_DELETE, addPage + 1);
    QVERIFY(replacePage > 0 && addPage > 0 && deletePage > 0);

    QList<PageKind> expected;
    const QString path = DamagedCopy(damage, [&](CPeltra& model) {
        if (damage == QLatin1String("zero") || damage == QLatin1String("all")) {
            PageEntry entry = m_entries[replacePage];
            entry.lineCount = 0;
            SetEntry(model, replacePage, entry);
            expected << PageKind(replacePage, CheckFinding::ZeroCount);
        }
        if (damage == QLatin1String("break") || damage == QLatin1String("all")) {
            PageEntry entry = m_entries[addPage];
            while (entry.text.endsWith('\n') || entry.text.endsWith('\r'))
                entry.text.chop(1);
            SetEntry(model, addPage, entry);
            expected << PageKind(addPage, CheckFinding::NoFinalLineBreak);
        }
        if (damage == QLatin1String("past") || damage == QLatin1String("all")) {
            PageEntry entry = m_entries[deletePage];
            entry.line = 5000;
            SetEntry(model, deletePage, entry);
            expected << PageKind(deletePage, CheckFinding::LinePastEnd);
        }
    });
    QVERIFY(!path.isEmpty());

    const CommandRun run =
        RunCheck({QStringLiteral("--check"), path, QStringLiteral("--no-compile")});
    QCOMPARE(run.status, 1);
    QVERIFY(run.lines.size() >= expected.size() + 1);
    // Each damage is found at its page, and nothing before the first one.
    for (const PageKind& pageKind : std::as_const(expected)) {
        const QString prefix = QStringLiteral("ページ %1: ").arg(pageKind.first);
        QVERIFY2(std::any_of(run.lines.begin(), run.lines.end(),
                             [&](const QString& line) { return line.startsWith(prefix); }),
                 qPrintable(run.lines.join(u'\n')));
    }
    const CheckReport report = CheckTutorial(
        [&] {
            CPeltra model;
            ProjectFile::Load(path, model);
            return model;
        }(),
        m_template, CheckOptions{programFolder, false, false});
    const QList<PageKind> found = PagesAndKinds(report.findings);
    for (const PageKind& pageKind : std::as_const(expected))
        QVERIFY(found.contains(pageKind));
    QCOMPARE(found.first(), expected.first());
    QCOMPARE(run.lines.last(), report.summary());
    QCOMPARE(run.lines.size(), report.findings.size() + 1);
}

void TestCheck::unreadable_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");
    const QString missing = QDir::temp().filePath(QStringLiteral("peltra-none/none.lrnf"));
    QTest::newRow("no project") << QStringList{QStringLiteral("--check"), missing}
                                << S("が見つかりませんでした");
    QTest::newRow("no template") << QStringList{QStringLiteral("--check"), QStringLiteral("@copy")}
                                 << S("がありません");
    QTest::newRow("a named template missing")
        << QStringList{QStringLiteral("--check"), programFolder + QStringLiteral("sample.lrnf"),
                       QStringLiteral("--template"), missing}
        << S("が見つかりません");
    QTest::newRow("a cut-off project")
        << QStringList{QStringLiteral("--check"), QStringLiteral("@cut")}
        << S("予期しないファイル形式です");
    QTest::newRow("no project named") << QStringList{QStringLiteral("--check")} << S("使い方");
    QTest::newRow("an unknown option")
        << QStringList{QStringLiteral("--check"), QStringLiteral("a.lrnf"), QStringLiteral("--x")}
        << S("使い方");
}

void TestCheck::unreadable()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    // A project without its template, and one cut off inside a field.
    const QString copy = m_dir.filePath(QStringLiteral("alone.lrnf"));
    QVERIFY(WriteFile(copy, ReadAll(programFolder + QStringLiteral("sample.lrnf"))));
    const QString cut = m_dir.filePath(QStringLiteral("cut.lrnf"));
    QVERIFY(WriteFile(cut, ReadAll(programFolder + QStringLiteral("sample.lrnf")).left(30)));
    arguments.replaceInStrings(QStringLiteral("@copy"), copy);
    arguments.replaceInStrings(QStringLiteral("@cut"), cut);

    const CommandRun run = RunCheck(arguments);
    QCOMPARE(run.status, 2);
    QVERIFY(run.lines.isEmpty());
    QVERIFY2(run.errors.contains(error), qPrintable(run.errors));
}

void TestCheck::compileErrorNamesItsPage()
{
    if (!HasCompiler())
        QSKIP("no compiler below the program folder (scripts/setup-toolchain)");
    // A statement no compiler takes, at the start of the last add page's
    // first line: the lines stay where they were, so every page still
    // applies, and no error can stand before it.
    int addPage = -1;
    for (int page = 0; page < m_entries.size(); ++page)
        if (m_entries[page].color == ARROW_ADD)
            addPage = page;
    QVERIFY(addPage > 0);
    const QString path = DamagedCopy(QStringLiteral("compile"), [&](CPeltra& model) {
        PageEntry entry = m_entries[addPage];
        entry.text.prepend("var broken:int = ;");
        SetEntry(model, addPage, entry);
    });
    QVERIFY(!path.isEmpty());
    const CommandRun run = RunCheck({QStringLiteral("--check"), path});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.lines.first().startsWith(S("ページ %1: コンパイルエラー ").arg(addPage)),
             qPrintable(run.lines.join(u'\n')));
    QVERIFY(!run.lines.last().contains(S("うちコンパイルエラー 0 件")));
}

void TestCheck::compileEachStage()
{
    if (!HasCompiler())
        QSKIP("no compiler below the program folder (scripts/setup-toolchain)");
    // Three stages: the template, page 0 of the sample, and page 1, which
    // calls a function nobody defines.
    CPeltra model;
    for (int page = 0; page < 2; ++page) {
        model.SetCurrentPage(page);
        model.SetPage(m_entries[page]);
    }
    model.SetCurrentPage(-1);
    const QString stage1 = SourceAtPage(m_template, m_entries, 1);
    const int constructor =
        int(stage1.left(stage1.indexOf(QStringLiteral("public function Main()"))).count(u'\n')) + 1;
    // Line `constructor + 2` is inside the constructor's body.
    SetEntry(model, 1, Entry(ARROW_ADD, constructor + 2, 1, "\t\t\tnoSuchFunction();\r\n"));
    const QString path = m_dir.filePath(QStringLiteral("each.lrnf"));
    QVERIFY(ProjectFile::Save(path, model).ok());
    QVERIFY(SaveTemplateFile(TemplatePathFor(path), m_template).ok());

    const CommandRun run =
        RunCheck({QStringLiteral("--check"), path, QStringLiteral("--compile-each")});
    QCOMPARE(run.status, 1);
    QStringList errors;
    for (const QString& line : run.lines)
        if (line.startsWith(S("ページ")) && line.contains(S("コンパイルエラー ")))
            errors << line;
    QVERIFY2(errors.size() == 1, qPrintable(run.lines.join(u'\n')));
    QVERIFY(errors.first().startsWith(S("ページ 1: ")));
    QVERIFY(errors.first().contains(S("ページ 1 のあとのソース")));
    QVERIFY(errors.first().contains(QStringLiteral("noSuchFunction")));
}

void TestCheck::compilerMessages_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("error");
    QTest::addColumn<QString>("text");
    QTest::newRow("error") << QStringLiteral("/t/game/src/Main.as(4): col: 43 Error: Call to foo.")
                           << 4 << 43 << true << QStringLiteral("Call to foo.");
    QTest::newRow("warning") << QStringLiteral("/t/game/src/Main.as(4): col: 3 Warning: Odd.\r\n")
                             << 4 << 3 << false << QStringLiteral("Odd.");
    QTest::newRow("syntax error")
        << QStringLiteral("/t/game/src/Main.as(5): col: 13 Syntax error: ';' is not allowed here")
        << 5 << 13 << true << QStringLiteral("Syntax error: ';' is not allowed here");
    QTest::newRow("another file") << QStringLiteral("/t/game/src/Star.as(7): col: 1 Error: Bad.")
                                  << 0 << 0 << true << QStringLiteral("Star.as(7): Bad.");
    QTest::newRow("no place") << QStringLiteral("Error: Unable to resolve root class of SWF: Main")
                              << 0 << 0 << true
                              << QStringLiteral("Unable to resolve root class of SWF: Main");
    QTest::newRow("a file without a place")
        << QStringLiteral("/t/game/src/Main.as Error: No externally-visible definition") << 0 << 0
        << true << QStringLiteral("No externally-visible definition");
}

void TestCheck::compilerMessages()
{
    QFETCH(QString, output);
    QFETCH(int, line);
    QFETCH(int, column);
    QFETCH(bool, error);
    QFETCH(QString, text);
    // The configuration lines and the source echo around a message are no messages.
    const QList<CompilerMessage> messages =
        ParseCompilerMessages(QStringLiteral("Loading configuration: /t/flex-config.xml\n\n") +
                                  output + QStringLiteral("\n\n\tfoo();\n\t^\n"),
                              QStringLiteral("/t/game/src/Main.as"));
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].line, line);
    QCOMPARE(messages[0].column, column);
    QCOMPARE(messages[0].error, error);
    QCOMPARE(messages[0].text, text);
}

void TestCheck::withoutDisplay()
{
#ifndef PELTRA_EXECUTABLE
    QSKIP("the program is built only with the windows");
#else
    // A platform that cannot exist: a window would abort the program.
    QProcess peltra;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    peltra.setProcessEnvironment(env);
    const QString damaged = DamagedCopy(QStringLiteral("cli"), [&](CPeltra& model) {
        PageEntry entry = m_entries[1];
        entry.line = 0;
        SetEntry(model, 1, entry);
    });
    QStringList arguments = {QStringLiteral("--check"), QStringLiteral("sample.lrnf")};
    if (!HasCompiler())
        arguments << QStringLiteral("--no-compile");
    peltra.setWorkingDirectory(programFolder);
    peltra.start(QStringLiteral(PELTRA_EXECUTABLE), arguments);
    QVERIFY(peltra.waitForFinished(120000));
    QCOMPARE(peltra.exitStatus(), QProcess::NormalExit);
    QCOMPARE(peltra.exitCode(), 0);
    const QString out = QString::fromUtf8(peltra.readAllStandardOutput());
    QVERIFY2(out.contains(S("問題 0 件")), qPrintable(out));

    peltra.start(QStringLiteral(PELTRA_EXECUTABLE),
                 {QStringLiteral("--check"), damaged, QStringLiteral("--no-compile")});
    QVERIFY(peltra.waitForFinished(120000));
    QCOMPARE(peltra.exitCode(), 1);
    QVERIFY(QString::fromUtf8(peltra.readAllStandardOutput()).startsWith(S("ページ 1: ")));
#endif
}

QTEST_GUILESS_MAIN(TestCheck)
#include "tst_check.moc"
