#include "pagelistpane.h"

#include "app/pagelist.h"
#include "editor/linewnd.h"
#include "tutorial/entrychange.h"
#include "widgets/prompts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kPageRole = Qt::UserRole;

// The gutter's arrow colour; none for a kind the gutter draws no arrow of.
QColor KindColor(int kind)
{
    if (kind < ARROW_ADD || kind > ARROW_DELETE)
        return QColor();
    return CLineWnd::ArrowColor(kind);
}

QIcon Swatch(const QColor& color)
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(color.darker(140));
    painter.setBrush(color);
    painter.drawRect(0, 0, 11, 11);
    return QIcon(pixmap);
}

} // namespace

CPageListPane::CPageListPane(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pageListPane"));
    m_pNote = new QLabel(this);
    m_pNote->setObjectName(QStringLiteral("pageListNote"));
    m_pNote->setWordWrap(true);

    m_pInsert = new QPushButton(QStringLiteral("追加"), this);
    m_pInsert->setObjectName(QStringLiteral("pageListInsert"));
    m_pInsert->setToolTip(QStringLiteral("選んだページの前に空の設定を入れます"));
    m_pDelete = new QPushButton(QStringLiteral("削除"), this);
    m_pDelete->setObjectName(QStringLiteral("pageListDelete"));
    m_pDelete->setToolTip(QStringLiteral("選んだページの設定を削除します"));
    m_pUndo = new QPushButton(QStringLiteral("元に戻す"), this);
    m_pUndo->setObjectName(QStringLiteral("pageListUndo"));
    m_pUndo->setEnabled(false);

    m_pList = new QTreeWidget(this);
    m_pList->setObjectName(QStringLiteral("pageList"));
    m_pList->setHeaderLabels({QStringLiteral("ページ"), QStringLiteral("タイトル"),
                              QStringLiteral("色"), QStringLiteral("行"), QStringLiteral("行数"),
                              QStringLiteral("コピーするテキスト"), QStringLiteral("検査")});
    m_pList->setRootIsDecorated(false);
    m_pList->setUniformRowHeights(true);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setWordWrap(false);
    m_pList->header()->setStretchLastSection(true);
    for (int column : {ColPage, ColKind, ColLine, ColCount})
        m_pList->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    m_pList->setColumnWidth(ColTitle, 220);
    m_pList->setColumnWidth(ColScript, 220);
    m_pList->setToolTip(QStringLiteral("ダブルクリックでそのページへ移動します"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pNote, 1);
    buttons->addWidget(m_pInsert);
    buttons->addWidget(m_pDelete);
    buttons->addWidget(m_pUndo);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buttons);
    layout->addWidget(m_pList, 1);

    connect(m_pList, &QTreeWidget::itemActivated, this, &CPageListPane::OnItemActivated);
    connect(m_pList, &QTreeWidget::currentItemChanged, this, &CPageListPane::UpdateButtons);
    connect(m_pInsert, &QPushButton::clicked, this, &CPageListPane::OnInsert);
    connect(m_pDelete, &QPushButton::clicked, this, &CPageListPane::OnDelete);
    connect(m_pUndo, &QPushButton::clicked, this, &CPageListPane::undoRequested);
    UpdateButtons();
}

void CPageListPane::SetRows(const QList<PageListRow>& rows, int entryCount, const QString& note)
{
    const int selected = SelectedPage();
    m_nEntryCount = entryCount;
    m_pList->clear();
    int problems = 0;
    QTreeWidgetItem* reselect = nullptr;
    for (const PageListRow& row : rows) {
        auto* item = new QTreeWidgetItem(m_pList);
        item->setData(ColPage, kPageRole, row.page);
        item->setText(ColPage, QString::number(row.page));
        item->setTextAlignment(ColPage, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(ColTitle, row.title);
        item->setToolTip(ColTitle, row.title);
        if (row.hasEntry) {
            item->setText(ColKind, KindName(row.entry.color));
            const QColor color = KindColor(row.entry.color);
            if (color.isValid()) {
                item->setForeground(ColKind, color);
                item->setIcon(ColKind, Swatch(color));
            }
            item->setText(ColLine, QString::number(row.entry.line));
            item->setText(ColCount, QString::number(row.entry.lineCount));
            item->setTextAlignment(ColLine, Qt::AlignRight | Qt::AlignVCenter);
            item->setTextAlignment(ColCount, Qt::AlignRight | Qt::AlignVCenter);
            // Scripts are indented: the column shows where the text starts.
            item->setText(ColScript, row.firstLine.trimmed());
            item->setToolTip(ColScript, row.firstLine);
        }
        if (!row.findings.isEmpty()) {
            problems += int(row.findings.size());
            item->setText(ColFindings, row.findings.join(QStringLiteral(" / ")));
            item->setToolTip(ColFindings, row.findings.join(QLatin1Char('\n')));
            item->setForeground(ColFindings, QColor(0xB0, 0x00, 0x00));
        }
        if (row.page == selected)
            reselect = item;
    }
    if (reselect)
        m_pList->setCurrentItem(reselect);
    m_pNote->setText(note.isEmpty() ? QStringLiteral("%1 ページ、問題 %2 件")
                                          .arg(rows.size())
                                          .arg(problems)
                                    : note);
    UpdateButtons();
}

void CPageListPane::SetCurrentPage(int page)
{
    for (int i = 0; i < m_pList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_pList->topLevelItem(i);
        QFont font = item->font(ColPage);
        font.setBold(item->data(ColPage, kPageRole).toInt() == page);
        for (int column = 0; column < m_pList->columnCount(); ++column)
            item->setFont(column, font);
    }
}

void CPageListPane::SetUndoState(bool canUndo, const QString& text)
{
    m_pUndo->setEnabled(canUndo);
    m_pUndo->setToolTip(canUndo ? QStringLiteral("元に戻す: %1").arg(text) : QString());
}

QString CPageListPane::Note() const
{
    return m_pNote->text();
}

int CPageListPane::SelectedPage() const
{
    const QTreeWidgetItem* item = m_pList->currentItem();
    return item ? item->data(ColPage, kPageRole).toInt() : -1;
}

void CPageListPane::UpdateButtons()
{
    const int page = SelectedPage();
    m_pInsert->setEnabled(page >= 0);
    m_pDelete->setEnabled(page >= 0 && page < m_nEntryCount);
}

void CPageListPane::OnItemActivated(QTreeWidgetItem* item)
{
    if (item)
        Q_EMIT pageRequested(item->data(ColPage, kPageRole).toInt());
}

void CPageListPane::OnInsert()
{
    const int page = SelectedPage();
    if (page < 0)
        return;
    if (AfxMessageBox(InsertQuestion(page, m_nEntryCount), QMessageBox::Yes | QMessageBox::No) ==
        QMessageBox::Yes)
        Q_EMIT insertRequested(page);
}

void CPageListPane::OnDelete()
{
    const int page = SelectedPage();
    if (page < 0 || page >= m_nEntryCount)
        return;
    if (AfxMessageBox(DeleteQuestion(page, m_nEntryCount), QMessageBox::Yes | QMessageBox::No) ==
        QMessageBox::Yes)
        Q_EMIT deleteRequested(page);
}
