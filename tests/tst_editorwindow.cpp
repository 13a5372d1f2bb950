// The script editor inside the main window: the browser's copy flag after
// the learner's edits, the document that editing never marks modified, and
// the window's Edit commands and keys acting through the editor's rules.

#include "tst_editorsupport.h"

#include "app/commands.h"
#include "app/flashapp.h"
#include "app/mainframe.h"
#include "browser/flashview.h"
#include "editor/programmingview.h"
#include "tutorial/flashdoc.h"
#include "tutorial/peltra.h"

#include "support/appfixture.h"
#include "support/guisupport.h"
#include "support/windowsupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

using namespace editortest;

namespace {
const QString kFourLines = QStringLiteral("a\nbb\nccc\ndddd\n");
}

class TestEditorWindow : public QObject
{
    Q_OBJECT
public:
    static void initMain() { AppFixture::InitMain(); }

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void browserCopyFlag_data();
    void browserCopyFlag();
    void editingLeavesDocumentUnmodified();
    void editActionsFollowEditor();
    void pasteKeyPastesOnce_data();
    void pasteKeyPastesOnce();
    void tutorialPaneEditKeys_data();
    void tutorialPaneEditKeys();

private:
    CProgrammingView* Editor() const { return m_app.Editor(); }
    CFlashView* Browser() const { return m_app.Browser(); }
    AppFixture m_app;
};

void TestEditorWindow::initTestCase()
{
    m_app.SetUp();
    QVERIFY(m_app.Start());
    QVERIFY(Editor());
    QVERIFY(Browser());
    QSignalSpy loaded(Browser(), &QWebEngineView::loadFinished);
    QVERIFY(m_app.ShowMainWindow());
    // The start page's navigation sets the model's page; let it pass first.
    QVERIFY(loaded.count() > 0 || loaded.wait(20000));
}

void TestEditorWindow::cleanupTestCase()
{
    m_app.TearDown();
}

void TestEditorWindow::init()
{
    theTutorial.Clear();
    QGuiApplication::clipboard()->clear();
    Editor()->SetWindowText(kFourLines);
    Editor()->m_bEditDone = false;
    Browser()->m_bCopyDone = false;
    m_app.messages.clear();
}

void TestEditorWindow::browserCopyFlag_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("how"); // 0 Paste, 1 Cut, 2 Backspace
    QTest::addColumn<bool>("copyDone");
    QTest::addColumn<QString>("text");
    QTest::newRow("paste on an add page")
        << int(ARROW_ADD) << 0 << true << QStringLiteral("a\nNEW\nbb\nccc\ndddd\n");
    QTest::newRow("cut on a delete page")
        << int(ARROW_DELETE) << 1 << true << QStringLiteral("a\ndddd\n");
    QTest::newRow("Backspace on a delete page")
        << int(ARROW_DELETE) << 2 << false << QStringLiteral("a\ndddd\n");
    QTest::newRow("paste refused on a delete page")
        << int(ARROW_DELETE) << 0 << false << kFourLines;
    QTest::newRow("cut refused on a replace page")
        << int(ARROW_REPLACE) << 1 << false << kFourLines;
}

void TestEditorWindow::browserCopyFlag()
{
    QFETCH(int, kind);
    QFETCH(int, how);
    QFETCH(bool, copyDone);
    QFETCH(QString, text);
    SetCurrentPage(0, kind, 2, 2);
    Editor()->RefreshPage();
    QGuiApplication::clipboard()->setText(QStringLiteral("NEW\n"));
    if (how == 0)
        Editor()->OnEditPaste();
    else if (how == 1)
        Editor()->OnEditCut();
    else
        QTest::keyClick(Editor(), Qt::Key_Backspace);
    QCOMPARE(Editor()->GetWindowText(), text);
    QCOMPARE(Browser()->m_bCopyDone, copyDone);
    QCOMPARE(Editor()->m_bEditDone, text != kFourLines);
    QVERIFY(m_app.messages.isEmpty());
}

void TestEditorWindow::editingLeavesDocumentUnmodified()
{
    CFlashDoc* doc = theApp.GetDocument();
    QVERIFY(doc);
    doc->SetModifiedFlag(false);
    theTutorial.SetCurrentPage(-1);
    Editor()->setFocus();
    QTest::keyClicks(Editor(), QStringLiteral("var x = 1;"));
    QTest::keyClick(Editor(), Qt::Key_Return);
    QTest::keyClick(Editor(), Qt::Key_Backspace);
    QGuiApplication::clipboard()->setText(QStringLiteral("y\n"));
    Editor()->OnEditPaste();
    Editor()->undo();
    QVERIFY(Editor()->GetWindowText() != kFourLines);
    QVERIFY(!doc->IsModified());
}

void TestEditorWindow::editActionsFollowEditor()
{
    CMainFrame* frame = m_app.Frame();
    SetCurrentPage(0, ARROW_REPLACE, 2, 2);
    frame->SetActivePane(1);
    Editor()->RefreshPage();
    QAction* paste = frame->Action(ID_EDIT_PASTE);
    QAction* cut = frame->Action(ID_EDIT_CUT);
    QAction* undo = frame->Action(ID_EDIT_UNDO);
    QVERIFY(paste && cut && undo);
    QVERIFY(cut->isEnabled()); // the page's lines are selected
    QVERIFY(!paste->isEnabled());
    QGuiApplication::clipboard()->setText(QStringLiteral("NEW\n"));
    QTRY_VERIFY(paste->isEnabled());
    paste->trigger();
    QCOMPARE(Editor()->GetWindowText(), QStringLiteral("a\nNEW\ndddd\n"));
    // The clipboard is empty: a second paste is not offered.
    QTRY_VERIFY(!paste->isEnabled());
    QVERIFY(!cut->isEnabled());
    QVERIFY(undo->isEnabled());
    undo->trigger();
    QCOMPARE(Editor()->GetWindowText(), kFourLines);
    QVERIFY(!undo->isEnabled());
}

void TestEditorWindow::pasteKeyPastesOnce_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("text");
    const auto ctrl = Qt::KeyboardModifiers(Qt::ControlModifier);
    const auto shift = Qt::KeyboardModifiers(Qt::ShiftModifier);
    // The window has the same keys as shortcuts of its Edit commands.
    QTest::newRow("Ctrl+V, add page")
        << int(ARROW_ADD) << int(Qt::Key_V) << ctrl << QStringLiteral("a\nNEW\nbb\nccc\ndddd\n");
    QTest::newRow("Ctrl+V, delete page")
        << int(ARROW_DELETE) << int(Qt::Key_V) << ctrl << kFourLines;
    QTest::newRow("Shift+Delete, delete page: the guided cut")
        << int(ARROW_DELETE) << int(Qt::Key_Delete) << shift << QStringLiteral("a\ndddd\n");
}

void TestEditorWindow::pasteKeyPastesOnce()
{
    QFETCH(int, kind);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, text);
    SetCurrentPage(0, kind, 2, 2);
    m_app.Frame()->SetActivePane(1);
    Editor()->setFocus();
    QTRY_VERIFY(Editor()->hasFocus());
    Editor()->RefreshPage();
    QGuiApplication::clipboard()->setText(QStringLiteral("NEW\n"));
    QTest::keyClick(Editor(), Qt::Key(key), modifiers);
    QCOMPARE(Editor()->GetWindowText(), text);
}

void TestEditorWindow::tutorialPaneEditKeys_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("key"); // 0: the toolbar's 貼付
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    const auto ctrl = Qt::KeyboardModifiers(Qt::ControlModifier);
    const auto shift = Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("Ctrl+V, add page") << int(ARROW_ADD) << int(Qt::Key_V) << ctrl;
    QTest::newRow("Shift+Insert, add page") << int(ARROW_ADD) << int(Qt::Key_Insert) << shift;
    QTest::newRow("貼付, add page") << int(ARROW_ADD) << 0 << Qt::KeyboardModifiers();
    QTest::newRow("Ctrl+X, delete page") << int(ARROW_DELETE) << int(Qt::Key_X) << ctrl;
    QTest::newRow("Shift+Delete, delete page") << int(ARROW_DELETE) << int(Qt::Key_Delete) << shift;
}

// After the click that copies the page's script, the tutorial pane's Paste
// (and on a delete page its Cut) does in the editor exactly what the same
// command does there, and the editor becomes the active pane.
void TestEditorWindow::tutorialPaneEditKeys()
{
    QFETCH(int, kind);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    CMainFrame* frame = m_app.Frame();
    const bool paste = kind == ARROW_ADD;
    SetCurrentPage(0, kind, 2, 2);
    QWidget* input = BrowserInput(Browser());
    QVERIFY(input != Browser());
    const QPoint onPage(input->width() / 2, input->height() / 2);

    // The same steps with the command given in the editor.
    QString script;
    Editor()->RefreshPage();
    if (paste) {
        QTest::mouseClick(input, Qt::LeftButton, {}, onPage);
        script = ClipboardText();
        QVERIFY(!script.isEmpty());
        Editor()->OnEditPaste();
    } else {
        Editor()->OnEditCut();
    }
    const QString expected = Editor()->GetWindowText();
    QVERIFY(expected != kFourLines);

    init();
    SetCurrentPage(0, kind, 2, 2);
    Editor()->RefreshPage();
    if (paste) {
        QTest::mouseClick(input, Qt::LeftButton, {}, onPage);
        QCOMPARE(ClipboardText(), script);
    }
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame));
    frame->SetActivePane(0);
    input->setFocus();
    QTRY_VERIFY(input->hasFocus());
    QCOMPARE(frame->GetActivePane(), 0);
    if (key)
        QTest::keyClick(input, Qt::Key(key), modifiers);
    else
        QVERIFY(m_app.ClickToolButton(ID_EDIT_PASTE));
    QTRY_COMPARE(Editor()->GetWindowText(), expected);
    QTRY_VERIFY(Editor()->hasFocus());
    QCOMPARE(frame->GetActivePane(), 1);
    QVERIFY(Editor()->m_bEditDone);
    QVERIFY(Browser()->m_bCopyDone);
    if (paste) // one paste per copy
        QTRY_COMPARE(ClipboardText(), QString());
    QVERIFY(m_app.messages.isEmpty());
}

QTEST_MAIN(TestEditorWindow)
#include "tst_editorwindow.moc"
