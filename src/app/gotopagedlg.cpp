#include "gotopagedlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

CDlgGoToPage::CDlgGoToPage(int current, int lastPage, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("goToPageDialog"));
    setWindowTitle(QStringLiteral("ページへ移動"));

    m_pPage = new QSpinBox(this);
    m_pPage->setObjectName(QStringLiteral("pageNumber"));
    m_pPage->setRange(0, qMax(0, lastPage));
    m_pPage->setValue(qBound(0, current, qMax(0, lastPage)));
    m_pPage->selectAll();

    auto* note = new QLabel(QStringLiteral("そのページを始めるときのソースがエディタに入ります。"),
                            this);
    note->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ページ (0〜%1):").arg(qMax(0, lastPage)), m_pPage);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
}

int CDlgGoToPage::Page() const
{
    return m_pPage->value();
}
