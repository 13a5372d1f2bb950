#include "build/compilecommand.h"
#include "build/locations.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestCompileCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void format_data();
    void format();
    void split_data();
    void split();
    void firstToken_data();
    void firstToken();
    void formattedLineSplitsBack_data();
    void formattedLineSplitsBack();
    void argumentsStayWhole_data();
    void argumentsStayWhole();

private:
    QTemporaryDir m_dir;
};

void TestCompileCommand::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Programs <tmp>/with blanks/tool, <tmp>/two words/x, <tmp>/two,
    // <tmp>/学習 フォルダ and <tmp>/plain words/x; the folder <tmp>/with and
    // the plain (not executable) file <tmp>/plain.
    for (const char* dir : {"with blanks", "with", "two words", "plain words"})
        QVERIFY(QDir(m_dir.path()).mkpath(S(dir)));
    const QFile::Permissions plain = QFile::ReadOwner | QFile::WriteOwner;
    const QList<QPair<const char*, QFile::Permissions>> files{
        {"with blanks/tool", plain | QFile::ExeOwner},
        {"two words/x", plain | QFile::ExeOwner},
        {"two", plain | QFile::ExeOwner},
        {"学習 フォルダ", plain | QFile::ExeOwner},
        {"plain words/x", plain | QFile::ExeOwner},
        {"plain", plain}};
    for (const auto& [name, permissions] : files) {
        QFile file(m_dir.filePath(S(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(file.setPermissions(permissions));
    }
}

void TestCompileCommand::format_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << S("/opt/learn/")
                           << S("/opt/learn/flex_sdk_4.6/bin/mxmlc \"/opt/learn/game/src/Main.as\" "
                                "-output \"/opt/learn/game/bin/GameMovie.swf\" "
                                "-load-config+=\"/opt/learn//game/obj/Main-config.xml\"");
    // The compiler's path, the first token, stays bare even with blanks.
    QTest::newRow("blanks") << S("/a b/c d/")
                            << S("/a b/c d/flex_sdk_4.6/bin/mxmlc \"/a b/c d/game/src/Main.as\" "
                                 "-output \"/a b/c d/game/bin/GameMovie.swf\" "
                                 "-load-config+=\"/a b/c d//game/obj/Main-config.xml\"");
    QTest::newRow("japanese")
        << S("/home/学習/")
        << S("/home/学習/flex_sdk_4.6/bin/mxmlc \"/home/学習/game/src/Main.as\" "
             "-output \"/home/学習/game/bin/GameMovie.swf\" "
             "-load-config+=\"/home/学習//game/obj/Main-config.xml\"");
    // A percent sign or a %1 in a folder name is text, not a place holder.
    QTest::newRow("percent") << S("/x%1%2/")
                             << S("/x%1%2/flex_sdk_4.6/bin/mxmlc \"/x%1%2/game/src/Main.as\" "
                                  "-output \"/x%1%2/game/bin/GameMovie.swf\" "
                                  "-load-config+=\"/x%1%2//game/obj/Main-config.xml\"");
    // No length limit: a deep folder gives the whole line.
    const QString deep = '/' + QString(600, 'd') + '/';
    QTest::newRow("long") << deep
                          << deep + S("flex_sdk_4.6/bin/mxmlc \"") + deep +
                                 S("game/src/Main.as\" -output \"") + deep +
                                 S("game/bin/GameMovie.swf\" -load-config+=\"") + deep +
                                 S("/game/obj/Main-config.xml\"");
}

void TestCompileCommand::format()
{
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    QCOMPARE(FormatCompileCommandLine(MxmlcPath(folder), SourcePath(folder), folder), expected);
}

void TestCompileCommand::split_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("blanks only") << S(" \t ") << QStringList();
    QTest::newRow("words") << S("a b c") << QStringList{"a", "b", "c"};
    QTest::newRow("runs of blanks and tabs") << S("  a \t b\t\tc  ") << QStringList{"a", "b", "c"};
    QTest::newRow("quoted argument") << S("a \"b c\" d") << QStringList{"a", "b c", "d"};
    QTest::newRow("quotes inside a word") << S("a b\"c d\"e") << QStringList{"a", "bc de"};
    QTest::newRow("empty quotes") << S("a \"\" b") << QStringList{"a", "", "b"};
    QTest::newRow("unclosed quote") << S("a \"b c") << QStringList{"a", "b c"};
    QTest::newRow("plain backslashes") << S("a b\\c d\\\\e") << QStringList{"a", "b\\c", "d\\\\e"};
    QTest::newRow("escaped quote") << S("a b\\\"c") << QStringList{"a", "b\"c"};
    QTest::newRow("2 backslashes, quote") << S("a b\\\\\"c d\"") << QStringList{"a", "b\\c d"};
    QTest::newRow("3 backslashes, quote") << S("a b\\\\\\\"c") << QStringList{"a", "b\\\"c"};
    QTest::newRow("4 backslashes, quote")
        << S("a \"b\\\\\\\\\" c") << QStringList{"a", "b\\\\", "c"};
    QTest::newRow("trailing backslash in quotes")
        << S("a \"C:\\dir\\\\\" b") << QStringList{"a", "C:\\dir\\", "b"};
    QTest::newRow("doubled quote in quotes")
        << S("a \"b\"\"c\" d") << QStringList{"a", "b\"c", "d"};
    QTest::newRow("quoted program") << S("\"/x y/p\" q") << QStringList{"/x y/p", "q"};
    // The program's name takes backslashes literally, even before a quote.
    QTest::newRow("program backslashes") << S("C:\\a\\b.exe x") << QStringList{"C:\\a\\b.exe", "x"};
    QTest::newRow("program quote after backslash")
        << S("\"C:\\a b\\\" x") << QStringList{"C:\\a b\\", "x"};
    QTest::newRow("program quoted part") << S("\"/a b\"/c d") << QStringList{"/a b/c", "d"};
    QTest::newRow("option with quoted value")
        << S("p -load-config+=\"/a b//c.xml\"") << QStringList{"p", "-load-config+=/a b//c.xml"};
    QTest::newRow("japanese") << S("p \"学習 フォルダ\" 表示")
                              << QStringList{"p", "学習 フォルダ", "表示"};
    // No existing file is named by any prefix: the first blank ends it.
    QTest::newRow("missing program with blanks")
        << S("/no such/dir/p x") << QStringList{"/no", "such/dir/p", "x"};
}

void TestCompileCommand::split()
{
    QFETCH(QString, line);
    QFETCH(QStringList, expected);
    QCOMPARE(SplitCommandLine(line), expected);
}

void TestCompileCommand::firstToken_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("expected");

    const QString dir = m_dir.path() + '/';
    // <tmp>/with is a folder, not a file, so the search goes on.
    QTest::newRow("program in folder with blanks")
        << dir + S("with blanks/tool \"a b\" -o c")
        << QStringList{dir + S("with blanks/tool"), "a b", "-o", "c"};
    QTest::newRow("program alone")
        << dir + S("with blanks/tool") << QStringList{dir + S("with blanks/tool")};
    QTest::newRow("program then plain words")
        << dir + S("with blanks/tool x y") << QStringList{dir + S("with blanks/tool"), "x", "y"};
    // The shortest prefix that names a file wins, as on Windows.
    QTest::newRow("shorter file first")
        << dir + S("two words/x y") << QStringList{dir + S("two"), "words/x", "y"};
    // A file that cannot be run is no program: the search goes on.
    QTest::newRow("plain file passed over")
        << dir + S("plain words/x y") << QStringList{dir + S("plain words/x"), "y"};
    QTest::newRow("japanese file name")
        << dir + S("学習 フォルダ -v") << QStringList{dir + S("学習 フォルダ"), "-v"};
    // The search stops at the first double quote.
    QTest::newRow("stops at quote")
        << dir + S("with \"blanks/tool\" x") << QStringList{dir + S("with"), "blanks/tool", "x"};
    // A quoted program is taken as quoted, without any search.
    QTest::newRow("quoted") << '"' + dir + S("two words/x\" y")
                            << QStringList{dir + S("two words/x"), "y"};
}

void TestCompileCommand::firstToken()
{
    QFETCH(QString, line);
    QFETCH(QStringList, expected);
    QCOMPARE(SplitCommandLine(line), expected);
}

void TestCompileCommand::formattedLineSplitsBack_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("plain") << S("learn");
    QTest::newRow("blanks") << S("with blanks/my learn");
    QTest::newRow("japanese with blanks") << S("表示 ソフト/学習 フォルダ");
}

void TestCompileCommand::formattedLineSplitsBack()
{
    QFETCH(QString, folder);
    const QString programFolder = m_dir.filePath(folder) + '/';
    QVERIFY(QDir().mkpath(programFolder + S("flex_sdk_4.6/bin")));
    QFile compiler(MxmlcPath(programFolder));
    QVERIFY(compiler.open(QIODevice::WriteOnly));
    compiler.close();
    QVERIFY(compiler.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    const QString line = FormatCompileCommandLine(MxmlcPath(programFolder),
                                                  SourcePath(programFolder), programFolder);
    const QStringList expected{MxmlcPath(programFolder), SourcePath(programFolder), S("-output"),
                               MoviePath(programFolder),
                               S("-load-config+=") + ConfigPath(programFolder)};
    QCOMPARE(SplitCommandLine(line), expected);
    // The list the compiler is started from has the same parts.
    QCOMPARE(CompileArguments(MxmlcPath(programFolder), SourcePath(programFolder), programFolder),
             expected);
}

void TestCompileCommand::argumentsStayWhole_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("double quote") << S("/tmp/say \"hi\"/");
    QTest::newRow("quote and backslash") << S("/tmp/a\\\"b/");
    QTest::newRow("blanks") << S("/tmp/run dir/");
}

void TestCompileCommand::argumentsStayWhole()
{
    // Whatever the folder's name holds, each path is one argument, exactly
    // as the locations give it; the formatted line shows the same parts.
    QFETCH(QString, folder);
    const QStringList args = CompileArguments(MxmlcPath(folder), SourcePath(folder), folder);
    QCOMPARE(args, (QStringList{MxmlcPath(folder), SourcePath(folder), S("-output"),
                                MoviePath(folder), S("-load-config+=") + ConfigPath(folder)}));
    const QString line = FormatCompileCommandLine(MxmlcPath(folder), SourcePath(folder), folder);
    for (const QString& arg : args)
        QVERIFY2(line.contains(arg.section('=', -1)), qPrintable(arg));
}

QTEST_GUILESS_MAIN(TestCompileCommand)
#include "tst_compilecommand.moc"
