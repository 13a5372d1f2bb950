#pragma once

#include <QWidget>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;
struct CheckFinding;
struct CheckReport;

// The findings of the tutorial's check, one row each: the page and what was
// found, with a line above saying how far the check is. A double-click (or
// Enter) on a finding of a page asks for that page with pageRequested.
class CCheckPane : public QWidget
{
    Q_OBJECT
public:
    explicit CCheckPane(QWidget* parent = nullptr);

    // A check has started: the list empties, the line says so.
    void Begin();
    void AddFinding(const CheckFinding& finding);
    // The check has ended: the line gives the counts.
    void Finish(const CheckReport& report);
    // The check could not start: the line says why, the list is empty.
    void ShowNote(const QString& text);

    QTreeWidget* List() const { return m_pList; }
    QString Summary() const;

Q_SIGNALS:
    // Show page `page` (the finding's page, 0 for index0.html).
    void pageRequested(int page);

private:
    void OnItemActivated(QTreeWidgetItem* item);

    QLabel* m_pSummary = nullptr;
    QTreeWidget* m_pList = nullptr;
};
