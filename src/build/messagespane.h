#pragma once

#include "build/diagnostics.h"

#include <QList>
#include <QString>
#include <QWidget>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

// The pane "コンパイル結果" below the editor: what the last compile said.
// A failed compile lists each of the compiler's messages (kind, line,
// column, the compiler's own words) with a short explanation for a beginner
// under it; a compile that succeeded shows one line with its time and any
// warnings. Double-click or Enter on a message about the source asks for its
// place with positionRequested.
class CMessagesPane : public QWidget
{
    Q_OBJECT
public:
    explicit CMessagesPane(QWidget* parent = nullptr);

    static QString Title() { return QStringLiteral("コンパイル結果"); }

    // The messages of a compile that failed, headed by summary. Messages
    // about sourcePath can be jumped to; others name their file.
    void ShowFailure(const QString& summary, const QList<Diagnostic>& diagnostics,
                     const QString& sourcePath);
    // The line of a compile that succeeded, then its warnings (if any).
    void ShowSuccess(const QString& summary, const QList<Diagnostic>& warnings,
                     const QString& sourcePath);
    // One line and nothing else (a compile cancelled, stopped, not started).
    void ShowNote(const QString& text);

    // The list, one top-level row per line shown: the summary first, then
    // one per message with its explanation as a child row.
    QTreeWidget* List() const { return m_pList; }
    // The row of the n-th message (0-based), nullptr when there is none.
    QTreeWidgetItem* MessageItem(int n) const;
    // The text below the list: the current message whole.
    QString DetailsText() const;

    // Columns of the list.
    enum Column { KindColumn, LineColumn, ColumnColumn, MessageColumn };

Q_SIGNALS:
    // A message was chosen: its 1-based line and column in the source
    // (column 0 when the compiler named none).
    void positionRequested(int line, int column);

private:
    void Fill(const QString& summary, const QList<Diagnostic>& diagnostics,
              const QString& sourcePath);
    void OnItemActivated(QTreeWidgetItem* item);

    void OnCurrentItemChanged(QTreeWidgetItem* item);

    QTreeWidget* m_pList = nullptr;
    // The chosen message whole: the compiler's lines (with the source line
    // and its caret) and the explanation, wrapped.
    QLabel* m_pDetails = nullptr;
};
