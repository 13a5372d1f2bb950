#pragma once

#include <QColor>
#include <QPolygon>
#include <QWidget>

class QFontMetrics;

class CProgrammingView;

// The gutter laid over the editor's left edge: the number of each visible
// line and, on the lines the current page covers, an arrow in the page's
// colour right of the numbers. It keeps no tutorial state; every paint
// reads the model and the editor afresh.
class CLineWnd : public QWidget
{
    Q_OBJECT
public:
    // The narrowest gutter, and the arrow's left edge in it: one digit wide.
    static constexpr int kMinWidth = 30;
    static constexpr int kMinArrowLeft = 12;

    // The arrow's left edge and the gutter's width for a text of `lines`
    // lines in the font: room for the widest line number, then the arrow.
    static int ArrowLeftFor(const QFontMetrics& metrics, int lines);
    static int WidthFor(const QFontMetrics& metrics, int lines);

    explicit CLineWnd(CProgrammingView* editor);
    ~CLineWnd() override;

    // The colour of an arrow kind (yellow for kinds outside add, replace, delete).
    static QColor ArrowColor(int kind);
    // The seven points of the arrow for the row with top y and height h,
    // its shaft starting at x left.
    static QPolygon ArrowPolygon(int y, int h, int left = kMinArrowLeft);

    int m_nLines = 1;        // the editor's line count, as seen by the last paint
    int m_nFirstVisible = 0; // zero-based first visible line, as seen by the last paint
    int m_nLineHeight = 0;   // height of one row: the editor's line height
    int m_nTextLeft = 1;     // x of the line numbers
    int m_nTop = 0;          // y of the first row

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void ShowEditMenu();

    CProgrammingView* m_pEditor;
};
