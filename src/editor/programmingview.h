#pragma once

#include <QPlainTextEdit>

class CLineWnd;

// The script editor: a plain text editor for Main.as with the tutorial's
// guided-editing rules and a gutter of line numbers and arrows.
class CProgrammingView : public QPlainTextEdit
{
    Q_OBJECT
public:
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

    CLineWnd* m_pLineWnd = nullptr;
    int m_nLastLineCount = 0;
    bool m_bEditDone = false;

Q_SIGNALS:
    // Any of CanCut/CanCopy/CanPaste/CanUndo may have changed.
    void commandStateChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};
