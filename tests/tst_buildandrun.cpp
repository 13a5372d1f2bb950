// 実行 in the main window with the program's own paths: the exact arguments
// the compiler gets, Main.as written before it runs, the player started after
// it on the movie, once per run; a compiler that fails still leads to the
// player; a missing compiler is reported with the failed call and its error
// code, abandons the build and leaves the program and the project as they
// were.
//
// Every path of the build comes from the folder of the executable, so the
// test puts a copy of itself into two temporary program folders, one plain
// and one whose path has blanks, with small programs standing in for the
// compiler and the player at their installed places, and runs the checks
// from each copy.

#include "app/commands.h"
#include "app/flashapp.h"
#include "app/mainframe.h"
#include "build/locations.h"
#include "editor/programmingview.h"
#include "tst_programfoldercopy.h"
#include "tutorial/flashdoc.h"
#include "tutorial/peltra.h"

#include "support/appfixture.h"
#include "support/testsupport.h"
#include "support/windowsupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

namespace {

const int kWaitMs = 20000;
const char kInCopyVariable[] = "PELTRA_BUILDANDRUN_IN_PROGRAM_COPY";

// The parent's part: one copy of the test per program folder, each run with
// the same arguments; fails when any copy fails.
int RunFromProgramFolderCopies(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    if (!temp.isValid()) {
        std::fprintf(stderr, "tst_buildandrun: no temporary folder\n");
        return 1;
    }
    int failed = 0;
    for (const QString& name : {QStringLiteral("peltra"), QStringLiteral("my games/Peltra 0.7")}) {
        const QString folder = temp.filePath(name);
        const QString exe = QDir().mkpath(folder) ? programfolder::PlaceSelfIn(folder) : QString();
        if (exe.isEmpty()) {
            std::fprintf(stderr, "tst_buildandrun: cannot put the test into %s\n",
                         qPrintable(folder));
            return 1;
        }
        if (programfolder::RunCopy(exe, kInCopyVariable) != 0)
            ++failed;
    }
    return failed;
}

} // namespace

class TestBuildAndRun : public QObject
{
    Q_OBJECT
public:
    static void initMain() { AppFixture::InitMain(); }

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void defaultPaths();
    void commandLine();
    void twoRunsStartThePlayerTwice();
    void failingCompilerStillStartsPlayer();
    void missingCompiler();

private:
    CMainFrame* Frame() const { return m_app.Frame(); }
    QString Folder() const { return GetProgramFolder(); }
    QString Log(const char* name) const { return Folder() + QLatin1String(name); }
    QString Compiler() const { return Folder() + QStringLiteral("flex_sdk_4.6/bin/mxmlc"); }
    void Build();

    AppFixture m_app;
    QString m_strSavePath;
};

void TestBuildAndRun::initTestCase()
{
    m_app.SetUp();
    m_app.fileDialog = [this](FileDialogKind, const QString&, const QString&) {
        return m_strSavePath;
    };
    qInfo("program folder: %s", qPrintable(Folder()));
    QVERIFY2(qEnvironmentVariableIsSet(kInCopyVariable), "runs in its own program folder");
    AppFixture::ForgetSettings();

    // The compiler's stand-in notes its turn, its arguments and the source
    // as it finds it, then writes a movie; with compiler.fails in the folder
    // it reports an error instead and writes none.
    const QByteArray folder = Folder().toUtf8();
    QVERIFY(WriteExecutable(Compiler(), "#!/bin/sh\n"
                                        "dir='" +
                                            folder +
                                            "'\n"
                                            "echo compile >> \"$dir/order.log\"\n"
                                            ": > \"$dir/compiler.args\"\n"
                                            "for a in \"$@\"; do printf '%s\\n' \"$a\" >> "
                                            "\"$dir/compiler.args\"; done\n"
                                            "cat \"$1\" > \"$dir/compiler-saw.as\"\n"
                                            "echo compiling \"$1\"\n"
                                            "if [ -f \"$dir/compiler.fails\" ]; then\n"
                                            "  echo \"$1(1): col: 1 Error: syntax error\" >&2\n"
                                            "  exit 2\n"
                                            "fi\n"
                                            "printf 'FWS' > \"$3\"\n"));
    QVERIFY(WriteExecutable(Folder() + QStringLiteral("flashplayer_11_sa"),
                            "#!/bin/sh\n"
                            "dir='" +
                                folder +
                                "'\n"
                                "echo play >> \"$dir/order.log\"\n"
                                "for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$dir/player.log\"; "
                                "done\n"));
    QVERIFY(QDir().mkpath(Folder() + QStringLiteral("game/src")));
    QVERIFY(QDir().mkpath(Folder() + QStringLiteral("game/bin")));

    QVERIFY(m_app.Start());
    QVERIFY(m_app.ShowMainWindow(QSize(900, 600)));
}

void TestBuildAndRun::cleanupTestCase()
{
    m_app.TearDown();
}

void TestBuildAndRun::init()
{
    m_app.messages.clear();
    for (const char* name : {"order.log", "compiler.args", "compiler-saw.as", "player.log",
                             "compiler.fails", "game/bin/GameMovie.swf"})
        QFile::remove(Log(name));
}

// 実行 on the toolbar, as the learner presses it; it returns once the
// compiler has finished.
void TestBuildAndRun::Build()
{
    QVERIFY(m_app.ClickToolButton(ID_BUILD_AND_RUN));
}

// The build works with the places below the program folder.
void TestBuildAndRun::defaultPaths()
{
    QCOMPARE(Frame()->m_strMxmlcPath, Compiler());
    QCOMPARE(Frame()->m_strSourcePath, Folder() + QStringLiteral("game/src/Main.as"));
    QCOMPARE(Frame()->m_strPlayerPath, Folder() + QStringLiteral("flashplayer_11_sa"));
    QCOMPARE(Frame()->m_strMoviePath, Folder() + QStringLiteral("game/bin/GameMovie.swf"));
}

// The compiler gets the source, the output and the game's settings as whole
// arguments, blanks or not; it finds Main.as already written; the player is
// started after it, on the movie.
void TestBuildAndRun::commandLine()
{
    Frame()->m_pEditorPane->SetWindowText(QStringLiteral("a\nb あ"));
    Build();
    const QByteArray saved("a\r\nb \xe3\x81\x82");
    QCOMPARE(ReadAll(Folder() + QStringLiteral("game/src/Main.as")), saved);
    QCOMPARE(ReadAll(Log("compiler-saw.as")), saved);
    const QStringList expected = {
        Folder() + QStringLiteral("game/src/Main.as"),
        QStringLiteral("-output"),
        Folder() + QStringLiteral("game/bin/GameMovie.swf"),
        // The folder's own separator and the template's: two in a row.
        QStringLiteral("-load-config+=") + Folder() + QStringLiteral("/game/obj/Main-config.xml"),
    };
    QCOMPARE(QString::fromUtf8(ReadAll(Log("compiler.args"))).split(u'\n', Qt::SkipEmptyParts),
             expected);
    QTRY_COMPARE_WITH_TIMEOUT(ReadAll(Log("order.log")), QByteArray("compile\nplay\n"), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(ReadAll(Log("player.log"))),
                              Folder() + QStringLiteral("game/bin/GameMovie.swf\n"), kWaitMs);
    QVERIFY2(m_app.messages.isEmpty(), qPrintable(m_app.messages.join(u'\n')));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

// Without editing in between, each run writes the same Main.as, compiles
// and asks for the player again.
void TestBuildAndRun::twoRunsStartThePlayerTwice()
{
    Frame()->m_pEditorPane->SetWindowText(QStringLiteral("var x:int = 1;\n"));
    const QByteArray movieLine = Folder().toUtf8() + "game/bin/GameMovie.swf\n";
    Build();
    QTRY_COMPARE_WITH_TIMEOUT(ReadAll(Log("player.log")), movieLine, kWaitMs);
    const QByteArray first = ReadAll(Frame()->m_strSourcePath);
    QCOMPARE(first, QByteArray("var x:int = 1;\r\n"));
    QFile::remove(Frame()->m_strSourcePath);

    Build();
    QCOMPARE(ReadAll(Frame()->m_strSourcePath), first);
    QCOMPARE(ReadAll(Log("compiler-saw.as")), first);
    QTRY_COMPARE_WITH_TIMEOUT(ReadAll(Log("player.log")), movieLine + movieLine, kWaitMs);
    QCOMPARE(ReadAll(Log("order.log")), QByteArray("compile\nplay\ncompile\nplay\n"));
    QVERIFY(m_app.messages.isEmpty());
}

// A compile that fails is not judged: nothing is shown and the player is
// started on the movie path all the same.
void TestBuildAndRun::failingCompilerStillStartsPlayer()
{
    QVERIFY(WriteExecutable(Log("compiler.fails"), ""));
    Frame()->m_pEditorPane->SetWindowText(QStringLiteral("class {"));
    Build();
    QCOMPARE(ReadAll(Frame()->m_strSourcePath), QByteArray("class {"));
    QCOMPARE(ReadAll(Log("compiler-saw.as")), QByteArray("class {"));
    QVERIFY(!QFile::exists(Frame()->m_strMoviePath));
    QTRY_COMPARE_WITH_TIMEOUT(ReadAll(Log("order.log")), QByteArray("compile\nplay\n"), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(ReadAll(Log("player.log"))),
                              Folder() + QStringLiteral("game/bin/GameMovie.swf\n"), kWaitMs);
    QVERIFY(m_app.messages.isEmpty());
}

// A compiler that is not there: the report names the call and the error
// code, the build stops before the player, Main.as is written, and the
// program goes on with its project unsaved but savable.
void TestBuildAndRun::missingCompiler()
{
    CFlashDoc* doc = theApp.GetDocument();
    PageEntry entry;
    entry.text = QByteArray("var score:int = 0;\r\n");
    entry.color = ARROW_ADD;
    entry.line = 3;
    entry.lineCount = 1;
    theTutorial.SetCurrentPage(0);
    theTutorial.SetPage(entry);
    doc->SetModifiedFlag(true);

    const QString compiler = Compiler();
    QVERIFY(QFile::rename(compiler, compiler + QStringLiteral(".away")));
    Frame()->m_pEditorPane->SetWindowText(QStringLiteral("saved anyway"));
    Build();
    QVERIFY(QFile::rename(compiler + QStringLiteral(".away"), compiler));

    QCOMPARE(m_app.messages.size(), 1);
    QVERIFY2(m_app.messages.at(0).contains(QStringLiteral("API    = CreateProcess.")),
             qPrintable(m_app.messages.at(0)));
    QVERIFY2(m_app.messages.at(0).contains(QStringLiteral("error code = 2.")),
             qPrintable(m_app.messages.at(0)));
    QCOMPARE(ReadAll(Frame()->m_strSourcePath), QByteArray("saved anyway"));
    QVERIFY(!QFile::exists(Log("order.log")));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(Frame()->isVisible());

    // The project is still modified, and saving it works.
    QVERIFY(doc->IsModified());
    m_strSavePath = Folder() + QStringLiteral("after the failed build.lrnf");
    Frame()->Action(ID_FILE_SAVE)->trigger();
    QCOMPARE(m_app.messages.size(), 1);
    QVERIFY(!doc->IsModified());
    CPeltra saved;
    QCOMPARE(CFlashDoc::LoadProject(m_strSavePath, saved), CFlashDoc::LoadResult::Ok);
    saved.SetCurrentPage(theTutorial.GetCurrentPage()); // not part of the file
    QVERIFY(saved == theTutorial);
    QCOMPARE(saved.GetText(), entry.text);

    // The next build runs as ever; the failed one started no player.
    Build();
    QTRY_COMPARE_WITH_TIMEOUT(ReadAll(Log("order.log")), QByteArray("compile\nplay\n"), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(ReadAll(Log("player.log"))),
                              Folder() + QStringLiteral("game/bin/GameMovie.swf\n"), kWaitMs);
    QCOMPARE(m_app.messages.size(), 1);
}

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet(kInCopyVariable))
        return RunFromProgramFolderCopies(argc, argv);
    TestBuildAndRun::initMain();
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestBuildAndRun test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_buildandrun.moc"
