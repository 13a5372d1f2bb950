// The gutter: rows that follow the editor's lines, numbers, the arrows and
// their colours, rows that fit, its place at the editor's edge, and its
// mouse handling.

#include "tst_editorsupport.h"

#include "editor/linewnd.h"
#include "editor/programmingview.h"
#include "tutorial/peltra.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

using namespace editortest;

namespace {

const QColor kGrey(200, 200, 200);

QImage GutterImage(CProgrammingView& editor)
{
    return editor.m_pLineWnd->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QColor Pixel(const QImage& image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

// The arrow's left edge in the editor's gutter.
int ArrowLeft(const CProgrammingView& editor)
{
    return CLineWnd::ArrowLeftFor(QFontMetrics(editor.font()), editor.GetLineCount());
}

// The gutter's row as it must look: grey, the number drawn from (1, 0).
QImage ExpectedRow(const CProgrammingView& editor, int number, int width = CLineWnd::kMinWidth)
{
    const int h = editor.GetLineHeight();
    QImage image(width, h, QImage::Format_RGB32);
    image.fill(kGrey);
    QPainter painter(&image);
    painter.setFont(editor.font());
    painter.setPen(Qt::black);
    painter.drawText(QRect(1, 0, width - 1, h), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                     QString::number(number));
    return image;
}

QImage Row(const QImage& gutter, int row, int h, int width = CLineWnd::kMinWidth)
{
    return gutter.copy(0, row * h, width, h);
}

// Whether any pixel of the row has the colour (only an arrow has colours).
bool RowHasColour(const QImage& gutter, int row, int h, const QColor& colour)
{
    for (int y = row * h; y < std::min((row + 1) * h, gutter.height()); ++y)
        for (int x = 0; x < gutter.width(); ++x)
            if (Pixel(gutter, x, y) == colour)
                return true;
    return false;
}

// Resizes the editor so that its viewport, and so the gutter, is `height` pixels tall.
void SetViewportHeight(CProgrammingView& editor, int height)
{
    const int chrome = editor.height() - editor.viewport()->height();
    editor.resize(editor.width(), height + chrome);
    QCoreApplication::processEvents();
}

QAction* ActionNamed(QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

} // namespace

class TestLineWnd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void arrowShape_data();
    void arrowShape();
    void numbersLeftOfArrow_data();
    void numbersLeftOfArrow();
    void arrowRows_data();
    void arrowRows();
    void rowsThatFit_data();
    void rowsThatFit();
    void numbersFromFirstVisibleLine_data();
    void numbersFromFirstVisibleLine();
    void emptyEditor();
    void rowsLineUpWithText_data();
    void rowsLineUpWithText();
    void placeAtEditorEdge_data();
    void placeAtEditorEdge();
    void clicksSwallowed_data();
    void clicksSwallowed();
    void contextMenu_data();
    void contextMenu();
    void wheelScrollsEditor();
};

void TestLineWnd::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestLineWnd::init()
{
    theTutorial.Clear();
    QGuiApplication::clipboard()->clear();
}

void TestLineWnd::arrowShape_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("add: red") << int(ARROW_ADD) << QColor(255, 0, 0);
    QTest::newRow("replace: green") << int(ARROW_REPLACE) << QColor(0, 160, 0);
    QTest::newRow("delete: blue") << int(ARROW_DELETE) << QColor(0, 0, 255);
    QTest::newRow("no colour chosen (-1): yellow") << -1 << QColor(255, 255, 0);
    QTest::newRow("kind 3: yellow") << 3 << QColor(255, 255, 0);
    QTest::newRow("kind from a damaged file: yellow") << 100000 << QColor(255, 255, 0);
}

void TestLineWnd::arrowShape()
{
    QFETCH(int, kind);
    QFETCH(QColor, colour);
    SetCurrentPage(0, kind, 2, 1);
    CProgrammingView editor;
    ShowEditor(editor, NumberedLines(10));
    const QImage gutter = GutterImage(editor);
    const int h = editor.GetLineHeight();
    QVERIFY(h >= 8);
    const int y = h; // the arrow's row: line 2

    // The seven points lie on the outline and are drawn in the kind's colour,
    // right of the line numbers.
    const int l = ArrowLeft(editor);
    QVERIFY(l >= CLineWnd::kMinArrowLeft);
    const QList<QPoint> points = {{l, y + h / 4},      {l + 7, y + h / 4}, {l + 7, y + 1},
                                  {l + 15, y + h / 2}, {l + 7, y + h - 1}, {l + 7, y + 3 * h / 4},
                                  {l, y + 3 * h / 4}};
    for (const QPoint& p : points)
        QCOMPARE(Pixel(gutter, p.x(), p.y()), colour);
    // Inside the shaft and the head.
    QCOMPARE(Pixel(gutter, l + 3, y + h / 2), colour);
    QCOMPARE(Pixel(gutter, l + 11, y + h / 2), colour);
    QCOMPARE(Pixel(gutter, l + 8, y + 3), colour);
    // Just outside: left of the shaft, right of the tip, above and below the
    // head, above and below the shaft.
    QCOMPARE(Pixel(gutter, l - 1, y + h / 2), kGrey);
    QCOMPARE(Pixel(gutter, l + 16, y + h / 2), kGrey);
    QCOMPARE(Pixel(gutter, l + 7, y), kGrey);
    QCOMPARE(Pixel(gutter, l + 7, y + h), kGrey);
    QCOMPARE(Pixel(gutter, l + 1, y + h / 4 - 1), kGrey);
    QCOMPARE(Pixel(gutter, l + 1, y + 3 * h / 4 + 1), kGrey);
    QCOMPARE(Pixel(gutter, l + 17, y + h / 2), kGrey);
    // The rows above and below carry no arrow.
    QVERIFY(!RowHasColour(gutter, 0, h, colour));
    QVERIFY(!RowHasColour(gutter, 2, h, colour));
}

void TestLineWnd::numbersLeftOfArrow_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("pointSize");
    QTest::newRow("9 lines") << 9 << 0;
    QTest::newRow("10 lines") << 10 << 0;
    QTest::newRow("120 lines") << 120 << 0;
    QTest::newRow("120 lines, 20 pt") << 120 << 20;
    QTest::newRow("1200 lines, 7 pt") << 1200 << 7;
    QTest::newRow("12000 lines") << 12000 << 0;
}

void TestLineWnd::numbersLeftOfArrow()
{
    // Every line carries an arrow; the last lines, whose numbers are the
    // widest, are in view.
    QFETCH(int, lines);
    QFETCH(int, pointSize);
    SetCurrentPage(0, ARROW_ADD, 1, lines);
    CProgrammingView editor;
    if (pointSize > 0) {
        QFont font = editor.font();
        font.setPointSize(pointSize);
        editor.setFont(font);
    }
    ShowEditor(editor, NumberedLines(lines, false), {400, 300});
    QCOMPARE(editor.GetLineCount(), lines);
    editor.verticalScrollBar()->setValue(editor.verticalScrollBar()->maximum());
    const QImage gutter = GutterImage(editor);
    const int h = editor.GetLineHeight();
    const int first = editor.m_pLineWnd->m_nFirstVisible;
    const int l = ArrowLeft(editor);
    // PELTRA_SCREENSHOT=folder saves the editor of each row there for a look.
    const QString shots = qEnvironmentVariable("PELTRA_SCREENSHOT");
    if (!shots.isEmpty())
        editor.grab().save(QStringLiteral("%1/gutter-%2.png").arg(shots, QTest::currentDataTag()));

    // The gutter holds the numbers, then the arrow; the text starts after
    // the black strip right of the gutter.
    QCOMPARE(gutter.width(), l + CLineWnd::kMinWidth - CLineWnd::kMinArrowLeft);
    const int digits = int(QString::number(lines).size());
    QVERIFY(l >= 1 + digits * QFontMetrics(editor.font()).horizontalAdvance(QLatin1Char('9')));
    QCOMPARE(editor.viewport()->geometry().left() - editor.contentsRect().left(),
             gutter.width() + CProgrammingView::kGutterGap);
    const int rows = std::min(gutter.height() / h, lines - first);
    QVERIFY(rows >= 2);
    for (int row = 0; row < rows; ++row) {
        const QString where = QStringLiteral("line %1").arg(first + row + 1);
        // The whole number shows, untouched by the arrow ...
        QVERIFY2(Row(gutter, row, h, l) == ExpectedRow(editor, first + row + 1, l),
                 qPrintable(where));
        // ... which is drawn right of it.
        QVERIFY2(Pixel(gutter, l + 3, row * h + h / 2) == QColor(255, 0, 0), qPrintable(where));
    }
}

void TestLineWnd::arrowRows_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("firstVisible");
    QTest::addColumn<QList<int>>("arrowRows");
    QTest::newRow("lines 5-7") << 0 << 5 << 3 << 0 << QList<int>{4, 5, 6};
    QTest::newRow("lines 5-7, line 6 at the top") << 0 << 5 << 3 << 5 << QList<int>{0, 1};
    QTest::newRow("lines 5-7, scrolled past") << 0 << 5 << 3 << 8 << QList<int>{};
    QTest::newRow("count 0") << 0 << 5 << 0 << 0 << QList<int>{};
    QTest::newRow("negative count") << 0 << 5 << -2 << 0 << QList<int>{};
    QTest::newRow("first line") << 0 << 1 << 1 << 0 << QList<int>{0};
    QTest::newRow("line 0: the rows before the first") << 0 << 0 << 2 << 0 << QList<int>{0};
    QTest::newRow("no current page") << -1 << 5 << 3 << 0 << QList<int>{};
    QTest::newRow("page without entry") << 9 << 5 << 3 << 0 << QList<int>{};
    QTest::newRow("beyond the text") << 0 << 500 << 3 << 0 << QList<int>{};
}

void TestLineWnd::arrowRows()
{
    QFETCH(int, page);
    QFETCH(int, line);
    QFETCH(int, count);
    QFETCH(int, firstVisible);
    QFETCH(QList<int>, arrowRows);
    SetCurrentPage(0, ARROW_REPLACE, line, count);
    theTutorial.SetCurrentPage(page);
    CProgrammingView editor;
    ShowEditor(editor, NumberedLines(60));
    editor.verticalScrollBar()->setValue(firstVisible);
    const QImage gutter = GutterImage(editor);
    const int h = editor.GetLineHeight();
    QCOMPARE(editor.m_pLineWnd->m_nFirstVisible, firstVisible);
    const QColor green(0, 160, 0);
    const int rows = gutter.height() / h;
    QVERIFY(rows >= 8);
    for (int row = 0; row < rows; ++row)
        QVERIFY2(RowHasColour(gutter, row, h, green) == arrowRows.contains(row),
                 qPrintable(QStringLiteral("row %1").arg(row)));
}

void TestLineWnd::rowsThatFit_data()
{
    QTest::addColumn<double>("rowsHigh");
    QTest::addColumn<int>("drawnRows");
    QTest::newRow("2.5 rows") << 2.5 << 2;
    QTest::newRow("exactly 3 rows") << 3.0 << 3;
    QTest::newRow("half a row: the first row all the same") << 0.5 << 1;
}

void TestLineWnd::rowsThatFit()
{
    QFETCH(double, rowsHigh);
    QFETCH(int, drawnRows);
    SetCurrentPage(0, ARROW_ADD, 1, 10);
    CProgrammingView editor;
    ShowEditor(editor, NumberedLines(10));
    const int h = editor.GetLineHeight();
    SetViewportHeight(editor, int(rowsHigh * h));
    QCOMPARE(editor.m_pLineWnd->height(), int(rowsHigh * h));
    const QImage gutter = GutterImage(editor);
    const QColor red(255, 0, 0);
    const int rowsInGutter = (gutter.height() + h - 1) / h;
    for (int row = 0; row < rowsInGutter; ++row) {
        const bool drawn = row < drawnRows;
        // A drawn row has its arrow's shaft (from a quarter of the row down)
        // where the gutter reaches; a row not drawn is grey throughout.
        const int y = std::min(row * h + h / 4, gutter.height() - 1);
        QCOMPARE(Pixel(gutter, ArrowLeft(editor), y) == red, drawn);
        if (!drawn) {
            for (int yy = row * h; yy < gutter.height(); ++yy)
                for (int x = 0; x < gutter.width(); ++x)
                    QCOMPARE(Pixel(gutter, x, yy), kGrey);
        }
    }
}

void TestLineWnd::numbersFromFirstVisibleLine_data()
{
    QTest::addColumn<int>("firstVisible");
    QTest::newRow("top") << 0;
    QTest::newRow("line 41 at the top") << 40;
    QTest::newRow("line 100 at the top") << 99;
}

void TestLineWnd::numbersFromFirstVisibleLine()
{
    QFETCH(int, firstVisible);
    CProgrammingView editor;
    ShowEditor(editor, NumberedLines(150));
    editor.verticalScrollBar()->setValue(firstVisible);
    const QImage gutter = GutterImage(editor);
    const int h = editor.GetLineHeight();
    QCOMPARE(editor.m_pLineWnd->m_nFirstVisible, firstVisible);
    QCOMPARE(editor.m_pLineWnd->m_nLines, 151);
    QCOMPARE(Row(gutter, 0, h), ExpectedRow(editor, firstVisible + 1));
    QCOMPARE(Row(gutter, 1, h), ExpectedRow(editor, firstVisible + 2));
    QVERIFY(Row(gutter, 0, h) != ExpectedRow(editor, firstVisible));
}

void TestLineWnd::emptyEditor()
{
    CProgrammingView editor;
    ShowEditor(editor, QString());
    const QImage gutter = GutterImage(editor);
    const int h = editor.GetLineHeight();
    QCOMPARE(editor.m_pLineWnd->m_nLines, 1);
    QCOMPARE(Row(gutter, 0, h), ExpectedRow(editor, 1));
    QImage grey(CLineWnd::kMinWidth, h, QImage::Format_RGB32);
    grey.fill(kGrey);
    QCOMPARE(Row(gutter, 1, h), grey);
}

void TestLineWnd::rowsLineUpWithText_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pointSize");
    QTest::newRow("default font") << QString() << 0;
    for (int size : {7, 10, 14, 20})
        QTest::addRow("default family, %d pt", size) << QString() << size;
    // A Japanese font puts the Latin letters into a fallback font instead.
    for (const QString& family : QFontDatabase::families(QFontDatabase::Japanese).mid(0, 2))
        QTest::addRow("%s, 12 pt", qPrintable(family)) << family << 12;
}

void TestLineWnd::rowsLineUpWithText()
{
    QFETCH(QString, family);
    QFETCH(int, pointSize);
    CProgrammingView editor;
    QFont font = editor.font();
    if (!family.isEmpty())
        font.setFamily(family);
    if (pointSize > 0)
        font.setPointSize(pointSize);
    editor.setFont(font);
    // Lines mixing scripts that a single font rarely holds all of.
    QStringList lines;
    for (int i = 0; i < 40; ++i)
        lines << QStringLiteral("var x = %1;").arg(i) << QStringLiteral("// あいう %1").arg(i)
              << QStringLiteral("日本語のコメント") << QStringLiteral("\U0001F600 é ü")
              << QString();
    ShowEditor(editor, lines.join(u'\n'), {400, 500});
    const int h = editor.GetLineHeight();
    QCOMPARE(editor.m_pLineWnd->m_nLineHeight, h);

    int baselineInRow = -1;
    for (int top : {0, 7, 23, 101}) {
        editor.verticalScrollBar()->setValue(top);
        QCOMPARE(editor.GetFirstVisibleLine(), top);
        const int firstRowTop = editor.m_pLineWnd->m_nTop + editor.GetFirstLineTop();
        QCOMPARE(firstRowTop, 0);
        const int rows = editor.viewport()->height() / h;
        QVERIFY(rows >= 5);
        for (int row = 0; row < rows; ++row) {
            const QTextBlock block = editor.document()->findBlockByNumber(top + row);
            const QRect caret = editor.cursorRect(QTextCursor(block));
            // Every line's baseline stands at the same height in its gutter row.
            const int baseline = caret.top() + qRound(block.layout()->lineAt(0).ascent());
            const int inRow = baseline - (firstRowTop + row * h);
            if (baselineInRow < 0)
                baselineInRow = inRow;
            QVERIFY2(qAbs(inRow - baselineInRow) <= 1 && inRow > 0 && inRow <= h,
                     qPrintable(QStringLiteral("line %1: baseline %2 into its row, first %3")
                                    .arg(top + row + 1)
                                    .arg(inRow)
                                    .arg(baselineInRow)));
        }
    }
}

void TestLineWnd::placeAtEditorEdge_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("small") << QSize(120, 80);
    QTest::newRow("wide") << QSize(800, 200);
    QTest::newRow("tall") << QSize(300, 900);
}

void TestLineWnd::placeAtEditorEdge()
{
    QFETCH(QSize, size);
    CProgrammingView editor;
    ShowEditor(editor, NumberedLines(5));
    editor.resize(size);
    QCoreApplication::processEvents();
    const QRect gutter = editor.m_pLineWnd->geometry();
    const QRect viewport = editor.viewport()->geometry();
    QCOMPARE(gutter.left(), editor.contentsRect().left());
    QCOMPARE(gutter.width(), CLineWnd::kMinWidth);
    QCOMPARE(gutter.top(), viewport.top());
    QCOMPARE(gutter.height(), viewport.height());
    QCOMPARE(viewport.left() - editor.contentsRect().left(),
             CLineWnd::kMinWidth + CProgrammingView::kGutterGap);
    QVERIFY(editor.m_pLineWnd->isVisible());
}

void TestLineWnd::clicksSwallowed_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("doubleClick");
    QTest::newRow("guided page, left") << 0 << Qt::LeftButton << false;
    QTest::newRow("guided page, left double") << 0 << Qt::LeftButton << true;
    QTest::newRow("guided page, middle") << 0 << Qt::MiddleButton << false;
    QTest::newRow("no page, left") << -1 << Qt::LeftButton << false;
    QTest::newRow("no page, left double") << -1 << Qt::LeftButton << true;
    QTest::newRow("no page, middle") << -1 << Qt::MiddleButton << false;
}

void TestLineWnd::clicksSwallowed()
{
    QFETCH(int, page);
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, doubleClick);
    SetCurrentPage(0, ARROW_REPLACE, 2, 2);
    theTutorial.SetCurrentPage(page);
    CProgrammingView editor;
    ShowEditor(editor, NumberedLines(10));
    // A selection that is not the page's: a click that reached the editor
    // would either put the page's lines back or move the caret.
    QTextCursor cursor(editor.document());
    cursor.setPosition(30);
    cursor.setPosition(33, QTextCursor::KeepAnchor);
    editor.setTextCursor(cursor);
    const int h = editor.GetLineHeight();
    const QPoint at(5, 4 * h + h / 2);
    if (doubleClick)
        QTest::mouseDClick(editor.m_pLineWnd, button, {}, at);
    else
        QTest::mouseClick(editor.m_pLineWnd, button, {}, at);
    QCOMPARE(editor.textCursor().anchor(), 30);
    QCOMPARE(editor.textCursor().position(), 33);
    QCOMPARE(editor.GetWindowText(), NumberedLines(10));
}

void TestLineWnd::contextMenu_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("expected");
    const QString text = QStringLiteral("a\nbb\nccc\ndddd\n");
    QTest::newRow("paste on a replace page")
        << int(ARROW_REPLACE) << QStringLiteral("貼り付け") << QStringLiteral("a\nNEW\ndddd\n");
    QTest::newRow("paste refused on a delete page")
        << int(ARROW_DELETE) << QStringLiteral("貼り付け") << text;
    QTest::newRow("cut on a delete page")
        << int(ARROW_DELETE) << QStringLiteral("切り取り") << QStringLiteral("a\ndddd\n");
}

void TestLineWnd::contextMenu()
{
    QFETCH(int, kind);
    QFETCH(QString, item);
    QFETCH(QString, expected);
    SetCurrentPage(0, kind, 2, 2);
    CProgrammingView editor;
    ShowEditor(editor, QStringLiteral("a\nbb\nccc\ndddd\n"));
    editor.RefreshPage();
    QGuiApplication::clipboard()->setText(QStringLiteral("NEW\n"));

    QStringList items;
    OnPopup([&](QMenu* menu) {
        for (QAction* action : menu->actions())
            items << action->text();
        QAction* action = ActionNamed(menu, item);
        menu->close();
        if (action)
            action->trigger();
    });
    QTest::mouseClick(editor.m_pLineWnd, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(items, (QStringList{QStringLiteral("切り取り"), QStringLiteral("貼り付け")}));
    QCOMPARE(editor.GetWindowText(), expected);
}

void TestLineWnd::wheelScrollsEditor()
{
    CProgrammingView editor;
    ShowEditor(editor, NumberedLines(200));
    QCOMPARE(editor.GetFirstVisibleLine(), 0);
    const QPoint at(10, 10);
    QWheelEvent wheel(at, editor.m_pLineWnd->mapToGlobal(at), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(editor.m_pLineWnd, &wheel);
    QVERIFY(editor.GetFirstVisibleLine() > 0);
    QCOMPARE(editor.m_pLineWnd->m_nFirstVisible, editor.GetFirstVisibleLine());
}

QTEST_MAIN(TestLineWnd)
#include "tst_linewnd.moc"
