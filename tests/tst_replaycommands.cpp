// The tutorial's replay commands in the main window: ページへ移動 gives the
// source at the page's stage, このページをやり直す undoes a slip whole, the
// check lists the findings of a damaged project and jumps to their pages,
// 変更をこのページに記録 derives the page's entry from the editor's text, and
// a page's <pre class="peltra-script"> shows its copy text.
#include "app/checkpane.h"
#include "app/commands.h"
#include "app/flashapp.h"
#include "app/mainframe.h"
#include "browser/flashview.h"
#include "build/locations.h"
#include "build/templatefile.h"
#include "editor/programmingview.h"
#include "tutorial/codepage.h"
#include "tutorial/dlgpage.h"
#include "tutorial/flashdoc.h"
#include "tutorial/peltra.h"
#include "tutorial/projectfile.h"

#include "support/appfixture.h"
#include "support/testsupport.h"
#include "support/windowsupport.h"

#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QWebEnginePage>

namespace {

// The template and the text after each page (lines end in '\n').
const QString kTemplate = QStringLiteral("a\nb\nc\nd\n");
const QString kStages[] = {
    kTemplate,
    QStringLiteral("a\nx\nb\nc\nd\n"),                            // page 0 adds x before line 2
    QStringLiteral("a\nx\nB1\nB2\nc\nd\n"),                       // page 1 replaces b
    QStringLiteral("x\nB1\nB2\nc\nd\n"),                          // page 2 deletes a
    QStringLiteral("x\nB1\nB2\nc\n<b>&amp; \"q\" 'r'\nd\n"),      // page 3 adds a line of markup
};
const char kMarkup[] = "<b>&amp; \"q\" 'r'\r\n";

QList<PageEntry> Entries()
{
    return {
        {QByteArray("x\r\n"), ARROW_ADD, 2, 1},
        {QByteArray("B1\r\nB2\r\n"), ARROW_REPLACE, 3, 1},
        {QByteArray(), ARROW_DELETE, 1, 1},
        {QByteArray(kMarkup), ARROW_ADD, 5, 1},
    };
}

// The tutorial's pages lie in a folder of their own below the HTML folder.
const QByteArray kStartPage = "HTML\\replaytest\\index.html";

QString PagesFolder()
{
    return QFileInfo(StartPagePath(GetProgramFolder(), kStartPage)).absolutePath();
}

bool WriteProject(const QString& path, const QList<PageEntry>& entries, bool withTemplate)
{
    CPeltra model;
    model.SetStartPage(kStartPage);
    for (int i = 0; i < entries.size(); ++i) {
        model.SetCurrentPage(i);
        model.SetPage(entries[i]);
    }
    model.SetCurrentPage(-1);
    if (!ProjectFile::Save(path, model).ok())
        return false;
    QFile::remove(TemplatePathFor(path));
    return !withTemplate || SaveTemplateFile(TemplatePathFor(path), kTemplate).ok();
}

// The lines the editor has selected, 1-based first line and count.
QPair<int, int> SelectedLines(const CProgrammingView* editor)
{
    const QTextCursor cursor = editor->textCursor();
    const QTextDocument* doc = editor->document();
    const int first = doc->findBlock(cursor.selectionStart()).blockNumber() + 1;
    const int last = doc->findBlock(cursor.selectionEnd()).blockNumber() + 1;
    return {first, last - first};
}

} // namespace

class TestReplayCommands : public QObject
{
    Q_OBJECT
public:
    static void initMain() { AppFixture::InitMain(); }

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void commandsInTheToolsMenu();
    void goToPageGivesStage_data();
    void goToPageGivesStage();
    void restartUndoesSlip();
    void withoutTemplate_data();
    void withoutTemplate();
    void checkListsFindingsAndJumps();
    void recordDerivesEntry_data();
    void recordDerivesEntry();
    void recordRefusesScatteredEdit();
    void pageScriptIsFilledAsText();

private:
    CMainFrame* Frame() const { return m_app.Frame(); }
    CProgrammingView* Editor() const { return m_app.Editor(); }
    bool Open(const QString& path);

    AppFixture m_app;
    QTemporaryDir m_dir;
    QString m_project;
};

void TestReplayCommands::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_app.SetUp();
    for (int page = 0; page < 4; ++page) {
        const QByteArray html = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>index" +
                                QByteArray::number(page) + "</title></head><body><p>page " +
                                QByteArray::number(page) +
                                "</p><pre class=\"peltra-script\"></pre></body></html>\n";
        QVERIFY(WriteFile(PagesFolder() + QStringLiteral("/index%1.html").arg(page), html));
    }
    QVERIFY(WriteFile(PagesFolder() + QStringLiteral("/index.html"),
                      "<html><head><title>index</title></head><body>contents</body></html>"));
    m_project = m_dir.filePath(QStringLiteral("replay.lrnf"));
    QVERIFY(WriteProject(m_project, Entries(), true));
    QVERIFY(m_app.Start({m_project}));
    QVERIFY(m_app.ShowMainWindow());
}

void TestReplayCommands::cleanupTestCase()
{
    m_app.Stop();
    m_app.TearDown();
    QDir(PagesFolder()).removeRecursively();
}

bool TestReplayCommands::Open(const QString& path)
{
    m_app.answer = QMessageBox::No;
    // Opened afresh even when it is the open project already.
    const bool opened = theApp.GetDocument()->OnOpenDocument(path);
    m_app.ClearMessages();
    return opened;
}

void TestReplayCommands::init()
{
    QVERIFY(Open(m_project));
    QVERIFY(theApp.GetDocument()->Template().HasTemplate());
}

void TestReplayCommands::commandsInTheToolsMenu()
{
    const QList<int> ids{ID_GOTO_PAGE, ID_RESTART_PAGE, ID_RECORD_PAGE, ID_CHECK_TUTORIAL};
    for (int id : ids) {
        QAction* action = Frame()->Action(id);
        QVERIFY(action);
        QVERIFY(!action->statusTip().isEmpty());
    }
    // Restart is a toolbar button as well, with an icon that draws.
    QAction* restart = Frame()->Action(ID_RESTART_PAGE);
    QVERIFY(Frame()->m_wndToolBar->widgetForAction(restart));
    QVERIFY(!restart->icon().pixmap(16, 16).isNull());
    QCOMPARE(restart->toolTip(), QStringLiteral("このページをやり直す"));
}

void TestReplayCommands::goToPageGivesStage_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("line"); // the page's selected lines
    QTest::addColumn<int>("count");
    QTest::newRow("first page: the template") << 0 << 2 << 0;
    QTest::newRow("after an add") << 1 << 3 << 1;
    QTest::newRow("after a replace") << 2 << 1 << 1;
    QTest::newRow("after a delete") << 3 << 5 << 0;
}

void TestReplayCommands::goToPageGivesStage()
{
    QFETCH(int, page);
    QFETCH(int, line);
    QFETCH(int, count);
    Editor()->SetWindowText(QStringLiteral("whatever was there\n"));
    Editor()->document()->setModified(false);

    QVERIFY(Frame()->GoToPage(page));
    QCOMPARE(Editor()->GetWindowText(), kStages[page]);
    QCOMPARE(theTutorial.GetCurrentPage(), page);
    QVERIFY(!Editor()->m_bEditDone);
    QVERIFY(!Editor()->document()->isModified());
    QCOMPARE(SelectedLines(Editor()), qMakePair(line, count));
    QVERIFY(m_app.messages.isEmpty());
    // The browser shows the page, whose navigation keeps the stage.
    QTRY_VERIFY(Frame()->m_pBrowserPane->url().toLocalFile().endsWith(
        QStringLiteral("index%1.html").arg(page)));
    QTRY_COMPARE(Frame()->m_pBrowserPane->page()->title(), QStringLiteral("index%1").arg(page));
    QCOMPARE(Editor()->GetWindowText(), kStages[page]);
    QCOMPARE(theTutorial.GetCurrentPage(), page);
}

void TestReplayCommands::restartUndoesSlip()
{
    QVERIFY(Frame()->GoToPage(1));
    QTRY_COMPARE(Frame()->m_pBrowserPane->page()->title(), QStringLiteral("index1"));

    // The slip: Backspace on the green page takes the marked line away, and
    // then a stray letter.
    Frame()->SetActivePane(1);
    Editor()->setFocus();
    QTest::keyClick(Editor(), Qt::Key_Backspace);
    QTest::keyClicks(Editor(), QStringLiteral("z"));
    const QString slipped = Editor()->GetWindowText();
    QVERIFY(slipped != kStages[1]);
    QVERIFY(Editor()->document()->isModified());

    // Cancel keeps the slip; いいえ throws it away and the page starts again.
    m_app.answer = QMessageBox::Cancel;
    QVERIFY(!Frame()->RestartPage());
    QCOMPARE(Editor()->GetWindowText(), slipped);
    QCOMPARE(m_app.messages, QStringList{QStringLiteral("Main.as への変更を保存しますか?")});

    m_app.ClearMessages();
    m_app.answer = QMessageBox::No;
    QVERIFY(m_app.ClickToolButton(ID_RESTART_PAGE));
    QCOMPARE(m_app.messages.size(), 1);
    QCOMPARE(Editor()->GetWindowText(), kStages[1]);
    QCOMPARE(SelectedLines(Editor()), qMakePair(3, 1));
    QVERIFY(!Editor()->m_bEditDone);
    QVERIFY(!Frame()->m_pBrowserPane->m_bCopyDone);
    // Undone whole: no undo step leads back to the slip.
    QVERIFY(!Editor()->CanUndo());

    // Unchanged text is not asked about.
    m_app.ClearMessages();
    QVERIFY(Frame()->RestartPage());
    QVERIFY(m_app.messages.isEmpty());
}

void TestReplayCommands::withoutTemplate_data()
{
    QTest::addColumn<int>("command");
    QTest::newRow("go to page") << int(ID_GOTO_PAGE);
    QTest::newRow("restart") << int(ID_RESTART_PAGE);
    QTest::newRow("record") << int(ID_RECORD_PAGE);
}

void TestReplayCommands::withoutTemplate()
{
    QFETCH(int, command);
    const QString bare = m_dir.filePath(QStringLiteral("bare.lrnf"));
    QVERIFY(WriteProject(bare, Entries(), false));
    QVERIFY(Open(bare));
    QVERIFY(!theApp.GetDocument()->Template().HasTemplate());
    theTutorial.SetCurrentPage(1);
    const QString text = QStringLiteral("kept\n");
    Editor()->SetWindowText(text);

    if (command == ID_GOTO_PAGE)
        QVERIFY(!Frame()->GoToPage(2));
    else
        Frame()->Action(command)->trigger();
    // The command says what is missing and where it belongs; the editor
    // keeps its text.
    QCOMPARE(m_app.messages.size(), 1);
    QVERIFY2(m_app.messages[0].contains(QDir::toNativeSeparators(TemplatePathFor(bare))) ||
                 m_app.messages[0].contains(TemplatePathFor(bare)),
             qPrintable(m_app.messages[0]));
    QCOMPARE(Editor()->GetWindowText(), text);
}

void TestReplayCommands::checkListsFindingsAndJumps()
{
    // A damaged copy: page 1 reaches past the end, page 2 deletes no lines,
    // page 3's script has no final line break, and there is no page 4 for
    // the entry after it.
    QList<PageEntry> entries = Entries();
    entries[1].line = 40;
    entries[2].lineCount = 0;
    entries[3].text = "joined";
    entries << PageEntry{QByteArray("y\r\n"), ARROW_ADD, 1, 1};
    const QString damaged = m_dir.filePath(QStringLiteral("damaged.lrnf"));
    QVERIFY(WriteProject(damaged, entries, true));
    QVERIFY(Open(damaged));

    Frame()->Action(ID_CHECK_TUTORIAL)->trigger();
    QVERIFY(Frame()->m_pCheckDock->isVisible());
    CCheckPane* pane = Frame()->m_pCheckPane;
    QTRY_VERIFY_WITH_TIMEOUT(pane->Summary().contains(QStringLiteral("ページを検査しました")),
                             60000);
    QTreeWidget* list = pane->List();
    QSet<int> pages;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        bool number = false;
        const int page = list->topLevelItem(i)->text(0).toInt(&number);
        if (number)
            pages << page;
    }
    QCOMPARE(pages, (QSet<int>{1, 2, 3, 4}));
    // The status bar's message is passing (a status tip may replace it); the
    // pane keeps the counts.
    QVERIFY(pane->Summary().contains(QStringLiteral("問題 5 件")));

    // A double-click on a finding of page 2 shows that page at its stage.
    QTreeWidgetItem* item = nullptr;
    for (int i = 0; i < list->topLevelItemCount() && !item; ++i) {
        if (list->topLevelItem(i)->text(0) == QLatin1String("2"))
            item = list->topLevelItem(i);
    }
    QVERIFY(item);
    list->scrollToItem(item);
    const QPoint at = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(theTutorial.GetCurrentPage(), 2);
    // Page 1 reaches past the end, so the learner's paste lands at the end.
    QCOMPARE(Editor()->GetWindowText(), QStringLiteral("a\nx\nb\nc\nd\nB1\nB2\n"));
    QTRY_COMPARE(Frame()->m_pBrowserPane->page()->title(), QStringLiteral("index2"));
}

void TestReplayCommands::recordDerivesEntry_data()
{
    // Edits of the source at page 1 ("a\nx\nb\nc\nd\n").
    QTest::addColumn<QString>("edited");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("add") << QStringLiteral("a\nx\nn1\nn2\nb\nc\nd\n") << int(ARROW_ADD) << 3 << 2
                         << QByteArray("n1\r\nn2\r\n");
    QTest::newRow("replace") << QStringLiteral("a\nx\nB\nc\nd\n") << int(ARROW_REPLACE) << 3 << 1
                             << QByteArray("B\r\n");
    QTest::newRow("delete") << QStringLiteral("a\nb\nc\nd\n") << int(ARROW_DELETE) << 2 << 1
                            << QByteArray();
    QTest::newRow("add of a Japanese line")
        << S("a\nx\nb\nc\n// かご\nd\n") << int(ARROW_ADD) << 5 << 1
        << CodePage::fromUnicode(S("// かご\r\n"));
}

void TestReplayCommands::recordDerivesEntry()
{
    QFETCH(QString, edited);
    QFETCH(int, kind);
    QFETCH(int, line);
    QFETCH(int, count);
    QFETCH(QByteArray, text);
    QVERIFY(Frame()->GoToPage(1));
    Editor()->SetWindowText(edited);

    // The dialog opens with the derived entry; OK stores it.
    bool shown = false;
    QTimer::singleShot(0, this, [&] {
        auto* dlg = qobject_cast<CDlgPage*>(QApplication::activeModalWidget());
        if (!dlg)
            return;
        shown = true;
        QCOMPARE(dlg->m_nColor, kind);
        QCOMPARE(dlg->m_nLine, line);
        QCOMPARE(dlg->m_nLineCount, count);
        QCOMPARE(dlg->m_strText, text);
        dlg->accept();
    });
    Frame()->Action(ID_RECORD_PAGE)->trigger();
    QVERIFY(shown);
    QVERIFY(m_app.messages.isEmpty());
    QCOMPARE(theTutorial.GetCurrentPage(), 1);
    QCOMPARE(theTutorial.GetColor(), kind);
    QCOMPARE(theTutorial.GetLine(), line);
    QCOMPARE(theTutorial.GetLineCount(), count);
    QCOMPARE(theTutorial.GetText(), text);
    QVERIFY(theApp.GetDocument()->IsModified());
    // Going to the next page gives the author's edited text back.
    QVERIFY(Frame()->GoToPage(2));
    QCOMPARE(Editor()->GetWindowText(), edited);
}

void TestReplayCommands::recordRefusesScatteredEdit()
{
    QVERIFY(Frame()->GoToPage(1));
    // Lines 1 and 5 changed, three unchanged lines between them.
    Editor()->SetWindowText(QStringLiteral("A\nx\nb\nc\nD\n"));
    const CPeltra before = theTutorial;
    QTimer::singleShot(0, this, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    Frame()->RecordPage();
    QCOMPARE(m_app.messages.size(), 1);
    QVERIFY2(m_app.messages[0].contains(QStringLiteral("1行目")) &&
                 m_app.messages[0].contains(QStringLiteral("5行目")),
             qPrintable(m_app.messages[0]));
    QVERIFY(theTutorial == before);
    QVERIFY(!theApp.GetDocument()->IsModified());

    // Nothing changed is refused too.
    m_app.ClearMessages();
    QVERIFY(Frame()->GoToPage(1));
    Frame()->RecordPage();
    QCOMPARE(m_app.messages.size(), 1);
    QVERIFY(theTutorial == before);
}

void TestReplayCommands::pageScriptIsFilledAsText()
{
    QVERIFY(Frame()->GoToPage(3));
    CFlashView* view = Frame()->m_pBrowserPane;
    QTRY_COMPARE(view->page()->title(), QStringLiteral("index3"));
    QVariant shown;
    // The markup of the script is text in the page: escaped in its HTML,
    // no element made of it.
    QTRY_VERIFY(RunPageScript(view, QStringLiteral("document.querySelector('pre.peltra-script')"
                                                   ".textContent"),
                              &shown) &&
                shown.toString() == QStringLiteral("<b>&amp; \"q\" 'r'\n"));
    QVERIFY(RunPageScript(
        view, QStringLiteral("document.querySelector('pre.peltra-script').innerHTML"), &shown));
    QCOMPARE(shown.toString(), QStringLiteral("&lt;b&gt;&amp;amp; \"q\" 'r'\n"));
    QVERIFY(RunPageScript(view, QStringLiteral("document.querySelectorAll('b').length"), &shown));
    QCOMPARE(shown.toInt(), 0);

    // The page shown takes a newly recorded script at once.
    QVERIFY(Frame()->GoToPage(0));
    QTRY_COMPARE(view->page()->title(), QStringLiteral("index0"));
    QTRY_VERIFY(RunPageScript(view, QStringLiteral("document.querySelector('pre.peltra-script')"
                                                   ".textContent"),
                              &shown) &&
                shown.toString() == QStringLiteral("x\n"));
    Editor()->SetWindowText(QStringLiteral("a\nnew & <i>\nb\nc\nd\n"));
    QTimer::singleShot(0, this, [] {
        if (auto* dlg = qobject_cast<CDlgPage*>(QApplication::activeModalWidget()))
            dlg->accept();
    });
    Frame()->RecordPage();
    QTRY_VERIFY(RunPageScript(view, QStringLiteral("document.querySelector('pre.peltra-script')"
                                                   ".textContent"),
                              &shown) &&
                shown.toString() == QStringLiteral("new & <i>\n"));
}

QTEST_MAIN(TestReplayCommands)
#include "tst_replaycommands.moc"
