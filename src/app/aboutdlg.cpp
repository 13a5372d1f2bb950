#include "aboutdlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(Caption());
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("iconLabel"));
    icon->setPixmap(QIcon(QStringLiteral(":/icons/peltra.svg")).pixmap(QSize(32, 32)));
    icon->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    auto* text = new QLabel(VersionText(), this);
    text->setObjectName(QStringLiteral("versionLabel"));
    text->setTextFormat(Qt::PlainText); // no prefix or markup in the text
    text->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    text->setMinimumWidth(text->fontMetrics().horizontalAdvance(VersionText()) + 100);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    ok->setAutoDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(20, 20, 12, 12);
    layout->setHorizontalSpacing(14);
    layout->addWidget(icon, 0, 0, 2, 1);
    layout->addWidget(text, 0, 1);
    layout->setRowStretch(1, 1);
    layout->setColumnStretch(1, 1);
    layout->addWidget(ok, 2, 1, Qt::AlignRight | Qt::AlignBottom);
    layout->setRowMinimumHeight(1, 40);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    ok->setFocus();
}
