#include "checkpane.h"

#include "app/tutorialcheck.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The page a row leads to (-1: none), kept with its first column.
constexpr int kPageRole = Qt::UserRole;

QString PageColumnText(const CheckFinding& finding)
{
    if (finding.page >= 0)
        return QString::number(finding.page);
    if (finding.kind == CheckFinding::CompileError)
        return QStringLiteral("テンプレート");
    return QString();
}

} // namespace

CCheckPane::CCheckPane(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("checkPane"));
    m_pSummary = new QLabel(this);
    m_pSummary->setObjectName(QStringLiteral("checkSummary"));
    m_pSummary->setWordWrap(true);
    m_pSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_pList = new QTreeWidget(this);
    m_pList->setObjectName(QStringLiteral("checkList"));
    m_pList->setColumnCount(2);
    m_pList->setHeaderLabels({QStringLiteral("ページ"), QStringLiteral("内容")});
    m_pList->setRootIsDecorated(false);
    m_pList->setUniformRowHeights(true);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setWordWrap(false);
    m_pList->header()->setStretchLastSection(true);
    m_pList->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_pList->setToolTip(QStringLiteral("ダブルクリックでそのページへ移動します"));
    connect(m_pList, &QTreeWidget::itemActivated, this, &CCheckPane::OnItemActivated);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_pSummary);
    layout->addWidget(m_pList, 1);
}

void CCheckPane::Begin()
{
    m_pList->clear();
    m_pSummary->setText(QStringLiteral("検査しています…"));
}

void CCheckPane::AddFinding(const CheckFinding& finding)
{
    auto* item = new QTreeWidgetItem(m_pList, {PageColumnText(finding), finding.text});
    item->setData(0, kPageRole, finding.page);
    item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    // The whole sentence on hover: the column cuts long compiler messages.
    item->setToolTip(1, finding.text);
    if (finding.kind == CheckFinding::CompileError || finding.kind == CheckFinding::CompilerNotRun)
        item->setForeground(1, QColor(0xB0, 0x00, 0x00));
    if (m_pList->topLevelItemCount() == 1)
        m_pList->setCurrentItem(item);
}

void CCheckPane::Finish(const CheckReport& report)
{
    m_pSummary->setText(report.summary());
}

void CCheckPane::ShowNote(const QString& text)
{
    m_pList->clear();
    m_pSummary->setText(text);
}

QString CCheckPane::Summary() const
{
    return m_pSummary->text();
}

void CCheckPane::OnItemActivated(QTreeWidgetItem* item)
{
    const int page = item ? item->data(0, kPageRole).toInt() : -1;
    if (page >= 0)
        Q_EMIT pageRequested(page);
}
