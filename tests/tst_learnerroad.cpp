// The learner's road through the sample tutorial in the real main window:
// open the project, load the game template with 最後, follow the pages one by
// one (a click on the page copies its script, Ctrl+V or the toolbar's 貼付
// pastes it, Backspace removes the lines of a delete page, the page's link
// leads on), until the editor holds the finished game; then 実行 writes
// Main.as, compiles the movie and starts the player, and 最後 brings the
// same source back.
//
// The program works below the folder of its executable, and the build writes
// game/src/Main.as and game/bin there. So that no test run touches the
// program folder of the build, the test lays out a copy of it (sample
// project, HTML pages, game template; the compiler and the player linked)
// in a temporary folder whose name has a blank, puts a copy of itself in it
// and runs that copy, which does the checks.
//
// The compile needs the toolchain in the build's program folder
// (scripts/setup-toolchain out/<build>/bin); without it that part is
// skipped with a message that says so.

#include "app/commands.h"
#include "app/flashapp.h"
#include "app/mainframe.h"
#include "browser/flashview.h"
#include "build/locations.h"
#include "build/messagespane.h"
#include "editor/programmingview.h"
#include "swfheader.h"
#include "tst_programfoldercopy.h"
#include "tutorial/codepage.h"
#include "tutorial/flashdoc.h"
#include "tutorial/peltra.h"

#include "support/appfixture.h"
#include "support/guisupport.h"
#include "support/testsupport.h"
#include "support/windowsupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QToolBar>
#include <QTreeWidget>
#include <QWebEnginePage>

namespace {

const int kWaitMs = 20000;
// Set in the environment of the copy that runs the checks.
const char kInCopyVariable[] = "PELTRA_ROAD_IN_PROGRAM_COPY";
const QString kProgramDir = QStringLiteral(PELTRA_PROGRAM_DIR);
const QString kSourceDir = QStringLiteral(PELTRA_SOURCE_DIR);
const QString kCopyStatus = QStringLiteral("左のスクリプトをクリップボードにコピーしました");

// Text with any line ends as the program writes Main.as: CR LF.
QByteArray WithCrLf(QByteArray text)
{
    text.replace("\r\n", "\n");
    return text.replace("\n", "\r\n");
}

// Where two texts part, by line, for a failure message.
QString FirstDifference(const QByteArray& actual, const QByteArray& expected)
{
    const QList<QByteArray> a = WithCrLf(actual).split('\n');
    const QList<QByteArray> b = WithCrLf(expected).split('\n');
    for (int i = 0; i < qMax(a.size(), b.size()); ++i) {
        if (a.value(i) != b.value(i))
            return QStringLiteral("line %1 is \"%2\", expected \"%3\"")
                .arg(i + 1)
                .arg(QString::fromUtf8(a.value(i).trimmed()),
                     QString::fromUtf8(b.value(i).trimmed()));
    }
    return QString();
}

bool CopyTree(const QString& from, const QString& to)
{
    if (!QDir().mkpath(to))
        return false;
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(path);
        if (it.fileInfo().isDir()) {
            if (!QDir().mkpath(target))
                return false;
        } else if (!QFile::copy(path, target)) {
            return false;
        }
    }
    return true;
}

// The parent's part: lays out the program folder copy, runs the test from
// it with the same arguments and passes its exit code on.
int RunFromProgramFolderCopy(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const auto fail = [](const QString& why) {
        std::fprintf(stderr, "tst_learnerroad: %s\n", qPrintable(why));
        return 1;
    };
    for (const char* needed :
         {"sample.lrnf", "HTML/index.html", "game/src/Main.as", "game/obj/Main-config.xml"}) {
        if (!QFile::exists(kProgramDir + QLatin1Char('/') + QLatin1String(needed)))
            return fail(QStringLiteral("the sample tutorial is not built into %1 (%2 missing)")
                            .arg(kProgramDir, QLatin1String(needed)));
    }

    QTemporaryDir temp;
    if (!temp.isValid())
        return fail(QStringLiteral("no temporary folder: %1").arg(temp.errorString()));
    const QString folder = temp.filePath(QStringLiteral("Peltra road"));
    if (!QDir().mkpath(folder) ||
        !QFile::copy(kProgramDir + QStringLiteral("/sample.lrnf"),
                     folder + QStringLiteral("/sample.lrnf")) ||
        !CopyTree(kProgramDir + QStringLiteral("/HTML"), folder + QStringLiteral("/HTML")) ||
        !CopyTree(kProgramDir + QStringLiteral("/game/src"),
                  folder + QStringLiteral("/game/src")) ||
        !CopyTree(kProgramDir + QStringLiteral("/game/obj"),
                  folder + QStringLiteral("/game/obj")) ||
        !QDir().mkpath(folder + QStringLiteral("/game/bin")))
        return fail(QStringLiteral("cannot copy the program folder to %1").arg(folder));
    // The compiler and the player are big and only read: linked, not copied.
    for (const char* name : {"flex_sdk_4.6", "flashplayer_11_sa", "flashplayer_11_sa.d"}) {
        const QString source = kProgramDir + QLatin1Char('/') + QLatin1String(name);
        if (QFileInfo::exists(source) &&
            !QFile::link(source, folder + QLatin1Char('/') + QLatin1String(name)))
            return fail(QStringLiteral("cannot link %1").arg(source));
    }

    const QString exe = programfolder::PlaceSelfIn(folder);
    if (exe.isEmpty())
        return fail(QStringLiteral("cannot put the test into %1").arg(folder));
    return programfolder::RunCopy(exe, kInCopyVariable);
}

} // namespace

class TestLearnerRoad : public QObject
{
    Q_OBJECT
public:
    static void initMain() { AppFixture::InitMain(); }

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void projectOpens();
    void lastSourceLoadsTemplate();
    void pagesLeadToFinishedGame();
    void buildAndRun();
    void lastSourceReloadsBuiltText();
    void typoShowsItsError();

private:
    CMainFrame* Frame() const { return m_app.Frame(); }
    CFlashView* Browser() const { return m_app.Browser(); }
    CProgrammingView* Editor() const { return m_app.Editor(); }
    QString Folder() const { return GetProgramFolder(); }
    QUrl PageUrl(const QString& name) const
    {
        return QUrl::fromLocalFile(QDir::cleanPath(Folder() + QStringLiteral("HTML/") + name));
    }
    // Waits until the browser has finished loading the page file name.
    bool Arrived(const QString& name);
    // Scrolls the page's link to target into view; its point to click in
    // the browser's input widget.
    bool LinkPosition(const QString& target, QPoint* point);
    // Waits until the page's link to target is (or is not) under the mouse.
    bool LinkHovered(const QString& target, bool hovered);
    // Follows the link to target on the page shown, with a real click.
    bool ClickLink(const QString& target);
    // Makes one page's edit; names the page in failures.
    void WorkThroughPage(int page, int pageCount);

    AppFixture m_app;
    QUrl m_loadedUrl;
    int m_nLoads = 0;
    bool m_bRoadDone = false;
    bool m_bBuilt = false;
    QString m_strBuiltText;
};

void TestLearnerRoad::initTestCase()
{
    m_app.SetUp();
    QVERIFY2(QFile::exists(Folder() + QStringLiteral("sample.lrnf")),
             "the test runs in its copy of the program folder");
    AppFixture::ForgetSettings();

    // The learner opens the sample project from the command line (as the
    // shell does when the project file is opened).
    QVERIFY(m_app.Start({Folder() + QStringLiteral("sample.lrnf")}));
    QVERIFY(Frame());
    connect(Browser(), &QWebEngineView::loadFinished, this, [this](bool ok) {
        if (ok) {
            m_loadedUrl = Browser()->url();
            ++m_nLoads;
        }
    });
    QVERIFY(m_app.ShowMainWindow(QSize(1100, 760), true));
}

void TestLearnerRoad::cleanupTestCase()
{
    m_app.TearDown();
}

bool TestLearnerRoad::Arrived(const QString& name)
{
    const QUrl url = PageUrl(name);
    return QTest::qWaitFor([&] { return m_loadedUrl == url && Browser()->url() == url; }, kWaitMs);
}

bool TestLearnerRoad::LinkPosition(const QString& target, QPoint* point)
{
    QVariant found;
    const QString scroll = QStringLiteral("(() => { const a = document.querySelector("
                                          "'a[href=\"%1\"]'); if (!a) return false;"
                                          " a.scrollIntoView({block: 'center'}); return true; })()")
                               .arg(target);
    if (!RunPageScript(Browser(), scroll, &found) || !found.toBool())
        return false;
    // Measured after the scroll has been laid out.
    QVariant rect;
    const QString measure =
        QStringLiteral("(() => { const r = document.querySelector('a[href=\"%1\"]')"
                       ".getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; })()")
            .arg(target);
    if (!RunPageScript(Browser(), measure, &rect))
        return false;
    const QVariantList r = rect.toList();
    if (r.size() != 4 || r.at(2).toDouble() < 4 || r.at(3).toDouble() < 4)
        return false;
    const double zoom = Browser()->zoomFactor();
    *point = QPoint(qRound((r.at(0).toDouble() + qMin(r.at(2).toDouble() / 2, 12.0)) * zoom),
                    qRound((r.at(1).toDouble() + r.at(3).toDouble() / 2) * zoom));
    return QRect(QPoint(0, 0), Browser()->size()).contains(*point);
}

bool TestLearnerRoad::LinkHovered(const QString& target, bool hovered)
{
    const QString script =
        QStringLiteral("document.querySelector('a[href=\"%1\"]').matches(':hover')").arg(target);
    return QTest::qWaitFor(
        [&] {
            QVariant result;
            return RunPageScript(Browser(), script, &result) && result.toBool() == hovered;
        },
        kWaitMs);
}

bool TestLearnerRoad::ClickLink(const QString& target)
{
    QPoint point;
    if (!LinkPosition(target, &point))
        return false;
    // Off the link, then onto it, each move seen by the page (moves that
    // follow each other closely may be merged into one). The page then
    // reports the link under the mouse: its address shows in the status bar.
    QWidget* input = BrowserInput(Browser());
    const QString address = PageUrl(target).toString();
    QTest::mouseMove(input, QPoint(3, 3));
    if (!LinkHovered(target, false))
        return false;
    QTest::mouseMove(input, point);
    if (!LinkHovered(target, true) ||
        !QTest::qWaitFor([&] { return Frame()->GetStatusText() == address; }, kWaitMs)) {
        qWarning("no hover over %s at %d,%d; status: %s", qPrintable(address), point.x(), point.y(),
                 qPrintable(Frame()->GetStatusText()));
        return false;
    }
    QTest::mouseClick(input, Qt::LeftButton, {}, point);
    return true;
}

// The project comes up with all the sample's pages and shows its start page.
void TestLearnerRoad::projectOpens()
{
    const int steps =
        QDir(kSourceDir + QStringLiteral("/sample/steps"), QStringLiteral("*.txt")).count();
    QVERIFY(steps > 0);
    QCOMPARE(theApp.GetDocument()->GetPathName(),
             QDir::cleanPath(Folder() + QStringLiteral("sample.lrnf")));
    QVERIFY(!theApp.GetDocument()->IsModified());
    QCOMPARE(theTutorial.GetPageCount(), steps);
    QVERIFY(Arrived(QStringLiteral("index.html")));
    QCOMPARE(theTutorial.GetCurrentPage(), -1);
    QVERIFY(m_app.messages.isEmpty());
}

// 最後 puts the game template into the editor and the browser on the
// contents page.
void TestLearnerRoad::lastSourceLoadsTemplate()
{
    Editor()->SetWindowText(QStringLiteral("not the template"));
    const int loads = m_nLoads;
    QVERIFY(m_app.ClickToolButton(ID_OPEN_LAST_SOURCE));
    const QByteArray templateSource =
        ReadAll(kSourceDir + QStringLiteral("/sample/game/src/Main.as"));
    QVERIFY(!templateSource.isEmpty());
    QCOMPARE(WithCrLf(Editor()->GetWindowText().toUtf8()), WithCrLf(templateSource));
    QTRY_VERIFY_WITH_TIMEOUT(m_nLoads > loads, kWaitMs);
    QVERIFY(Arrived(QStringLiteral("index.html")));
    QCOMPARE(theTutorial.GetCurrentPage(), -1);
}

void TestLearnerRoad::WorkThroughPage(int page, int pageCount)
{
    const QString name = QStringLiteral("index%1.html").arg(page);
    QVERIFY(Arrived(name));
    QCOMPARE(theTutorial.GetCurrentPage(), page);
    QVERIFY(!Browser()->m_bCopyDone);
    QVERIFY(!Editor()->m_bEditDone);
    QCOMPARE(ClipboardText(), QString());

    const int kind = theTutorial.GetColor();
    const QString script = CFlashView::ClipboardText(theTutorial.GetText());
    const QString next =
        page + 1 < pageCount ? QStringLiteral("index%1.html").arg(page + 1) : QString();
    // The editor stands on the page's lines: the lines a replace or delete
    // page names are selected whole.
    const QTextCursor before = Editor()->textCursor();
    const QString textBefore = Editor()->GetWindowText();
    const int start = before.selectionStart();
    const int end = before.selectionEnd();
    const QStringList lines = textBefore.split(u'\n');
    const int line = theTutorial.GetLine();
    QVERIFY(line >= 1 && line <= lines.size());
    const int count = kind == ARROW_ADD ? 0 : theTutorial.GetLineCount();
    const QStringList covered = lines.mid(line - 1, count);
    QCOMPARE(start, int(lines.mid(0, line - 1).join(u'\n').size() + (line > 1 ? 1 : 0)));
    QCOMPARE(before.selection().toPlainText(),
             count ? covered.join(u'\n') + QLatin1Char('\n') : QString());

    QSignalSpy started(Browser()->page(), &QWebEnginePage::loadStarted);
    if (kind == ARROW_DELETE) {
        // Nothing to copy, and the link is held back until the lines are gone.
        QVERIFY(script.isEmpty());
        if (!next.isEmpty()) {
            QVERIFY(ClickLink(next));
            QVariant alive;
            QVERIFY(RunPageScript(Browser(), QStringLiteral("1"), &alive));
            QCOMPARE(theTutorial.GetCurrentPage(), page);
        }
        QCOMPARE(ClipboardText(), QString());
    } else {
        // The click on the link copies the page's script and goes no further.
        QVERIFY(!script.isEmpty());
        QVERIFY(ClickLink(next.isEmpty() ? QStringLiteral("index.html") : next));
        QCOMPARE(ClipboardText(), script);
        QCOMPARE(Frame()->GetStatusText(), kCopyStatus);
        QCOMPARE(theTutorial.GetCurrentPage(), page);
    }

    // Into the editor: a click there keeps the page's lines selected.
    QWidget* viewport = Editor()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(viewport->width() / 2, 5));
    QTRY_VERIFY(Editor()->hasFocus());
    QCOMPARE(Frame()->GetActivePane(), 1);
    QCOMPARE(Editor()->textCursor().selectionStart(), start);
    QCOMPARE(Editor()->textCursor().selectionEnd(), end);

    QString expected = textBefore;
    if (kind == ARROW_DELETE) {
        QTest::keyClick(Editor(), Qt::Key_Backspace);
        expected.remove(start, end - start);
        QVERIFY(!Browser()->m_bCopyDone); // a Backspace cut leaves the flag
    } else {
        // The learner pastes by key on one page, by the toolbar on the next.
        if (page % 2 == 0)
            QTest::keyClick(Editor(), Qt::Key_V, Qt::ControlModifier);
        else
            QVERIFY(m_app.ClickToolButton(ID_EDIT_PASTE));
        expected.replace(start, end - start, QString(script).remove(u'\r'));
        QVERIFY(Browser()->m_bCopyDone);
        // One paste per copy.
        QTRY_COMPARE(ClipboardText(), QString());
        QVERIFY(!Frame()->Action(ID_EDIT_PASTE)->isEnabled());
    }
    QVERIFY(Editor()->m_bEditDone);
    QCOMPARE(Editor()->GetWindowText(), expected);

    if (next.isEmpty()) {
        QCOMPARE(started.count(), 0);
        return;
    }
    // Now the link works: one navigation, to the next page.
    QVERIFY(ClickLink(next));
    QVERIFY(Arrived(next));
    QCOMPARE(started.count(), 1);
}

void TestLearnerRoad::pagesLeadToFinishedGame()
{
    const int pageCount = theTutorial.GetPageCount();
    QVERIFY(pageCount > 0);
    QVERIFY(Arrived(QStringLiteral("index.html")));
    // On the contents page no page is current: the click follows the link.
    QVERIFY(ClickLink(QStringLiteral("index0.html")));
    for (int page = 0; page < pageCount; ++page) {
        WorkThroughPage(page, pageCount);
        if (QTest::currentTestFailed()) {
            qWarning("the road stopped on page %d (index%d.html)", page, page);
            return;
        }
    }

    const QByteArray finished = ReadAll(kSourceDir + QStringLiteral("/sample/finished/Main.as"));
    QVERIFY(!finished.isEmpty());
    // PELTRA_SCREENSHOT=file.png saves the window at the road's end for a look.
    if (const QString shot = qEnvironmentVariable("PELTRA_SCREENSHOT"); !shot.isEmpty())
        Frame()->grab().save(shot);
    const QByteArray built = WithCrLf(Editor()->GetWindowText().toUtf8());
    QVERIFY2(built == WithCrLf(finished), qPrintable(FirstDifference(built, finished)));
    // Editing the source never touches the project.
    QVERIFY(!theApp.GetDocument()->IsModified());
    QVERIFY(m_app.messages.isEmpty());
    m_bRoadDone = true;
}

// 実行 writes the finished source to Main.as, compiles it into the movie and
// hands the movie to the player.
void TestLearnerRoad::buildAndRun()
{
    QVERIFY2(m_bRoadDone, "the pages did not lead to the finished game");
    const QString source = SourcePath(Folder());
    const QString movie = MoviePath(Folder());
    QCOMPARE(Frame()->m_strSourcePath, source);
    QCOMPARE(Frame()->m_strMoviePath, movie);
    QVERIFY(!QFile::exists(movie));

    // A stand-in for the player notes what it is given; no player window.
    const QString playerLog = Folder() + QStringLiteral("player.log");
    const QString player = Folder() + QStringLiteral("player-stand-in");
    {
        QFile file(player);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + playerLog.toUtf8() + "'\n");
        file.close();
        QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
    }
    Frame()->m_strPlayerPath = player;

    const bool haveCompiler = QFileInfo(Frame()->m_strMxmlcPath).isExecutable();
    m_strBuiltText = Editor()->GetWindowText();
    QVERIFY(m_app.ClickToolButton(ID_BUILD_AND_RUN));
    // The compile runs while the window goes on.
    QTRY_VERIFY_WITH_TIMEOUT(!Frame()->IsBuilding(), kWaitMs);

    const QByteArray finished = ReadAll(kSourceDir + QStringLiteral("/sample/finished/Main.as"));
    QCOMPARE(ReadAll(source), WithCrLf(finished));
    m_bBuilt = true;
    if (!haveCompiler) {
        QCOMPARE(m_app.messages.size(), 1);
        QVERIFY(m_app.messages.at(0).contains(QStringLiteral("CreateProcess")));
        QSKIP(qPrintable(QStringLiteral("the game compiler is not set up in %1 (run "
                                        "scripts/setup-toolchain %1): movie and player not "
                                        "checked")
                             .arg(kProgramDir)));
    }
    QVERIFY2(m_app.messages.isEmpty(), qPrintable(m_app.messages.join(u'\n')));
    QVERIFY2(QFile::exists(movie), "the compiler wrote no movie");
    const QByteArray signature = ReadAll(movie).left(3);
    QVERIFY2(signature == "FWS" || signature == "CWS" || signature == "ZWS", signature.constData());
    // The game's own settings were loaded: its size and frame rate.
    SwfHeader header;
    QString error;
    QVERIFY2(ReadSwfHeaderFromFile(movie, &header, &error), qPrintable(error));
    QCOMPARE(header.frameSize(), QSize(480, 360));
    QCOMPARE(header.frameRate, 30.0);
    QTRY_COMPARE_WITH_TIMEOUT(ReadAll(playerLog), movie.toUtf8() + '\n', kWaitMs);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

// 最後 after the build brings the same source back into the editor and the
// browser to the contents page.
void TestLearnerRoad::lastSourceReloadsBuiltText()
{
    QVERIFY2(m_bBuilt, "no build ran");
    Editor()->SetWindowText(QStringLiteral("changed after the build"));
    // Text changed since the build is asked about first; いいえ drops it.
    Editor()->document()->setModified(true);
    m_app.answer = QMessageBox::No;
    const qsizetype asked = m_app.messages.size();
    const int loads = m_nLoads;
    QVERIFY(m_app.ClickToolButton(ID_OPEN_LAST_SOURCE));
    QCOMPARE(m_app.messages.size(), asked + 1);
    QCOMPARE(m_app.messages.last(), QStringLiteral("Main.as への変更を保存しますか?"));
    m_app.answer = QMessageBox::Ok;
    QCOMPARE(Editor()->GetWindowText(), m_strBuiltText);
    QTRY_VERIFY_WITH_TIMEOUT(m_nLoads > loads, kWaitMs);
    QVERIFY(Arrived(QStringLiteral("index.html")));
    QCOMPARE(theTutorial.GetCurrentPage(), -1);
}

// A typo and 実行: the real compiler's error is listed at its line with an
// explanation, no player is given a movie, and Enter puts the caret there.
void TestLearnerRoad::typoShowsItsError()
{
    QVERIFY2(m_bBuilt, "no build ran");
    if (!QFileInfo(Frame()->m_strMxmlcPath).isExecutable())
        QSKIP("the game compiler is not set up");
    const QString playerLog = Folder() + QStringLiteral("player.log");
    const QByteArray played = ReadAll(playerLog);
    QStringList lines = m_strBuiltText.split(u'\n');
    const int typoLine = 5; // 1-based
    lines.insert(typoLine - 1, QStringLiteral("var x:int = ;"));
    Editor()->SetWindowText(lines.join(u'\n'));
    QVERIFY(m_app.ClickToolButton(ID_BUILD_AND_RUN));
    QTRY_VERIFY_WITH_TIMEOUT(!Frame()->IsBuilding(), kWaitMs);

    CMessagesPane* pane = Frame()->m_pMessagesPane;
    QVERIFY(pane->isVisible());
    QTreeWidgetItem* item = nullptr;
    for (int i = 0; QTreeWidgetItem* row = pane->MessageItem(i); ++i) {
        if (row->text(CMessagesPane::KindColumn) == QStringLiteral("エラー")) {
            item = row;
            break;
        }
    }
    QVERIFY(item);
    QCOMPARE(item->text(CMessagesPane::LineColumn), QString::number(typoLine));
    QCOMPARE(item->childCount(), 1); // the explanation
    QVERIFY(Frame()->GetStatusText().contains(QStringLiteral("エラー")));
    QCOMPARE(ReadAll(playerLog), played);

    pane->List()->setFocus();
    pane->List()->setCurrentItem(item);
    QTest::keyClick(pane->List(), Qt::Key_Return);
    QCOMPARE(Editor()->textCursor().blockNumber() + 1, typoLine);
    QCOMPARE(Editor()->textCursor().positionInBlock() + 1,
             item->text(CMessagesPane::ColumnColumn).toInt());
    QCOMPARE(ReadAll(playerLog), played);
}

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet(kInCopyVariable))
        return RunFromProgramFolderCopy(argc, argv);
    TestLearnerRoad::initMain();
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestLearnerRoad test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_learnerroad.moc"
