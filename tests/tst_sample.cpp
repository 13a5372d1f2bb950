// The sample tutorial as built into the program folder: following its pages
// in order, each edit made exactly as the editor makes it, turns the game
// template into the finished game; every page exists, shows the script its
// click copies and links on; the project file is stable through the archive.

#include "app/tutorialcheck.h"
#include "build/templatefile.h"
#include "editor/pagediff.h"
#include "editor/replay.h"
#include "support/testsupport.h"
#include "tutorial/codepage.h"
#include "tutorial/peltra.h"
#include "tutorial/projectfile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

const QString programFolder = QStringLiteral(PELTRA_PROGRAM_FOLDER);
const QString installTree = QStringLiteral(PELTRA_SAMPLE_INSTALL_TREE);
const QString sampleSource = QStringLiteral(PELTRA_SOURCE_DIR "/sample");

// Strict UTF-8 decoding; a null string when the bytes are not UTF-8.
QString DecodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    return decoder.hasError() ? QString() : text;
}

// A source file of the repository as the program holds it: CR LF line ends.
QString SourceText(const QString& path)
{
    QString text = DecodeUtf8(ReadAll(path));
    text.remove(u'\r');
    return text.replace(u'\n', QStringLiteral("\r\n"));
}

// The page's edit as the learner makes it in the editor (editor/replay.h),
// on a source with CR LF line breaks; false when the check of the page
// finds anything in it against this source.
bool ApplyPage(QString& source, const PageEntry& page, QString* removed)
{
    const QString text = EditorText(source);
    if (!CheckEntries(text, {page}).isEmpty())
        return false;
    const PageEdit edit = PlanPageEdit(text, page);
    if (removed)
        *removed = text.mid(edit.start, edit.end - edit.start).replace(u'\n', QStringLiteral("\r\n"));
    source = ApplyPageEdit(text, edit).replace(u'\n', QStringLiteral("\r\n"));
    return true;
}

// Brackets pair up outside comments and strings.
bool BracketsBalanced(const QString& source)
{
    QString open;
    for (qsizetype i = 0; i < source.size(); ++i) {
        const QChar c = source[i];
        const QChar next = i + 1 < source.size() ? source[i + 1] : QChar();
        if (c == u'/' && next == u'/') {
            i = source.indexOf(u'\n', i);
            if (i < 0)
                break;
        } else if (c == u'/' && next == u'*') {
            i = source.indexOf(QStringLiteral("*/"), i + 2);
            if (i < 0)
                return false;
            ++i;
        } else if (c == u'"' || c == u'\'') {
            for (++i; i < source.size() && source[i] != c; ++i) {
                if (source[i] == u'\\')
                    ++i;
                else if (source[i] == u'\n')
                    return false;
            }
        } else if (c == u'(' || c == u'[' || c == u'{') {
            open += c;
        } else if (c == u')' || c == u']' || c == u'}') {
            static const QString pairs = QStringLiteral("()[]{}");
            if (open.isEmpty() || pairs.indexOf(open.back()) + 1 != pairs.indexOf(c))
                return false;
            open.chop(1);
        }
    }
    return open.isEmpty();
}

// The text of a <pre class="cssClass"> as the browser shows it.
QString PreText(const QString& html, const QString& cssClass, bool* found)
{
    const QRegularExpression pre(QStringLiteral("<pre class=\"%1\">(.*?)</pre>").arg(cssClass),
                                 QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = pre.match(html);
    *found = match.hasMatch();
    QString text = match.captured(1);
    if (text.startsWith(u'\n'))
        text.remove(0, 1); // a line break right after <pre> is not shown
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    text.remove(tag);
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

QString Lf(QString text)
{
    return text.remove(u'\r');
}

} // namespace

class TestSample : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void projectFile();
    void roundTrip();
    void edits_data();
    void edits();
    void finishedSource();
    void stages_data();
    void stages();
    void pages_data();
    void pages();
    void contentsPage();
    void gameFolder();
    void templateBesideProject();
    void checkIsClean();
    void recordEveryPage_data();
    void recordEveryPage();

private:
    PageEntry Page(int page);

    QByteArray m_file;
    CPeltra m_tutorial;
    // m_stages[i]: the source when page i is shown; the last one after every page.
    QStringList m_stages;
    QStringList m_removed; // per page: the lines its edit replaces or deletes
};

PageEntry TestSample::Page(int page)
{
    return PageEntryAt(m_tutorial, page);
}

void TestSample::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_file = ReadAll(programFolder + QStringLiteral("/sample.lrnf"));
    QVERIFY2(!m_file.isEmpty(), "sample.lrnf is missing from the program folder");
    QBuffer buffer(&m_file);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QVERIFY(ProjectFile::Read(&buffer, m_tutorial).ok());
    QVERIFY(buffer.atEnd());

    QString source = SourceText(sampleSource + QStringLiteral("/game/src/Main.as"));
    QVERIFY(!source.isEmpty());
    m_stages.append(source);
    for (int page = 0; page < m_tutorial.GetPageCount(); ++page) {
        QString removed;
        // A page that does not fit leaves the source as it was; edits() reports it.
        if (!ApplyPage(source, Page(page), &removed))
            removed.clear();
        m_removed.append(removed);
        m_stages.append(source);
    }
}

void TestSample::projectFile()
{
    QCOMPARE(m_tutorial.GetStartPage(), QByteArray("HTML\\index.html"));
    QVERIFY(m_tutorial.GetPageCount() >= 10);
    QCOMPARE(m_tutorial.ColorCount(), m_tutorial.GetPageCount());
    QCOMPARE(m_tutorial.LineCount(), m_tutorial.GetPageCount());
    QCOMPARE(m_tutorial.SpanCount(), m_tutorial.GetPageCount());

    QSet<int> kinds;
    for (int page = 0; page < m_tutorial.GetPageCount(); ++page)
        kinds.insert(Page(page).color);
    QCOMPARE(kinds, (QSet<int>{ARROW_ADD, ARROW_REPLACE, ARROW_DELETE}));
}

void TestSample::roundTrip()
{
    QByteArray stored;
    QVERIFY(ProjectFile::Write(m_tutorial, stored).ok());
    QCOMPARE(stored, m_file);

    CPeltra reloaded;
    QVERIFY(ProjectFile::Read(stored, reloaded).ok());
    QVERIFY(reloaded == m_tutorial);
}

void TestSample::edits_data()
{
    QTest::addColumn<int>("page");
    for (int page = 0; page < m_tutorial.GetPageCount(); ++page)
        QTest::addRow("page %d", page) << page;
}

void TestSample::edits()
{
    QFETCH(int, page);
    const PageEntry entry = Page(page);
    const QString before = m_stages[page];
    QString source = before;
    QVERIFY2(ApplyPage(source, entry, nullptr), "the page's lines are not in the source");
    const int sourceLines = int(before.count(QStringLiteral("\r\n")));

    const QString text = CodePage::toUnicode(entry.text);
    QCOMPARE(CodePage::fromUnicode(text), entry.text); // nothing lost to the code page
    const int textLines = int(text.count(QStringLiteral("\r\n")));
    QCOMPARE(int(text.count(u'\n')), textLines); // only CR LF line breaks
    QCOMPARE(int(text.count(u'\r')), textLines);

    switch (entry.color) {
    case ARROW_ADD:
        QVERIFY(entry.line <= sourceLines + 1);
        QVERIFY(text.endsWith(QStringLiteral("\r\n")));
        // The red arrows end up on the lines the paste puts in.
        QCOMPARE(entry.lineCount, textLines);
        break;
    case ARROW_REPLACE:
        QVERIFY(entry.lineCount >= 1);
        QVERIFY(entry.line + entry.lineCount - 1 <= sourceLines);
        QVERIFY(text.endsWith(QStringLiteral("\r\n")));
        QVERIFY(text != m_removed[page]);
        break;
    case ARROW_DELETE:
        QVERIFY(entry.lineCount >= 1);
        QVERIFY(entry.line + entry.lineCount - 1 <= sourceLines);
        QVERIFY(text.isEmpty());
        break;
    default:
        QFAIL(qPrintable(QStringLiteral("kind %1").arg(entry.color)));
    }
}

void TestSample::finishedSource()
{
    const QString finished = SourceText(sampleSource + QStringLiteral("/finished/Main.as"));
    QVERIFY(!finished.isEmpty());
    QCOMPARE(m_stages.last().toUtf8(), finished.toUtf8());

    // The game needs nothing beyond these packages.
    static const QRegularExpression import(QStringLiteral("^\\s*import\\s+([\\w.]+)\\s*;"),
                                           QRegularExpression::MultilineOption);
    static const QRegularExpression allowed(
        QStringLiteral("^flash\\.(display|events|text|utils)\\.\\w+$"));
    int imports = 0;
    for (const QRegularExpressionMatch& match : import.globalMatch(finished)) {
        QVERIFY2(allowed.match(match.captured(1)).hasMatch(), qPrintable(match.captured(1)));
        ++imports;
    }
    QVERIFY(imports > 0);
}

void TestSample::stages_data()
{
    QTest::addColumn<int>("stage");
    QTest::newRow("template") << 0;
    for (int stage = 1; stage < m_stages.size(); ++stage)
        QTest::addRow("after page %d", stage - 1) << stage;
}

// Every page leaves a source the learner can build: a whole class with its
// brackets paired, every line ended.
void TestSample::stages()
{
    QFETCH(int, stage);
    const QString& source = m_stages[stage];
    QVERIFY(BracketsBalanced(source));
    QVERIFY(source.endsWith(QStringLiteral("}\r\n")));
    QVERIFY(source.contains(QStringLiteral("public class Main extends Sprite")));
    QVERIFY(source.contains(QStringLiteral("public function Main()")));
}

void TestSample::pages_data()
{
    QTest::addColumn<int>("page");
    for (int page = 0; page < m_tutorial.GetPageCount(); ++page)
        QTest::addRow("index%d.html", page) << page;
}

void TestSample::pages()
{
    QFETCH(int, page);
    const PageEntry entry = Page(page);
    const QString path = QStringLiteral("%1/HTML/index%2.html").arg(programFolder).arg(page);
    const QString html = DecodeUtf8(ReadAll(path));
    QVERIFY2(!html.isEmpty(), qPrintable(path + QStringLiteral(" is missing or not UTF-8")));
    QVERIFY(html.startsWith(QStringLiteral("<!DOCTYPE html>")));
    QVERIFY(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    QVERIFY(QRegularExpression(QStringLiteral("<title>[^<]+</title>")).match(html).hasMatch());

    const QString next = QStringLiteral("href=\"index%1.html\"").arg(page + 1);
    QCOMPARE(html.contains(next), page + 1 < m_tutorial.GetPageCount());
    QVERIFY(html.contains(QStringLiteral("href=\"index.html\"")));

    // The page keeps a place for what a click copies (the program fills it
    // from the project file: the script is written once), and shows what
    // the edit takes away.
    bool hasScript = false;
    bool hasOld = false;
    const QString script = PreText(html, QStringLiteral("peltra-script"), &hasScript);
    const QString old = PreText(html, QStringLiteral("old"), &hasOld);
    QCOMPARE(hasScript, entry.color != ARROW_DELETE);
    QCOMPARE(hasOld, entry.color != ARROW_ADD);
    QCOMPARE(script, QString());
    QVERIFY(!html.contains(QStringLiteral("class=\"script\"")));
    if (hasOld)
        QCOMPARE(old, Lf(m_removed[page]));
}

void TestSample::contentsPage()
{
    const QString html = DecodeUtf8(ReadAll(programFolder + QStringLiteral("/HTML/index.html")));
    QVERIFY(!html.isEmpty());
    QVERIFY(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    QVERIFY(html.contains(QStringLiteral("href=\"index0.html\"")));
    // The list of steps names every page.
    const QRegularExpression steps(QStringLiteral("<ol>(.*?)</ol>"),
                                   QRegularExpression::DotMatchesEverythingOption);
    const QString list = steps.match(html).captured(1);
    QCOMPARE(int(list.count(QStringLiteral("<li>"))), m_tutorial.GetPageCount());

    // No page beyond the last one is left over from an earlier build.
    const QString beyond =
        QStringLiteral("%1/HTML/index%2.html").arg(programFolder).arg(m_tutorial.GetPageCount());
    QVERIFY(!QFile::exists(beyond));
}

void TestSample::gameFolder()
{
    // The program rewrites game/src/Main.as in the program folder on every
    // run; the template is checked where installing takes it from.
    QVERIFY(QFile::exists(programFolder + QStringLiteral("/game/src/Main.as")));
    const QByteArray installed = ReadAll(installTree + QStringLiteral("/game/src/Main.as"));
    QVERIFY(!installed.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(installed, m_stages.first().toUtf8());

    QVERIFY(QFileInfo(programFolder + QStringLiteral("/game/bin")).isDir());

    const QString configPath = programFolder + QStringLiteral("/game/obj/Main-config.xml");
    QFile config(configPath);
    QVERIFY(config.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&config);
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name().toString(), QStringLiteral("flex-config"));
    QStringList sourcePaths;
    QMap<QString, QString> values;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString();
        if (name == QStringLiteral("path-element"))
            sourcePaths.append(xml.readElementText());
        else if (name != QStringLiteral("compiler") && name != QStringLiteral("source-path") &&
                 name != QStringLiteral("default-size"))
            values.insert(name, xml.readElementText());
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));

    // Relative paths count from the configuration's own folder.
    QVERIFY(!sourcePaths.isEmpty());
    for (const QString& sourcePath : std::as_const(sourcePaths)) {
        const QString folder = QFileInfo(configPath).dir().filePath(sourcePath);
        QVERIFY2(QFile::exists(folder + QStringLiteral("/Main.as")), qPrintable(sourcePath));
    }
    QVERIFY(values.value(QStringLiteral("width")).toInt() > 0);
    QVERIFY(values.value(QStringLiteral("height")).toInt() > 0);
    QVERIFY(values.value(QStringLiteral("default-frame-rate")).toInt() > 0);
    QVERIFY(
        values.value(QStringLiteral("default-background-color")).startsWith(QStringLiteral("0x")));
}

void TestSample::templateBesideProject()
{
    // The template ships beside the project, as the replay finds it, and is
    // the game's starting source.
    const QString path = TemplatePathFor(programFolder + QStringLiteral("/sample.lrnf"));
    QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("sample.template.as"));
    QCOMPARE(ReadAll(path), m_stages.first().toUtf8());
    QCOMPARE(ReadAll(installTree + QStringLiteral("/sample.template.as")), m_stages.first().toUtf8());
    QString text;
    QVERIFY(LoadTemplateFile(path, text).ok());
    QCOMPARE(ReplayStages(text, PageEntries(m_tutorial)).last(), EditorText(m_stages.last()));
}

void TestSample::checkIsClean()
{
    // Every entry fits its stage, and every numbered page has its entry.
    const QList<PageEntry> entries = PageEntries(m_tutorial);
    QList<CheckFinding> findings = CheckEntries(m_stages.first(), entries);
    findings += CheckHtmlPages(HtmlFolderOf(programFolder + u'/', m_tutorial.GetStartPage()),
                               int(entries.size()));
    QStringList lines;
    for (const CheckFinding& finding : std::as_const(findings))
        lines << FormatFinding(finding);
    QCOMPARE(lines, QStringList());
}

void TestSample::recordEveryPage_data()
{
    edits_data();
}

// An author who makes each page's edit in the editor and records it gets an
// entry that gives back exactly the edited text.
void TestSample::recordEveryPage()
{
    QFETCH(int, page);
    const QString stage = EditorText(m_stages[page]);
    const QString edited = EditorText(m_stages[page + 1]);
    const DerivedEntry derived = DerivePageEntry(stage, edited);
    QVERIFY2(derived.ok(), qPrintable(derived.message()));
    QCOMPARE(ApplyPage(stage, derived.entry), edited);
    QVERIFY(CheckEntries(stage, {derived.entry}).isEmpty());
    // A delete stays a delete; a replace may shrink to an add when it keeps
    // some of its lines.
    const PageEntry stored = Page(page);
    if (stored.color == ARROW_DELETE)
        QCOMPARE(derived.entry.color, int(ARROW_DELETE));
    else
        QVERIFY(derived.entry.color != ARROW_DELETE);
}

QTEST_GUILESS_MAIN(TestSample)
#include "tst_sample.moc"
