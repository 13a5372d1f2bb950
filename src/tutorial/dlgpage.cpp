#include "dlgpage.h"

#include "tutorial/codepage.h"
#include "tutorial/copytext.h"
#include "tutorial/peltra.h"
#include "widgets/prompts.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QVBoxLayout>

#include <climits>

namespace {

// The copy text as the multi-line edit shows it: one '\n' per line break.
QString TextForDisplay(const QByteArray& bytes)
{
    return EditorText(CodePage::toUnicode(bytes));
}

QByteArray TextForModel(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return CodePage::fromUnicode(text);
}

QLineEdit* MakeNumberEdit(QWidget* parent, const QString& name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    // Only digits can be typed, like a Windows number edit.
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    return edit;
}

QLabel* MakeRightLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

CDlgPage::CDlgPage(int nPage, QWidget* parent) : QDialog(parent), m_nPageNumber(nPage)
{
    setObjectName(QStringLiteral("CDlgPage"));
    setWindowTitle(QStringLiteral("Dialog"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    m_pOk = new QPushButton(QStringLiteral("OK"), this);
    m_pOk->setObjectName(QStringLiteral("okButton"));
    m_pCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    m_pCancel->setObjectName(QStringLiteral("cancelButton"));

    auto* textLabel = new QLabel(QStringLiteral("コピーするテキスト"), this);
    textLabel->setObjectName(QStringLiteral("textLabel"));
    m_pText = new QPlainTextEdit(this);
    m_pText->setObjectName(QStringLiteral("textEdit"));
    m_pText->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Scripts are indented with tabs: four average characters, as in the editor.
    m_pText->setTabStopDistance(4 * m_pText->fontMetrics().averageCharWidth());
    m_pText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pText->setTabChangesFocus(true);
    m_pText->setMinimumSize(400, 130);
    // Enter presses OK; Ctrl+Enter types the line break.
    m_pText->installEventFilter(this);
    textLabel->setBuddy(m_pText);

    auto* colorGroup = new QGroupBox(QStringLiteral("色"), this);
    colorGroup->setObjectName(QStringLiteral("colorGroup"));
    const QString radioTexts[3] = {QStringLiteral("赤(追加)"), QStringLiteral("緑(置換)"),
                                   QStringLiteral("青(削除)")};
    const QString radioNames[3] = {QStringLiteral("redRadio"), QStringLiteral("greenRadio"),
                                   QStringLiteral("blueRadio")};
    auto* colorLayout = new QVBoxLayout(colorGroup);
    for (int i = 0; i < 3; ++i) {
        m_pRadios[i] = new QRadioButton(radioTexts[i], colorGroup);
        m_pRadios[i]->setObjectName(radioNames[i]);
        // The radio buttons are no stops of the Tab key.
        m_pRadios[i]->setFocusPolicy(Qt::ClickFocus);
        colorLayout->addWidget(m_pRadios[i]);
    }

    auto* lineLabel = MakeRightLabel(QStringLiteral("矢印の行番号"), this);
    m_pLine = MakeNumberEdit(this, QStringLiteral("lineEdit"));
    lineLabel->setBuddy(m_pLine);
    auto* lineCountLabel = MakeRightLabel(QStringLiteral("矢印の行数"), this);
    m_pLineCount = MakeNumberEdit(this, QStringLiteral("lineCountEdit"));
    lineCountLabel->setBuddy(m_pLineCount);
    // Line and count (and an empty copy text) from the editor's selection;
    // shown once the main window answers for the editor.
    m_pFromSelection = new QPushButton(QStringLiteral("選択範囲から"), this);
    m_pFromSelection->setObjectName(QStringLiteral("fromSelectionButton"));
    m_pFromSelection->setToolTip(
        QStringLiteral("エディタで選択している行から、矢印の行番号と行数を入れます"));
    m_pFromSelection->hide();
    auto* startPageLabel = MakeRightLabel(QStringLiteral("開始ページ"), this);
    m_pStartPage = new QLineEdit(this);
    m_pStartPage->setObjectName(QStringLiteral("startPageEdit"));
    startPageLabel->setBuddy(m_pStartPage);

    m_pAdd = new QPushButton(QStringLiteral("追加"), this);
    m_pAdd->setObjectName(QStringLiteral("addButton"));
    m_pDelete = new QPushButton(QStringLiteral("削除"), this);
    m_pDelete->setObjectName(QStringLiteral("deleteButton"));

    // Layout: the copy text on top, the colour group and the number fields
    // below it, Add/Delete at the bottom left and OK/Cancel at the bottom right.
    auto* top = new QHBoxLayout;
    top->addWidget(textLabel, 0, Qt::AlignVCenter);
    top->addWidget(m_pText, 1);

    auto* fields = new QGridLayout;
    fields->addWidget(lineLabel, 0, 0);
    fields->addWidget(m_pLine, 0, 1);
    fields->addWidget(lineCountLabel, 1, 0);
    fields->addWidget(m_pLineCount, 1, 1);
    fields->addWidget(m_pFromSelection, 0, 2, 2, 1, Qt::AlignVCenter);
    fields->addWidget(startPageLabel, 2, 0);
    fields->addWidget(m_pStartPage, 2, 1);
    fields->setColumnStretch(1, 1);

    auto* middle = new QHBoxLayout;
    middle->addWidget(colorGroup, 0);
    middle->addSpacing(16);
    middle->addLayout(fields, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pAdd);
    buttons->addWidget(m_pDelete);
    buttons->addStretch(1);
    buttons->addWidget(m_pOk);
    buttons->addWidget(m_pCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(middle);
    layout->addLayout(buttons);

    // Tab order of the template: OK, Cancel, the copy text, the three
    // fields, Add, Delete.
    setTabOrder(m_pOk, m_pCancel);
    setTabOrder(m_pCancel, m_pText);
    setTabOrder(m_pText, m_pLine);
    setTabOrder(m_pLine, m_pLineCount);
    setTabOrder(m_pLineCount, m_pFromSelection);
    setTabOrder(m_pFromSelection, m_pStartPage);
    setTabOrder(m_pStartPage, m_pAdd);
    setTabOrder(m_pAdd, m_pDelete);

    m_pOk->setDefault(true);
    connect(m_pOk, &QPushButton::clicked, this, &CDlgPage::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &CDlgPage::reject);
    connect(m_pAdd, &QPushButton::clicked, this, &CDlgPage::OnAdd);
    connect(m_pDelete, &QPushButton::clicked, this, &CDlgPage::OnDelete);
    connect(m_pFromSelection, &QPushButton::clicked, this, &CDlgPage::OnFromSelection);
}

void CDlgPage::SetQueries(const Queries& queries)
{
    m_queries = queries;
    m_pFromSelection->setVisible(bool(m_queries.selection));
}

CDlgPage::~CDlgPage() = default;

QString CDlgPage::Caption(int nPage)
{
    return QStringLiteral("%1ページ目の設定").arg(nPage);
}

void CDlgPage::OnInitDialog()
{
    UpdateData(false);
    setWindowTitle(Caption(m_nPageNumber));
    m_pOk->setDefault(true);
    m_pOk->setFocus(Qt::OtherFocusReason);
}

int CDlgPage::DoModal()
{
    OnInitDialog();
    PlaceBesideEditor();
    return exec();
}

void CDlgPage::PlaceBesideEditor()
{
    if (!m_queries.area)
        return;
    const QRect area = m_queries.area();
    if (!area.isValid())
        return;
    adjustSize();
    // The window frame is not known before the dialog is shown: leave room
    // for it, so that the dialog's right edge stays left of the editor.
    constexpr int kFrameRoom = 8;
    const QSize size = this->size() + QSize(2 * kFrameRoom, 2 * kFrameRoom);
    int x = area.left() + (area.width() - size.width()) / 2;
    if (x + size.width() > area.right() + 1)
        x = area.right() + 1 - size.width();
    int y = area.top() + (area.height() - size.height()) / 2;
    if (const QScreen* screen = QGuiApplication::screenAt(area.center())) {
        const QRect avail = screen->availableGeometry();
        x = qMax(x, avail.left());
        y = qBound(avail.top(), y, qMax(avail.top(), avail.bottom() + 1 - size.height()));
    }
    move(x + kFrameRoom, y + kFrameRoom);
}

void CDlgPage::OnFromSelection()
{
    if (!m_queries.selection)
        return;
    const EditorLines lines = m_queries.selection();
    if (lines.count <= 0)
        return;
    m_pLine->setText(QString::number(lines.line));
    m_pLineCount->setText(QString::number(lines.count));
    // A script already written stays; an empty one takes the lines.
    if (m_pText->toPlainText().isEmpty())
        m_pText->setPlainText(lines.text);
}

QString CDlgPage::CheckQuestion(int nPage, const QList<Problem>& problems)
{
    QString text = QStringLiteral("%1ページ目の設定には次の問題があります。\n").arg(nPage);
    for (const Problem& problem : problems)
        text += QStringLiteral("\n・") + problem.text;
    text += QStringLiteral("\n\nこのまま保存しますか?\n(「いいえ」で設定に戻ります)");
    return text;
}

bool CDlgPage::CheckBeforeStoring()
{
    // Entries of the contents page are not stored: nothing to judge.
    if (!m_queries.check || m_nPageNumber < 0)
        return true;
    const QList<Problem> problems =
        m_queries.check(m_nPageNumber, PageEntry{m_strText, m_nColor, m_nLine, m_nLineCount});
    if (problems.isEmpty())
        return true;
    if (AfxMessageBox(CheckQuestion(m_nPageNumber, problems), QMessageBox::Yes | QMessageBox::No) ==
        QMessageBox::Yes)
        return true;
    // Back to the dialog, at the field of the first problem.
    QWidget* field = m_pLine;
    switch (problems.first().field) {
    case FieldText:
        field = m_pText;
        break;
    case FieldKind:
        for (QRadioButton* radio : m_pRadios) {
            if (radio->isChecked())
                field = radio;
        }
        break;
    case FieldLine:
        field = m_pLine;
        break;
    case FieldCount:
        field = m_pLineCount;
        break;
    }
    field->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
    return false;
}

bool CDlgPage::ScanInt(const QString& text, int& value)
{
    // "%d" reads from a buffer of 64 characters.
    const QString s = text.left(63);
    int i = 0;
    const int n = int(s.size());
    auto isBlank = [](QChar c) {
        return c == QLatin1Char(' ') || (c >= QLatin1Char('\t') && c <= QLatin1Char('\r'));
    };
    while (i < n && isBlank(s[i]))
        ++i;
    bool negative = false;
    if (i < n && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) {
        negative = s[i] == QLatin1Char('-');
        ++i;
    }
    const int firstDigit = i;
    qint64 magnitude = 0;
    const qint64 limit = qint64(INT_MAX) + 1; // the magnitude of INT_MIN
    while (i < n && s[i] >= QLatin1Char('0') && s[i] <= QLatin1Char('9')) {
        magnitude = magnitude * 10 + (s[i].unicode() - '0');
        if (magnitude > limit)
            return false; // does not fit 32 bits, however many digits follow
        ++i;
    }
    if (i == firstDigit)
        return false;
    const qint64 result = negative ? -magnitude : magnitude;
    if (result > INT_MAX || result < INT_MIN)
        return false;
    value = int(result);
    return true;
}

bool CDlgPage::TakeInt(QLineEdit* edit, int& value)
{
    if (ScanInt(edit->text(), value))
        return true;
    AfxMessageBox(QStringLiteral("整数を入力してください。"));
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    return false;
}

bool CDlgPage::UpdateData(bool bSaveAndValidate)
{
    if (!bSaveAndValidate) {
        m_strFilledText = m_strText;
        m_pText->setPlainText(TextForDisplay(m_strText));
        m_strShownText = m_pText->toPlainText();

        // A value outside 0 to 2 leaves all three buttons cleared; exclusive
        // buttons can only be cleared with the exclusion lifted for a moment.
        for (int i = 0; i < 3; ++i) {
            m_pRadios[i]->setAutoExclusive(false);
            m_pRadios[i]->setChecked(i == m_nColor);
            m_pRadios[i]->setAutoExclusive(true);
        }

        m_pLine->setText(QString::number(m_nLine));
        m_pLineCount->setText(QString::number(m_nLineCount));

        m_strFilledStartPage = m_strStartPage;
        m_pStartPage->setText(CodePage::toUnicode(m_strStartPage));
        m_strShownStartPage = m_pStartPage->text();
        return true;
    }

    const QString text = m_pText->toPlainText();
    m_strText = text == m_strShownText ? m_strFilledText : TextForModel(text);

    m_nColor = -1;
    for (int i = 0; i < 3; ++i) {
        if (m_pRadios[i]->isChecked()) {
            m_nColor = i;
            break;
        }
    }

    if (!TakeInt(m_pLine, m_nLine))
        return false;
    if (!TakeInt(m_pLineCount, m_nLineCount))
        return false;

    const QString startPage = m_pStartPage->text();
    m_strStartPage =
        startPage == m_strShownStartPage ? m_strFilledStartPage : CodePage::fromUnicode(startPage);
    return true;
}

void CDlgPage::accept()
{
    if (UpdateData(true) && CheckBeforeStoring())
        done(IDOK);
}

void CDlgPage::reject()
{
    done(IDCANCEL);
}

void CDlgPage::OnAdd()
{
    if (UpdateData(true))
        done(IDC_ADD);
}

void CDlgPage::OnDelete()
{
    done(IDC_DELETE);
}

bool CDlgPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pText && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ControlModifier)
                m_pText->insertPlainText(QStringLiteral("\n"));
            else
                m_pOk->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
