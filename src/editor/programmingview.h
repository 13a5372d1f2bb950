#pragma once

#include <QPlainTextEdit>

#include "editor/replay.h"

class CLineWnd;
class CFixedLineLayout;
class QMenu;

// The script editor: a plain text editor for Main.as with the tutorial's
// guided-editing rules and a gutter of line numbers and arrows.
class CProgrammingView : public QPlainTextEdit
{
    Q_OBJECT
public:
    // Most characters the learner can enter (whole-text replacement is not limited).
    static constexpr int kTextLimit = int(kEditorTextLimit);
    // Black strip between the gutter and the text.
    static constexpr int kGutterGap = 5;

    // Distance of the text from the editor's left edge: the gutter, which
    // grows with the widest line number, and the black strip after it.
    int LeftMargin() const;

    explicit CProgrammingView(QWidget* parent = nullptr);
    ~CProgrammingView() override;

    void OnInitialUpdate();
    void OnEditCut();
    void OnEditPaste();
    // Selects the current page's lines (or places the caret) and scrolls them
    // into place; nothing when the tutorial has no pages.
    void RefreshPage();

    // The whole text as other parts see it.
    QString GetWindowText() const;
    void SetWindowText(const QString& text);

    // Repaints the gutter at once (when it exists).
    void RepaintGutter();

    // Enabled states of the Edit commands while the editor is the active pane.
    bool CanCut() const;
    bool CanCopy() const;
    bool CanPaste() const;
    bool CanUndo() const;

    // What the gutter reads: zero-based first visible line, number of lines
    // (at least 1), height of every line in pixels, and the y of the first
    // visible line's top in viewport coordinates.
    int GetFirstVisibleLine() const;
    int GetLineCount() const;
    int GetLineHeight() const;
    int GetFirstLineTop() const;

    // The context menu of the editor and of its gutter: "切り取り" and
    // "貼り付け", which obey the editor's Cut and Paste rules.
    QMenu* CreateEditMenu(QWidget* parent);

    CLineWnd* m_pLineWnd = nullptr;
    int m_nLastLineCount = 0;
    bool m_bEditDone = false;

Q_SIGNALS:
    // Any of CanCut/CanCopy/CanPaste/CanUndo may have changed.
    void commandStateChanged();
    // The Paste or Cut command is taking the page's script into the text
    // (emitted before the edit): the browser stops copying the script.
    void scriptTaken();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void OnBlockCountChanged(int count);
    void OnVScroll();
    void PlaceGutter();
    // Makes room for the gutter as wide as the line count and font need.
    void UpdateLeftMargin();
    void ApplyFontMetrics();
    void SetBrowserCopyDone();
    bool FilterKey(QKeyEvent* event);
    bool FilterMouse(QMouseEvent* event);
    // How many characters can still be entered when the selection is replaced.
    qsizetype RoomForInput() const;
    int PositionOf(int line, int column) const;

    CFixedLineLayout* m_pLayout = nullptr;
    bool m_bLeftPressSwallowed = false;
};
