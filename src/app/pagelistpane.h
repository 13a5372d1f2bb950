#pragma once

#include <QList>
#include <QWidget>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
struct PageListRow;

// The page list (表示 → ページ一覧): every numbered page of the tutorial in a
// row — number, HTML title, the arrow's kind in its colour, line, count, the
// script's first line and what the check finds. A double-click (or Enter)
// asks for the page with pageRequested. 追加 and 削除 ask first, naming the
// entries that move, and then say so with insertRequested and
// deleteRequested; 元に戻す asks for the author's last change to be undone.
class CPageListPane : public QWidget
{
    Q_OBJECT
public:
    enum Column { ColPage, ColTitle, ColKind, ColLine, ColCount, ColScript, ColFindings };

    explicit CPageListPane(QWidget* parent = nullptr);

    // Shows rows (the selection stays on the same page number); note is the
    // line above the list (empty: the page and problem counts).
    void SetRows(const QList<PageListRow>& rows, int entryCount, const QString& note = {});
    // Marks the page shown in the tutorial pane.
    void SetCurrentPage(int page);
    // Whether there is a change to undo, and its name.
    void SetUndoState(bool canUndo, const QString& text);

    QTreeWidget* List() const { return m_pList; }
    QString Note() const;
    // The page of the selected row (-1: none).
    int SelectedPage() const;

Q_SIGNALS:
    void pageRequested(int page);
    void insertRequested(int page);
    void deleteRequested(int page);
    void undoRequested();

private:
    void OnItemActivated(QTreeWidgetItem* item);
    void OnInsert();
    void OnDelete();
    void UpdateButtons();

    QLabel* m_pNote = nullptr;
    QTreeWidget* m_pList = nullptr;
    QPushButton* m_pInsert = nullptr;
    QPushButton* m_pDelete = nullptr;
    QPushButton* m_pUndo = nullptr;
    int m_nEntryCount = 0;
};
