// The compiler's messages and their explanations, against the real
// compiler: the sample game is broken as a learner would break it, compiled
// here by the program folder's compiler, and the messages read from what it
// printed. A mark «E:id» or «W:id» in a broken line is where an error or a
// warning is expected, explained by the table row id. A changed wording of
// the compiler shows up as a message without its explanation.
//
// Needs the toolchain set up in the build's program folder
// (scripts/setup-toolchain out/<build>/bin); skipped otherwise.

#include "build/compilecommand.h"
#include "build/diagnostics.h"
#include "build/locations.h"
#include "build/processrunner.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kProgramDir = QStringLiteral(PELTRA_PROGRAM_DIR) + QLatin1Char('/');
const QString kSourceDir = QStringLiteral(PELTRA_SOURCE_DIR);

#define REQUIRE_COMPILER()                                                                         \
    do {                                                                                           \
        if (!QFileInfo(MxmlcPath(kProgramDir)).isExecutable())                                     \
            QSKIP(qPrintable(QStringLiteral("the game compiler is not set up in %1 "               \
                                            "(run scripts/setup-toolchain %1)")                    \
                                 .arg(kProgramDir)));                                              \
    } while (false)

struct Expected
{
    Diagnostic::Kind kind;
    int line;
    int column;
    QString id;
};

// Takes the marks out of text, noting each one's kind, place and id.
QString TakeMarks(const QString& marked, QList<Expected>& expected)
{
    static const QRegularExpression mark(QStringLiteral("«([EW]):([a-z-]+)»"));
    QString text;
    qsizetype from = 0;
    for (const QRegularExpressionMatch& m : mark.globalMatch(marked)) {
        text += marked.mid(from, m.capturedStart() - from);
        from = m.capturedEnd();
        const qsizetype lineStart = text.lastIndexOf(QLatin1Char('\n')) + 1;
        expected.append({m.captured(1) == QLatin1String("E") ? Diagnostic::Kind::Error
                                                             : Diagnostic::Kind::Warning,
                         int(text.count(QLatin1Char('\n')) + 1), int(text.size() - lineStart + 1),
                         m.captured(2)});
    }
    return text + marked.mid(from);
}

using Edits = QList<QPair<QString, QString>>;

} // namespace

class TestDiagnostics : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void brokenSample_data();
    void brokenSample();
    void everyExplanationMet();
    void configurationMessage();
    void unusualOutput_data();
    void unusualOutput();
    void tableLoad_data();
    void tableLoad();

private:
    QTemporaryDir m_dir;
    QString m_finished;
    QSet<QString> m_met;
    int m_compiled = 0;
};

void TestDiagnostics::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_finished = QString::fromUtf8(ReadAll(kSourceDir + S("/sample/finished/Main.as")));
    QVERIFY(m_finished.contains(S("public class Main")));
    QVERIFY(ExplanationTable::builtIn().size() >= 20);
}

void TestDiagnostics::cleanupTestCase()
{
    // The compiler's launcher leaves a compile server waiting for more work
    // beside its socket in the runtime folder. In this test's own runtime
    // folder (below its own home), taking the sockets away ends them.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString home = qEnvironmentVariable("HOME");
    if (runtime.isEmpty() || home.isEmpty() || !runtime.startsWith(home + QLatin1Char('/')))
        return;
    QDir sockets(runtime + S("/peltra"));
    for (const QString& name : sockets.entryList({S("*.sock")}, QDir::System | QDir::Files))
        sockets.remove(name);
}

void TestDiagnostics::brokenSample_data()
{
    // Edits to the finished sample (first occurrence of each text), the
    // messages expected without a place in the source (kind Error), and the
    // program folder's name. A row without edits has no Main.as at all.
    QTest::addColumn<Edits>("edits");
    QTest::addColumn<QStringList>("unplaced");
    QTest::addColumn<QString>("folder");

    // Mistakes the compiler reports all in one run: names mistyped or not
    // declared, calls with the wrong arguments, values of the wrong type,
    // pages pasted twice, return values, and missing types.
    QTest::newRow("mistakes in many places")
        << Edits{{S("basket.y = stage"), S("«E:undefined-name»baskit.y = stage")},
                 {S("\t\t\tshowScore();\n\n"), S("\t\t\t«E:undefined-method»showScor();\n\n")},
                 {S("\t\t\taddStar();\n"), S("\t\t\t«E:too-many-arguments»addStar(3);\n"
                                             "\t\t\t«E:not-a-function»score();\n"
                                             "\t\t\t«E:modifier-in-function»private var t:int;\n")},
                 {S("removeStar(i);\n\t\t\t\t\tshowScore();\n\t\t\t\t} else"),
                  S("«E:argument-count»removeStar();\n\t\t\t\t\tshowScore();\n\t\t\t\t} else")},
                 {S("score:int = 0;"), S("score:int = «W:initializer-type»\"0\";")},
                 {S("\t\tprivate var lives:int = 3;\n"),
                  S("\t\tprivate var lives:int = 3;\n\t\t«E:conflicting-definition»private var "
                    "lives:int = 3;\n")},
                 {S("starTimer:Timer;"), S("starTimer:«E:type-not-found»Timerr;")},
                 {S("\t\tprivate function removeStar(i:int):void"),
                  S("\t\t«E:missing-return»private function removeStar(«W:parameter-without-type»i)"
                    ":int")},
                 {S("if (lives <= 0)"), S("if («W:assignment-in-condition»lives = 0)")},
                 {S("leftDown = true;"), S("«E:const-assignment»KEY_LEFT = 1;")},
                 {S("star.y += 4;"), S("star.«E:no-such-property»yy += 4;")},
                 {S("var r:Number = (i % 2 == 0) ? 15 : 6;"),
                  S("var «W:duplicate-variable»«W:variable-without-type»r = (i % 2 == 0) ? 15 : "
                    "6;\n\t\t\t\tvar r:Number = 1;")},
                 {S("if (event.keyCode == KEY_RIGHT) {\n\t\t\t\trightDown = true;"),
                  S("if («W:unrelated-comparison»event.keyCode == \"right\") {\n\t\t\t\trightDown "
                    "= true;")},
                 {S("basket.x = stage.stageWidth / 2;"), S("basket.x = «E:type-mismatch»\"100\";")},
                 {S("stage.addEventListener(KeyboardEvent.KEY_UP"),
                  S("stage.«E:no-such-method»addEventListner(KeyboardEvent.KEY_UP")},
                 {S("private function showScore():void"),
                  S("private function «W:return-without-type»showScore()")},
                 {S("\t\t\t\t\t\treturn;\n"), S("\t\t\t\t\t\treturn «E:return-in-void»1;\n")},
                 {S("var a:Number = Math.PI"), S("var a:«E:not-a-type»void = Math.PI")},
                 // Columns count UTF-16 units, as QString does: a Japanese
                 // character one, a character beyond it two.
                 {S("\"SCORE: \" + score + \"   LIFE"),
                  S("\"点数😀: \" + «E:undefined-name»scor + \"   LIFE")},
                 {S("\t\t// タイマーが鳴るたびに"),
                  S("\t\t«E:duplicate-function»private function addStar():void\n\t\t{\n\t\t}\n\n"
                    "\t\tpublic function «E:needs-override»addChild(d:Object):void\n\t\t{\n"
                    "\t\t}\n\n\t\t// タイマーが鳴るたびに")}}
        << QStringList() << S("game");

    // Syntax errors stop the compiler early: one per run.
    QTest::newRow("value left out")
        << Edits{{S("basket.x = stage.stageWidth / 2;"), S("basket.x = «E:not-allowed-here»;")}}
        << QStringList() << S("game");
    QTest::newRow("two statements on one line")
        << Edits{{S("private var score:int = 0;"),
                  S("private var score:int = 0 «E:expecting-semicolon»private var best:int = 0;")}}
        << QStringList() << S("game");
    QTest::newRow("closing parenthesis missing")
        << Edits{{S("if (leftDown && basket.x > 40) {"),
                  S("if (leftDown && basket.x > 40 «E:missing-close-paren»{")}}
        << QStringList() << S("game");
    QTest::newRow("condition without parentheses")
        << Edits{{S("if (leftDown && basket.x > 40) {"),
                  S("if «E:missing-open-paren»leftDown && basket.x > 40 {")}}
        << QStringList() << S("game");
    QTest::newRow("closing brace missing at the end")
        << Edits{{S("\t\t}\n\t}\n}"), S("\t\t}\n\t«E:missing-close-brace»}\n")}} << QStringList()
        << S("game");
    QTest::newRow("one closing brace too many")
        << Edits{{S("\t\t// 毎フレームの動き\n\t\tprivate"),
                  S("\t\t}\n\t\t// 毎フレームの動き\n\t\t«E:private-outside-class»private")},
                 {S("\t}\n}"), S("\t}\n«E:extra-after-end»}")}}
        << QStringList() << S("game");
    QTest::newRow("string not closed")
        << Edits{{S("\"SCORE: \" + score + \"   LIFE: \" + lives;"),
                  S("\"SCORE: + score + \"   LIFE: \" + lives;«E:unterminated-string»")}}
        << QStringList() << S("game");
    QTest::newRow("keyword as a name")
        << Edits{{S("private var lives:int"), S("private var «E:expected-name»class:int")}}
        << QStringList() << S("game");
    QTest::newRow("closing bracket missing")
        << Edits{{S("stars[i];"), S("stars[i«E:missing-close-bracket»;")}} << QStringList()
        << S("game");
    QTest::newRow("keyword mistyped")
        << Edits{{S("private function onTimer(event:TimerEvent):void\n\t\t{\n\t\t\taddStar();"),
                  S("private «E:not-allowed-here»funtion onTimer(event«E:label-not-name»:TimerEvent"
                    "«E:unexpected-in-block»):void\n\t\t{\n\t\t\taddStar«E:expected-token»();")}}
        << QStringList() << S("game");
    QTest::newRow("function without its brace")
        << Edits{{S("private function onTimer(event:TimerEvent):void\n\t\t{\n"),
                  S("private function «E:no-body»onTimer(event:TimerEvent):void\n")}}
        << QStringList() << S("game");

    // The class and its file, imports, and the file itself.
    QTest::newRow("class renamed")
        << Edits{{S("public class Main"), S("public class «E:class-name-mismatch»Mian")}}
        << QStringList{S("root-class"), S("build-failed"), S("class-missing")} << S("game");
    QTest::newRow("import mistyped")
        << Edits{{S("import flash.display.Sprite;"),
                  S("import «W:import-not-found»flash.display.Sprit;")},
                 {S("extends Sprite"), S("extends «E:base-class-not-found»Sprite")}}
        << QStringList() << S("game");
    QTest::newRow("Main.as missing") << Edits() << QStringList{S("cannot-open")} << S("game");

    // Warnings only: the movie is made. The program folder's name holds
    // double quotes and blanks, which reach the compiler unchanged.
    QTest::newRow("warnings only, folder with quotes")
        << Edits{{S("var r:Number = (i % 2"), S("var «W:variable-without-type»r = (i % 2")}}
        << QStringList() << S("my \"game\" folder");
}

void TestDiagnostics::brokenSample()
{
    QFETCH(Edits, edits);
    QFETCH(QStringList, unplaced);
    QFETCH(QString, folder);
    REQUIRE_COMPILER();

    // A program folder of its own: the game's configuration from the
    // sample, the compiler from the build's program folder.
    const QString programFolder =
        m_dir.filePath(QString::number(++m_compiled) + QLatin1Char('/') + folder) + '/';
    QVERIFY(QDir().mkpath(programFolder + S("game/bin")));
    QVERIFY(QDir().mkpath(programFolder + S("game/src")));
    QVERIFY(WriteFile(ConfigPath(programFolder),
                      ReadAll(kSourceDir + S("/sample/game/obj/Main-config.xml"))));
    QString marked = m_finished;
    for (const auto& [from, to] : edits) {
        QVERIFY2(marked.contains(from), qPrintable(from));
        marked.replace(marked.indexOf(from), from.size(), to);
    }
    QList<Expected> expected;
    const QString source = TakeMarks(marked, expected);
    if (!edits.isEmpty())
        QVERIFY(WriteFile(SourcePath(programFolder), source.toUtf8()));

    const RunResult run = RunProcess(
        CompileArguments(MxmlcPath(kProgramDir), SourcePath(programFolder), programFolder));
    QVERIFY2(run.ok, qPrintable(run.report()));
    const QString output = QString::fromUtf8(run.output);
    const QList<Diagnostic> diagnostics = ParseDiagnostics(run.output);

    // Every line the compiler wrote was understood.
    QCOMPARE(CountDiagnostics(diagnostics, Diagnostic::Kind::Other), 0);
    const bool errors =
        std::any_of(expected.cbegin(), expected.cend(),
                    [](const Expected& e) { return e.kind == Diagnostic::Kind::Error; }) ||
        !unplaced.isEmpty();
    QVERIFY2(errors ? run.exitCode != 0 : run.succeeded(), qPrintable(output));
    QCOMPARE(QFileInfo::exists(MoviePath(programFolder)), !errors);
    QCOMPARE(CountDiagnostics(diagnostics, Diagnostic::Kind::Error) > 0, errors);

    const QStringList sourceLines = source.split(QLatin1Char('\n'));
    for (const Expected& e : std::as_const(expected)) {
        bool found = false;
        for (const Diagnostic& d : diagnostics) {
            if (d.line != e.line || d.column != e.column || d.kind != e.kind ||
                ExplanationTable::builtIn().explain(d).id != e.id)
                continue;
            found = true;
            // The message names Main.as and carries the source line and
            // the caret under the place.
            QVERIFY2(d.isAbout(SourcePath(programFolder)), qPrintable(d.file));
            QVERIFY(!d.isAbout(ConfigPath(programFolder)));
            const QStringList text = d.text.split(QLatin1Char('\n'));
            QCOMPARE(text.size(), 4);
            QVERIFY2(text.at(0).endsWith(d.message), qPrintable(d.text));
            QCOMPARE(text.at(2), sourceLines.value(e.line - 1));
            QCOMPARE(text.at(3).trimmed(), S("^"));
        }
        QVERIFY2(found,
                 qPrintable(
                     S("%1 at %2:%3 not in\n%4").arg(e.id).arg(e.line).arg(e.column).arg(output)));
        m_met.insert(e.id);
    }
    for (const QString& id : std::as_const(unplaced)) {
        const bool found =
            std::any_of(diagnostics.cbegin(), diagnostics.cend(), [&](const Diagnostic& d) {
                return d.line == 0 && d.kind == Diagnostic::Kind::Error &&
                       ExplanationTable::builtIn().explain(d).id == id;
            });
        QVERIFY2(found, qPrintable(id + S(" not in\n") + output));
        m_met.insert(id);
    }
    // Every explanation reads as a whole: the names filled in.
    for (const Diagnostic& d : diagnostics) {
        const Explanation explanation = ExplanationTable::builtIn().explain(d);
        QVERIFY2(!explanation.text.contains(QRegularExpression(S("%[1-9]"))),
                 qPrintable(explanation.text));
    }
}

void TestDiagnostics::everyExplanationMet()
{
    REQUIRE_COMPILER();
    if (QTest::currentTestFailed() || m_compiled == 0)
        QSKIP("the broken samples did not all run");
    QStringList unmet;
    for (const QString& id : ExplanationTable::builtIn().ids()) {
        if (!m_met.contains(id))
            unmet << id;
    }
    QVERIFY2(unmet.isEmpty(), qPrintable(S("never met: ") + unmet.join(S(", "))));
}

void TestDiagnostics::configurationMessage()
{
    REQUIRE_COMPILER();
    // Without the game's source folder the compiler stops at the line of
    // the configuration that names it, shown without a caret.
    const QString programFolder = m_dir.filePath(S("nosource")) + '/';
    const QByteArray config = ReadAll(kSourceDir + S("/sample/game/obj/Main-config.xml"));
    QVERIFY(WriteFile(ConfigPath(programFolder), config));
    const RunResult run = RunProcess(
        CompileArguments(MxmlcPath(kProgramDir), SourcePath(programFolder), programFolder));
    QVERIFY2(run.ok, qPrintable(run.report()));
    QVERIFY(run.exitCode != 0);

    const QList<Diagnostic> diagnostics = ParseDiagnostics(run.output);
    QCOMPARE(diagnostics.size(), 1);
    const Diagnostic& d = diagnostics.first();
    QCOMPARE(d.kind, Diagnostic::Kind::Error);
    QVERIFY(d.isAbout(ConfigPath(programFolder)));
    const QStringList configLines = QString::fromUtf8(config).split(QLatin1Char('\n'));
    QCOMPARE(configLines.value(d.line - 1).trimmed(), S("</source-path>"));
    QCOMPARE(d.column, 0);
    QCOMPARE(ExplanationTable::builtIn().explain(d).id, S("cannot-open"));
    const QStringList text = d.text.split(QLatin1Char('\n'));
    QCOMPARE(text.size(), 4);
    QVERIFY(text.at(1).endsWith(S(" (line: %1)").arg(d.line)));
    QCOMPARE(text.at(3), configLines.value(d.line - 1).remove(QLatin1Char('\r')));
}

void TestDiagnostics::unusualOutput_data()
{
    // Output the compiler does not give on its own: cut off at the kept
    // size, line ends of another system, bytes that are no text. Whatever
    // it is, every line that is no message is kept as one of kind Other.
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("text");

    QTest::newRow("nothing") << QByteArray() << 0 << 0 << QString();
    QTest::newRow("blank lines") << QByteArray("\r\n \n\t\n") << 0 << 0 << QString();
    QTest::newRow("CR LF line ends")
        << QByteArray("/a/Main.as(3): col: 4 Error: e.\r\n\r\nx;\r\n^\r\n") << 1 << 3
        << S("/a/Main.as(3): col: 4 Error: e.\n\nx;\n^");
    QTest::newRow("cut off before the source line")
        << QByteArray("/a/Main.as(3): col: 4 Error: e.\n\n") << 1 << 3
        << S("/a/Main.as(3): col: 4 Error: e.");
    QTest::newRow("cut off before the caret")
        << QByteArray("/a/Main.as(3): col: 4 Error: e.\n\n\tx = ;") << 2 << 3
        << S("/a/Main.as(3): col: 4 Error: e.");
    QTest::newRow("a long line of parentheses")
        << QByteArray(kKeptOutputSize, '(') << 1 << 0 << QString(kKeptOutputSize, '(');
    QTest::newRow("no text") << QByteArray("\xff\x00\xfe", 3) << 1 << 0
                             << S("\xEF\xBF\xBD") + QChar(0) + S("\xEF\xBF\xBD");
}

void TestDiagnostics::unusualOutput()
{
    QFETCH(QByteArray, output);
    QFETCH(int, count);
    QFETCH(int, line);
    QFETCH(QString, text);

    const QList<Diagnostic> diagnostics = ParseDiagnostics(output);
    QCOMPARE(diagnostics.size(), count);
    if (count == 0)
        return;
    QCOMPARE(diagnostics.first().line, line);
    QCOMPARE(diagnostics.first().text, text);
    QCOMPARE(diagnostics.first().kind,
             line > 0 ? Diagnostic::Kind::Error : Diagnostic::Kind::Other);
}

void TestDiagnostics::tableLoad_data()
{
    QTest::addColumn<QByteArray>("tsv");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("explanation");

    const QByteArray row = "undefined\tAccess of possibly undefined property (\\S+)\\.\t"
                           "\xE3\x80\x8C%1\xE3\x80\x8D";
    QTest::newRow("captured name")
        << row << true << S("Access of possibly undefined property x.") << S("「x」");
    // A name with %2 in it stays as it is.
    QTest::newRow("percent in a name")
        << row << true << S("Access of possibly undefined property a%2.") << S("「a%2」");
    // The pattern must match the whole message.
    QTest::newRow("whole message only")
        << row << true << S("Access of possibly undefined property x. More") << QString();
    QTest::newRow("comments and blank lines")
        << "# note\n\n" + row + "\r\n"
        << true << S("Access of possibly undefined property y.") << S("「y」");
    QTest::newRow("two fields") << QByteArray("a\tb\n") << false << QString() << QString();
    QTest::newRow("bad pattern") << QByteArray("a\t(\tx\n") << false << QString() << QString();
    QTest::newRow("id twice") << row + "\n" + row << false << QString() << QString();
}

void TestDiagnostics::tableLoad()
{
    QFETCH(QByteArray, tsv);
    QFETCH(bool, ok);
    QFETCH(QString, message);
    QFETCH(QString, explanation);

    ExplanationTable table;
    QString error;
    QCOMPARE(table.load(tsv, &error), ok);
    QCOMPARE(error.isEmpty(), ok);
    if (!ok) {
        QCOMPARE(table.size(), 0);
        return;
    }
    QCOMPARE(table.explain(message).text, explanation);
    QCOMPARE(table.explain(message).isNull(), explanation.isEmpty());
}

QTEST_GUILESS_MAIN(TestDiagnostics)
#include "tst_diagnostics.moc"
