// 実行 in the main window with the program's own paths: the exact arguments
// the compiler gets, Main.as written before it runs, the player started after
// it on the movie, once per run; a compile that fails lists its messages,
// marks them in the editor and starts no player; a missing compiler is
// reported with the failed call and its error code, abandons the build and
// leaves the program and the project as they were; a Main.as that cannot be
// saved is not compiled; a running compile is cancelled by Esc, by 実行 and
// by closing the window; unsaved editor text is asked about.
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
#include "build/messagespane.h"
#include "editor/diagnosticmarks.h"
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
#include <QTreeWidget>

#include <cerrno>
#include <csignal>

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

// The first of the compiler's errors and warnings in the pane (the lines
// without a kind, such as the stand-in's own note, are passed over).
QTreeWidgetItem* FirstMessage(const CMessagesPane* pane)
{
    for (int i = 0; QTreeWidgetItem* item = pane->MessageItem(i); ++i) {
        if (!item->text(CMessagesPane::KindColumn).isEmpty())
            return item;
    }
    return nullptr;
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
    void failedCompileStartsNoPlayer_data();
    void failedCompileStartsNoPlayer();
    void messageLeadsToItsPlace();
    void missingCompiler();
    void unsavableSourceIsNotCompiled();
    void cancel_data();
    void cancel();
    void closeDuringCompile();
    void unsavedEditorText();

private:
    CMainFrame* Frame() const { return m_app.Frame(); }
    QString Folder() const { return GetProgramFolder(); }
    QString Log(const char* name) const { return Folder() + QLatin1String(name); }
    QString Compiler() const { return Folder() + QStringLiteral("flex_sdk_4.6/bin/mxmlc"); }
    void Build();
    // Starts a compile that sleeps until it is ended; its process id.
    qint64 StartSleepingCompile();

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
    // as it finds it, then writes a movie. With compiler.fails in the folder
    // it prints that file (SOURCE standing for the source's path) and fails;
    // with compiler.nomovie it ends well without a movie; with
    // compiler.sleeps it notes its process id and sleeps.
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
                                            "  sed \"s|SOURCE|$1|g\" \"$dir/compiler.fails\" >&2\n"
                                            "  exit 2\n"
                                            "fi\n"
                                            "if [ -f \"$dir/compiler.sleeps\" ]; then\n"
                                            "  echo $$ > \"$dir/compiler.pid\"\n"
                                            "  exec sleep 60\n"
                                            "fi\n"
                                            "[ -f \"$dir/compiler.nomovie\" ] && exit 0\n"
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
    m_app.answer = QMessageBox::Ok;
    for (const char* name :
         {"order.log", "compiler.args", "compiler-saw.as", "player.log", "compiler.fails",
          "compiler.nomovie", "compiler.sleeps", "compiler.pid", "game/bin/GameMovie.swf"})
        QFile::remove(Log(name));
}

// 実行 on the toolbar, as the learner presses it; it returns once the
// compile has finished.
void TestBuildAndRun::Build()
{
    QVERIFY(m_app.ClickToolButton(ID_BUILD_AND_RUN));
    QTRY_VERIFY_WITH_TIMEOUT(!Frame()->IsBuilding(), kWaitMs);
}

qint64 TestBuildAndRun::StartSleepingCompile()
{
    if (!WriteExecutable(Log("compiler.sleeps"), ""))
        return 0;
    Frame()->Action(ID_BUILD_AND_RUN)->trigger();
    if (!QTest::qWaitFor([this] { return !ReadAll(Log("compiler.pid")).trimmed().isEmpty(); },
                         kWaitMs))
        return 0;
    return ReadAll(Log("compiler.pid")).trimmed().toLongLong();
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

// A compile that fails, or ends without writing a movie, starts no player
// (the next good build is the first to): the pane lists what the compiler
// said, and the status bar counts the errors.
void TestBuildAndRun::failedCompileStartsNoPlayer_data()
{
    QTest::addColumn<QByteArray>("output"); // empty: the compile ends well without a movie
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("status");
    QTest::newRow("syntax error") << QByteArray("SOURCE(1): col: 7 Syntax error: expecting "
                                                "identifier before leftbrace.\n")
                                  << QStringLiteral("エラー") << QStringLiteral("1")
                                  << QStringLiteral("コンパイル エラー 1 件");
    QTest::newRow("no place") << QByteArray("Error: Unable to resolve root class of SWF: Main\n")
                              << QStringLiteral("エラー") << QString()
                              << QStringLiteral("コンパイル エラー 1 件");
    QTest::newRow("no movie") << QByteArray() << QString() << QString()
                              << QStringLiteral("ムービーを書きませんでした");
}

void TestBuildAndRun::failedCompileStartsNoPlayer()
{
    QFETCH(QByteArray, output);
    QFETCH(QString, kind);
    QFETCH(QString, line);
    QFETCH(QString, status);
    if (output.isEmpty())
        QVERIFY(WriteExecutable(Log("compiler.nomovie"), ""));
    else
        QVERIFY(WriteExecutable(Log("compiler.fails"), output));
    Frame()->m_pEditorPane->SetWindowText(QStringLiteral("class {"));
    Build();
    QCOMPARE(ReadAll(Frame()->m_strSourcePath), QByteArray("class {"));
    QVERIFY(!QFile::exists(Frame()->m_strMoviePath));
    CMessagesPane* pane = Frame()->m_pMessagesPane;
    QString shown;
    for (int i = 0; i < pane->List()->topLevelItemCount(); ++i) {
        for (int c = 0; c < 4; ++c)
            shown += pane->List()->topLevelItem(i)->text(c) + u'|';
        shown += u'\n';
    }
    QVERIFY2(Frame()->GetStatusText().contains(status), qPrintable(shown));
    QVERIFY(pane->isVisible());
    if (!kind.isEmpty()) {
        QTreeWidgetItem* item = FirstMessage(pane);
        QVERIFY2(item, qPrintable(shown));
        QCOMPARE(item->text(CMessagesPane::KindColumn), kind);
        QCOMPARE(item->text(CMessagesPane::LineColumn), line);
    }
    QVERIFY(m_app.messages.isEmpty());

    // The next build that writes a movie is the first to start the player.
    QFile::remove(Log("compiler.fails"));
    QFile::remove(Log("compiler.nomovie"));
    Build();
    QTRY_COMPARE_WITH_TIMEOUT(ReadAll(Log("order.log")), QByteArray("compile\ncompile\nplay\n"),
                              kWaitMs);
    QVERIFY2(pane->List()->topLevelItem(0)->text(0).startsWith(QStringLiteral("コンパイル完了")),
             qPrintable(pane->List()->topLevelItem(0)->text(0)));
    QCOMPARE(pane->List()->topLevelItemCount(), 1);
}

// Enter on a message puts the caret at its line and column; the editor
// underlines the place until that line is edited.
void TestBuildAndRun::messageLeadsToItsPlace()
{
    QVERIFY(WriteExecutable(Log("compiler.fails"),
                            "SOURCE(3): col: 5 Error: Access of possibly undefined property foo.\n"
                            "SOURCE(1): col: 1 Warning: something to look at\n"));
    CProgrammingView* editor = Frame()->m_pEditorPane;
    editor->SetWindowText(QStringLiteral("var a;\nvar b;\nfoo.bar = 1;\n"));
    const bool editDone = editor->m_bEditDone;
    Build();
    QCOMPARE(Frame()->m_pDiagnosticMarks->Marks().size(), 2);
    CMessagesPane* pane = Frame()->m_pMessagesPane;
    // An explanation stands under the message; the compiler's words stay.
    QTreeWidgetItem* item = FirstMessage(pane);
    QVERIFY(item);
    QVERIFY(item->text(CMessagesPane::MessageColumn).contains(QStringLiteral("foo")));
    QCOMPARE(item->childCount(), 1);
    QVERIFY(!item->child(0)->text(CMessagesPane::MessageColumn).isEmpty());

    pane->List()->setFocus();
    pane->List()->setCurrentItem(item);
    QTest::keyClick(pane->List(), Qt::Key_Return);
    QCOMPARE(editor->textCursor().blockNumber(), 2);
    QCOMPARE(editor->textCursor().positionInBlock(), 4);
    QCOMPARE(Frame()->GetActivePane(), 1);
    QCOMPARE(editor->m_bEditDone, editDone);

    // Editing line 3 takes its mark away; the warning on line 1 stays.
    QTextCursor cursor = editor->textCursor();
    cursor.insertText(QStringLiteral("x"));
    const QList<CDiagnosticMarks::Mark> marks = Frame()->m_pDiagnosticMarks->Marks();
    QCOMPARE(marks.size(), 1);
    QCOMPARE(marks.at(0).line, 1);
    QVERIFY(!marks.at(0).error);
    editor->SetWindowText(QString());
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
    QVERIFY(!QFile::exists(Log("player.log")));
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

// When Main.as cannot be written, a message names it with the system's
// reason and the compiler does not run on the old source.
void TestBuildAndRun::unsavableSourceIsNotCompiled()
{
    const QString source = Frame()->m_strSourcePath;
    QFile::remove(source);
    QVERIFY(QDir().mkdir(source)); // a folder where the file should be
    Frame()->m_pEditorPane->SetWindowText(QStringLiteral("var x:int = 1;"));
    Build();
    QVERIFY(QDir().rmdir(source));
    QCOMPARE(m_app.messages.size(), 1);
    const QStringList lines = m_app.messages.at(0).split(u'\n');
    QCOMPARE(lines.value(0),
             QDir::toNativeSeparators(source) + QStringLiteral(" を保存できませんでした。"));
    QVERIFY2(!lines.value(1).isEmpty(), "the system's reason");
    QVERIFY(!QFile::exists(Log("order.log")));
}

// Esc and 実行 stop a running compile: the compiler is ended and reaped,
// no player starts.
void TestBuildAndRun::cancel_data()
{
    QTest::addColumn<bool>("byEsc");
    QTest::newRow("Esc") << true;
    QTest::newRow("実行 again") << false;
}

void TestBuildAndRun::cancel()
{
    QFETCH(bool, byEsc);
    const qint64 pid = StartSleepingCompile();
    QVERIFY(pid > 0);
    QVERIFY(Frame()->IsBuilding());
    QVERIFY2(Frame()->GetStatusText().startsWith(QStringLiteral("コンパイル中…")),
             qPrintable(Frame()->GetStatusText()));
    if (byEsc)
        QTest::keyClick(Frame()->m_pEditorPane, Qt::Key_Escape);
    else
        Frame()->Action(ID_BUILD_AND_RUN)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!Frame()->IsBuilding(), kWaitMs);
    QCOMPARE(Frame()->GetStatusText(), QStringLiteral("コンパイルを中止しました。"));
    // Ended and reaped: no such process any more.
    QTRY_VERIFY_WITH_TIMEOUT(::kill(pid_t(pid), 0) != 0 && errno == ESRCH, kWaitMs);
    QVERIFY(!QFile::exists(Log("player.log")));
    QVERIFY(m_app.messages.isEmpty());
}

// Closing the window during a compile cancels it, then closes.
void TestBuildAndRun::closeDuringCompile()
{
    const qint64 pid = StartSleepingCompile();
    QVERIFY(pid > 0);
    Frame()->close();
    QTRY_VERIFY_WITH_TIMEOUT(!Frame()->isVisible(), kWaitMs);
    QVERIFY(!Frame()->IsBuilding());
    QTRY_VERIFY_WITH_TIMEOUT(::kill(pid_t(pid), 0) != 0 && errno == ESRCH, kWaitMs);
    QVERIFY(!QFile::exists(Log("player.log")));
    Frame()->show();
    QVERIFY(QTest::qWaitForWindowExposed(Frame()));
}

// Text typed since the last load or build is asked about before 最後 and
// before the window closes: キャンセル stays, いいえ goes on without it,
// はい writes it to Main.as. The caption marks it meanwhile.
void TestBuildAndRun::unsavedEditorText()
{
    const QString question = QStringLiteral("Main.as への変更を保存しますか?");
    CProgrammingView* editor = Frame()->m_pEditorPane;
    theTutorial.SetCurrentPage(-1);
    QFile file(Frame()->m_strSourcePath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("on disk");
    file.close();
    editor->SetWindowText(QStringLiteral("typed"));
    editor->document()->setModified(false);
    QVERIFY(!Frame()->windowTitle().contains(u'*'));
    editor->setFocus();
    QTest::keyClicks(editor, QStringLiteral("abc"));
    QVERIFY(Frame()->IsEditorModified());
    QVERIFY2(Frame()->windowTitle().contains(QStringLiteral("* - Peltra 0.7")),
             qPrintable(Frame()->windowTitle()));

    // 最後: キャンセル keeps the text, いいえ loads Main.as.
    m_app.answer = QMessageBox::Cancel;
    Frame()->Action(ID_OPEN_LAST_SOURCE)->trigger();
    QCOMPARE(m_app.messages, QStringList{question});
    QVERIFY(editor->GetWindowText().contains(QStringLiteral("abc")));
    m_app.answer = QMessageBox::No;
    Frame()->Action(ID_OPEN_LAST_SOURCE)->trigger();
    QCOMPARE(m_app.messages.size(), 2);
    QCOMPARE(editor->GetWindowText(), QStringLiteral("on disk"));
    QVERIFY(!Frame()->IsEditorModified());
    QVERIFY(!Frame()->windowTitle().contains(u'*'));

    // Exit: キャンセル stays, はい saves and closes.
    QTest::keyClicks(editor, QStringLiteral("xyz"));
    const QString typed = editor->GetWindowText();
    m_app.answer = QMessageBox::Cancel;
    QVERIFY(!Frame()->close());
    QVERIFY(Frame()->isVisible());
    QCOMPARE(m_app.messages.size(), 3);
    QCOMPARE(m_app.messages.at(2), question);
    m_app.answer = QMessageBox::Yes;
    Frame()->Action(ID_APP_EXIT)->trigger();
    QVERIFY(!Frame()->isVisible());
    QCOMPARE(m_app.messages.size(), 4);
    QCOMPARE(QString::fromUtf8(ReadAll(Frame()->m_strSourcePath))
                 .replace(QLatin1String("\r\n"), QLatin1String("\n")),
             typed);
    Frame()->show();
    QVERIFY(QTest::qWaitForWindowExposed(Frame()));
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
