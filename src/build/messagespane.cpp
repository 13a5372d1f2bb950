#include "messagespane.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kLineRole = Qt::UserRole;
constexpr int kColumnRole = Qt::UserRole + 1;
constexpr int kDetailsRole = Qt::UserRole + 2;

QColor KindColor(Diagnostic::Kind kind)
{
    switch (kind) {
    case Diagnostic::Kind::Error:
        return QColor(0xc0, 0x00, 0x00);
    case Diagnostic::Kind::Warning:
        return QColor(0xa0, 0x60, 0x00);
    case Diagnostic::Kind::Other:
        break;
    }
    return QColor();
}

// Marks item (and its explanation) as a way to the place line:column.
void SetPlace(QTreeWidgetItem* item, int line, int column)
{
    item->setData(0, kLineRole, line);
    item->setData(0, kColumnRole, column);
}

} // namespace

CMessagesPane::CMessagesPane(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("messagesPane"));
    auto* title = new QLabel(Title(), this);
    title->setObjectName(QStringLiteral("messagesTitle"));
    title->setContentsMargins(4, 2, 4, 2);

    m_pList = new QTreeWidget(this);
    m_pList->setObjectName(QStringLiteral("messagesList"));
    m_pList->setColumnCount(4);
    m_pList->setHeaderLabels({QStringLiteral("種類"), QStringLiteral("行"), QStringLiteral("列"),
                              QStringLiteral("メッセージ")});
    m_pList->setRootIsDecorated(false);
    m_pList->setIndentation(0);
    m_pList->setItemsExpandable(false);
    m_pList->setUniformRowHeights(false);
    m_pList->setWordWrap(true);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->header()->setStretchLastSection(true);
    m_pList->header()->setSectionResizeMode(KindColumn, QHeaderView::ResizeToContents);
    m_pList->header()->setSectionResizeMode(LineColumn, QHeaderView::ResizeToContents);
    m_pList->header()->setSectionResizeMode(ColumnColumn, QHeaderView::ResizeToContents);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(title);
    layout->addWidget(m_pList, 1);

    m_pDetails = new QLabel(this);
    m_pDetails->setObjectName(QStringLiteral("messageDetails"));
    m_pDetails->setTextFormat(Qt::PlainText);
    m_pDetails->setWordWrap(true);
    m_pDetails->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pDetails->setContentsMargins(4, 2, 4, 2);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_pDetails->setFont(fixed);
    layout->addWidget(m_pDetails);
    connect(m_pList, &QTreeWidget::currentItemChanged, this, &CMessagesPane::OnCurrentItemChanged);

    // Double-click and Enter both activate a row.
    connect(m_pList, &QTreeWidget::itemActivated, this, &CMessagesPane::OnItemActivated);
}

void CMessagesPane::ShowFailure(const QString& summary, const QList<Diagnostic>& diagnostics,
                                const QString& sourcePath)
{
    Fill(summary, diagnostics, sourcePath);
}

void CMessagesPane::ShowSuccess(const QString& summary, const QList<Diagnostic>& warnings,
                                const QString& sourcePath)
{
    Fill(summary, warnings, sourcePath);
}

void CMessagesPane::ShowNote(const QString& text)
{
    Fill(text, {}, QString());
}

QTreeWidgetItem* CMessagesPane::MessageItem(int n) const
{
    // Row 0 is the summary.
    return n >= 0 ? m_pList->topLevelItem(n + 1) : nullptr;
}

void CMessagesPane::Fill(const QString& summary, const QList<Diagnostic>& diagnostics,
                         const QString& sourcePath)
{
    m_pList->clear();
    auto* head = new QTreeWidgetItem(m_pList);
    head->setFirstColumnSpanned(true);
    head->setText(KindColumn, summary);
    QFont bold = head->font(KindColumn);
    bold.setBold(true);
    head->setFont(KindColumn, bold);

    const ExplanationTable& table = ExplanationTable::builtIn();
    QTreeWidgetItem* first = nullptr;
    for (const Diagnostic& d : diagnostics) {
        auto* item = new QTreeWidgetItem(m_pList);
        item->setText(KindColumn, KindName(d.kind));
        item->setForeground(KindColumn, KindColor(d.kind));
        const bool here = !d.file.isEmpty() && d.isAbout(sourcePath);
        QString message = d.message.isEmpty() ? d.text : d.message;
        if (!d.file.isEmpty() && !here) {
            // A message about another file of the game names that file.
            message = QFileInfo(d.file).fileName() + QStringLiteral(": ") + message;
        }
        if (d.line > 0)
            item->setText(LineColumn, QString::number(d.line));
        if (d.column > 0)
            item->setText(ColumnColumn, QString::number(d.column));
        item->setText(MessageColumn, message);
        // The compiler's own lines, with the source line and its caret.
        item->setToolTip(MessageColumn, d.text);
        if (here && d.line > 0) {
            SetPlace(item, d.line, d.column);
            if (!first)
                first = item;
        }

        const Explanation explanation = table.explain(d);
        QString details = d.text.trimmed().isEmpty() ? message : d.text.trimmed();
        if (!explanation.isNull())
            details += QStringLiteral("\n\n") + explanation.text;
        item->setData(0, kDetailsRole, details);
        if (!explanation.isNull()) {
            // Under the compiler's words, in the same column, wrapped.
            auto* child = new QTreeWidgetItem(item);
            child->setText(MessageColumn, QStringLiteral("→ ") + explanation.text);
            child->setForeground(MessageColumn, QColor(0x20, 0x40, 0x90));
            child->setToolTip(MessageColumn, explanation.text);
            child->setFlags(child->flags() & ~Qt::ItemIsSelectable);
            child->setData(0, kDetailsRole, details);
            if (here && d.line > 0)
                SetPlace(child, d.line, d.column);
        }
    }
    m_pList->expandAll();
    // The first message to jump to is at hand for Enter.
    m_pList->setCurrentItem(first ? first : head);
    OnCurrentItemChanged(m_pList->currentItem());
}

QString CMessagesPane::DetailsText() const
{
    return m_pDetails->text();
}

void CMessagesPane::OnCurrentItemChanged(QTreeWidgetItem* item)
{
    const QString details = item ? item->data(0, kDetailsRole).toString() : QString();
    m_pDetails->setText(details);
    m_pDetails->setVisible(!details.isEmpty());
}

void CMessagesPane::OnItemActivated(QTreeWidgetItem* item)
{
    if (!item)
        return;
    const int line = item->data(0, kLineRole).toInt();
    if (line <= 0)
        return;
    Q_EMIT positionRequested(line, item->data(0, kColumnRole).toInt());
}
