// The script editor: its window settings, the page refresh, the guided
// editing filter with real mouse and key events, the guarded Cut and Paste,
// the Edit command states, undo, the text limit, whole-text access and when
// the gutter is repainted.

#include "tst_editorsupport.h"

#include "editor/linewnd.h"
#include "editor/programmingview.h"
#include "tutorial/peltra.h"

#include "support/guisupport.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

using namespace editortest;

namespace {

const QString kFourLines = QStringLiteral("a\nbb\nccc\ndddd\n");

// Counts the mouse presses and releases that get past the filter to the
// editor's own handling.
class CountingView : public CProgrammingView
{
public:
    QList<Qt::MouseButton> presses;
    QList<Qt::MouseButton> releases;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        presses << event->button();
        CProgrammingView::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        releases << event->button();
        CProgrammingView::mouseReleaseEvent(event);
    }
};

// The centre of a line's first characters, in viewport coordinates.
QPoint PointOnLine(const CProgrammingView& editor, int line, int column = 1)
{
    QTextCursor cursor(editor.document()->findBlockByNumber(line));
    cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, column);
    return editor.cursorRect(cursor).center();
}

enum class PageState { Guided, Done, NoPage };

} // namespace

Q_DECLARE_METATYPE(PageState)

class TestProgrammingView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();

    void windowSettings();
    void selectionShownWithoutFocus();

    void refreshPage_data();
    void refreshPage();
    void refreshPageWithoutPages();
    void refreshPageScroll_data();
    void refreshPageScroll();

    void guidedClick_data();
    void guidedClick();
    void guidedDrag();
    void middleButton_data();
    void middleButton();
    void deleteKeysCut_data();
    void deleteKeysCut();
    void deleteKeysPlain_data();
    void deleteKeysPlain();

    void cutAndPaste_data();
    void cutAndPaste();
    void pasteOnlyOnce();
    void nothingToCutOrPaste_data();
    void nothingToCutOrPaste();
    void editKeys_data();
    void editKeys();
    void contextMenu();
    void textDropRefused();

    void commandStates();
    void undoAfterGuidedEdit_data();
    void undoAfterGuidedEdit();

    void textLimit();
    void windowText_data();
    void windowText();
    void shiftEnterBreaksLine();

    void gutterRepaint_data();
    void gutterRepaint();
    void gutterRepaintOnScrollAndText();
};

void TestProgrammingView::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestProgrammingView::init()
{
    theTutorial.Clear();
    QGuiApplication::clipboard()->clear();
}

void TestProgrammingView::windowSettings()
{
    CProgrammingView editor;
    ShowEditor(editor, QStringLiteral("\tX\nMMMMMMMM\n") + QString(400, u'w'));
    QCOMPARE(editor.lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(editor.document()->blockCount(), 3);
    QVERIFY(editor.horizontalScrollBar()->isVisible());
    QVERIFY(editor.verticalScrollBar()->isVisible());

    // The text starts 35 pixels from the left edge.
    const QRect first = editor.cursorRect(QTextCursor(editor.document()));
    const int textLeft = editor.viewport()->mapTo(&editor, first.topLeft()).x() + first.width() / 2;
    QCOMPARE(editor.LeftMargin(), CLineWnd::kMinWidth + CProgrammingView::kGutterGap);
    QVERIFY2(qAbs(textLeft - editor.contentsRect().left() - editor.LeftMargin()) <= 1,
             qPrintable(QString::number(textLeft - editor.contentsRect().left())));

    // A tab stop every four average character widths.
    QTextCursor afterTab(editor.document());
    afterTab.setPosition(1);
    const int tab = editor.cursorRect(afterTab).left() - first.left();
    QVERIFY2(qAbs(tab - 4 * QFontMetricsF(editor.font()).averageCharWidth()) <= 1,
             qPrintable(QString::number(tab)));

    // White text on black, and black between the gutter and the text.
    const QImage image = editor.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint line2 = editor.viewport()->mapTo(&editor, PointOnLine(editor, 1, 4));
    bool white = false;
    for (int x = line2.x() - 20; x < line2.x() + 20; ++x)
        for (int y = line2.y() - 4; y <= line2.y() + 4; ++y)
            white = white || QColor(image.pixel(x, y)) == QColor(Qt::white);
    QVERIFY(white);
    const QRect vp = editor.viewport()->geometry();
    QCOMPARE(QColor(image.pixel(vp.right() - 2, vp.bottom() - 2)), QColor(Qt::black));
    for (int x = editor.contentsRect().left() + CLineWnd::kMinWidth; x < vp.left(); ++x)
        QCOMPARE(QColor(image.pixel(x, vp.top() + 3)), QColor(Qt::black));
}

void TestProgrammingView::selectionShownWithoutFocus()
{
    // A desktop theme whose selections fade when the focus leaves.
    const QPalette appPalette = QApplication::palette();
    QPalette faded = appPalette;
    faded.setColor(QPalette::Inactive, QPalette::Highlight, QColor(90, 90, 90));
    QApplication::setPalette(faded);
    const auto restore = qScopeGuard([&] { QApplication::setPalette(appPalette); });

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* other = new QLineEdit(&window);
    auto* editor = new CProgrammingView(&window);
    layout->addWidget(other);
    layout->addWidget(editor);
    window.resize(400, 300);
    editor->SetWindowText(QStringLiteral("        \nx\n"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTextCursor cursor(editor->document());
    cursor.setPosition(8, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    const QPoint inSelection = PointOnLine(*editor, 0, 4);
    const QColor highlight = editor->palette().color(QPalette::Active, QPalette::Highlight);
    QVERIFY(highlight != QColor(90, 90, 90));

    window.activateWindow();
    editor->setFocus();
    QTRY_VERIFY(editor->hasFocus());
    QImage image = editor->viewport()->grab().toImage();
    QCOMPARE(QColor(image.pixel(inSelection)), highlight);

    other->setFocus();
    QTRY_VERIFY(!editor->hasFocus());
    image = editor->viewport()->grab().toImage();
    QCOMPARE(QColor(image.pixel(inSelection)), highlight);
}

void TestProgrammingView::refreshPage_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<QString>("selected");

    QTest::newRow("replace lines 2-3")
        << kFourLines << 1 << 2 << 2 << 2 << 9 << QStringLiteral("bb\nccc\n");
    QTest::newRow("add at line 3") << kFourLines << 0 << 3 << 0 << 5 << 5 << QString();
    QTest::newRow("delete line 4")
        << kFourLines << 2 << 4 << 1 << 9 << 14 << QStringLiteral("dddd\n");
    QTest::newRow("after a Japanese line")
        << QStringLiteral("// あ\nx\n") << 0 << 2 << 0 << 5 << 5 << QString();
    QTest::newRow("line 1") << kFourLines << 1 << 1 << 1 << 0 << 2 << QStringLiteral("a\n");
    QTest::newRow("replace with count 0") << kFourLines << 1 << 3 << 0 << 5 << 5 << QString();
    QTest::newRow("delete with negative count")
        << kFourLines << 2 << 2 << -3 << 2 << 2 << QString();
    QTest::newRow("kind -1 places the caret") << kFourLines << -1 << 2 << 2 << 2 << 2 << QString();
    QTest::newRow("kind 3 places the caret") << kFourLines << 3 << 2 << 2 << 2 << 2 << QString();
    QTest::newRow("range past the end")
        << kFourLines << 2 << 3 << 10 << 5 << 14 << QStringLiteral("ccc\ndddd\n");
    QTest::newRow("line past the end") << kFourLines << 1 << 9 << 2 << 14 << 14 << QString();
    QTest::newRow("last line without break")
        << QStringLiteral("a\nbb") << 2 << 2 << 1 << 2 << 4 << QStringLiteral("bb");
    QTest::newRow("line 0") << kFourLines << 1 << 0 << 1 << 0 << 2 << QStringLiteral("a\n");
}

void TestProgrammingView::refreshPage()
{
    QFETCH(QString, text);
    QFETCH(int, kind);
    QFETCH(int, line);
    QFETCH(int, count);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(QString, selected);
    SetCurrentPage(1, kind, line, count);
    CProgrammingView editor;
    ShowEditor(editor, text);
    editor.RefreshPage();
    const QTextCursor cursor = editor.textCursor();
    QCOMPARE(cursor.anchor(), start);
    QCOMPARE(cursor.position(), end);
    QCOMPARE(cursor.selectedText().replace(QChar::ParagraphSeparator, u'\n'), selected);
    // Nothing else changes: the text and the guided-editing flag.
    QCOMPARE(editor.GetWindowText(), text);
    QVERIFY(!editor.m_bEditDone);
}

void TestProgrammingView::refreshPageWithoutPages()
{
    theTutorial.Clear();
    CProgrammingView editor;
    ShowEditor(editor, NumberedLines(100));
    QTextCursor cursor(editor.document());
    cursor.setPosition(40);
    cursor.setPosition(45, QTextCursor::KeepAnchor);
    editor.setTextCursor(cursor);
    editor.verticalScrollBar()->setValue(33);
    QCoreApplication::processEvents();
    PaintCounter paints(editor.m_pLineWnd);
    editor.RefreshPage();
    QCOMPARE(editor.textCursor().anchor(), 40);
    QCOMPARE(editor.textCursor().position(), 45);
    QCOMPARE(editor.GetFirstVisibleLine(), 33);
    QCOMPARE(paints.count, 0);
}

void TestProgrammingView::refreshPageScroll_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("firstBefore");
    QTest::addColumn<int>("firstAfter"); // -1: the last scroll position
    QTest::newRow("line 25 from 3") << 0 << 25 << 3 << 15;
    QTest::newRow("line 4 from 30") << 0 << 4 << 30 << 0;
    QTest::newRow("line 10") << 0 << 10 << 50 << 0;
    QTest::newRow("line 11") << 0 << 11 << 50 << 1;
    QTest::newRow("line 120 from the top") << 0 << 120 << 0 << 110;
    QTest::newRow("line near the end") << 0 << 198 << 0 << -1;
    QTest::newRow("no current page") << -1 << 0 << 70 << 0;
}

void TestProgrammingView::refreshPageScroll()
{
    QFETCH(int, page);
    QFETCH(int, line);
    QFETCH(int, firstBefore);
    QFETCH(int, firstAfter);
    SetCurrentPage(0, ARROW_REPLACE, line, 2);
    theTutorial.SetCurrentPage(page);
    CProgrammingView editor;
    ShowEditor(editor, NumberedLines(200));
    editor.verticalScrollBar()->setValue(firstBefore);
    QCOMPARE(editor.GetFirstVisibleLine(), firstBefore);
    if (firstAfter < 0)
        firstAfter = editor.verticalScrollBar()->maximum();
    QVERIFY(firstAfter < 200);
    QCoreApplication::processEvents();

    PaintCounter paints(editor.m_pLineWnd);
    editor.RefreshPage();
    QCOMPARE(editor.GetFirstVisibleLine(), firstAfter);
    // The gutter is painted before RefreshPage returns, for the new position.
    QVERIFY(paints.count >= 1);
    QCOMPARE(editor.m_pLineWnd->m_nFirstVisible, firstAfter);

    // A second call keeps selection and position.
    const QTextCursor first = editor.textCursor();
    editor.RefreshPage();
    QCOMPARE(editor.GetFirstVisibleLine(), firstAfter);
    QCOMPARE(editor.textCursor().anchor(), first.anchor());
    QCOMPARE(editor.textCursor().position(), first.position());
}

void TestProgrammingView::guidedClick_data()
{
    QTest::addColumn<PageState>("state");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("doubleClick");
    for (int kind : {int(ARROW_ADD), int(ARROW_REPLACE), int(ARROW_DELETE)}) {
        QTest::addRow("kind %d, guided, click", kind) << PageState::Guided << kind << false;
        QTest::addRow("kind %d, guided, double click", kind) << PageState::Guided << kind << true;
        QTest::addRow("kind %d, done, click", kind) << PageState::Done << kind << false;
    }
    QTest::newRow("no page, click") << PageState::NoPage << 0 << false;
    QTest::newRow("no page, double click") << PageState::NoPage << 0 << true;
}

void TestProgrammingView::guidedClick()
{
    QFETCH(PageState, state);
    QFETCH(int, kind);
    QFETCH(bool, doubleClick);
    SetCurrentPage(0, kind, 2, 2);
    if (state == PageState::NoPage)
        theTutorial.SetCurrentPage(-1);
    CProgrammingView editor;
    ShowEditor(editor, NumberedLines(20));
    editor.RefreshPage();
    const QTextCursor page = editor.textCursor();
    editor.m_bEditDone = state == PageState::Done;

    const QPoint at = PointOnLine(editor, 7, 2);
    if (doubleClick)
        QTest::mouseDClick(editor.viewport(), Qt::LeftButton, {}, at);
    else
        QTest::mouseClick(editor.viewport(), Qt::LeftButton, {}, at);

    const QTextCursor now = editor.textCursor();
    if (state == PageState::Guided) {
        QCOMPARE(now.anchor(), page.anchor());
        QCOMPARE(now.position(), page.position());
    } else {
        QCOMPARE(now.blockNumber(), 7);
        QVERIFY(now.position() != page.position());
    }
    QCOMPARE(editor.GetWindowText(), NumberedLines(20));
}

void TestProgrammingView::guidedDrag()
{
    SetCurrentPage(0, ARROW_REPLACE, 2, 1);
    CProgrammingView editor;
    ShowEditor(editor, NumberedLines(20));
    editor.RefreshPage();
    const QTextCursor page = editor.textCursor();
    QTest::mousePress(editor.viewport(), Qt::LeftButton, {}, PointOnLine(editor, 5));
    QMouseEvent move(QEvent::MouseMove, PointOnLine(editor, 9),
                     editor.viewport()->mapToGlobal(PointOnLine(editor, 9)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editor.viewport(), &move);
    QTest::mouseRelease(editor.viewport(), Qt::LeftButton, {}, PointOnLine(editor, 9));
    QCOMPARE(editor.textCursor().anchor(), page.anchor());
    QCOMPARE(editor.textCursor().position(), page.position());

    // Once the page's edit is done the same drag selects.
    editor.m_bEditDone = true;
    QTest::mousePress(editor.viewport(), Qt::LeftButton, {}, PointOnLine(editor, 5));
    QApplication::sendEvent(editor.viewport(), &move);
    QTest::mouseRelease(editor.viewport(), Qt::LeftButton, {}, PointOnLine(editor, 9));
    QCOMPARE(editor.textCursor().blockNumber(), 9);
    QCOMPARE(editor.document()->findBlock(editor.textCursor().anchor()).blockNumber(), 5);
}

void TestProgrammingView::middleButton_data()
{
    QTest::addColumn<PageState>("state");
    QTest::addColumn<bool>("swallowed");
    QTest::newRow("guided") << PageState::Guided << true;
    QTest::newRow("done") << PageState::Done << true;
    QTest::newRow("no page") << PageState::NoPage << false;
}

void TestProgrammingView::middleButton()
{
    QFETCH(PageState, state);
    QFETCH(bool, swallowed);
    SetCurrentPage(0, ARROW_ADD, 2, 0);
    if (state == PageState::NoPage)
        theTutorial.SetCurrentPage(-1);
    CountingView editor;
    ShowEditor(editor, NumberedLines(5));
    editor.m_bEditDone = state == PageState::Done;
    QTest::mouseClick(editor.viewport(), Qt::MiddleButton, {}, PointOnLine(editor, 3));
    const QList<Qt::MouseButton> expected =
        swallowed ? QList<Qt::MouseButton>{} : QList<Qt::MouseButton>{Qt::MiddleButton};
    QCOMPARE(editor.presses, expected);
    QCOMPARE(editor.releases, expected);
    // Right presses are never the filter's business.
    editor.presses.clear();
    QTest::mousePress(editor.viewport(), Qt::RightButton, {}, PointOnLine(editor, 3));
    QCOMPARE(editor.presses, QList<Qt::MouseButton>{Qt::RightButton});
    QTest::mouseRelease(editor.viewport(), Qt::RightButton, {}, PointOnLine(editor, 3));
}

void TestProgrammingView::deleteKeysCut_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << Qt::KeyboardModifiers();
    QTest::newRow("Delete") << int(Qt::Key_Delete) << Qt::KeyboardModifiers();
    QTest::newRow("Shift+Backspace")
        << int(Qt::Key_Backspace) << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("Ctrl+Backspace")
        << int(Qt::Key_Backspace) << Qt::KeyboardModifiers(Qt::ControlModifier);
    QTest::newRow("Shift+Delete") << int(Qt::Key_Delete)
                                  << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("Ctrl+Delete") << int(Qt::Key_Delete)
                                 << Qt::KeyboardModifiers(Qt::ControlModifier);
}

void TestProgrammingView::deleteKeysCut()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    SetCurrentPage(0, ARROW_DELETE, 2, 2);
    CProgrammingView editor;
    ShowEditor(editor, kFourLines);
    editor.RefreshPage();
    QGuiApplication::clipboard()->setText(QStringLiteral("page script"));
    QSignalSpy taken(&editor, &CProgrammingView::scriptTaken);

    QTest::keyClick(&editor, Qt::Key(key), modifiers);
    QCOMPARE(editor.GetWindowText(), QStringLiteral("a\ndddd\n"));
    QVERIFY(editor.m_bEditDone);
    // The key's cut takes no script: the browser keeps copying.
    QCOMPARE(taken.count(), 0);
    // The cut lines stay on the clipboard.
    QCOMPARE(ClipboardText(), QStringLiteral("bb\nccc\n"));

    // The next press is an ordinary one.
    QTest::keyClick(&editor, Qt::Key_Backspace);
    QCOMPARE(editor.GetWindowText(), QStringLiteral("adddd\n"));
    QCOMPARE(ClipboardText(), QStringLiteral("bb\nccc\n"));
}

void TestProgrammingView::deleteKeysPlain_data()
{
    QTest::addColumn<PageState>("state");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("key");
    for (int key : {int(Qt::Key_Backspace), int(Qt::Key_Delete)}) {
        const char* name = key == Qt::Key_Backspace ? "Backspace" : "Delete";
        QTest::addRow("%s, add page", name) << PageState::Guided << int(ARROW_ADD) << key;
        QTest::addRow("%s, replace page", name) << PageState::Guided << int(ARROW_REPLACE) << key;
        QTest::addRow("%s, kind -1", name) << PageState::Guided << -1 << key;
        QTest::addRow("%s, delete page done", name) << PageState::Done << int(ARROW_DELETE) << key;
        QTest::addRow("%s, no page", name) << PageState::NoPage << int(ARROW_DELETE) << key;
    }
}

void TestProgrammingView::deleteKeysPlain()
{
    QFETCH(PageState, state);
    QFETCH(int, kind);
    QFETCH(int, key);
    SetCurrentPage(0, kind, 2, 2);
    // With no current page the selection is made by hand.
    CProgrammingView editor;
    ShowEditor(editor, kFourLines);
    editor.RefreshPage();
    if (state == PageState::NoPage)
        theTutorial.SetCurrentPage(-1);
    editor.m_bEditDone = state == PageState::Done;
    QGuiApplication::clipboard()->setText(QStringLiteral("page script"));

    // What a plain editor does with the same selection and key.
    QPlainTextEdit plain;
    plain.setPlainText(kFourLines);
    QTextCursor cursor(plain.document());
    cursor.setPosition(editor.textCursor().anchor());
    cursor.setPosition(editor.textCursor().position(), QTextCursor::KeepAnchor);
    plain.setTextCursor(cursor);
    QTest::keyClick(&plain, Qt::Key(key));

    QTest::keyClick(&editor, Qt::Key(key));
    QCOMPARE(editor.GetWindowText(), plain.toPlainText());
    QCOMPARE(editor.GetWindowText() != kFourLines, true);
    QCOMPARE(editor.m_bEditDone, state == PageState::Done);
    QCOMPARE(ClipboardText(), QStringLiteral("page script"));
}

void TestProgrammingView::cutAndPaste_data()
{
    QTest::addColumn<bool>("paste");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("acted");
    const QString inserted = QStringLiteral("a\nNEW\nbb\nccc\ndddd\n");
    QTest::newRow("paste, add page") << true << 0 << int(ARROW_ADD) << inserted << true;
    QTest::newRow("paste, replace page")
        << true << 0 << int(ARROW_REPLACE) << QStringLiteral("a\nNEW\ndddd\n") << true;
    QTest::newRow("paste, delete page") << true << 0 << int(ARROW_DELETE) << kFourLines << false;
    QTest::newRow("paste, kind 3") << true << 0 << 3 << kFourLines << false;
    QTest::newRow("paste, kind -1") << true << 0 << -1 << inserted << true;
    QTest::newRow("paste, no page")
        << true << -1 << 0 << QStringLiteral("NEW\na\nbb\nccc\ndddd\n") << true;
    QTest::newRow("cut, delete page")
        << false << 0 << int(ARROW_DELETE) << QStringLiteral("a\ndddd\n") << true;
    QTest::newRow("cut, replace page") << false << 0 << int(ARROW_REPLACE) << kFourLines << false;
    QTest::newRow("cut, add page") << false << 0 << int(ARROW_ADD) << kFourLines << false;
    QTest::newRow("cut, kind 3") << false << 0 << 3 << kFourLines << false;
    QTest::newRow("cut, no page") << false << -1 << 0 << kFourLines << false;
}

void TestProgrammingView::cutAndPaste()
{
    QFETCH(bool, paste);
    QFETCH(int, page);
    QFETCH(int, kind);
    QFETCH(QString, expected);
    QFETCH(bool, acted);
    SetCurrentPage(0, kind, 2, 2);
    theTutorial.SetCurrentPage(page);
    CProgrammingView editor;
    ShowEditor(editor, kFourLines);
    editor.RefreshPage();
    if (!paste) {
        // A selection to cut even where the page places only the caret.
        QTextCursor cursor(editor.document());
        cursor.setPosition(2);
        cursor.setPosition(9, QTextCursor::KeepAnchor);
        editor.setTextCursor(cursor);
    }
    QGuiApplication::clipboard()->setText(QStringLiteral("NEW\n"));
    // The browser hears of the edit before it is made.
    QSignalSpy taken(&editor, &CProgrammingView::scriptTaken);
    QStringList textWhenTaken;
    connect(&editor, &CProgrammingView::scriptTaken, this,
            [&] { textWhenTaken << editor.GetWindowText(); });

    if (paste)
        editor.OnEditPaste();
    else
        editor.OnEditCut();
    QCOMPARE(editor.GetWindowText(), expected);
    QCOMPARE(editor.m_bEditDone, acted);
    QCOMPARE(taken.count(), acted ? 1 : 0);
    QCOMPARE(textWhenTaken, acted ? QStringList{kFourLines} : QStringList());
    // A done edit empties the clipboard; a refused one leaves it.
    QCOMPARE(editor.CanPaste(), !acted);
    QCOMPARE(ClipboardText(), acted ? QString() : QStringLiteral("NEW\n"));
}

void TestProgrammingView::pasteOnlyOnce()
{
    SetCurrentPage(0, ARROW_ADD, 3, 0);
    CProgrammingView editor;
    ShowEditor(editor, kFourLines);
    editor.RefreshPage();
    QGuiApplication::clipboard()->setText(QStringLiteral("x = 1;\n"));
    QVERIFY(editor.CanPaste());
    editor.OnEditPaste();
    const QString once = QStringLiteral("a\nbb\nx = 1;\nccc\ndddd\n");
    QCOMPARE(editor.GetWindowText(), once);
    QVERIFY(!editor.CanPaste());
    editor.OnEditPaste();
    QTest::keyClick(&editor, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(editor.GetWindowText(), once);
}

void TestProgrammingView::nothingToCutOrPaste_data()
{
    QTest::addColumn<bool>("paste");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("clipboard");
    QTest::newRow("paste with an empty clipboard") << true << int(ARROW_REPLACE) << 2 << QString();
    QTest::newRow("cut with nothing selected")
        << false << int(ARROW_DELETE) << 0 << QStringLiteral("kept");
}

// Nothing to cut or paste is no edit: the page stays in guided mode (and the
// browser keeps copying its script).
void TestProgrammingView::nothingToCutOrPaste()
{
    QFETCH(bool, paste);
    QFETCH(int, kind);
    QFETCH(int, count);
    QFETCH(QString, clipboard);
    SetCurrentPage(0, kind, 2, count);
    CProgrammingView editor;
    ShowEditor(editor, kFourLines);
    editor.RefreshPage();
    const QTextCursor page = editor.textCursor();
    if (!clipboard.isEmpty())
        QGuiApplication::clipboard()->setText(clipboard);
    QSignalSpy taken(&editor, &CProgrammingView::scriptTaken);
    if (paste)
        editor.OnEditPaste();
    else
        editor.OnEditCut();
    QCOMPARE(editor.GetWindowText(), kFourLines);
    QVERIFY(!editor.m_bEditDone);
    QCOMPARE(taken.count(), 0);
    QCOMPARE(ClipboardText(), clipboard);
    QCOMPARE(editor.textCursor().anchor(), page.anchor());
    QCOMPARE(editor.textCursor().position(), page.position());
}

void TestProgrammingView::editKeys_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("expected");
    const auto ctrl = Qt::KeyboardModifiers(Qt::ControlModifier);
    const auto shift = Qt::KeyboardModifiers(Qt::ShiftModifier);
    const QString replaced = QStringLiteral("a\nNEW\ndddd\n");
    const QString cut = QStringLiteral("a\ndddd\n");
    QTest::newRow("Ctrl+V, replace page")
        << int(ARROW_REPLACE) << int(Qt::Key_V) << ctrl << replaced;
    QTest::newRow("Shift+Insert, replace page")
        << int(ARROW_REPLACE) << int(Qt::Key_Insert) << shift << replaced;
    QTest::newRow("Ctrl+V, delete page")
        << int(ARROW_DELETE) << int(Qt::Key_V) << ctrl << kFourLines;
    QTest::newRow("Ctrl+X, replace page")
        << int(ARROW_REPLACE) << int(Qt::Key_X) << ctrl << kFourLines;
    QTest::newRow("Shift+Delete, replace page")
        << int(ARROW_REPLACE) << int(Qt::Key_Delete) << shift << kFourLines;
    QTest::newRow("Ctrl+X, delete page") << int(ARROW_DELETE) << int(Qt::Key_X) << ctrl << cut;
}

void TestProgrammingView::editKeys()
{
    QFETCH(int, kind);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, expected);
    SetCurrentPage(0, kind, 2, 2);
    CProgrammingView editor;
    ShowEditor(editor, kFourLines);
    editor.RefreshPage();
    QGuiApplication::clipboard()->setText(QStringLiteral("NEW\n"));
    QSignalSpy taken(&editor, &CProgrammingView::scriptTaken);
    QTest::keyClick(&editor, Qt::Key(key), modifiers);
    QCOMPARE(editor.GetWindowText(), expected);
    QCOMPARE(editor.m_bEditDone, expected != kFourLines);
    QCOMPARE(taken.count(), expected != kFourLines ? 1 : 0);
}

void TestProgrammingView::textDropRefused()
{
    // Text dragged in from elsewhere would get round the page's rules (here:
    // a delete page, where nothing may be pasted).
    SetCurrentPage(0, ARROW_DELETE, 2, 1);
    CProgrammingView editor;
    ShowEditor(editor, kFourLines);
    editor.RefreshPage();
    QMimeData data;
    data.setText(QStringLiteral("DROPPED\n"));
    const QPoint at = PointOnLine(editor, 3);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editor.viewport(), &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editor.viewport(), &drop);
    QVERIFY(!drop.isAccepted());
    QCOMPARE(editor.GetWindowText(), kFourLines);
    QVERIFY(!editor.m_bEditDone);
    QVERIFY(!editor.acceptDrops());
    QVERIFY(!editor.viewport()->acceptDrops());
}

void TestProgrammingView::contextMenu()
{
    SetCurrentPage(0, ARROW_REPLACE, 2, 2);
    CProgrammingView editor;
    ShowEditor(editor, kFourLines);
    editor.RefreshPage();
    QGuiApplication::clipboard()->setText(QStringLiteral("NEW\n"));
    QStringList items;
    OnPopup([&](QMenu* menu) {
        QAction* paste = nullptr;
        for (QAction* action : menu->actions()) {
            items << action->text();
            if (action->text() == QStringLiteral("貼り付け"))
                paste = action;
        }
        menu->close();
        if (paste)
            paste->trigger();
    });
    const QPoint at = PointOnLine(editor, 3);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, editor.viewport()->mapToGlobal(at));
    QApplication::sendEvent(editor.viewport(), &event);
    QCOMPARE(items, (QStringList{QStringLiteral("切り取り"), QStringLiteral("貼り付け")}));
    QCOMPARE(editor.GetWindowText(), QStringLiteral("a\nNEW\ndddd\n"));
    QVERIFY(editor.m_bEditDone);
}

void TestProgrammingView::commandStates()
{
    CProgrammingView editor;
    ShowEditor(editor, kFourLines);
    QSignalSpy changed(&editor, &CProgrammingView::commandStateChanged);
    QVERIFY(!editor.CanCut());
    QVERIFY(!editor.CanCopy());
    QVERIFY(!editor.CanPaste());
    QVERIFY(!editor.CanUndo());

    QTextCursor cursor(editor.document());
    cursor.setPosition(3, QTextCursor::KeepAnchor);
    editor.setTextCursor(cursor);
    QVERIFY(editor.CanCut());
    QVERIFY(editor.CanCopy());
    QVERIFY(changed.count() >= 1);

    changed.clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("x"));
    QVERIFY(editor.CanPaste());
    QVERIFY(changed.count() >= 1);

    changed.clear();
    QGuiApplication::clipboard()->clear();
    QVERIFY(!editor.CanPaste());
    QVERIFY(changed.count() >= 1);

    changed.clear();
    QGuiApplication::clipboard()->setText(QString());
    QVERIFY(!editor.CanPaste());

    changed.clear();
    QTest::keyClick(&editor, Qt::Key_Z);
    QVERIFY(editor.CanUndo());
    QVERIFY(!editor.CanCut());
    QVERIFY(changed.count() >= 1);

    changed.clear();
    editor.undo();
    QVERIFY(!editor.CanUndo());
    QVERIFY(changed.count() >= 1);
}

void TestProgrammingView::undoAfterGuidedEdit_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("how"); // 0 Paste, 1 Cut, 2 Backspace
    QTest::newRow("paste on a replace page") << int(ARROW_REPLACE) << 0;
    QTest::newRow("paste on an add page") << int(ARROW_ADD) << 0;
    QTest::newRow("cut on a delete page") << int(ARROW_DELETE) << 1;
    QTest::newRow("Backspace on a delete page") << int(ARROW_DELETE) << 2;
}

void TestProgrammingView::undoAfterGuidedEdit()
{
    QFETCH(int, kind);
    QFETCH(int, how);
    SetCurrentPage(0, kind, 2, 2);
    CProgrammingView editor;
    ShowEditor(editor, kFourLines);
    editor.RefreshPage();
    QGuiApplication::clipboard()->setText(QStringLiteral("one\ntwo\nthree\n"));
    if (how == 0)
        editor.OnEditPaste();
    else if (how == 1)
        editor.OnEditCut();
    else
        QTest::keyClick(&editor, Qt::Key_Backspace);
    QVERIFY(editor.GetWindowText() != kFourLines);
    QVERIFY(editor.CanUndo());
    editor.undo();
    QCOMPARE(editor.GetWindowText(), kFourLines);
    QVERIFY(!editor.CanUndo());
}

void TestProgrammingView::textLimit()
{
    const int limit = CProgrammingView::kTextLimit;
    QCOMPARE(limit, 1048575);
    // Lines of 63 characters and a break.
    QString text;
    while (text.size() + 64 <= limit - 2)
        text += QString(63, u'x') + u'\n';
    text += QString(limit - 2 - text.size(), u'y');
    QCOMPARE(text.size(), limit - 2);
    CProgrammingView editor;
    ShowEditor(editor, text);
    editor.moveCursor(QTextCursor::End);

    QTest::keyClicks(&editor, QStringLiteral("ab"));
    QCOMPARE(editor.GetWindowText().size(), limit);
    QTest::keyClick(&editor, Qt::Key_C);
    QTest::keyClick(&editor, Qt::Key_Return);
    QTest::keyClick(&editor, Qt::Key_Tab);
    QVERIFY(editor.GetWindowText().endsWith(QStringLiteral("yab")));
    QCOMPARE(editor.GetWindowText().size(), limit);

    // A paste over a selection gets the selection's room and no more.
    editor.moveCursor(QTextCursor::Start);
    editor.moveCursor(QTextCursor::Right, QTextCursor::KeepAnchor);
    editor.moveCursor(QTextCursor::Right, QTextCursor::KeepAnchor);
    editor.moveCursor(QTextCursor::Right, QTextCursor::KeepAnchor);
    QGuiApplication::clipboard()->setText(QStringLiteral("12345"));
    editor.OnEditPaste();
    QCOMPARE(editor.GetWindowText().size(), limit);
    QVERIFY(editor.GetWindowText().startsWith(QStringLiteral("123xxx")));

    // Deleting makes room again.
    QTest::keyClick(&editor, Qt::Key_Backspace);
    QTest::keyClicks(&editor, QStringLiteral("zz"));
    QCOMPARE(editor.GetWindowText().size(), limit);
    QVERIFY(editor.GetWindowText().startsWith(QStringLiteral("12zxxx")));

    // One unit of room left: a character of two units does not go in by half.
    QTest::keyClick(&editor, Qt::Key_Backspace);
    editor.moveCursor(QTextCursor::End);
    QGuiApplication::clipboard()->setText(QStringLiteral("\U0001F600"));
    editor.OnEditPaste();
    QCOMPARE(editor.GetWindowText().size(), limit - 1);
    QVERIFY(editor.GetWindowText().endsWith(QStringLiteral("yab")));

    // Replacing the whole text is not limited: a longer source loads whole.
    const QString longer = text + QString(100, u'w');
    editor.SetWindowText(longer);
    QCOMPARE(editor.GetWindowText(), longer);
}

void TestProgrammingView::windowText_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::addColumn<int>("lines");
    QTest::newRow("LF") << QStringLiteral("a\nb\n") << QStringLiteral("a\nb\n") << 3;
    QTest::newRow("CR LF") << QStringLiteral("a\r\nb\r\n") << QStringLiteral("a\nb\n") << 3;
    QTest::newRow("lone CR") << QStringLiteral("a\rb") << QStringLiteral("a\nb") << 2;
    QTest::newRow("mixed") << QStringLiteral("a\r\n\rb\nc\r") << QStringLiteral("a\n\nb\nc\n") << 5;
    QTest::newRow("CR CR LF") << QStringLiteral("a\r\r\nb") << QStringLiteral("a\n\nb") << 3;
    QTest::newRow("empty") << QString() << QString() << 1;
    QTest::newRow("no-break space and tab kept")
        << QStringLiteral("a\u00a0b\tc") << QStringLiteral("a\u00a0b\tc") << 1;
    QTest::newRow("Japanese and surrogates")
        << QStringLiteral("// あ\r\n\U0001F600") << QStringLiteral("// あ\n\U0001F600") << 2;
}

void TestProgrammingView::windowText()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QFETCH(int, lines);
    CProgrammingView editor;
    ShowEditor(editor, QStringLiteral("old text"));
    editor.SetWindowText(in);
    QCOMPARE(editor.GetWindowText(), out);
    QCOMPARE(editor.GetLineCount(), lines);
}

void TestProgrammingView::shiftEnterBreaksLine()
{
    CProgrammingView editor;
    ShowEditor(editor, QStringLiteral("ab"));
    editor.moveCursor(QTextCursor::Right);
    QTest::keyClick(&editor, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(editor.GetWindowText(), QStringLiteral("a\nb"));
    QCOMPARE(editor.GetLineCount(), 2);
}

void TestProgrammingView::gutterRepaint_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("repainted");
    QTest::newRow("characters on one line") << QStringLiteral("abc def") << 3 << false;
    QTest::newRow("Enter") << QStringLiteral("\n") << 3 << true;
    QTest::newRow("Backspace within a line") << QStringLiteral("\b") << 3 << false;
    QTest::newRow("Backspace joining two lines") << QStringLiteral("\b") << 7 << true;
}

void TestProgrammingView::gutterRepaint()
{
    QFETCH(QString, keys);
    QFETCH(int, position);
    QFETCH(bool, repainted);
    CProgrammingView editor;
    ShowEditor(editor, NumberedLines(5));
    QTextCursor cursor(editor.document());
    cursor.setPosition(position);
    editor.setTextCursor(cursor);
    editor.setFocus();
    QTest::qWait(20);
    QCoreApplication::processEvents();

    PaintCounter paints(editor.m_pLineWnd);
    const int linesBefore = editor.GetLineCount();
    for (QChar c : keys) {
        if (c == u'\n')
            QTest::keyClick(&editor, Qt::Key_Return);
        else if (c == u'\b')
            QTest::keyClick(&editor, Qt::Key_Backspace);
        else
            QTest::keyClick(&editor, c.toLatin1());
    }
    // A changed line count is painted before the key returns.
    QCOMPARE(paints.count > 0, repainted);
    QCoreApplication::processEvents();
    QCOMPARE(paints.count > 0, repainted);
    QCOMPARE(editor.GetLineCount() != linesBefore, repainted);
    QCOMPARE(editor.m_pLineWnd->m_nLines, editor.GetLineCount());
}

void TestProgrammingView::gutterRepaintOnScrollAndText()
{
    CProgrammingView editor;
    ShowEditor(editor, NumberedLines(100));
    QCoreApplication::processEvents();
    PaintCounter paints(editor.m_pLineWnd);
    editor.verticalScrollBar()->setValue(12);
    QCOMPARE(paints.count, 1);
    QCOMPARE(editor.m_pLineWnd->m_nFirstVisible, 12);

    // Scrolling with the keyboard past the bottom.
    editor.moveCursor(QTextCursor::End);
    QVERIFY(paints.count >= 2);
    QCOMPARE(editor.m_pLineWnd->m_nFirstVisible, editor.GetFirstVisibleLine());

    // A whole new text is painted at once too.
    paints.count = 0;
    editor.SetWindowText(NumberedLines(3));
    QVERIFY(paints.count >= 1);
    QCOMPARE(editor.m_pLineWnd->m_nLines, 4);
    QCOMPARE(editor.m_pLineWnd->m_nFirstVisible, 0);
}

QTEST_MAIN(TestProgrammingView)
#include "tst_programmingview.moc"
