#include "programmingview.h"

#include "editor/linewnd.h"
#include "editor/pageselection.h"
#include "tutorial/peltra.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QtMath>

#include <algorithm>
#include <memory>

// Gives every line of the editor the same height, that of the editor's own
// font, and puts every baseline at the same distance from its line's top.
// A line with characters from a fallback font (Japanese, for instance) would
// otherwise be a pixel taller or shorter, and the gutter's rows, which are
// all one height, would drift away from the lines they number.
class CFixedLineLayout : public QPlainTextDocumentLayout
{
public:
    explicit CFixedLineLayout(QTextDocument* document) : QPlainTextDocumentLayout(document) {}

    QRectF blockBoundingRect(const QTextBlock& block) const override
    {
        QRectF rect = QPlainTextDocumentLayout::blockBoundingRect(block);
        if (!block.isValid() || !block.isVisible())
            return rect;
        const Metrics& metrics = CurrentMetrics();
        QTextLayout* layout = block.layout();
        const int lines = layout->lineCount();
        for (int i = 0; i < lines; ++i) {
            QTextLine line = layout->lineAt(i);
            line.setPosition(
                QPointF(line.x(), i * metrics.height + metrics.ascent - line.ascent()));
        }
        rect.setHeight(std::max(lines, 1) * metrics.height);
        return rect;
    }

    int LineHeight() const { return CurrentMetrics().height; }

private:
    struct Metrics
    {
        QFont font;
        int height = 1;
        qreal ascent = 0;
        bool valid = false;
    };

    // The height and ascent the editor gives a line in its own font, laid out
    // as the plain text layout lays out every line (leading included).
    const Metrics& CurrentMetrics() const
    {
        const QFont font = document()->defaultFont();
        if (m_metrics.valid && m_metrics.font == font)
            return m_metrics;
        QTextLayout probe(QStringLiteral("0"), font);
        probe.beginLayout();
        QTextLine line = probe.createLine();
        line.setLeadingIncluded(true);
        probe.endLayout();
        int height = qCeil(line.height());
        if (line.leading() < 0)
            height += qCeil(line.leading());
        m_metrics.font = font;
        m_metrics.height = std::max(height, 1);
        m_metrics.ascent = line.ascent();
        m_metrics.valid = true;
        return m_metrics;
    }

    mutable Metrics m_metrics;
};

namespace {

bool IsCutKey(const QKeyEvent* event)
{
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    return event->matches(QKeySequence::Cut) ||
           (event->key() == Qt::Key_X && mods == Qt::ControlModifier) ||
           (event->key() == Qt::Key_Delete && mods == Qt::ShiftModifier);
}

bool IsPasteKey(const QKeyEvent* event)
{
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    return event->matches(QKeySequence::Paste) ||
           (event->key() == Qt::Key_V && mods == Qt::ControlModifier) ||
           (event->key() == Qt::Key_Insert && mods == Qt::ShiftModifier);
}

bool IsAltBackspace(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Backspace &&
           (event->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier;
}

// text shortened to at most room UTF-16 units without splitting a surrogate pair.
QString Truncated(const QString& text, qsizetype room)
{
    qsizetype n = std::clamp<qsizetype>(room, 0, text.size());
    if (n > 0 && n < text.size() && text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}

} // namespace

CProgrammingView::CProgrammingView(QWidget* parent) : QPlainTextEdit(parent)
{
    auto* doc = new QTextDocument(this);
    m_pLayout = new CFixedLineLayout(doc);
    doc->setDocumentLayout(m_pLayout);
    setDocument(doc);
    doc->setDefaultFont(font());
    doc->setDocumentMargin(0);

    setLineWrapMode(QPlainTextEdit::NoWrap);
    // Text enters only by typing and by the guarded Paste; a drop would get
    // round the page's rules. (Project files dropped on the window are taken
    // by the main window before they get here.)
    setAcceptDrops(false);
    viewport()->setAcceptDrops(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setViewportMargins(LeftMargin(), 0, 0, 0);

    // White on black; the selection keeps its colours when the focus leaves,
    // so the page's lines stay marked while the learner is in the browser.
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::black);
    pal.setColor(QPalette::Text, Qt::white);
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    setPalette(pal);

    m_pLineWnd = new CLineWnd(this);
    ApplyFontMetrics();
    PlaceGutter();

    installEventFilter(this);
    viewport()->installEventFilter(this);

    connect(this, &QPlainTextEdit::blockCountChanged, this, &CProgrammingView::OnBlockCountChanged);
    // The scroll bar reports the learner's scrolling; scrolling by the
    // editor itself (the caret kept in view) sets the bar without a signal
    // and shows only as an update request that moves the viewport.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &CProgrammingView::OnVScroll);
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect&, int dy) {
        if (dy != 0)
            OnVScroll();
    });
    connect(this, &QPlainTextEdit::copyAvailable, this, &CProgrammingView::commandStateChanged);
    connect(this, &QPlainTextEdit::undoAvailable, this, &CProgrammingView::commandStateChanged);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &CProgrammingView::commandStateChanged);
}

CProgrammingView::~CProgrammingView() = default;

void CProgrammingView::OnInitialUpdate()
{
    RepaintGutter();
    ApplyFontMetrics();
    viewport()->update();
}

void CProgrammingView::OnEditCut()
{
    if (theTutorial.GetColor() != ARROW_DELETE)
        return;
    // A cut of nothing is no edit: it must not end the page's guided mode.
    if (!textCursor().hasSelection())
        return;
    SetBrowserCopyDone();
    cut();
    m_bEditDone = true;
    QGuiApplication::clipboard()->clear();
}

void CProgrammingView::OnEditPaste()
{
    if (theTutorial.GetColor() > ARROW_REPLACE)
        return;
    // Without text on the clipboard nothing would be pasted, yet the page
    // would count as done and the browser would stop copying its script.
    if (!CanPaste())
        return;
    SetBrowserCopyDone();
    paste();
    m_bEditDone = true;
    QGuiApplication::clipboard()->clear();
}

void CProgrammingView::RefreshPage()
{
    if (theTutorial.GetPageCount() == 0)
        return;
    const QTextDocument* doc = document();
    const PageSelection sel = ComputePageSelection(doc->blockCount(), doc->lastBlock().length() - 1,
                                                   theTutorial.GetLine(), theTutorial.GetColor(),
                                                   theTutorial.GetLineCount());
    QTextCursor cursor(document());
    cursor.setPosition(PositionOf(sel.start.line, sel.start.column));
    cursor.setPosition(PositionOf(sel.end.line, sel.end.column), QTextCursor::KeepAnchor);
    // The scroll bar counts lines and clamps the value to the text. Scrolling
    // first spares the editor a scroll of its own to the caret; setting the
    // value again undoes one where the caret still lay out of view.
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(sel.firstVisibleLine);
    setTextCursor(cursor);
    bar->setValue(sel.firstVisibleLine);
    RepaintGutter();
}

QString CProgrammingView::GetWindowText() const
{
    // The raw text keeps every character (the plain-text export would turn
    // no-break spaces into spaces); blocks are separated by U+2029.
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

void CProgrammingView::SetWindowText(const QString& text)
{
    setPlainText(EditorText(text));
    RepaintGutter();
}

void CProgrammingView::RepaintGutter()
{
    if (m_pLineWnd)
        m_pLineWnd->repaint();
}

bool CProgrammingView::CanCut() const
{
    return textCursor().hasSelection();
}

bool CProgrammingView::CanCopy() const
{
    return textCursor().hasSelection();
}

bool CProgrammingView::CanPaste() const
{
    // After clear() some platforms hold no mime data at all.
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText() && !data->text().isEmpty();
}

bool CProgrammingView::CanUndo() const
{
    return document()->isUndoAvailable();
}

int CProgrammingView::GetFirstVisibleLine() const
{
    return firstVisibleBlock().blockNumber();
}

int CProgrammingView::GetLineCount() const
{
    return document()->blockCount();
}

int CProgrammingView::GetLineHeight() const
{
    return m_pLayout->LineHeight();
}

int CProgrammingView::GetFirstLineTop() const
{
    const QTextBlock block = firstVisibleBlock();
    if (!block.isValid())
        return 0;
    return qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
}

QMenu* CProgrammingView::CreateEditMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    QAction* cutAction = menu->addAction(QStringLiteral("切り取り"));
    cutAction->setObjectName(QStringLiteral("editCut"));
    connect(cutAction, &QAction::triggered, this, &CProgrammingView::OnEditCut);
    QAction* pasteAction = menu->addAction(QStringLiteral("貼り付け"));
    pasteAction->setObjectName(QStringLiteral("editPaste"));
    connect(pasteAction, &QAction::triggered, this, &CProgrammingView::OnEditPaste);
    return menu;
}

// The guided-editing filter: keys arrive at the editor, the mouse at its viewport.
bool CProgrammingView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == viewport()) {
        switch (event->type()) {
        case QEvent::Resize:
        case QEvent::Move:
            PlaceGutter();
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
            if (FilterMouse(static_cast<QMouseEvent*>(event)))
                return true;
            break;
        default:
            break;
        }
    } else if (watched == this) {
        if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
            FilterKey(static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QPlainTextEdit::eventFilter(watched, event);
}

bool CProgrammingView::FilterKey(QKeyEvent* event)
{
    if (theTutorial.GetCurrentPage() < 0)
        return false;
    if (event->key() != Qt::Key_Backspace && event->key() != Qt::Key_Delete)
        return false;
    // Shift and Ctrl do not matter; with Alt the key is a command (Alt+Backspace undoes).
    if (event->modifiers() & Qt::AltModifier)
        return false;
    if (m_bEditDone || theTutorial.GetColor() != ARROW_DELETE)
        return false;
    if (event->type() == QEvent::ShortcutOverride) {
        // Keep Shift+Delete from becoming the window's Cut: the key comes here.
        event->accept();
        return true;
    }
    // The lines stay on the clipboard, and the browser keeps copying.
    cut();
    m_bEditDone = true;
    return true;
}

bool CProgrammingView::FilterMouse(QMouseEvent* event)
{
    const bool pageShown = theTutorial.GetCurrentPage() >= 0;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (!pageShown)
            return false;
        if (event->button() == Qt::LeftButton) {
            if (m_bEditDone)
                return false;
            // Until the page's edit is done a click puts the page's lines back.
            m_bLeftPressSwallowed = true;
            RefreshPage();
            return true;
        }
        return event->button() == Qt::MiddleButton;
    case QEvent::MouseButtonRelease:
        if (event->button() == Qt::LeftButton && m_bLeftPressSwallowed) {
            m_bLeftPressSwallowed = false;
            return true;
        }
        // The release is where X11 pastes its selection with the middle button.
        return pageShown && event->button() == Qt::MiddleButton;
    case QEvent::MouseMove:
        // A drag that began with a swallowed press selects nothing.
        return m_bLeftPressSwallowed && (event->buttons() & Qt::LeftButton);
    default:
        return false;
    }
}

bool CProgrammingView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // Cut and Paste keys come to this editor, which applies the page's rules.
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        if (IsCutKey(keyEvent) || IsPasteKey(keyEvent) || IsAltBackspace(keyEvent)) {
            keyEvent->accept();
            return true;
        }
        break;
    }
    case QEvent::Paint: {
        // The strip between the gutter and the text is the editor's black.
        QPainter painter(this);
        const QRect vp = viewport()->geometry();
        painter.fillRect(QRect(contentsRect().left(), vp.top(), LeftMargin(), vp.height()),
                         Qt::black);
        break;
    }
    default:
        break;
    }
    return QPlainTextEdit::event(event);
}

void CProgrammingView::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    PlaceGutter();
}

void CProgrammingView::contextMenuEvent(QContextMenuEvent* event)
{
    std::unique_ptr<QMenu> menu(CreateEditMenu(this));
    menu->exec(event->globalPos());
    event->accept();
}

void CProgrammingView::keyPressEvent(QKeyEvent* event)
{
    if (IsCutKey(event)) {
        OnEditCut();
        event->accept();
        return;
    }
    if (IsPasteKey(event)) {
        OnEditPaste();
        event->accept();
        return;
    }
    if (IsAltBackspace(event)) {
        undo();
        event->accept();
        return;
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    qsizetype added = enter ? 1 : 0;
    const QString text = event->text();
    if (!enter && !text.isEmpty() && (text.at(0).isPrint() || text.at(0) == u'\t'))
        added = text.size();
    if (added > RoomForInput()) {
        QApplication::beep();
        event->accept();
        return;
    }
    if (enter && (event->modifiers() & Qt::ShiftModifier)) {
        // Shift+Enter would put a soft break inside the line; every break of
        // this editor starts a new line.
        QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier, text,
                        event->isAutoRepeat(), ushort(event->count()));
        QPlainTextEdit::keyPressEvent(&plain);
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CProgrammingView::inputMethodEvent(QInputMethodEvent* event)
{
    const qsizetype room = RoomForInput();
    if (event->commitString().size() <= room) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent trimmed(event->preeditString(), event->attributes());
    trimmed.setCommitString(Truncated(event->commitString(), room), event->replacementStart(),
                            event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&trimmed);
    event->accept();
}

void CProgrammingView::insertFromMimeData(const QMimeData* source)
{
    if (!source || !source->hasText()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    // Only as much as the text limit leaves room for; the rest is dropped.
    QMimeData text;
    text.setText(Truncated(EditorText(source->text()), RoomForInput()));
    QPlainTextEdit::insertFromMimeData(&text);
}

void CProgrammingView::changeEvent(QEvent* event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        ApplyFontMetrics();
        UpdateLeftMargin();
        RepaintGutter();
    }
}

void CProgrammingView::OnBlockCountChanged(int count)
{
    if (count == m_nLastLineCount)
        return;
    UpdateLeftMargin();
    RepaintGutter();
    m_nLastLineCount = count;
}

void CProgrammingView::OnVScroll()
{
    // Both signals come for one scroll; the gutter is painted once per new top line.
    if (m_pLineWnd && GetFirstVisibleLine() != m_pLineWnd->m_nFirstVisible)
        RepaintGutter();
}

void CProgrammingView::PlaceGutter()
{
    if (!m_pLineWnd)
        return;
    const QRect vp = viewport()->geometry();
    m_pLineWnd->setGeometry(contentsRect().left(), vp.top(), LeftMargin() - kGutterGap,
                            vp.height());
    m_pLineWnd->m_nTop = 0;
}

int CProgrammingView::LeftMargin() const
{
    return CLineWnd::WidthFor(fontMetrics(), GetLineCount()) + kGutterGap;
}

void CProgrammingView::UpdateLeftMargin()
{
    if (viewportMargins().left() == LeftMargin())
        return;
    setViewportMargins(LeftMargin(), 0, 0, 0);
    PlaceGutter();
}

void CProgrammingView::ApplyFontMetrics()
{
    // One tab stop every four average character widths.
    setTabStopDistance(4 * QFontMetricsF(font()).averageCharWidth());
    if (m_pLineWnd)
        m_pLineWnd->m_nLineHeight = GetLineHeight();
}

void CProgrammingView::SetBrowserCopyDone()
{
    Q_EMIT scriptTaken();
}

qsizetype CProgrammingView::RoomForInput() const
{
    const QTextCursor cursor = textCursor();
    const qsizetype length = document()->characterCount() - 1;
    const qsizetype selected = cursor.selectionEnd() - cursor.selectionStart();
    return std::max<qsizetype>(kTextLimit - (length - selected), 0);
}

int CProgrammingView::PositionOf(int line, int column) const
{
    const QTextDocument* doc = document();
    if (line >= doc->blockCount())
        return doc->characterCount() - 1;
    const QTextBlock block = doc->findBlockByNumber(std::max(line, 0));
    return block.position() + std::clamp(column, 0, block.length() - 1);
}

void CProgrammingView::dragEnterEvent(QDragEnterEvent* event)
{
    event->ignore();
}

void CProgrammingView::dragMoveEvent(QDragMoveEvent* event)
{
    event->ignore();
}

void CProgrammingView::dropEvent(QDropEvent* event)
{
    event->ignore();
}
