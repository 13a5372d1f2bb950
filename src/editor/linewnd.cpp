#include "linewnd.h"

#include "editor/programmingview.h"
#include "tutorial/peltra.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <memory>

CLineWnd::CLineWnd(CProgrammingView* editor) : QWidget(editor), m_pEditor(editor)
{
    // Every pixel is painted in paintEvent; right clicks are handled here and
    // never turn into the editor's context menu.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setContextMenuPolicy(Qt::PreventContextMenu);
}

CLineWnd::~CLineWnd() = default;

QColor CLineWnd::ArrowColor(int kind)
{
    switch (kind) {
    case ARROW_ADD:
        return QColor(255, 0, 0);
    case ARROW_REPLACE:
        return QColor(0, 160, 0);
    case ARROW_DELETE:
        return QColor(0, 0, 255);
    default:
        return QColor(255, 255, 0);
    }
}

int CLineWnd::ArrowLeftFor(const QFontMetrics& metrics, int lines)
{
    // As wide as the most digits a line number has, in the font's widest
    // digit, from the numbers' left edge at 1 and with a two-pixel gap.
    int digits = 1;
    for (int max = std::max(lines, 1); max >= 10; max /= 10)
        ++digits;
    return std::max(kMinArrowLeft, 1 + metrics.horizontalAdvance(QLatin1Char('9')) * digits + 2);
}

int CLineWnd::WidthFor(const QFontMetrics& metrics, int lines)
{
    return ArrowLeftFor(metrics, lines) + (kMinWidth - kMinArrowLeft);
}

QPolygon CLineWnd::ArrowPolygon(int y, int h, int left)
{
    // A shaft from left to left + 7 over the middle half of the row, and a
    // head from there to its tip at left + 15 that spans the row but one
    // pixel each side.
    const int neck = left + 7;
    const int tip = left + 15;
    return QPolygon({QPoint(left, y + h / 4), QPoint(neck, y + h / 4), QPoint(neck, y + 1),
                     QPoint(tip, y + h / 2), QPoint(neck, y + h - 1), QPoint(neck, y + (3 * h) / 4),
                     QPoint(left, y + (3 * h) / 4)});
}

void CLineWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(200, 200, 200));

    m_nFirstVisible = m_pEditor->GetFirstVisibleLine();
    m_nLines = m_pEditor->GetLineCount();

    const long long first = static_cast<long long>(theTutorial.GetLine()) - 1;
    const long long count = theTutorial.GetLineCount();
    const QColor color = ArrowColor(theTutorial.GetColor());

    painter.setFont(m_pEditor->font());
    painter.setRenderHint(QPainter::Antialiasing, false);

    const int h = std::max(m_nLineHeight, 1);
    const int bottom = height();
    const int arrowLeft = ArrowLeftFor(QFontMetrics(m_pEditor->font()), m_nLines);
    int y = m_nTop + m_pEditor->GetFirstLineTop();
    for (int i = m_nFirstVisible; i < m_nLines; ++i) {
        painter.setPen(Qt::black);
        painter.drawText(QRect(m_nTextLeft, y, arrowLeft - m_nTextLeft, h),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, QString::number(i + 1));
        if (first <= i && i < first + count) {
            painter.setPen(QPen(color, 1));
            painter.setBrush(color);
            painter.drawPolygon(ArrowPolygon(y, h, arrowLeft));
            painter.setBrush(Qt::NoBrush);
        }
        // Only rows that fit wholly, but always the first.
        y += h;
        if (y + h > bottom)
            break;
    }
}

void CLineWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
        ShowEditMenu();
    // Left and middle presses do nothing here and reach nothing else.
    event->accept();
}

void CLineWnd::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
        ShowEditMenu();
    event->accept();
}

void CLineWnd::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

void CLineWnd::wheelEvent(QWheelEvent* event)
{
    // The wheel over the gutter scrolls the editor.
    QCoreApplication::sendEvent(m_pEditor->viewport(), event);
    event->accept();
}

void CLineWnd::ShowEditMenu()
{
    std::unique_ptr<QMenu> menu(m_pEditor->CreateEditMenu(this));
    menu->exec(QCursor::pos());
}
